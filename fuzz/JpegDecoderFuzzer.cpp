// Fuzzes the JPEG decoder at every scale; the first byte picks the scale.

#include <cstddef>
#include <cstdint>

#include "platform/gfx/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  platform::gfx::Bitmap bitmap;
  platform::gfx::DecodeJpeg(data + 1, size - 1, data[0] % 8 + 1, &bitmap);
  return 0;
}
