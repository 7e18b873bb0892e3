// The grid's thumbnails of a batch of photos, made as its loader thread makes them: 148 x 119
// with CreateThumbBmp, one photo after another on one thread.
//
//   thumb_bench [--decode-only] [--out DIR] PHOTO...
//
// prints "PHOTOS photos, TOTAL ms, PER ms/photo" (wall clock). With --decode-only it only
// decodes every photo at 1/8 (LoadJpegScaled), the floor of the path without previews inside one
// process. With --out it also writes each thumbnail as DIR/thumb-NN.png, to look at. The working
// folder (where embedded previews are written) is the usual one under $HOME or $XDG_CACHE_HOME.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/ThumbBmp.h"
#include "platform/CodePage.h"
#include "platform/gfx/PngCodec.h"

namespace {

constexpr int kBoxW = 148, kBoxH = 119;
constexpr ThumbCaller kGrid{"CUploadPreview::CreateThumbBmp", "###CreateThumbBmp takes time[MS] : [%d] %s", 1};

bool WritePng(const platform::gfx::Bitmap& thumb, const std::string& path) {
  std::vector<uint8_t> png;
  if (!platform::gfx::EncodePng(thumb, &png)) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  const bool written = file && std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return file && std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  bool decodeOnly = false;
  std::string out;
  std::vector<std::u16string> photos;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--decode-only") {
      decodeOnly = true;
    } else if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else {
      photos.push_back(platform::PathFromBytes(arg));
    }
  }
  if (photos.empty()) {
    std::fprintf(stderr, "usage: thumb_bench [--decode-only] [--out DIR] PHOTO...\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  for (size_t i = 0; i < photos.size(); ++i) {
    platform::gfx::Bitmap bitmap;
    int rotated = 0;
    const bool made = decodeOnly ? LoadJpegScaled(photos[i], 8, &bitmap)
                                 : CreateThumbBmp(photos[i], kBoxW, kBoxH, kGrid, &bitmap, &rotated);
    if (!made) {
      std::fprintf(stderr, "thumb_bench: no thumbnail of %s\n", platform::PathBytes(photos[i]).c_str());
      return 1;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/thumb-%02zu.png", i + 1);
    if (!out.empty() && !WritePng(bitmap, out + name)) {
      std::fprintf(stderr, "thumb_bench: cannot write %s%s\n", out.c_str(), name);
      return 1;
    }
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu photos, %.1f ms, %.2f ms/photo\n", photos.size(), ms, ms / photos.size());
  return 0;
}
