// Camera-like test photos for the benchmarks: JPEGs at quality 92 with 4:2:0 chroma, as
// cameras write them, with a camera's EXIF block (make, model, orientation). The content is
// textured like a photo, so that it compresses like one (about 3 to 4 bits a pixel): smooth
// colour fields at several scales, hard-edged shapes and sensor grain.
//
//   make_photos [--previews] DIR [COUNT [MEGAPIXELS]]   writes DIR/photo-01.jpg ... (default 20):
//   the first half 12 megapixels (4000 x 3000), the rest 24 megapixels (6000 x 4000), or all of
//   them 12 or 24 megapixels when MEGAPIXELS says so; photo 2 is a portrait stored as a landscape
//   with EXIF orientation 6, as cameras store them. With --previews every photo embeds a 160 x 120
//   preview in its EXIF block, as cameras do; the photos themselves are the same either way.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/gfx/JpegCodec.h"
#include "platform/gfx/Resample.h"

namespace {

using platform::gfx::Bitmap;

constexpr int kQuality = 92;
constexpr int kPreviewQuality = 85;

// Smooth random values on a lattice, interpolated: one octave of value noise.
class ValueNoise {
 public:
  ValueNoise(int cell, std::mt19937& random) : cell_(cell) {
    for (float& v : lattice_) v = std::uniform_real_distribution<float>(-1, 1)(random);
  }
  float At(int x, int y) const {
    const float fx = static_cast<float>(x) / cell_, fy = static_cast<float>(y) / cell_;
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = Smooth(fx - ix), ty = Smooth(fy - iy);
    const float top = Lerp(Node(ix, iy), Node(ix + 1, iy), tx), bottom = Lerp(Node(ix, iy + 1), Node(ix + 1, iy + 1), tx);
    return Lerp(top, bottom, ty);
  }

 private:
  static float Smooth(float t) { return t * t * (3 - 2 * t); }
  static float Lerp(float a, float b, float t) { return a + (b - a) * t; }
  float Node(int x, int y) const { return lattice_[(x * 73 + y * 151) & (kSize - 1)]; }

  static constexpr int kSize = 4096;
  int cell_;
  float lattice_[kSize];
};

uint8_t Clamp(float v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

Bitmap Texture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  const ValueNoise broad(width / 3, random), middle(97, random), fine(13, random), detail(3, random);
  const ValueNoise tint(width / 4, random);
  // A few hard-edged discs: the edges of objects.
  struct Disc {
    float x, y, r;
    float shade;
  };
  std::vector<Disc> discs(12);
  for (Disc& d : discs) {
    d = {std::uniform_real_distribution<float>(0, width)(random), std::uniform_real_distribution<float>(0, height)(random),
         std::uniform_real_distribution<float>(height / 20.0f, height / 5.0f)(random),
         std::uniform_real_distribution<float>(-60, 60)(random)};
  }
  std::normal_distribution<float> grain(0, 5);
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    uint32_t* row = bitmap.row(y);
    for (int x = 0; x < width; ++x) {
      float light = 120 + 70 * broad.At(x, y) + 30 * middle.At(x, y) + 25 * fine.At(x, y) + 18 * detail.At(x, y);
      for (const Disc& d : discs) {
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) < d.r * d.r) light += d.shade;
      }
      const float warm = 40 * tint.At(x, y);
      const float noise = grain(random);
      row[x] = 0xFF000000u | uint32_t{Clamp(light + warm + noise)} << 16 | uint32_t{Clamp(light + noise)} << 8 |
               Clamp(light - warm + noise);
    }
  }
  return bitmap;
}

