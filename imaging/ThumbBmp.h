#pragma once
// Thumbnails for the photo grid and the file dialog's pane: the cheapest good-enough source (the
// camera's embedded preview, then a 1/8 JPEG decode, then a full decode), turned upright by the
// photo's EXIF orientation and fitted into the box (fill mode crops, fit mode letterboxes).
//
// Every function may be called from any thread. They keep no state between calls, except that
// each thread remembers the preview file it wrote last (imaging/PreviewFile.h).

#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/win/Types.h"

// Who asks for a thumbnail: the grid and the file dialog's pane log under their own scope and
// timing text, and the embedded preview's temporary file carries the caller's id.
struct ThumbCaller {
  const char* logScope;      // "CUploadPreview::CreateThumbBmp" or "CCMPreview::CreateThumbBmp"
  const char* timingFormat;  // "###CreateThumbBmp takes time[MS] : [%d] %s" or "### CreateThumbBmp ..."
  int callerId;              // identifies the calling window in the temporary file's name
};

// Makes a thumbW x thumbH thumbnail (32-bit ARGB, transparent where the picture does not cover it)
// of the photo file `path`. `outRotated` is 1 when a rotation or flip was applied, else 0. False,
// leaving both outputs untouched, when the file cannot be read as a picture or the box is empty.
// An embedded preview is used when it has the photo's orientation class (both wider than high or
// both higher than wide) and, cut to the photo's shape, is as wide as the picture drawn from it;
// it is also written into the working folder (imaging/PreviewFile.h).
// Otherwise a photo of 1025 pixels or more on a side is decoded at 1/8 when it is a greyscale or
// colour JPEG, and anything else is decoded fully.
bool CreateThumbBmp(const std::u16string& path, int thumbW, int thumbH, const ThumbCaller& caller,
                    platform::gfx::Bitmap* outBitmap, int* outRotated);

// Decodes a JPEG file at 1/factor of its size (factor 8, 4 or 2; anything else decodes at full
// size) into an opaque ARGB bitmap, the library scaling inside its inverse DCT. False, leaving
// `outBitmap` untouched, for a CMYK JPEG and for anything the JPEG library refuses.
bool LoadJpegScaled(const std::u16string& path, int factor, platform::gfx::Bitmap* outBitmap);

// The largest centred rectangle of a w2 x h2 picture with the aspect ratio of w x h, each side at
// least 1; empty when a size is not positive.
platform::RECT FitCropRect(int w, int h, int w2, int h2);
