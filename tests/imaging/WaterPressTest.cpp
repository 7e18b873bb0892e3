#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "control/services/Global.h"
#include "imaging/WaterPress.h"
#include "net/DataReport.h"
#include "platform/CodePage.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/PngCodec.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Window.h"
#include "tests/support/TempDir.h"

using namespace std::chrono_literals;
using platform::gfx::Bitmap;
using platform::gfx::Canvas;
using platform::gfx::Font;
using platform::gfx::FontWeight;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBandOnWhite = 0xFFBEBEBE;  // black at alpha 65 over white

// Stands in for the control's window: records every data report it receives.
class ReportWindow : public platform::Window {
 public:
  ~ReportWindow() override { platform::DestroyWindow(hwnd()); }
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM,
                            std::unique_ptr<platform::MessagePayload>& payload) override {
    if (message == CM_DATAREPORT) {
      const auto* record = dynamic_cast<const DataReportRecord*>(payload.get());
      reports.push_back({static_cast<int>(wParam), record ? record->nOperation : -1, record ? record->nValue : -1});
    }
    return 0;
  }
  std::vector<std::array<int, 3>> reports;  // {wParam, operation, value}
};

// A bitmap where every pixel differs from its neighbours, so that any change shows.
Bitmap Pattern(int width, int height) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.at(x, y) = 0xFF000000u | static_cast<uint32_t>((x * 37 + y * 101) * 2654435761u >> 8 & 0xFFFFFF);
  }
  return bitmap;
}

int Grey(uint32_t pixel) { return pixel & 0xFF; }

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool empty() const { return right < left; }
};
// Where two bitmaps of the same size differ.
Box Difference(const Bitmap& a, const Bitmap& b) {
  Box box;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.at(x, y) == b.at(x, y)) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
    }
  }
  return box;
}

float Measure(std::u16string_view text, const Font& font) {
  Bitmap scratch(1, 1);
  return Canvas(scratch).MeasureText(text, font).width;
}
const Font kNameFont(u"宋体", 14, FontWeight::kBold);
const Font kLatinNameFont(u"Verdana", 14, FontWeight::kBold);
const Font kAddressFont(u"Verdana", 9);

CULKernel_Info Settings(int type, std::u16string name, std::u16string address) {
  CULKernel_Info settings;
  settings.m_nWaterPressType = type;
  settings.m_strWaterPressName = std::move(name);
  settings.m_strWaterPressURL = std::move(address);
  return settings;
}

// Writes an opaque blue PNG of the given size.
void WritePicture(const std::string& path, int width, int height) {
  std::vector<uint8_t> png;
  ASSERT_TRUE(platform::gfx::EncodePng(Bitmap(width, height, 0xFF0000FF), &png));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

class WaterPressTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Create());
    CGlobal::Instance().SetControlWnd(window_.hwnd());
  }
  void TearDown() override { CGlobal::Instance().SetControlWnd(nullptr); }

  // The image after DrawWaterPress; checks that the data report (2, 1) reached the window.
  Bitmap Watermarked(Bitmap image, const CULKernel_Info& settings) {
    const size_t before = window_.reports.size();
    DrawWaterPress(image, settings);
    EXPECT_TRUE(platform::RunUntil([&] { return window_.reports.size() > before; }, 5s));
    if (window_.reports.size() > before) {
      EXPECT_EQ(window_.reports.back(), (std::array<int, 3>{2, 2, 1}));
    }
    return image;
  }
  // Where the text of `settings` is drawn on a white image: the difference from the same
  // watermark drawn without text (an unknown type).
  Box TextInk(int width, int height, CULKernel_Info settings) {
    const Bitmap withText = Watermarked(Bitmap(width, height, kWhite), settings);
    settings.m_nWaterPressType = 0;
    return Difference(withText, Watermarked(Bitmap(width, height, kWhite), settings));
  }

  fotaro::test::TempDir dataHome_;
  fotaro::test::ScopedEnv xdgData_{"XDG_DATA_HOME", dataHome_.path()};
  ReportWindow window_;
};

}  // namespace

TEST_F(WaterPressTest, SmallImagesAreLeftUnchangedButStillReported) {
  const CULKernel_Info settings = Settings(1, u"相册 Album", u"http://photo.example.com/x");
  const Bitmap tall = Pattern(300, 90);
  EXPECT_FALSE(Watermarked(tall, settings) == tall);
  const Bitmap low = Pattern(300, 89);
  EXPECT_TRUE(Watermarked(low, settings) == low);

  // The widest text decides: the image must be at least its truncated width plus 30 wide.
  const int widest = static_cast<int>(std::max(Measure(settings.m_strWaterPressName, kNameFont),
                                               Measure(settings.m_strWaterPressURL, kAddressFont)));
  const Bitmap wideEnough = Pattern(widest + 30, 120);
  EXPECT_FALSE(Watermarked(wideEnough, settings) == wideEnough);
  const Bitmap narrow = Pattern(widest + 29, 120);
  EXPECT_TRUE(Watermarked(narrow, settings) == narrow);
  const Bitmap tiny = Pattern(100, 200);
  EXPECT_TRUE(Watermarked(tiny, Settings(1, u"A very long album owner name indeed", u"")) == tiny);

  Bitmap empty;
  EXPECT_TRUE(Watermarked(empty, settings).empty());
  EXPECT_EQ(window_.reports.size(), 6u);
}

