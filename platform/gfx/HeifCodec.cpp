#include "platform/gfx/HeifCodec.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>

#include "platform/gfx/DecodeLimits.h"
#include "platform/gfx/Pixel.h"

namespace platform::gfx {

namespace {

// The largest EXIF block a JPEG APP1 segment holds, "Exif\0\0" included.
constexpr size_t kMaxApp1Bytes = 65533;
constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

struct ContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using HandlePtr = std::unique_ptr<heif_image_handle, HandleRelease>;

// libheif registers its decoder plugins on the first use, which two threads must not do at once.
void InitialiseOnce() {
  static const bool initialised = heif_init(nullptr).code == heif_error_Ok;
  (void)initialised;
}

// libheif's reads through a ByteSource.
class SourceReader {
 public:
  explicit SourceReader(const ByteSource& source) : source_(source) {}
  static const heif_reader kReader;

 private:
  static SourceReader& Self(void* userdata) { return *static_cast<SourceReader*>(userdata); }
  static int64_t Position(void* userdata) { return static_cast<int64_t>(Self(userdata).position_); }
  static int Read(void* data, size_t size, void* userdata) {
    SourceReader& self = Self(userdata);
    if (!self.source_.ReadExact(self.position_, data, size)) return 1;
    self.position_ += size;
    return 0;
  }
  static int Seek(int64_t position, void* userdata) {
    SourceReader& self = Self(userdata);
    if (position < 0 || static_cast<uint64_t>(position) > self.source_.size()) return 1;
    self.position_ = static_cast<uint64_t>(position);
    return 0;
  }
  // The file never grows: what is not there now never will be.
  static heif_reader_grow_status WaitForSize(int64_t target, void* userdata) {
    return target >= 0 && static_cast<uint64_t>(target) <= Self(userdata).source_.size()
               ? heif_reader_grow_status_size_reached
               : heif_reader_grow_status_size_beyond_eof;
  }

  const ByteSource& source_;
  uint64_t position_ = 0;
};

const heif_reader SourceReader::kReader = {1, Position, Read, Seek, WaitForSize};

// A HEIF file opened for reading: its context and its primary picture. The reader (and its
// source) must outlive it, as libheif reads through it on demand.
class HeifFile {
 public:
  bool Open(SourceReader* reader) {
    InitialiseOnce();
    context_.reset(heif_context_alloc());
    if (!context_ || heif_context_read_from_reader(context_.get(), &SourceReader::kReader, reader, nullptr).code) {
      return false;
    }
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context_.get(), &primary).code) return false;
    primary_.reset(primary);
    width_ = heif_image_handle_get_width(primary);
    height_ = heif_image_handle_get_height(primary);
    return width_ > 0 && height_ > 0;
  }

  heif_image_handle* primary() const { return primary_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  std::unique_ptr<heif_context, ContextFree> context_;
  HandlePtr primary_;
  int width_ = 0;
  int height_ = 0;
};

// The Exif item holds a 32-bit offset to the TIFF header, then the block.
std::vector<uint8_t> ExifApp1(heif_image_handle* handle, uint64_t sourceSize) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return {};
  const size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size < 4 || size > sourceSize) return {};
  std::vector<uint8_t> item(size);
  if (heif_image_handle_get_metadata(handle, id, item.data()).code) return {};
  const uint64_t tiff = 4 + ((uint64_t{item[0]} << 24) | (item[1] << 16) | (item[2] << 8) | item[3]);
  if (tiff >= size || size - tiff + sizeof kExifHeader > kMaxApp1Bytes) return {};
  std::vector<uint8_t> app1(kExifHeader, kExifHeader + sizeof kExifHeader);
  app1.insert(app1.end(), item.begin() + static_cast<ptrdiff_t>(tiff), item.end());
  return app1;
}

int Shape(int width, int height) { return (width > height) - (width < height); }

