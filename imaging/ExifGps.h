#pragma once
// The GPS position of a photo, read from its property items (GPS tags 1 to 4) and formatted as
// the upload's form fields want it.

#include <cstdint>
#include <string>

#include "platform/gfx/ExifProperties.h"

// GPS tag 1 or 3 (latitude or longitude reference): `out` becomes the value's first byte as one
// character ("N", "S", "E" or "W"; empty when the value is empty). False, with `out` empty, when
// the image has no such property.
bool GetGpsRef(const platform::gfx::ExifProperties& image, uint16_t tag, std::u16string* out);

// GPS tag 2 or 4 (latitude or longitude): degrees + minutes / 60 + seconds / 3600 from the
// value's three rationals (numerators and denominators read as signed 32-bit), formatted "%.6f".
// A rational with a zero denominator counts as 0, so the text is always a finite number. False,
// with `out` "0", when the property is missing or holds fewer than three rationals.
bool GetGpsCoordinate(const platform::gfx::ExifProperties& image, uint16_t tag, std::u16string* out);

// The four upload texts ("Exif_LatitudeRef", "Exif_Latitude", "Exif_LongitudeRef",
// "Exif_Longitude"); filled, and true, only when all four reads succeed.
struct GpsUploadTexts {
  std::u16string LatitudeRef;
  std::u16string Latitude;
  std::u16string LongitudeRef;
  std::u16string Longitude;
};
bool GetGpsUploadTexts(const platform::gfx::ExifProperties& image, GpsUploadTexts* out);