TEST_F(WaterPressTest, BandEndsThirtyPixelsAfterTheNameAndFadesOverTheNextHundred) {
  // The address is much wider than the name: the band still follows the name.
  const CULKernel_Info settings = Settings(1, u"Al", u"http://photo.example.com/albums/some-user/2024");
  const int W = 600, H = 120;
  const Bitmap image = Watermarked(Bitmap(W, H, kWhite), settings);
  const int bandEnd = static_cast<int>(Measure(u"Al", kNameFont) + 30);
  ASSERT_LT(bandEnd + 100, W);

  for (int x = 0; x < W; ++x) EXPECT_EQ(image.at(x, H - 46), kWhite) << x;  // above the band
  for (int y : {H - 45, H - 42, H - 1}) {
    EXPECT_EQ(image.at(0, y), kBandOnWhite) << y;
  }
  // A row without text: solid up to bandEnd, then lighter and lighter for 100 pixels, then white.
  const int y = H - 42;
  for (int x = 0; x < bandEnd; ++x) ASSERT_EQ(image.at(x, y), kBandOnWhite) << x;
  EXPECT_LE(Grey(image.at(bandEnd, y)), Grey(kBandOnWhite) + 4);
  EXPECT_NEAR(Grey(image.at(bandEnd + 50, y)), (0xBE + 0xFF) / 2, 8);
  EXPECT_GE(Grey(image.at(bandEnd + 99, y)), 0xFB);
  for (int x = bandEnd + 1; x < bandEnd + 100; ++x) ASSERT_GE(Grey(image.at(x, y)) + 1, Grey(image.at(x - 1, y))) << x;
  for (int x = bandEnd + 100; x < W; ++x) ASSERT_EQ(image.at(x, y), kWhite) << x;
}

TEST_F(WaterPressTest, TypesPlaceTheirLines) {
  const int W = 400, H = 100;
  // Type 1: the name from 36 pixels above the bottom, the address below it, both from x = 15.
  const Box both = TextInk(W, H, Settings(1, u"相册Album", u"photo.example.com"));
  ASSERT_FALSE(both.empty());
  EXPECT_GE(both.left, 15 + 1);
  EXPECT_LE(both.left, 15 + 5);
  EXPECT_GE(both.top, H - 38);
  EXPECT_LT(both.top, H - 28);
  EXPECT_GT(both.bottom, H - 19);
  EXPECT_LT(both.bottom, H - 6);

  // Type 2: the address alone, one line from 28 pixels above the bottom.
  const Box address = TextInk(W, H, Settings(2, u"相册Album", u"photo.example.com"));
  ASSERT_FALSE(address.empty());
  EXPECT_GE(address.left, 15 + 1);
  EXPECT_LE(address.left, 15 + 4);
  EXPECT_GE(address.top, H - 28);
  EXPECT_LT(address.bottom, H - 28 + 13);
  EXPECT_TRUE(TextInk(W, H, Settings(2, u"相册Album", u"")).empty());

  // Type 1 without an address draws the name only, above the address line.
  const Box name = TextInk(W, H, Settings(1, u"相册Album", u""));
  ASSERT_FALSE(name.empty());
  EXPECT_LT(name.bottom, H - 19);

  // Any other type draws no text, but the band.
  const Bitmap other = Watermarked(Bitmap(W, H, kWhite), Settings(3, u"相册Album", u"photo.example.com"));
  EXPECT_EQ(other.at(1, H - 30), kBandOnWhite);
  EXPECT_EQ(other.at(20, H - 30), kBandOnWhite);
}

TEST_F(WaterPressTest, NameIsDrawnPerCharacterInTheFontThatSuitsIt) {
  // Each character starts where the one before started, plus its measured width, minus 5. Latin
  // characters use the Latin font, others the Song face; a wrong choice moves the name's end.
  const double margin = 14.0 / 6;
  for (std::u16string name : {u"WWWW", u"相册相册", u"W相W相", u"a.b@c~d/e", u"x 相-y"}) {
    double x = 15;
    double end = x;
    for (char16_t c : name) {
      const Font& font = (c >= u'0' && c <= u'z') || std::u16string_view(u"./@~").find(c) != std::u16string_view::npos
                             ? kLatinNameFont
                             : kNameFont;
      const double width = Measure(std::u16string(1, c), font);
      end = x + width - margin;
      x += width - 5;
    }
    const Box ink = TextInk(400, 100, Settings(1, name, u""));
    ASSERT_FALSE(ink.empty()) << platform::Utf8(name);
    EXPECT_NEAR(ink.right + 1, end, 2.5) << platform::Utf8(name);
  }
}

