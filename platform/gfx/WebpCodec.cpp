#include "platform/gfx/WebpCodec.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/gfx/DecodeLimits.h"

namespace platform::gfx {

namespace {

// The largest EXIF block a JPEG APP1 segment holds, "Exif\0\0" included.
constexpr size_t kMaxApp1Bytes = 65533;
constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
// A bound for the chunk walk of a hostile file made of empty chunks.
constexpr int kMaxChunks = 65536;
constexpr size_t kRiffHeader = 12;  // "RIFF", the size of what follows, "WEBP"
constexpr size_t kChunkHeader = 8;  // the chunk's name and the size of its data

uint32_t Le24(const uint8_t* p) { return p[0] | (p[1] << 8) | (uint32_t{p[2]} << 16); }
uint32_t Le32(const uint8_t* p) { return Le24(p) | (uint32_t{p[3]} << 24); }

// The EXIF chunk's data, when the file has one of at most `maxBytes`.
std::vector<uint8_t> ReadExifChunk(const ByteSource& source, uint64_t end, size_t maxBytes) {
  uint64_t at = kRiffHeader;
  for (int i = 0; i < kMaxChunks && at + kChunkHeader <= end; ++i) {
    uint8_t header[kChunkHeader];
    if (!source.ReadExact(at, header, sizeof header)) break;
    const uint32_t size = Le32(header + 4);
    if (std::memcmp(header, "EXIF", 4) == 0) {
      if (size > maxBytes || at + kChunkHeader + size > end) break;
      std::vector<uint8_t> data(size);
      if (!source.ReadExact(at + kChunkHeader, data.data(), size)) break;
      return data;
    }
    at += kChunkHeader + size + (size & 1);
  }
  return {};
}

// The APP1 form of a chunk: some writers store "Exif\0\0" before the TIFF block, most do not.
std::vector<uint8_t> ExifApp1(std::vector<uint8_t> chunk) {
  const bool prefixed = chunk.size() >= sizeof kExifHeader && std::memcmp(chunk.data(), kExifHeader, sizeof kExifHeader) == 0;
  if (chunk.empty() || (!prefixed && chunk.size() + sizeof kExifHeader > kMaxApp1Bytes)) return {};
  if (!prefixed) chunk.insert(chunk.begin(), kExifHeader, kExifHeader + sizeof kExifHeader);
  return chunk;
}

struct AnimDecoderDelete {
  void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// The first frame of an animation, composed on the canvas (premultiplied R, G, B, A bytes).
bool DecodeFirstFrame(const uint8_t* data, size_t size, Bitmap* out) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return false;
  options.color_mode = MODE_rgbA;
  options.use_threads = 0;
  const WebPData webp = {data, size};
  const std::unique_ptr<WebPAnimDecoder, AnimDecoderDelete> decoder(WebPAnimDecoderNew(&webp, &options));
  WebPAnimInfo info;
  uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) || !WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp)) {
    return false;
  }
  Bitmap bitmap(static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height));
  if (bitmap.empty()) return false;
  const size_t count = size_t{info.canvas_width} * info.canvas_height;
  uint32_t* pixels = bitmap.data();
  for (size_t i = 0; i < count; ++i, frame += 4) {
    pixels[i] = uint32_t{frame[3]} << 24 | uint32_t{frame[0]} << 16 | uint32_t{frame[1]} << 8 | frame[2];
  }
  *out = std::move(bitmap);
  return true;
}

// A still picture, decoded (and scaled, when `scaledWidth` x `scaledHeight` is smaller than the
// picture) straight into the bitmap's rows.
bool DecodeStill(const uint8_t* data, size_t size, const WebPBitstreamFeatures& features, int scaledWidth,
                 int scaledHeight, Bitmap* out) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return false;
  if (scaledWidth < features.width || scaledHeight < features.height) {
    config.options.use_scaling = 1;
    config.options.scaled_width = scaledWidth;
    config.options.scaled_height = scaledHeight;
  }
  Bitmap bitmap(scaledWidth, scaledHeight);
  if (bitmap.empty()) return false;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  config.output.colorspace = MODE_bgrA;  // premultiplied B, G, R, A bytes: 0xAARRGGBB in memory
#else
  config.output.colorspace = MODE_Argb;
#endif
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(bitmap.data());
  config.output.u.RGBA.stride = bitmap.stride();
  config.output.u.RGBA.size = static_cast<size_t>(bitmap.stride()) * bitmap.height();
  const bool decoded = WebPDecode(data, size, &config) == VP8_STATUS_OK;
  WebPFreeDecBuffer(&config.output);
  if (!decoded) return false;
  *out = std::move(bitmap);
  return true;
}

}  // namespace

bool ReadWebpInfo(const ByteSource& source, int* width, int* height, std::vector<uint8_t>* exifApp1) {
  uint8_t head[64] = {};
  const size_t size = source.ReadAt(0, head, sizeof head);
  if (size < kRiffHeader + kChunkHeader || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WEBP", 4) != 0) {
    return false;
  }
  int w = 0, h = 0;
  if (std::memcmp(head + kRiffHeader, "VP8X", 4) == 0) {
    // The extended header: flags, three reserved bytes, then the canvas size less one, 24 bits each.
    if (size < 30) return false;
    w = static_cast<int>(Le24(head + 24)) + 1;
    h = static_cast<int>(Le24(head + 27)) + 1;
  } else if (!WebPGetInfo(head, size, &w, &h)) {
    return false;
  }
  if (w <= 0 || h <= 0) return false;
  *width = w;
  *height = h;
  if (exifApp1) {
    const uint64_t end = std::min<uint64_t>(source.size(), uint64_t{Le32(head + 4)} + 8);
    *exifApp1 = ExifApp1(ReadExifChunk(source, end, kMaxApp1Bytes));
  }
  return true;
}

bool DecodeWebp(const uint8_t* data, size_t size, int minWidth, int minHeight, Bitmap* out) {
  WebPBitstreamFeatures features;
  if (!data || WebPGetFeatures(data, size, &features) != VP8_STATUS_OK ||
      !PlausibleSize(features.width, features.height, size, kWebpPixelsPerByte)) {
    return false;
  }
  if (features.has_animation) return DecodeFirstFrame(data, size, out);
  const int64_t w = features.width, h = features.height;
  int64_t width = w, height = h;
  if (minWidth > 0 && minHeight > 0 && minWidth < w && minHeight < h) {
    // The smallest scale that keeps both sides at least as large as asked: the side whose
    // minimum asks for more decides, the other is rounded up.
    if (int64_t{minWidth} * h >= int64_t{minHeight} * w) {
      width = minWidth;
      height = (h * minWidth + w - 1) / w;
    } else {
      height = minHeight;
      width = (w * minHeight + h - 1) / h;
    }
  }
  return DecodeStill(data, size, features, static_cast<int>(width), static_cast<int>(height), out);
}

}  // namespace platform::gfx
