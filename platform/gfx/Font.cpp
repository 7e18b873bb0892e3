#include "platform/gfx/Font.h"

#include "platform/CodePage.h"

namespace platform::gfx {

namespace {

// Faces the system asks for and the Debian fonts that stand in for them, at the same pixel sizes
// and weights: a Song (Ming) face for the Chinese serif face and a humanist sans for Verdana.
struct FaceSubstitute {
  std::u16string_view face;
  const char* family;
};
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {u"宋体", "AR PL UMing CN"},
    {u"SimSun", "AR PL UMing CN"},
    {u"Verdana", "DejaVu Sans"},
};

}  // namespace

std::string FontFamilyFor(std::u16string_view face) {
  for (const FaceSubstitute& substitute : kFaceSubstitutes) {
    if (substitute.face == face) return substitute.family;
  }
  return Utf8(face);
}

}  // namespace platform::gfx
