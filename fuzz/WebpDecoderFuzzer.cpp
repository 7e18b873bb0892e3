// Fuzzes the WebP reader: the EXIF read from the container (header and EXIF chunk), the full
// decode (the first frame of an animation) and the decode scaled down to the smallest size.

#include <cstddef>
#include <cstdint>

#include "imaging/ExifReader.h"
#include "platform/gfx/WebpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::gfx::MemorySource source(data, size);
  ExifInfo info;
  ReadExifInfo(source, &info);
  platform::gfx::Bitmap bitmap;
  platform::gfx::DecodeWebp(data, size, 0, 0, &bitmap);
  platform::gfx::DecodeWebp(data, size, 1, 1, &bitmap);
  return 0;
}
