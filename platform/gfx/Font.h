#pragma once
// A text font: a family, a size in pixels and a weight. A plain value; Canvas turns it into a
// Pango font description when it measures or draws.
//
// Callers name faces as the system's texts do ("宋体", "Verdana"); FontFamilyFor maps those names to
// the families installed on this platform, in one table. A family that is not installed is not
// detected: fontconfig substitutes the closest one it has.

#include <string>
#include <string_view>

namespace platform::gfx {

enum class FontWeight { kRegular, kBold };

// The fontconfig family that stands in for `face` (UTF-8); faces without a stand-in pass through.
std::string FontFamilyFor(std::u16string_view face);

class Font {
 public:
  Font(std::u16string_view face, float pixelSize, FontWeight weight = FontWeight::kRegular)
      : family_(FontFamilyFor(face)), pixelSize_(pixelSize), weight_(weight) {}

  const std::string& family() const { return family_; }
  float pixelSize() const { return pixelSize_; }
  FontWeight weight() const { return weight_; }
  // False for an empty face or a size that is not positive: such a font measures and draws nothing.
  bool ok() const { return !family_.empty() && pixelSize_ > 0; }

 private:
  std::string family_;
  float pixelSize_;
  FontWeight weight_;
};

}  // namespace platform::gfx
