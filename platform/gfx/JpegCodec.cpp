#include "platform/gfx/JpegCodec.h"

// jpeglib.h needs size_t and FILE declared first.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "platform/gfx/DecodeLimits.h"

// NOTE: libjpeg reports errors through a callback that must not return. Ours longjmps back to the
// setjmp of the routine that called the library. Those routines (StartDecoder, ReadPixels,
// Compress) therefore keep no object with a destructor in their frames; everything that must be
// released lives in the caller, which cleans up whichever way they return.

namespace platform::gfx {

namespace {

// The bitmap's 0xAARRGGBB pixels in memory order, for the library's extended colour spaces.
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr J_COLOR_SPACE kBitmapOpaque = JCS_EXT_BGRA;  // decoding writes alpha 0xFF
constexpr J_COLOR_SPACE kBitmapInput = JCS_EXT_BGRX;   // encoding ignores alpha
#else
constexpr J_COLOR_SPACE kBitmapOpaque = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kBitmapInput = JCS_EXT_XRGB;
#endif

// A progressive file can declare any number of scans; corrupt ones repeat them to waste time.
constexpr int kMaxScans = 1000;
// The library's own buffers (whole-image coefficient arrays of progressive files).
constexpr long kMaxLibraryMemory = 1L << 30;
constexpr size_t kMaxApp1Bytes = 65533;
constexpr int kRowsPerCall = 16;

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so that the library's pointer is also ours
  std::jmp_buf jump;
};

void ExitOnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

// Warnings (corrupt data, premature end) are counted instead of printed.
void CountWarning(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

void LimitScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    ExitOnError(cinfo);
  }
}

void InstallErrorManager(ErrorManager* error) {
  jpeg_std_error(&error->pub);
  error->pub.error_exit = ExitOnError;
  error->pub.emit_message = CountWarning;
}

struct Decoder {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
  jpeg_progress_mgr progress;
};

// Reads the header and sets the output format and scale. See the NOTE above.
bool StartDecoder(Decoder* d, const uint8_t* data, size_t size, int scaleNumerator) {
  InstallErrorManager(&d->error);
  d->cinfo.err = &d->error.pub;
  if (setjmp(d->error.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
  d->progress.progress_monitor = LimitScans;
  d->cinfo.progress = &d->progress;
  jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&d->cinfo, TRUE) != JPEG_HEADER_OK) return false;
  const bool cmyk = d->cinfo.jpeg_color_space == JCS_CMYK || d->cinfo.jpeg_color_space == JCS_YCCK;
  d->cinfo.out_color_space = cmyk ? JCS_CMYK : kBitmapOpaque;
  d->cinfo.scale_num = static_cast<unsigned int>(scaleNumerator);
  d->cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&d->cinfo);
  return true;
}

// Decodes every row into the bitmap, which has the output size. See the NOTE above.
bool ReadPixels(Decoder* d, Bitmap* bitmap) {
  if (setjmp(d->error.jump)) return false;
  jpeg_start_decompress(&d->cinfo);
  if (d->cinfo.output_components != 4 || static_cast<int>(d->cinfo.output_width) != bitmap->width() ||
      static_cast<int>(d->cinfo.output_height) != bitmap->height()) {
    return false;
  }
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW rows[kRowsPerCall];
    const int first = static_cast<int>(d->cinfo.output_scanline);
    const int count = std::min(kRowsPerCall, bitmap->height() - first);
    for (int i = 0; i < count; ++i) rows[i] = reinterpret_cast<JSAMPROW>(bitmap->row(first + i));
    jpeg_read_scanlines(&d->cinfo, rows, static_cast<JDIMENSION>(count));
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

// Turns C, M, Y, K bytes into opaque pixels in place. Adobe's files store the inks inverted.
void ConvertCmyk(Bitmap* bitmap, bool inverted) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(bitmap->data());
  uint32_t* pixels = bitmap->data();
  const size_t count = static_cast<size_t>(bitmap->width()) * bitmap->height();
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = bytes[4 * i], m = bytes[4 * i + 1], y = bytes[4 * i + 2], k = bytes[4 * i + 3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    pixels[i] = 0xFF000000u | (c * k / 255) << 16 | (m * k / 255) << 8 | (y * k / 255);
  }
}

