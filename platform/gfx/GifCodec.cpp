#include "platform/gfx/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_map>

#include "platform/gfx/DecodeLimits.h"
#include "platform/gfx/Pixel.h"

namespace platform::gfx {

namespace {

constexpr int kMaxGifSide = 65535;

struct Input {
  const uint8_t* data;
  size_t size;
  size_t position;
};

int ReadInput(GifFileType* gif, GifByteType* buffer, int count) {
  auto* input = static_cast<Input*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(std::max(count, 0)), input->size - input->position);
  std::copy_n(input->data + input->position, n, buffer);
  input->position += n;
  return static_cast<int>(n);
}

int WriteOutput(GifFileType* gif, const GifByteType* data, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  try {
    out->insert(out->end(), data, data + count);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return count;
}

// Reads an extension; the graphic control extension of the first frame gives its transparent index.
bool ReadExtension(GifFileType* gif, int* transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  if (transparent && code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
    *transparent = (block[1] & 1) ? block[4] : -1;
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

bool SkipFrame(GifFileType* gif) {
  int codeSize = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
  while (block) {
    if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// Reads the frame's rows in file order (interlaced frames come in four passes).
bool ReadFrameRows(GifFileType* gif, int width, int height, std::vector<uint8_t>* frame) {
  constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  const int passes = gif->Image.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = passes == 1 ? 0 : kStart[pass], step = passes == 1 ? 1 : kStep[pass];
    for (int y = start; y < height; y += step) {
      if (DGifGetLine(gif, frame->data() + static_cast<size_t>(y) * width, width) == GIF_ERROR) return false;
    }
  }
  return true;
}

// Decodes the frame just described by DGifGetImageDesc onto the logical screen.
bool ReadFirstFrame(GifFileType* gif, int transparent, size_t dataSize, IndexedImage* out) {
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!map || !PlausibleSize(desc.Width, desc.Height, dataSize, kGifPixelsPerByte)) return false;
  std::vector<uint8_t> frame(static_cast<size_t>(desc.Width) * desc.Height);
  if (!ReadFrameRows(gif, desc.Width, desc.Height, &frame)) return false;

  IndexedImage image;
  image.width = gif->SWidth;
  image.height = gif->SHeight;
  image.transparent = transparent;
  image.palette.assign(256, 0xFF000000u);
  for (int i = 0; i < map->ColorCount && i < 256; ++i) {
    const GifColorType& c = map->Colors[i];
    image.palette[i] = 0xFF000000u | uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue;
  }
  const int background = transparent >= 0 ? transparent : gif->SBackGroundColor & 0xFF;
  image.pixels.assign(static_cast<size_t>(image.width) * image.height, static_cast<uint8_t>(background));
  const int left = std::max(desc.Left, 0), top = std::max(desc.Top, 0);
  const int right = std::min(desc.Left + desc.Width, image.width);
  const int bottom = std::min(desc.Top + desc.Height, image.height);
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = frame.data() + static_cast<size_t>(y - desc.Top) * desc.Width + (left - desc.Left);
    std::copy(row, row + std::max(right - left, 0), image.pixels.data() + static_cast<size_t>(y) * image.width + left);
  }
  *out = std::move(image);
  return true;
}

struct DecoderClose {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

// The palette size GIF needs for the indices in use: a power of two from 2 to 256.
int PaletteBits(const IndexedImage& image) {
  int highest = std::max(image.transparent, 1);
  for (uint8_t index : image.pixels) highest = std::max(highest, int{index});
  int bits = 1;
  while ((1 << bits) <= highest) ++bits;
  return bits;
}

bool WriteGif(GifFileType* gif, const IndexedImage& image, ColorMapObject* map) {
  EGifSetGifVersion(gif, true);
  if (EGifPutScreenDesc(gif, image.width, image.height, 8, 0, map) == GIF_ERROR) return false;
  if (image.transparent >= 0) {
    const GifByteType control[4] = {0x01, 0, 0, static_cast<GifByteType>(image.transparent)};
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_ERROR) return false;
  }
  if (EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_ERROR) return false;
  // giflib masks the line it is given in place, so each row goes through a scratch copy.
  std::vector<GifPixelType> row(static_cast<size_t>(image.width));
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* source = image.pixels.data() + static_cast<size_t>(y) * image.width;
    std::copy(source, source + image.width, row.begin());
    if (EGifPutLine(gif, row.data(), image.width) == GIF_ERROR) return false;
  }
  return true;
}

// Exact palette of at most `limit` colours; false when the bitmap has more.
bool ExactPalette(const std::vector<uint32_t>& straight, size_t limit, IndexedImage* image) {
  std::unordered_map<uint32_t, uint8_t> indices;
  for (size_t i = 0; i < straight.size(); ++i) {
    if (straight[i] >> 24 < 128) continue;
    const uint32_t colour = 0xFF000000u | straight[i];
    auto [it, added] = indices.try_emplace(colour, static_cast<uint8_t>(indices.size()));
    if (added && indices.size() > limit) return false;
    image->pixels[i] = it->second;
  }
  image->palette.assign(std::max<size_t>(indices.size(), 1), 0xFF000000u);
  for (const auto& [colour, index] : indices) image->palette[index] = colour;
  return true;
}

bool MedianCutPalette(const std::vector<uint32_t>& straight, int limit, IndexedImage* image) {
  const size_t count = straight.size();
  std::vector<GifByteType> red(count), green(count), blue(count);
  for (size_t i = 0; i < count; ++i) {
    red[i] = static_cast<GifByteType>(straight[i] >> 16);
    green[i] = static_cast<GifByteType>(straight[i] >> 8);
    blue[i] = static_cast<GifByteType>(straight[i]);
  }
  GifColorType colours[256];
  int size = limit;
  if (GifQuantizeBuffer(static_cast<unsigned>(image->width), static_cast<unsigned>(image->height), &size, red.data(),
                        green.data(), blue.data(), image->pixels.data(), colours) == GIF_ERROR) {
    return false;
  }
  image->palette.resize(static_cast<size_t>(std::clamp(size, 1, limit)));
  for (size_t i = 0; i < image->palette.size(); ++i) {
    image->palette[i] = 0xFF000000u | uint32_t{colours[i].Red} << 16 | uint32_t{colours[i].Green} << 8 | colours[i].Blue;
  }
  return true;
}

}  // namespace

bool DecodeGif(const uint8_t* data, size_t size, IndexedImage* out, int* frameCount) {
  if (!data || size < 13) return false;
  Input input{data, size, 0};
  int error = 0;
  std::unique_ptr<GifFileType, DecoderClose> gif(DGifOpen(&input, ReadInput, &error));
  if (!gif || !PlausibleSize(gif->SWidth, gif->SHeight, size, kGifPixelsPerByte)) return false;
  IndexedImage first;
  bool haveFirst = false;
  int transparent = -1, frames = 0;
  for (bool more = true; more;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) break;
    switch (type) {
      case EXTENSION_RECORD_TYPE:
        more = ReadExtension(gif.get(), haveFirst ? nullptr : &transparent);
        break;
      case IMAGE_DESC_RECORD_TYPE:
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
          more = false;
          break;
        }
        ++frames;
        if (haveFirst) {
          more = SkipFrame(gif.get());
        } else if (!ReadFirstFrame(gif.get(), transparent, size, &first)) {
          return false;
        } else {
          haveFirst = true;
        }
        break;
      default:
        more = false;
        break;
    }
  }
  if (!haveFirst) return false;
  *out = std::move(first);
  *frameCount = frames;
  return true;
}

