#include "platform/gfx/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform::gfx {

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = 1 << kWeightBits;
constexpr int32_t kRounding = kWeightOne / 2;
constexpr double kCubicSupport = 2.0;

// The Catmull-Rom cubic (Mitchell-Netravali B = 0, C = 1/2).
double CatmullRom(double x) {
  x = std::fabs(x);
  if (x < 1) return (1.5 * x - 2.5) * x * x + 1;
  if (x < 2) return ((-0.5 * x + 2.5) * x - 4) * x + 2;
  return 0;
}

// How one axis of `in` pixels becomes `out` pixels: output i is the weighted sum of the `taps`
// source pixels starting at first[i]. Windows are moved inside the picture at its edges (the
// weights outside a window are 0), so every output reads exactly `taps` pixels, all valid. The
// weights of each output sum to exactly kWeightOne, so flat areas stay exactly flat, and each
// fits in 16 bits (the largest is about kWeightOne) for the SSE2 multiply-adds.
struct AxisFilter {
  int taps = 0;
  std::vector<int> first;
  std::vector<int32_t> weights;  // out x taps

  const int32_t* WeightsOf(int i) const { return weights.data() + static_cast<size_t>(i) * taps; }
};

// The filter of outputs begin .. end - 1 of `out`: output i is entry i - begin.
AxisFilter MakeAxisFilter(int in, int out, int begin, int end) {
  const double scale = static_cast<double>(in) / out;
  const double stretch = std::max(scale, 1.0);  // a reduction widens the kernel by its factor
  const double support = kCubicSupport * stretch;
  AxisFilter filter;
  filter.taps = std::min(in, static_cast<int>(std::ceil(2 * support)) + 1);
  filter.first.resize(end - begin);
  filter.weights.assign(static_cast<size_t>(end - begin) * filter.taps, 0);
  std::vector<double> kernel(filter.taps);
  for (int i = 0; i < end - begin; ++i) {
    // Source pixel j (centre j + 0.5) contributes when its centre lies within the support.
    const double centre = (begin + i + 0.5) * scale;
    const int low = std::max(0, static_cast<int>(std::floor(centre - support - 0.5)) + 1);
    const int high = std::min({in, static_cast<int>(std::ceil(centre + support - 0.5)), low + filter.taps});
    const int first = std::min(low, in - filter.taps);
    filter.first[i] = first;
    double sum = 0;
    for (int j = low; j < high; ++j) {
      kernel[j - low] = CatmullRom((j + 0.5 - centre) / stretch);
      sum += kernel[j - low];
    }
    int32_t* weights = filter.weights.data() + static_cast<size_t>(i) * filter.taps + (low - first);
    if (high <= low || sum <= 0) {  // cannot happen for a sane size; keep the nearest pixel
      filter.weights[static_cast<size_t>(i) * filter.taps + std::min(static_cast<int>(centre), in - 1) - first] = kWeightOne;
      continue;
    }
    int32_t total = 0;
    int largest = 0;
    for (int j = 0; j < high - low; ++j) {
      weights[j] = static_cast<int32_t>(std::lround(kernel[j] / sum * kWeightOne));
      total += weights[j];
      if (weights[j] > weights[largest]) largest = j;
    }
    weights[largest] += kWeightOne - total;  // rounding left over goes to the centre tap
  }
  return filter;
}

inline uint8_t ClampByte(int32_t sum) { return static_cast<uint8_t>(std::clamp(sum >> kWeightBits, 0, 255)); }

const uint8_t* Bytes(const uint32_t* pixels) { return reinterpret_cast<const uint8_t*>(pixels); }
uint8_t* Bytes(uint32_t* pixels) { return reinterpret_cast<uint8_t*>(pixels); }

#ifdef __SSE2__
// Two 16-bit weights side by side in each 32-bit lane, for _mm_madd_epi16: each lane then sums
// first * (value of the first tap) + second * (value of the second tap).
struct WeightPair {
  WeightPair() = default;
  WeightPair(int32_t first, int32_t second)
      : lanes(_mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(second)) << 16 |
                                                  static_cast<uint16_t>(first)))) {}
  __m128i lanes;
};
#endif

