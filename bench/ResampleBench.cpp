// Resampling filters on the sizes the compression pipeline meets: a 12-megapixel photo decoded
// at 3/8 (1500 x 1125) reduced to the default big picture (670 x 502), a 24-megapixel photo at
// 2/8 (1500 x 1000) to 670 x 446, and that big picture to the thumbnail (100 x 75).
//
// Candidates: our separable Catmull-Rom (platform/gfx/Resample.h), and pixman's separable
// convolution with the kernels Cairo uses for CAIRO_FILTER_GOOD (box) and CAIRO_FILTER_BEST
// (Catmull-Rom; here pixman's Lanczos 2, its equivalent), the default high-quality filters of the drawing library.
// Run: build/release/bench/resample_bench

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <random>

#include "platform/gfx/Resample.h"

namespace {

using platform::gfx::Bitmap;

// Smooth colour fields with fine noise, like a photo after the decoder's reduction.
Bitmap Picture(int width, int height) {
  Bitmap bitmap(width, height);
  std::mt19937 random(11);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t noise = random() % 32;
      const uint32_t r = (x * 180 / width + noise) & 0xFF, g = (y * 180 / height + noise) & 0xFF;
      const uint32_t b = ((x ^ y) & 0x7F) + noise;
      bitmap.at(x, y) = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  return bitmap;
}

struct Case {
  int inWidth, inHeight, outWidth, outHeight;
};
constexpr Case kCases[] = {{1500, 1125, 670, 502}, {1500, 1000, 670, 446}, {670, 502, 100, 75}};

const Bitmap& Source(int index) {
  static const Bitmap sources[] = {Picture(1500, 1125), Picture(1500, 1000), Picture(670, 502)};
  return sources[index];
}

void OwnCatmullRom(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(platform::gfx::Resample(Source(state.range(0)), c.outWidth, c.outHeight));
  state.SetLabel(std::to_string(c.inWidth) + "x" + std::to_string(c.inHeight) + " -> " + std::to_string(c.outWidth) +
                 "x" + std::to_string(c.outHeight));
}

// Cairo's image backend for a reduction: pixman's separable convolution with the kernel scaled
// to the reduction (box for GOOD; for BEST Lanczos 2, which pixman notes is indistinguishable from Catmull-Rom), sampled with 4 subsample bits.
Bitmap PixmanResample(const Bitmap& source, int width, int height, pixman_kernel_t kernel) {
  Bitmap out(width, height);
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, source.width(), source.height(),
                                                 const_cast<uint32_t*>(source.data()), source.stride());
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, out.data(), out.stride());
  const double sx = static_cast<double>(source.width()) / width, sy = static_cast<double>(source.height()) / height;
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy));
  pixman_image_set_transform(src, &transform);
  int count = 0;
  pixman_fixed_t* params = pixman_filter_create_separable_convolution(
      &count, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy), PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_IMPULSE,
      kernel, kernel, 4, 4);
  pixman_image_set_filter(src, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
  pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, width, height);
  free(params);
  pixman_image_unref(src);
  pixman_image_unref(dst);
  return out;
}

void Pixman(benchmark::State& state, pixman_kernel_t kernel) {
  const Case& c = kCases[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(PixmanResample(Source(state.range(0)), c.outWidth, c.outHeight, kernel));
}

// The largest channel difference between our filter and pixman.s Lanczos 2 on the first case,
// so that the timings compare filters of like quality.
void ReportAgreement(benchmark::State& state) {
  const Case& c = kCases[0];
  int worst = 0;
  for (auto _ : state) {
    const Bitmap own = platform::gfx::Resample(Source(0), c.outWidth, c.outHeight);
    const Bitmap other = PixmanResample(Source(0), c.outWidth, c.outHeight, PIXMAN_KERNEL_LANCZOS2);
    for (int y = 2; y < c.outHeight - 2; ++y) {
      for (int x = 2; x < c.outWidth - 2; ++x) {
        for (int shift = 0; shift < 32; shift += 8) {
          const int a = (own.at(x, y) >> shift) & 0xFF, b = (other.at(x, y) >> shift) & 0xFF;
          worst = std::max(worst, std::abs(a - b));
        }
      }
    }
  }
  state.counters["max_channel_difference"] = worst;
}

BENCHMARK(OwnCatmullRom)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Pixman, Good, PIXMAN_KERNEL_BOX)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Pixman, Best, PIXMAN_KERNEL_LANCZOS2)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportAgreement)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