struct Encoder {
  jpeg_compress_struct cinfo;
  ErrorManager error;
  unsigned char* buffer;  // malloc'ed by the library's memory destination
  unsigned long size;
};

// Compresses the bitmap into the encoder's memory buffer. See the NOTE above.
bool Compress(Encoder* e, const Bitmap& bitmap, int quality, const std::vector<uint8_t>& app1) {
  InstallErrorManager(&e->error);
  e->cinfo.err = &e->error.pub;
  if (setjmp(e->error.jump)) return false;
  jpeg_create_compress(&e->cinfo);
  jpeg_mem_dest(&e->cinfo, &e->buffer, &e->size);
  e->cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
  e->cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
  e->cinfo.input_components = 4;
  e->cinfo.in_color_space = kBitmapInput;
  jpeg_set_defaults(&e->cinfo);  // YCbCr with 2x2 luminance sampling: 4:2:0
  jpeg_set_quality(&e->cinfo, quality, TRUE);
  e->cinfo.write_JFIF_header = app1.empty() ? TRUE : FALSE;
  jpeg_start_compress(&e->cinfo, TRUE);
  if (!app1.empty()) jpeg_write_marker(&e->cinfo, JPEG_APP0 + 1, app1.data(), static_cast<unsigned int>(app1.size()));
  while (e->cinfo.next_scanline < e->cinfo.image_height) {
    JSAMPROW rows[kRowsPerCall];
    const int first = static_cast<int>(e->cinfo.next_scanline);
    const int count = std::min(kRowsPerCall, bitmap.height() - first);
    for (int i = 0; i < count; ++i) {
      rows[i] = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(bitmap.row(first + i)));
    }
    jpeg_write_scanlines(&e->cinfo, rows, static_cast<JDIMENSION>(count));
  }
  jpeg_finish_compress(&e->cinfo);
  return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, int scaleNumerator, Bitmap* out) {
  if (!data || size == 0 || scaleNumerator < 1 || scaleNumerator > 8) return false;
  Decoder decoder = {};
  struct Release {
    Decoder* d;
    ~Release() { jpeg_destroy_decompress(&d->cinfo); }
  } release{&decoder};
  if (!StartDecoder(&decoder, data, size, scaleNumerator)) return false;
  if (!PlausibleSize(decoder.cinfo.image_width, decoder.cinfo.image_height, size, kJpegPixelsPerByte)) return false;
  // Every row is written: a file whose data ends early still yields all of them.
  Bitmap bitmap = Bitmap::Unfilled(static_cast<int>(decoder.cinfo.output_width), static_cast<int>(decoder.cinfo.output_height));
  if (bitmap.empty() || !ReadPixels(&decoder, &bitmap)) return false;
  if (decoder.cinfo.out_color_space == JCS_CMYK) ConvertCmyk(&bitmap, decoder.cinfo.saw_Adobe_marker);
  *out = std::move(bitmap);
  return true;
}

bool EncodeJpeg(const Bitmap& bitmap, int quality, const std::vector<uint8_t>& app1, std::vector<uint8_t>* out) {
  if (bitmap.empty() || app1.size() > kMaxApp1Bytes) return false;
  Encoder encoder = {};
  struct Release {
    Encoder* e;
    ~Release() {
      jpeg_destroy_compress(&e->cinfo);
      std::free(e->buffer);
    }
  } release{&encoder};
  if (!Compress(&encoder, bitmap, quality, app1)) return false;
  out->assign(encoder.buffer, encoder.buffer + encoder.size);
  return true;
}

}  // namespace platform::gfx