bool EncodeGif(const IndexedImage& image, std::vector<uint8_t>* out) {
  if (image.width <= 0 || image.height <= 0 || image.width > kMaxGifSide || image.height > kMaxGifSide ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height || image.transparent > 255) {
    return false;
  }
  const int bits = PaletteBits(image);
  if (std::any_of(image.pixels.begin(), image.pixels.end(),
                  [&](uint8_t index) { return index >= image.palette.size() && index != image.transparent; })) {
    return false;
  }
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  if (!map) return false;
  for (int i = 0; i < map->ColorCount; ++i) {
    const uint32_t colour = static_cast<size_t>(i) < image.palette.size() ? image.palette[i] : 0;
    map->Colors[i] = {static_cast<GifByteType>(colour >> 16), static_cast<GifByteType>(colour >> 8),
                      static_cast<GifByteType>(colour)};
  }
  std::vector<uint8_t> bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, WriteOutput, &error);
  bool ok = gif && WriteGif(gif, image, map);
  GifFreeMapObject(map);
  if (gif) ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  if (ok) *out = std::move(bytes);
  return ok;
}

IndexedImage QuantizeForGif(const Bitmap& bitmap) {
  IndexedImage image;
  if (bitmap.empty()) return image;
  image.width = bitmap.width();
  image.height = bitmap.height();
  const size_t count = static_cast<size_t>(image.width) * image.height;
  std::vector<uint32_t> straight(bitmap.data(), bitmap.data() + count);
  std::transform(straight.begin(), straight.end(), straight.begin(), Unpremultiply);
  const bool hasTransparent = std::any_of(straight.begin(), straight.end(), [](uint32_t p) { return p >> 24 < 128; });
  const int limit = hasTransparent ? 255 : 256;
  image.pixels.assign(count, 0);
  if (!ExactPalette(straight, static_cast<size_t>(limit), &image) && !MedianCutPalette(straight, limit, &image)) {
    return {};
  }
  if (hasTransparent) {
    image.transparent = static_cast<int>(image.palette.size());
    image.palette.push_back(0xFF000000u);
    for (size_t i = 0; i < count; ++i) {
      if (straight[i] >> 24 < 128) image.pixels[i] = static_cast<uint8_t>(image.transparent);
    }
  }
  return image;
}

}  // namespace platform::gfx
