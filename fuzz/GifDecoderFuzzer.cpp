// Fuzzes the GIF decoder, and turns and encodes what it decodes (the rotated-GIF path).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/GifCodec.h"
#include "platform/gfx/RotateFlip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::gfx::IndexedImage image;
  int frames = 0;
  if (!platform::gfx::DecodeGif(data, size, &image, &frames)) return 0;
  image.ToBitmap();
  std::vector<uint8_t> encoded;
  platform::gfx::EncodeGif(platform::gfx::RotateFlip(image, platform::gfx::RotateFlipType::Rotate90FlipNone), &encoded);
  return 0;
}
