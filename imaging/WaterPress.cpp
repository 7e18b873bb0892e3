#include "imaging/WaterPress.h"

#include <algorithm>
#include <string_view>

#include "control/services/Log.h"
#include "net/DataReport.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/Paths.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Image.h"

using platform::gfx::Bitmap;
using platform::gfx::Canvas;
using platform::gfx::Color;
using platform::gfx::Font;
using platform::gfx::FontWeight;
using platform::gfx::RectF;

namespace {

constexpr char kLogScope[] = "CULKernel::Compress";
constexpr int32_t kDataReportWaterPress = 2;

constexpr Color kBandColor = 0x41000000;  // black, alpha 65
constexpr Color kClear = 0x00000000;
constexpr Color kTextColor = 0x55FFFFFF;  // white, alpha 85

constexpr int kMinImageHeight = 90;
constexpr int kBandHeight = 45;
constexpr int kBandPastName = 30;  // the solid band ends this far after the name's width
constexpr int kFadeWidth = 100;
constexpr int kFadeCentreRise = 22;  // the fade's centre point, above the bottom edge
constexpr int kPictureLeft = 10;
// Tops of the picture and the text lines, as distances above the bottom edge.
constexpr int kPictureRise = 38;
constexpr int kNameRise = 36;
constexpr int kAddressRise = 19;
constexpr int kSingleLineRise = 28;  // the address alone (type 2)
constexpr int kNameHeight = 15;
constexpr int kAddressHeight = 13;
constexpr int kTextGap = 15;  // from the left edge, or from the picture's right edge
constexpr int kNameOverlap = 5;   // neighbouring name characters overlap by their margins

// Characters of the name that are drawn with the Latin name font.
bool IsLatinNameChar(char16_t c) {
  return (c >= u'0' && c <= u'z') || c == u'.' || c == u'/' || c == u'@' || c == u'~';
}

// The length of the character at the start of `text`: 2 for a surrogate pair, else 1.
size_t CharLength(std::u16string_view text) {
  const bool pair = text.size() >= 2 && text[0] >= 0xD800 && text[0] <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF;
  return pair ? 2 : 1;
}

// The picture's pixels; empty when the file cannot be decoded.
Bitmap DecodePicture(const std::u16string& path) {
  platform::gfx::Image picture;
  if (!platform::gfx::LoadImage(platform::PathBytes(path), &picture)) return Bitmap();
  return std::move(picture.mutableBitmap());
}

struct Fonts {
  Font name{u"宋体", 14, FontWeight::kBold};
  Font address{u"Verdana", 9};
  Font latinName{u"Verdana", 14, FontWeight::kBold};
};

// Draws the name one character at a time from the left edge of `rect`, each character in the font
// that suits it; the Latin font sits 2 pixels higher in a rectangle 2 pixels taller.
void DrawName(Canvas& canvas, std::u16string_view name, const Fonts& fonts, RectF rect) {
  while (!name.empty()) {
    const std::u16string_view character = name.substr(0, CharLength(name));
    name.remove_prefix(character.size());
    const bool latin = IsLatinNameChar(character[0]);
    const Font& font = latin ? fonts.latinName : fonts.name;
    const RectF at = latin ? RectF{rect.x, rect.y - 2, rect.width, rect.height + 2} : rect;
    const float width = canvas.MeasureText(character, font).width;
    canvas.DrawText(character, font, at, kTextColor);
    rect.x += width - kNameOverlap;
  }
}

}  // namespace

std::u16string WaterPressPicturePath(const CULKernel_Info& settings) {
  if (platform::IsRegularFile(platform::PathBytes(settings.m_strWaterPressPath))) return settings.m_strWaterPressPath;
  // The shared data folder ends with its separator.
  const std::u16string shared = platform::PathFromBytes(platform::paths::SharedDataFolder()) + u"waterpress" +
                                platform::PathFromBytes(std::to_string(settings.m_nWaterPressType)) + u".png";
  return platform::IsRegularFile(platform::PathBytes(shared)) ? shared : std::u16string();
}

void DrawWaterPress(Bitmap& image, const CULKernel_Info& settings, platform::HWND reportWnd) {
  PostDataReport(reportWnd, kDataReportWaterPress, 1);
  const std::u16string& name = settings.m_strWaterPressName;
  const std::u16string& address = settings.m_strWaterPressURL;
  fotaro::Log(kLogScope, "OrgName : %s,  OrgUrl : %s", name, address);
  fotaro::Log(kLogScope, "Name : %s, Url : %s", name, address);

  Canvas canvas(image);
  const Fonts fonts;
  const float nameWidth = canvas.MeasureText(name, fonts.name).width;
  const float addressWidth = canvas.MeasureText(address, fonts.address).width;
  const int textWidth = static_cast<int>(std::max(nameWidth, addressWidth));
  const int W = image.width();
  const int H = image.height();
  if (!canvas.ok() || textWidth > W - kBandPastName || H < kMinImageHeight) return;

  const int bandEnd = static_cast<int>(nameWidth + kBandPastName);
  const float bandTop = static_cast<float>(H - kBandHeight);
  canvas.FillRect({0, bandTop, static_cast<float>(bandEnd), kBandHeight}, kBandColor);
  canvas.FillPathGradient({static_cast<float>(bandEnd), bandTop, kFadeWidth, kBandHeight},
                          {static_cast<float>(bandEnd), static_cast<float>(H - kFadeCentreRise)}, kBandColor,
                          {kBandColor, kClear, kClear, kBandColor});

  int textX = kTextGap;
  if (const std::u16string path = WaterPressPicturePath(settings); !path.empty()) {
    const Bitmap picture = DecodePicture(path);
    if (picture.empty() || !canvas.DrawImage(picture, kPictureLeft, H - kPictureRise)) return;
    textX = picture.width() + kTextGap;
  }

  // A text line from textX, as wide as the widest text plus 10, `rise` pixels above the bottom.
  const auto line = [&](int rise, int height) {
    return RectF{static_cast<float>(textX), static_cast<float>(H - rise), static_cast<float>(textWidth + 10),
                 static_cast<float>(height)};
  };
  switch (settings.m_nWaterPressType) {
    case 1: {
      DrawName(canvas, name, fonts, line(kNameRise, kNameHeight));
      fotaro::Log(kLogScope, "pszDefText2 : %s", address);
      if (!address.empty()) {
        const bool drawn = canvas.DrawText(address, fonts.address, line(kAddressRise, kAddressHeight), kTextColor);
        fotaro::Log(kLogScope, drawn ? "使用Verdana字体成功" : "使用Verdana字体失败");
      }
      break;
    }
    case 2:
      if (!address.empty()) canvas.DrawText(address, fonts.address, line(kSingleLineRise, kAddressHeight), kTextColor);
      break;
    default:
      break;  // band and picture only
  }
}