TEST_F(WaterPressTest, PictureLookupPrefersTheDownloadedFile) {
  const std::string shared = dataHome_.path() + "/Brennik/OrniFotaro";
  std::filesystem::create_directories(shared);
  std::ofstream(shared + "/waterpress1.png") << "x";
  fotaro::test::TempDir downloads;
  std::ofstream(downloads.file("logo.png")) << "x";

  CULKernel_Info settings = Settings(1, u"n", u"u");
  settings.m_strWaterPressPath = platform::FromUtf8(downloads.file("logo.png"));
  EXPECT_EQ(WaterPressPicturePath(settings), settings.m_strWaterPressPath);
  settings.m_strWaterPressPath = platform::FromUtf8(downloads.file("missing.png"));
  EXPECT_EQ(platform::Utf8(WaterPressPicturePath(settings)), shared + "/waterpress1.png");
  settings.m_strWaterPressPath = platform::FromUtf8(downloads.path());  // a folder is not a picture
  EXPECT_EQ(platform::Utf8(WaterPressPicturePath(settings)), shared + "/waterpress1.png");
  settings.m_nWaterPressType = 2;  // no waterpress2.png
  EXPECT_EQ(WaterPressPicturePath(settings), u"");
  settings.m_strWaterPressPath.clear();
  EXPECT_EQ(WaterPressPicturePath(settings), u"");
}

TEST_F(WaterPressTest, PictureSitsAtTheLeftAndMovesTheText) {
  const int W = 400, H = 100;
  fotaro::test::TempDir downloads;
  WritePicture(downloads.file("logo.png"), 40, 30);
  CULKernel_Info settings = Settings(1, u"相册Album", u"photo.example.com");
  settings.m_strWaterPressPath = platform::FromUtf8(downloads.file("logo.png"));

  // Drawn unscaled with its top left corner 10 pixels from the left and 38 above the bottom.
  const Bitmap image = Watermarked(Bitmap(W, H, kWhite), settings);
  EXPECT_EQ(image.at(10, H - 38), 0xFF0000FFu);
  EXPECT_EQ(image.at(49, H - 9), 0xFF0000FFu);
  EXPECT_EQ(image.at(9, H - 38), kBandOnWhite);
  EXPECT_EQ(image.at(50, H - 38), kBandOnWhite);
  EXPECT_EQ(image.at(10, H - 39), kBandOnWhite);
  EXPECT_EQ(image.at(10, H - 8), kBandOnWhite);

  // The text starts 15 pixels after the picture's width.
  const Box ink = TextInk(W, H, settings);
  ASSERT_FALSE(ink.empty());
  EXPECT_GE(ink.left, 55 + 1);
  EXPECT_LE(ink.left, 55 + 5);

  // Without a downloaded picture the shared waterpress<type>.png is used.
  const std::string shared = dataHome_.path() + "/Brennik/OrniFotaro";
  std::filesystem::create_directories(shared);
  WritePicture(shared + "/waterpress1.png", 20, 20);
  WritePicture(shared + "/waterpress0.png", 20, 20);  // for TextInk's reference, drawn as type 0
  settings.m_strWaterPressPath.clear();
  EXPECT_EQ(Watermarked(Bitmap(W, H, kWhite), settings).at(29, H - 19), 0xFF0000FFu);
  EXPECT_GE(TextInk(W, H, settings).left, 35 + 1);
}

TEST_F(WaterPressTest, UndecodablePictureKeepsTheBandButSuppressesTheText) {
  const int W = 400, H = 100;
  fotaro::test::TempDir downloads;
  std::ofstream(downloads.file("logo.png")) << "not a picture";
  CULKernel_Info settings = Settings(1, u"相册Album", u"photo.example.com");
  settings.m_strWaterPressPath = platform::FromUtf8(downloads.file("logo.png"));

  const Bitmap image = Watermarked(Bitmap(W, H, kWhite), settings);
  CULKernel_Info noText = settings;
  noText.m_nWaterPressType = 0;
  noText.m_strWaterPressPath.clear();
  EXPECT_TRUE(image == Watermarked(Bitmap(W, H, kWhite), noText));
  EXPECT_EQ(image.at(1, H - 30), kBandOnWhite);
}

TEST_F(WaterPressTest, WorkersWatermarkAtOnceWithTheSameResult) {
  const CULKernel_Info settings = Settings(1, u"相册Album", u"photo.example.com");
  const Bitmap expected = Watermarked(Pattern(300, 100), settings);
  const size_t before = window_.reports.size();
  std::vector<Bitmap> images(4, Pattern(300, 100));
  std::vector<std::thread> workers;
  for (Bitmap& image : images) workers.emplace_back([&image, &settings] { DrawWaterPress(image, settings); });
  for (std::thread& worker : workers) worker.join();
  for (const Bitmap& image : images) EXPECT_TRUE(image == expected);
  // Every worker's report reaches the control's window on its own thread.
  EXPECT_TRUE(platform::RunUntil([&] { return window_.reports.size() == before + images.size(); }, 5s));
}