// Output row y is the weighted sum of whole source rows. With SSE2, 16 bytes at a time and two
// rows per multiply-add (an odd last row is paired with itself at weight 0); the plain loop does
// what is left (all of it without SSE2). `out` has the source's width.
void FilterColumns(const Bitmap& source, const AxisFilter& filter, Bitmap* out) {
  const size_t count = static_cast<size_t>(source.width()) * 4;
  std::vector<const uint8_t*> rows(filter.taps);
#ifdef __SSE2__
  const int pairs = (filter.taps + 1) / 2;
  std::vector<WeightPair> weightPairs(pairs);
  std::vector<const uint8_t*> second(pairs);
#endif
  for (int y = 0; y < out->height(); ++y) {
    const int32_t* weights = filter.WeightsOf(y);
    for (int k = 0; k < filter.taps; ++k) rows[k] = Bytes(source.row(filter.first[y] + k));
    uint8_t* target = Bytes(out->row(y));
    size_t i = 0;
#ifdef __SSE2__
    for (int p = 0; p < pairs; ++p) {
      const bool pair = 2 * p + 1 < filter.taps;
      weightPairs[p] = WeightPair(weights[2 * p], pair ? weights[2 * p + 1] : 0);
      second[p] = rows[pair ? 2 * p + 1 : 2 * p];
    }
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
      __m128i sums[4];
      for (__m128i& sum : sums) sum = _mm_set1_epi32(kRounding);
      for (int p = 0; p < pairs; ++p) {
        const __m128i w = weightPairs[p].lanes;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p] + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second[p] + i));
        const __m128i low = _mm_unpacklo_epi8(a, b), high = _mm_unpackhi_epi8(a, b);  // a0 b0 a1 b1 ...
        sums[0] = _mm_add_epi32(sums[0], _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), w));
        sums[1] = _mm_add_epi32(sums[1], _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), w));
        sums[2] = _mm_add_epi32(sums[2], _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), w));
        sums[3] = _mm_add_epi32(sums[3], _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), w));
      }
      for (__m128i& sum : sums) sum = _mm_srai_epi32(sum, kWeightBits);
      const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[3]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), bytes);
    }
#endif
    for (; i < count; ++i) {
      int32_t sum = kRounding;
      for (int k = 0; k < filter.taps; ++k) sum += weights[k] * rows[k][i];
      target[i] = ClampByte(sum);
    }
  }
}

// Output pixel x of each row is the weighted sum of `taps` neighbouring pixels of the same row.
// With SSE2, two pixels per multiply-add (the weight pairs are made once for all rows; an odd last
// tap is paired with a zero weight), and the four channels clamped and stored at once; without
// it, one channel at a time.
void FilterRows(const Bitmap& source, const AxisFilter& filter, Bitmap* out) {
#ifdef __SSE2__
  const int pairs = (filter.taps + 1) / 2;
  std::vector<WeightPair> weightPairs(static_cast<size_t>(out->width()) * pairs);
  for (int x = 0; x < out->width(); ++x) {
    const int32_t* weights = filter.WeightsOf(x);
    for (int p = 0; p < pairs; ++p) {
      const bool pair = 2 * p + 1 < filter.taps;
      weightPairs[static_cast<size_t>(x) * pairs + p] = WeightPair(weights[2 * p], pair ? weights[2 * p + 1] : 0);
    }
  }
  const __m128i zero = _mm_setzero_si128();
#endif
  for (int y = 0; y < out->height(); ++y) {
    const uint8_t* row = Bytes(source.row(y));
    uint8_t* target = Bytes(out->row(y));
    for (int x = 0; x < out->width(); ++x) {
      const uint8_t* pixels = row + static_cast<size_t>(filter.first[x]) * 4;
#ifdef __SSE2__
      const WeightPair* w = weightPairs.data() + static_cast<size_t>(x) * pairs;
      __m128i sum = _mm_set1_epi32(kRounding);
      int k = 0;
      for (; k + 1 < filter.taps; k += 2) {
        const __m128i two = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels + 4 * k)), zero);
        const __m128i pair = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));  // p0c0 p1c0 p0c1 p1c1 ...
        sum = _mm_add_epi32(sum, _mm_madd_epi16(pair, w[k / 2].lanes));
      }
      if (k < filter.taps) {  // the last of an odd number of taps
        int32_t last;
        std::memcpy(&last, pixels + 4 * k, 4);
        const __m128i one = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(last), zero), zero);
        sum = _mm_add_epi32(sum, _mm_madd_epi16(one, w[k / 2].lanes));
      }
      // Shifted down and saturated to 0..255, as ClampByte does.
      const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(_mm_srai_epi32(sum, kWeightBits), zero), zero);
      const int32_t pixel = _mm_cvtsi128_si32(bytes);
      std::memcpy(target + 4 * x, &pixel, 4);
