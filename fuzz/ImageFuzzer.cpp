// Fuzzes the header reader of every format and the decoder entry point that picks a codec by
// signature.

#include <cstddef>
#include <cstdint>

#include "platform/gfx/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::gfx::MemorySource source(data, size);
  platform::gfx::ImageHeader header;
  platform::gfx::ReadImageHeader(source, &header);
  platform::gfx::Image image;
  platform::gfx::DecodeImage(data, size, &image);
  return 0;
}
