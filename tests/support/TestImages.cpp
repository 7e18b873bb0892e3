#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

// jpeglib.h needs size_t and FILE declared first.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <jpeglib.h>

#include "platform/gfx/GifCodec.h"
#include "platform/gfx/JpegCodec.h"
#include "tests/support/ExifBuilder.h"

namespace fotaro::test {

std::vector<uint8_t> InsertSegment(const std::vector<uint8_t>& jpeg, uint8_t marker, const std::vector<uint8_t>& data) {
  const size_t length = data.size() + 2;
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

namespace {

// Red grows to the right and green downwards; blue(x, y) is the picture's own.
template <class Blue>
platform::gfx::Bitmap Ramps(int width, int height, Blue blue) {
  platform::gfx::Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t red = static_cast<uint32_t>(x * 255 / std::max(width - 1, 1));
      const uint32_t green = static_cast<uint32_t>(y * 255 / std::max(height - 1, 1));
      bitmap.at(x, y) = 0xFF000000u | red << 16 | green << 8 | blue(x, y);
    }
  }
  return bitmap;
}

std::vector<uint8_t> Jpeg95(const platform::gfx::Bitmap& picture, const std::vector<uint8_t>& exif) {
  std::vector<uint8_t> jpeg;
  if (!platform::gfx::EncodeJpeg(picture, 95, exif, &jpeg)) throw std::runtime_error("encode");
  return jpeg;
}

}  // namespace

platform::gfx::Bitmap TestPicture(int width, int height) {
  return Ramps(width, height, [](int x, int y) { return ((x / 16 + y / 16) % 2) ? 180u : 60u; });
}

std::vector<uint8_t> TestJpeg(int width, int height, const std::vector<uint8_t>& exif) {
  return Jpeg95(TestPicture(width, height), exif);
}

platform::gfx::Bitmap SmoothPicture(int width, int height) {
  return Ramps(width, height,
               [=](int x, int y) { return static_cast<uint32_t>((x + y) * 255 / std::max(width + height - 2, 1)); });
}

platform::gfx::Bitmap Landscape(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const int skyTop[3] = {pick(20, 90), pick(80, 160), pick(170, 240)};
  const int skyLow[3] = {pick(200, 255), pick(150, 230), pick(120, 220)};
  const int hill[3] = {pick(30, 110), pick(90, 170), pick(30, 90)};
  const double sunX = width * (0.2 + 0.6 * pick(0, 100) / 100.0), sunY = height * 0.3, sunR = height * 0.09;
  const double phase = pick(0, 628) / 100.0;
  platform::gfx::Bitmap picture(width, height);
  for (int y = 0; y < height; ++y) {
    const double t = static_cast<double>(y) / height;
    for (int x = 0; x < width; ++x) {
      const double ridge = height * (0.62 + 0.08 * std::sin(phase + x * 6.0 / width) + 0.03 * std::sin(x * 23.0 / width));
      int c[3];
      if (y > ridge) {
        const double shade = 0.7 + 0.3 * (y - ridge) / (height - ridge);
        for (int k = 0; k < 3; ++k) c[k] = static_cast<int>(hill[k] * shade);
      } else if (std::hypot(x - sunX, y - sunY) < sunR) {
        c[0] = 255, c[1] = 236, c[2] = 150;
      } else {
        for (int k = 0; k < 3; ++k) c[k] = static_cast<int>(skyTop[k] + (skyLow[k] - skyTop[k]) * t);
      }
      picture.at(x, y) = 0xFF000000u | uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | uint32_t(c[2]);
    }
  }
  return picture;
}

platform::gfx::Bitmap Crop(const platform::gfx::Bitmap& picture, int x, int y, int width, int height) {
  platform::gfx::Bitmap part(width, height);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) part.at(column, row) = picture.at(x + column, y + row);
  }
  return part;
}

std::vector<uint8_t> SmoothJpeg(int width, int height, const std::vector<uint8_t>& exif) {
  return Jpeg95(SmoothPicture(width, height), exif);
}

std::vector<uint8_t> OrientedJpeg(int width, int height, uint16_t orientation, bool bigEndian) {
  return TestJpeg(width, height, ExifBuilder(bigEndian).Short(ExifBuilder::kMain, 0x0112, orientation).Build());
}

std::vector<uint8_t> FlatJpeg(int width, int height, int components, uint8_t value) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);  // the library's default handler ends the test on an error
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * components, value);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> jpeg(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return jpeg;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> AnimatedGif(int frames) {
  platform::gfx::IndexedImage frame;
  frame.width = 8;
  frame.height = 6;
  frame.palette = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  for (int i = 0; i < 48; ++i) frame.pixels.push_back(static_cast<uint8_t>(i % 4));
  std::vector<uint8_t> gif;
  if (!platform::gfx::EncodeGif(frame, &gif)) throw std::runtime_error("encode gif");
  // Header, screen descriptor and global palette, then the frame's blocks, then the trailer (0x3B):
  // repeating the frame's blocks makes an animation.
  const size_t paletteBytes = 3u << ((gif[10] & 7) + 1);
  const auto begin = gif.begin() + static_cast<long>(13 + paletteBytes), end = gif.end() - 1;
  std::vector<uint8_t> out(gif.begin(), begin);
  for (int i = 0; i < frames; ++i) out.insert(out.end(), begin, end);
  out.push_back(0x3B);
  return out;
}

int ChannelDistance(uint32_t a, uint32_t b) {
  int distance = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    distance = std::max(distance, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return distance;
}

std::vector<uint8_t> Bmp(int width, int height, int bits, const std::vector<uint32_t>& palette,
                         const std::vector<std::vector<uint8_t>>& rows) {
  const uint32_t offset = 54 + 4 * static_cast<uint32_t>(palette.size());
  std::vector<uint8_t> out(offset, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(out.data() + at, &v, 4); };
  out[0] = 'B', out[1] = 'M';
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  out[26] = 1, out[28] = static_cast<uint8_t>(bits);
  for (size_t i = 0; i < palette.size(); ++i) put32(54 + 4 * i, palette[i]);
  for (const auto& row : rows) {
    out.insert(out.end(), row.begin(), row.end());
    out.resize(out.size() + (4 - row.size() % 4) % 4, 0);
  }
  return out;
}

void ExpectClose(const platform::gfx::Bitmap& expected, const platform::gfx::Bitmap& actual, double meanLimit, int maxLimit) {
  ASSERT_EQ(expected.width(), actual.width());
  ASSERT_EQ(expected.height(), actual.height());
  double sum = 0;
  int worst = 0;
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const int d = ChannelDistance(expected.at(x, y), actual.at(x, y));
      sum += d;
      worst = std::max(worst, d);
    }
  }
  EXPECT_LT(sum / (double{1} * expected.width() * expected.height()), meanLimit);
  EXPECT_LE(worst, maxLimit);
}

}  // namespace fotaro::test