// The smallest thumbnail of at least minWidth x minHeight with the picture's shape (and a size
// the source can plausibly hold); null when there is none.
HandlePtr PickThumbnail(const HeifFile& file, uint64_t sourceSize, int minWidth, int minHeight) {
  heif_item_id ids[8];
  const int count = heif_image_handle_get_list_of_thumbnail_IDs(file.primary(), ids, 8);
  HandlePtr best;
  for (int i = 0; i < count; ++i) {
    heif_image_handle* thumbnail = nullptr;
    if (heif_image_handle_get_thumbnail(file.primary(), ids[i], &thumbnail).code) continue;
    HandlePtr candidate(thumbnail);
    const int width = heif_image_handle_get_width(thumbnail), height = heif_image_handle_get_height(thumbnail);
    if (width < minWidth || height < minHeight || Shape(width, height) != Shape(file.width(), file.height()) ||
        !PlausibleSize(width, height, sourceSize, kHeifPixelsPerByte)) {
      continue;
    }
    if (!best || int64_t{width} * height < int64_t{heif_image_handle_get_width(best.get())} *
                                                heif_image_handle_get_height(best.get())) {
      best = std::move(candidate);
    }
  }
  return best;
}

// Copies 8-bit RGB or RGBA rows into opaque or premultiplied 0xAARRGGBB pixels.
void CopyPixels(const uint8_t* plane, int stride, bool alpha, bool premultiplied, Bitmap* bitmap) {
  for (int y = 0; y < bitmap->height(); ++y) {
    const uint8_t* in = plane + static_cast<size_t>(y) * stride;
    uint32_t* out = bitmap->row(y);
    for (int x = 0; x < bitmap->width(); ++x, in += alpha ? 4 : 3) {
      const uint32_t a = alpha ? in[3] : 0xFF;
      const uint32_t pixel = a << 24 | uint32_t{in[0]} << 16 | uint32_t{in[1]} << 8 | in[2];
      out[x] = premultiplied ? pixel : Premultiply(pixel);
    }
  }
}

bool DecodeHandle(heif_image_handle* handle, Bitmap* out) {
  const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  if (!options) return false;
  options->convert_hdr_to_8bit = 1;
  heif_image* decoded = nullptr;
  if (heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get())
          .code) {
    return false;
  }
  const std::unique_ptr<heif_image, ImageRelease> image(decoded);
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(decoded, heif_channel_interleaved);
  const int height = heif_image_get_height(decoded, heif_channel_interleaved);
  if (!plane || heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) != 8 ||
      stride < width * (alpha ? 4 : 3)) {
    return false;
  }
  Bitmap bitmap(width, height);
  if (bitmap.empty()) return false;
  CopyPixels(plane, stride, alpha, heif_image_is_premultiplied_alpha(decoded) != 0, &bitmap);
  *out = std::move(bitmap);
  return true;
}

}  // namespace

bool ReadHeifInfo(const ByteSource& source, int* width, int* height, std::vector<uint8_t>* exifApp1) {
  SourceReader reader(source);
  HeifFile file;
  if (!file.Open(&reader)) return false;
  *width = file.width();
  *height = file.height();
  if (exifApp1) *exifApp1 = ExifApp1(file.primary(), source.size());
  return true;
}

bool DecodeHeif(const ByteSource& source, int minWidth, int minHeight, Bitmap* out) {
  SourceReader reader(source);
  HeifFile file;
  if (!file.Open(&reader) || !PlausibleSize(file.width(), file.height(), source.size(), kHeifPixelsPerByte)) {
    return false;
  }
  if (minWidth > 0 && minHeight > 0) {
    const HandlePtr thumbnail = PickThumbnail(file, source.size(), minWidth, minHeight);
    if (thumbnail && DecodeHandle(thumbnail.get(), out)) return true;
  }
  return DecodeHandle(file.primary(), out);
}

}  // namespace platform::gfx
