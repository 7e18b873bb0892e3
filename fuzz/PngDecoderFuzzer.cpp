// Fuzzes the PNG decoder, and encodes what it decodes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/PngCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::gfx::Bitmap bitmap;
  std::vector<uint8_t> encoded;
  if (platform::gfx::DecodePng(data, size, &bitmap) && bitmap.width() * int64_t{bitmap.height()} < 4096) {
    platform::gfx::EncodePng(bitmap, &encoded);
  }
  return 0;
}