void Put16(std::vector<uint8_t>* out, uint16_t v) { out->insert(out->end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); }
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The APP1 data of a little-endian EXIF block with Make, Model and Orientation in its first
// directory and, when `preview` is not empty, a second directory that holds it, as cameras store
// their embedded preview (compression 6, JPEG). Offsets count from the TIFF header.
std::vector<uint8_t> CameraExif(uint16_t orientation, const std::vector<uint8_t>& preview) {
  const std::string make = "Brennik", model = "Bench Camera 12";  // each with its NUL, over 4 bytes
  std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
  auto here = [&out] { return static_cast<uint32_t>(out.size() - 6); };
  Put32(&out, 8);  // the first directory follows the header
  const uint32_t entries = 3, valuesAt = 8 + 2 + 12 * entries + 4;
  Put16(&out, entries);
  Put16(&out, 0x010F), Put16(&out, 2), Put32(&out, make.size() + 1), Put32(&out, valuesAt);
  Put16(&out, 0x0110), Put16(&out, 2), Put32(&out, model.size() + 1), Put32(&out, valuesAt + make.size() + 1);
  Put16(&out, 0x0112), Put16(&out, 3), Put32(&out, 1), Put16(&out, orientation), Put16(&out, 0);
  const size_t nextDirectory = out.size();
  Put32(&out, 0);  // no next directory unless there is a preview
  out.insert(out.end(), make.begin(), make.end());
  out.push_back(0);
  out.insert(out.end(), model.begin(), model.end());
  out.push_back(0);
  if (preview.empty()) return out;
  if (here() % 2) out.push_back(0);  // directories start on a word boundary
  const uint32_t directory = here();
  for (int i = 0; i < 4; ++i) out[nextDirectory + i] = static_cast<uint8_t>(directory >> (8 * i));
  Put16(&out, 3);
  Put16(&out, 0x0103), Put16(&out, 3), Put32(&out, 1), Put16(&out, 6), Put16(&out, 0);
  Put16(&out, 0x0201), Put16(&out, 4), Put32(&out, 1), Put32(&out, directory + 2 + 12 * 3 + 4);
  Put16(&out, 0x0202), Put16(&out, 4), Put32(&out, 1), Put32(&out, static_cast<uint32_t>(preview.size()));
  Put32(&out, 0);
  out.insert(out.end(), preview.begin(), preview.end());
  return out;
}

// The camera's preview of a picture: 160 x 120 (as stored, before any orientation), JPEG.
std::vector<uint8_t> Preview(const Bitmap& picture) {
  std::vector<uint8_t> jpeg;
  platform::gfx::EncodeJpeg(platform::gfx::Resample(picture, 160, 120), kPreviewQuality, {}, &jpeg);
  return jpeg;
}

}  // namespace

int main(int argc, char** argv) {
  const bool previews = argc > 1 && std::string(argv[1]) == "--previews";
  if (previews) --argc, ++argv;
  const int megapixels = argc == 4 ? std::atoi(argv[3]) : 0;
  if (argc < 2 || argc > 4 || (argc == 4 && megapixels != 12 && megapixels != 24)) {
    std::fprintf(stderr, "usage: make_photos [--previews] DIR [COUNT [12|24]]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int count = argc >= 3 ? std::atoi(argv[2]) : 20;
  for (int i = 1; i <= count; ++i) {
    const bool large = megapixels == 0 ? i > count / 2 : megapixels == 24;
    const Bitmap picture = Texture(large ? 6000 : 4000, large ? 4000 : 3000, static_cast<unsigned>(i));
    const std::vector<uint8_t> exif = CameraExif(i == 2 ? 6 : 1, previews ? Preview(picture) : std::vector<uint8_t>());
    std::vector<uint8_t> jpeg;
    if (!platform::gfx::EncodeJpeg(picture, kQuality, exif, &jpeg)) return 1;
    char name[32];
    std::snprintf(name, sizeof name, "/photo-%02d.jpg", i);
    std::FILE* file = std::fopen((dir + name).c_str(), "wb");
    if (!file || std::fwrite(jpeg.data(), 1, jpeg.size(), file) != jpeg.size() || std::fclose(file) != 0) {
      std::fprintf(stderr, "make_photos: cannot write %s%s\n", dir.c_str(), name);
      return 1;
    }
    std::printf("%s%s\t%dx%d\t%zu bytes\n", dir.c_str(), name, picture.width(), picture.height(), jpeg.size());
  }
  return 0;
}
