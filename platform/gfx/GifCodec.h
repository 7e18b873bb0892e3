#pragma once
// GIF decoding and encoding with giflib. A GIF decodes to its first frame as a palette image on
// its logical screen; the other frames are only counted.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/IndexedImage.h"

namespace platform::gfx {

// Decodes the first frame onto the logical screen (pixels outside the frame take the frame's
// transparent index, else the screen's background index) and counts every frame. The palette is
// padded to 256 colours so that any index is valid. A damaged frame after the first ends the
// count there. False for data that is not a GIF, has no readable first frame or declares a size
// the data cannot plausibly hold.
bool DecodeGif(const uint8_t* data, size_t size, IndexedImage* out, int* frameCount);

// Encodes one frame (GIF89a, with the transparent index when there is one). False for an image
// whose indices or size do not fit a GIF.
bool EncodeGif(const IndexedImage& image, std::vector<uint8_t>* out);

// A palette image of a bitmap for GIF output: its exact colours when there are at most 256
// (counting transparency), else a median-cut palette. Pixels under half alpha become transparent.
IndexedImage QuantizeForGif(const Bitmap& bitmap);

}  // namespace platform::gfx
