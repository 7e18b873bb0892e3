#pragma once
// Test pictures and files for the tests: generated pictures, JPEG segment splicing,
// animated GIFs.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace fotaro::test {

// A copy of a JPEG with a segment (marker, data) inserted right after the start of image.
std::vector<uint8_t> InsertSegment(const std::vector<uint8_t>& jpeg, uint8_t marker, const std::vector<uint8_t>& data);

// A picture whose every pixel differs from its neighbours in a recognisable way: red grows to the
// right, green downwards, blue is a checkerboard of 16-pixel squares.
platform::gfx::Bitmap TestPicture(int width, int height);
// TestPicture encoded as JPEG (quality 95), optionally with an EXIF block.
std::vector<uint8_t> TestJpeg(int width, int height, const std::vector<uint8_t>& exif = {});
// A picture without edges, which JPEG keeps within a level or two and any smooth filter scales
// alike: red grows to the right, green downwards, blue along the diagonal.
platform::gfx::Bitmap SmoothPicture(int width, int height);
// A landscape of a sky, a sun and rolling hills, its colours drawn from `seed`: a photo to look at.
platform::gfx::Bitmap Landscape(int width, int height, unsigned seed);
// The part of `picture` at (x, y) of `width` x `height` (which must lie inside it).
platform::gfx::Bitmap Crop(const platform::gfx::Bitmap& picture, int x, int y, int width, int height);
// SmoothPicture encoded as JPEG (quality 95), optionally with an EXIF block.
std::vector<uint8_t> SmoothJpeg(int width, int height, const std::vector<uint8_t>& exif = {});
// A JPEG of TestPicture with only an EXIF orientation.
std::vector<uint8_t> OrientedJpeg(int width, int height, uint16_t orientation, bool bigEndian = false);
// A JPEG whose every sample is `value`, stored with 1 (greyscale), 3 (colour) or 4 (CMYK)
// components.
std::vector<uint8_t> FlatJpeg(int width, int height, int components, uint8_t value);

// A GIF of `frames` copies of a 4-colour 8 x 6 frame.
std::vector<uint8_t> AnimatedGif(int frames);

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// A little BMP: 14-byte file header, 40-byte info header, palette, and the given rows (each
// padded to 4 bytes); a negative height stores the rows top-down.
std::vector<uint8_t> Bmp(int width, int height, int bits, const std::vector<uint32_t>& palette,
                         const std::vector<std::vector<uint8_t>>& rows);

// Expects two pictures of the same size whose mean and largest channel difference stay within
// the limits.
void ExpectClose(const platform::gfx::Bitmap& expected, const platform::gfx::Bitmap& actual, double meanLimit,
                 int maxLimit);

// Largest difference of any colour channel between two pixels.
int ChannelDistance(uint32_t a, uint32_t b);

}  // namespace fotaro::test
