// Fuzzes the HEIC and AVIF reader: the EXIF read from the container (size and Exif item), the
// full decode and the reduced decode that takes the smallest thumbnail.

#include <cstddef>
#include <cstdint>

#include "imaging/ExifReader.h"
#include "platform/gfx/HeifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::gfx::MemorySource source(data, size);
  ExifInfo info;
  ReadExifInfo(source, &info);
  platform::gfx::Bitmap bitmap;
  platform::gfx::DecodeHeif(source, 0, 0, &bitmap);
  platform::gfx::DecodeHeif(source, 1, 1, &bitmap);
  return 0;
}
