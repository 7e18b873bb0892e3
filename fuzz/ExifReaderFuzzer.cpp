// Fuzzes the EXIF reader and the property items of the same bytes, including rewriting a block.

#include <cstddef>
#include <cstdint>

#include "imaging/ExifGps.h"
#include "imaging/ExifReader.h"
#include "platform/gfx/ExifProperties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::gfx::MemorySource source(data, size);
  ExifInfo info;
  ReadExifInfo(source, &info);
  platform::gfx::ExifProperties properties = platform::gfx::ReadExifProperties(source);
  // A bare APP1 payload too, so that the block parser is reached without a JPEG around it.
  if (properties.empty()) properties = platform::gfx::ExifProperties::FromApp1(data, size);
  GpsUploadTexts gps;
  GetGpsUploadTexts(properties, &gps);
  properties.Get(platform::gfx::kPropertyThumbnailData);
  properties.SetShort(platform::gfx::kPropertyOrientation, 1);
  properties.RemoveThumbnail();
  return 0;
}
