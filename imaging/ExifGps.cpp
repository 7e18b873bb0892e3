#include "imaging/ExifGps.h"

#include <cstdio>
#include <cstring>

#include "platform/CodePage.h"

using platform::gfx::ExifProperties;
using platform::gfx::PropertyItem;

namespace {

constexpr size_t kRationalBytes = 8;

double Rational(const std::vector<uint8_t>& value, size_t index) {
  int32_t numerator, denominator;
  std::memcpy(&numerator, value.data() + index * kRationalBytes, 4);
  std::memcpy(&denominator, value.data() + index * kRationalBytes + 4, 4);
  return denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
}

}  // namespace

bool GetGpsRef(const ExifProperties& image, uint16_t tag, std::u16string* out) {
  out->clear();
  const std::optional<PropertyItem> item = image.Get(tag);
  if (!item) return false;
  if (!item->value.empty() && item->value[0] != 0) {
    *out = platform::FromCodePage(std::string(1, static_cast<char>(item->value[0])));
  }
  return true;
}

bool GetGpsCoordinate(const ExifProperties& image, uint16_t tag, std::u16string* out) {
  out->assign(1, u'0');  // (assigning the literal trips a false GCC 12 -Wrestrict warning)
  const std::optional<PropertyItem> item = image.Get(tag);
  if (!item || item->value.size() < 3 * kRationalBytes) return false;
  const double degrees = Rational(item->value, 0) + (Rational(item->value, 2) / 3600 + Rational(item->value, 1) / 60);
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", degrees);
  *out = platform::FromUtf8(text);
  return true;
}

bool GetGpsUploadTexts(const ExifProperties& image, GpsUploadTexts* out) {
  GpsUploadTexts texts;
  if (!GetGpsRef(image, platform::gfx::kPropertyGpsLatitudeRef, &texts.LatitudeRef) ||
      !GetGpsCoordinate(image, platform::gfx::kPropertyGpsLatitude, &texts.Latitude) ||
      !GetGpsRef(image, platform::gfx::kPropertyGpsLongitudeRef, &texts.LongitudeRef) ||
      !GetGpsCoordinate(image, platform::gfx::kPropertyGpsLongitude, &texts.Longitude)) {
    return false;
  }
  *out = std::move(texts);
  return true;
}
