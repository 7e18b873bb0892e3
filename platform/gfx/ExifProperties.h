#pragma once
// The property items of a photo: the tags of its EXIF block (orientation, GPS position, the
// embedded preview picture), read and changed with libexif. The block is kept as the bytes of
// its JPEG APP1 segment, so an image carries it unchanged until someone sets a property.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gfx/ByteSource.h"

namespace platform::gfx {

// Property ids. GPS tags keep their own numbers (0x0000 to 0x001F).
constexpr uint16_t kPropertyGpsLatitudeRef = 0x0001;
constexpr uint16_t kPropertyGpsLatitude = 0x0002;
constexpr uint16_t kPropertyGpsLongitudeRef = 0x0003;
constexpr uint16_t kPropertyGpsLongitude = 0x0004;
constexpr uint16_t kPropertyOrientation = 0x0112;
constexpr uint16_t kPropertyThumbnailData = 0x501B;  // the embedded preview, a small JPEG

// TIFF value formats of property items.
enum PropertyType : uint16_t {
  kPropertyByte = 1,
  kPropertyAscii = 2,
  kPropertyShort = 3,
  kPropertyLong = 4,
  kPropertyRational = 5,
  kPropertyUndefined = 7,
  kPropertySLong = 9,
  kPropertySRational = 10,
};

struct PropertyItem {
  uint16_t id = 0;
  uint16_t type = 0;           // a TIFF value format (PropertyType and the others up to 12)
  std::vector<uint8_t> value;  // the value; numbers in the machine's byte order
};

class ExifProperties {
 public:
  ExifProperties() = default;
  // From the data of an APP1 segment ("Exif\0\0" and the TIFF block); other data gives an empty set.
  static ExifProperties FromApp1(const uint8_t* data, size_t size);

  bool empty() const { return app1_.empty(); }
  // The APP1 segment data to write into a JPEG (empty when there is no block).
  const std::vector<uint8_t>& app1() const { return app1_; }

  // The item with this id from the main, EXIF or GPS directory, or the preview picture.
  std::optional<PropertyItem> Get(uint16_t id) const;
  // Sets a one-value SHORT tag of the main or EXIF directory (added to the main directory when
  // absent; only tags the library knows can be added). False when there is no block.
  bool SetShort(uint16_t id, uint16_t value);
  // Empties the embedded preview (0x501B). False when there is no block.
  bool RemoveThumbnail();

 private:
  std::vector<uint8_t> app1_;
};

// The EXIF block of a photo file: a JPEG's first APP1 segment that begins "Exif\0\0", a HEIC or
// AVIF file's Exif item, a WebP file's EXIF chunk. Empty for other files, and for photos without
// one.
ExifProperties ReadExifProperties(const ByteSource& source);

}  // namespace platform::gfx