#else
      const int32_t* weights = filter.WeightsOf(x);
      int32_t sums[4] = {kRounding, kRounding, kRounding, kRounding};
      for (int k = 0; k < filter.taps; ++k) {
        for (int c = 0; c < 4; ++c) sums[c] += weights[k] * pixels[4 * k + c];
      }
      for (int c = 0; c < 4; ++c) target[4 * x + c] = ClampByte(sums[c]);
#endif
    }
  }
}

// The cubic's overshoot can leave a colour above its alpha, which premultiplied pixels cannot
// hold. Opaque pictures are unaffected.
void ClampToAlpha(Bitmap* bitmap) {
  uint32_t* pixels = bitmap->data();
  const size_t count = static_cast<size_t>(bitmap->width()) * bitmap->height();
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = pixels[i], a = p >> 24;
    if (a == 255) continue;
    const uint32_t r = std::min((p >> 16) & 0xFF, a), g = std::min((p >> 8) & 0xFF, a), b = std::min(p & 0xFF, a);
    pixels[i] = a << 24 | r << 16 | g << 8 | b;
  }
}

}  // namespace

Bitmap Resample(const Bitmap& source, int width, int height) {
  return Resample(source, width, height, PixelWindow{0, 0, width, height});
}

Bitmap Resample(const Bitmap& source, int width, int height, const PixelWindow& window) {
  if (source.empty() || width <= 0 || height <= 0 || int64_t{width} * height > Bitmap::kMaxPixels) return {};
  if (window.left < 0 || window.top < 0 || window.right > width || window.bottom > height ||
      window.left >= window.right || window.top >= window.bottom) {
    return {};
  }
  const bool allRows = window.top == 0 && window.bottom == height;
  const bool allColumns = window.left == 0 && window.right == width;
  if (width == source.width() && height == source.height() && allRows && allColumns) return source;
  // Columns first: the second pass, the costlier per output pixel, then runs on fewer rows.
  Bitmap shortened;
  const Bitmap* rows = &source;
  if (height != source.height() || !allRows) {
    shortened = Bitmap::Unfilled(source.width(), window.bottom - window.top);
    if (shortened.empty()) return {};
    if (height != source.height()) {
      FilterColumns(source, MakeAxisFilter(source.height(), height, window.top, window.bottom), &shortened);
    } else {
      std::copy(source.row(window.top), source.row(window.bottom - 1) + source.width(), shortened.data());
    }
    rows = &shortened;
  }
  Bitmap out;
  if (width != source.width() || !allColumns) {
    out = Bitmap::Unfilled(window.right - window.left, rows->height());
    if (width != source.width()) {
      FilterRows(*rows, MakeAxisFilter(source.width(), width, window.left, window.right), &out);
    } else {
      for (int y = 0; y < out.height(); ++y) std::copy_n(rows->row(y) + window.left, out.width(), out.row(y));
    }
  } else {
    out = std::move(shortened);
  }
  ClampToAlpha(&out);
  return out;
}

}  // namespace platform::gfx
