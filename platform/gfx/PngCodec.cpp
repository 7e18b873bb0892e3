#include "platform/gfx/PngCodec.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <new>

#include "platform/gfx/DecodeLimits.h"
#include "platform/gfx/Pixel.h"

// NOTE: libpng reports errors by longjmp to png_jmpbuf. The routines that set it (ReadHeader,
// ReadRows, WriteRows) keep no object with a destructor in their frames; their callers own and
// release everything.

namespace platform::gfx {

namespace {

void FailSilently(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

struct Input {
  const uint8_t* data;
  size_t size;
  size_t position;
};

void ReadInput(png_structp png, png_bytep buffer, size_t count) {
  auto* input = static_cast<Input*>(png_get_io_ptr(png));
  if (count > input->size - input->position) png_error(png, "truncated");
  std::copy_n(input->data + input->position, count, buffer);
  input->position += count;
}

void WriteOutput(png_structp png, png_bytep data, size_t count) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  try {
    out->insert(out->end(), data, data + count);
  } catch (const std::bad_alloc&) {
    png_error(png, "out of memory");
  }
}

void FlushOutput(png_structp) {}

struct Reader {
  png_structp png;
  png_infop info;
  Input input;
};

// Reads the header and asks libpng for 8-bit pixels in the bitmap's byte order. See the NOTE.
bool ReadHeader(Reader* r, png_uint_32* width, png_uint_32* height) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_set_read_fn(r->png, &r->input, ReadInput);
  png_read_info(r->png, r->info);
  const int colorType = png_get_color_type(r->png, r->info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
  if (colorType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(r->png, r->info) < 8) {
    png_set_expand_gray_1_2_4_to_8(r->png);
  }
  if (png_get_valid(r->png, r->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r->png);
  png_set_strip_16(r->png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(r->png);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  png_set_bgr(r->png);
  png_set_filler(r->png, 0xFF, PNG_FILLER_AFTER);
#else
  png_set_swap_alpha(r->png);
  png_set_filler(r->png, 0xFF, PNG_FILLER_BEFORE);
#endif
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  *width = png_get_image_width(r->png, r->info);
  *height = png_get_image_height(r->png, r->info);
  return png_get_rowbytes(r->png, r->info) == size_t{*width} * 4;
}

// Reads every pass of the image into the rows. See the NOTE.
bool ReadRows(Reader* r, png_bytepp rows) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_read_image(r->png, rows);
  return true;
}

struct Writer {
  png_structp png;
  png_infop info;
};

// Writes the bitmap; `row` is scratch for one straight-alpha row when the bitmap has alpha.
// See the NOTE.
bool WriteRows(Writer* w, const Bitmap& bitmap, bool opaque, uint32_t* row, std::vector<uint8_t>* out) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  png_set_write_fn(w->png, out, WriteOutput, FlushOutput);
  png_set_IHDR(w->png, w->info, static_cast<png_uint_32>(bitmap.width()), static_cast<png_uint_32>(bitmap.height()),
               8, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(w->png, w->info);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  png_set_bgr(w->png);
  if (opaque) png_set_filler(w->png, 0, PNG_FILLER_AFTER);
#else
  png_set_swap_alpha(w->png);
  if (opaque) png_set_filler(w->png, 0, PNG_FILLER_BEFORE);
#endif
  for (int y = 0; y < bitmap.height(); ++y) {
    const uint32_t* source = bitmap.row(y);
    if (!opaque) {
      std::transform(source, source + bitmap.width(), row, Unpremultiply);
      source = row;
    }
    png_write_row(w->png, reinterpret_cast<png_const_bytep>(source));
  }
  png_write_end(w->png, nullptr);
  return true;
}

bool IsOpaque(const Bitmap& bitmap) {
  const uint32_t* pixels = bitmap.data();
  const size_t count = static_cast<size_t>(bitmap.width()) * bitmap.height();
  return std::all_of(pixels, pixels + count, [](uint32_t p) { return p >> 24 == 0xFF; });
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, Bitmap* out) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
  Reader reader = {};
  reader.input = {data, size, 0};
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailSilently, IgnoreWarning);
  if (!reader.png) return false;
  reader.info = png_create_info_struct(reader.png);
  struct Release {
    Reader* r;
    ~Release() { png_destroy_read_struct(&r->png, r->info ? &r->info : nullptr, nullptr); }
  } release{&reader};
  if (!reader.info) return false;
  png_uint_32 width = 0, height = 0;
  if (!ReadHeader(&reader, &width, &height) || !PlausibleSize(width, height, size, kPngPixelsPerByte)) return false;
  Bitmap bitmap(static_cast<int>(width), static_cast<int>(height));
  if (bitmap.empty()) return false;
  std::vector<png_bytep> rows(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = reinterpret_cast<png_bytep>(bitmap.row(static_cast<int>(y)));
  if (!ReadRows(&reader, rows.data())) return false;
  uint32_t* pixels = bitmap.data();
  std::transform(pixels, pixels + size_t{width} * height, pixels, Premultiply);
  *out = std::move(bitmap);
  return true;
}

bool EncodePng(const Bitmap& bitmap, std::vector<uint8_t>* out) {
  if (bitmap.empty()) return false;
  Writer writer = {};
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, FailSilently, IgnoreWarning);
  if (!writer.png) return false;
  writer.info = png_create_info_struct(writer.png);
  struct Release {
    Writer* w;
    ~Release() { png_destroy_write_struct(&w->png, w->info ? &w->info : nullptr); }
  } release{&writer};
  if (!writer.info) return false;
  const bool opaque = IsOpaque(bitmap);
  std::vector<uint32_t> row(opaque ? 0 : static_cast<size_t>(bitmap.width()));
  std::vector<uint8_t> bytes;
  if (!WriteRows(&writer, bitmap, opaque, row.data(), &bytes)) return false;
  *out = std::move(bytes);
  return true;
}

}  // namespace platform::gfx
