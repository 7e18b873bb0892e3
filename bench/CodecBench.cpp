// Codec speed on a camera-sized photo (6000 x 4000, 24 megapixels): full and scaled JPEG
// decoding straight into the bitmap, JPEG encoding from it, a quarter turn, the EXIF read and
// the header read. Run: build/release/bench/codec_bench [--benchmark_filter=Decode]

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

#include "imaging/ExifReader.h"
#include "platform/CodePage.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/gfx/RotateFlip.h"

namespace {

using namespace platform::gfx;

constexpr int kWidth = 6000, kHeight = 4000;

// Smooth colour fields with fine noise: compresses like a photo (about 2 bits a pixel at 90).
Bitmap PhotoLike() {
  Bitmap bitmap(kWidth, kHeight);
  std::mt19937 random(7);
  for (int y = 0; y < kHeight; ++y) {
    uint32_t* row = bitmap.row(y);
    for (int x = 0; x < kWidth; ++x) {
      const int noise = static_cast<int>(random() % 24);
      const uint32_t r = static_cast<uint32_t>((x * 200 / kWidth + noise) & 0xFF);
      const uint32_t g = static_cast<uint32_t>((y * 200 / kHeight + noise) & 0xFF);
      const uint32_t b = static_cast<uint32_t>(((x + y) % 512 / 3 + noise) & 0xFF);
      row[x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  return bitmap;
}

const Bitmap& Photo() {
  static const Bitmap photo = PhotoLike();
  return photo;
}

const std::vector<uint8_t>& PhotoJpeg() {
  static const std::vector<uint8_t> jpeg = [] {
    std::vector<uint8_t> bytes;
    EncodeJpeg(Photo(), 90, {}, &bytes);
    return bytes;
  }();
  return jpeg;
}

// The photo as a file, for the readers that work on files.
const std::string& PhotoFile() {
  static const std::string path = [] {
    std::string file = "/tmp/fotaro-codec-bench.jpg";
    if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
      std::fwrite(PhotoJpeg().data(), 1, PhotoJpeg().size(), out);
      std::fclose(out);
    }
    return file;
  }();
  return path;
}

void DecodeJpegScaled(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = PhotoJpeg();
  const int numerator = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Bitmap bitmap;
    if (!DecodeJpeg(jpeg.data(), jpeg.size(), numerator, &bitmap)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(bitmap.data());
  }
  state.counters["MP/s"] = benchmark::Counter(double{kWidth} * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["fileMB"] = static_cast<double>(jpeg.size()) / 1e6;
}
BENCHMARK(DecodeJpegScaled)->Arg(8)->Arg(4)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);

void EncodeJpegQuality(benchmark::State& state) {
  std::vector<uint8_t> out;
  for (auto _ : state) {
    if (!EncodeJpeg(Photo(), static_cast<int>(state.range(0)), {}, &out)) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["MP/s"] = benchmark::Counter(double{kWidth} * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(EncodeJpegQuality)->Arg(85)->Arg(100)->Unit(benchmark::kMillisecond);

void RotateQuarterTurn(benchmark::State& state) {
  for (auto _ : state) {
    Bitmap turned = RotateFlip(Photo(), static_cast<RotateFlipType>(state.range(0)));
    benchmark::DoNotOptimize(turned.data());
  }
}
BENCHMARK(RotateQuarterTurn)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The cost of making a 24-megapixel bitmap at all (allocation, page faults, one pass over it):
// the floor for any whole-picture operation.
void CopyBitmapBaseline(benchmark::State& state) {
  for (auto _ : state) {
    Bitmap copy = Photo();
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(CopyBitmapBaseline)->Unit(benchmark::kMillisecond);

void ReadExifAndHeader(benchmark::State& state) {
  const std::u16string path = platform::PathFromBytes(PhotoFile());
  for (auto _ : state) {
    ExifInfo info;
    ImageHeader header;
    benchmark::DoNotOptimize(ReadExifInfo(path, &info));
    benchmark::DoNotOptimize(ReadImageHeader(PhotoFile(), &header));
  }
}
BENCHMARK(ReadExifAndHeader)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
