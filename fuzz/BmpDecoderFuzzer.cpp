// Fuzzes the BMP reader.

#include <cstddef>
#include <cstdint>

#include "platform/gfx/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::gfx::Bitmap bitmap;
  platform::gfx::DecodeBmp(data, size, &bitmap);
  return 0;
}
