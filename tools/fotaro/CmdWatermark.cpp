// fotaro watermark --name N --url U [--type T] [--picture P] IN OUT: draws the album's watermark
// on one image, as the uploader does on the big pictures it sends, so that it can be looked at.

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "control/settings/ULKernelInfo.h"
#include "imaging/GkHelper.h"
#include "imaging/WaterPress.h"
#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "tools/fotaro/Commands.h"

namespace fotaro::cli {
namespace {

using platform::gfx::Image;
using platform::gfx::ImageFormat;

constexpr char kUsage[] = "usage: fotaro watermark --name N --url U [--type T] [--picture P] IN OUT\n";
constexpr int kJpegQuality = 90;

int Usage() {
  std::fprintf(stderr, "%s", kUsage);
  return 2;
}

// The format OUT is written in, from its extension: JPEG or PNG, else Unknown.
ImageFormat OutputFormat(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return ImageFormat::Unknown;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "jpg" || extension == "jpeg") return ImageFormat::Jpeg;
  if (extension == "png") return ImageFormat::Png;
  return ImageFormat::Unknown;
}

bool ParseInt(const char* text, int32_t* value) {
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

int RunWatermark(int argc, char** argv) {
  CULKernel_Info settings;
  settings.m_nWaterPressType = 1;
  bool hasName = false, hasUrl = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option.size() < 2 || option.compare(0, 2, "--") != 0) {
      files.push_back(option);
      continue;
    }
    if (i + 1 >= argc) return Usage();
    const char* argument = argv[++i];
    if (option == "--name") {
      settings.m_strWaterPressName = platform::FromUtf8(argument);
      hasName = true;
    } else if (option == "--url") {
      settings.m_strWaterPressURL = platform::FromUtf8(argument);
      hasUrl = true;
    } else if (option == "--type") {
      if (!ParseInt(argument, &settings.m_nWaterPressType)) return Usage();
    } else if (option == "--picture") {
      settings.m_strWaterPressPath = platform::PathFromBytes(argument);
    } else {
      return Usage();
    }
  }
  if (!hasName || !hasUrl || files.size() != 2) return Usage();
  const std::string& in = files[0];
  const std::string& out = files[1];

  const ImageFormat format = OutputFormat(out);
  if (format == ImageFormat::Unknown) {
    std::fprintf(stderr, "fotaro watermark: '%s' must end in .jpg, .jpeg or .png\n", out.c_str());
    return 2;
  }
  // The uploader quietly draws no picture when its file is missing; here that is a mistake.
  if (!settings.m_strWaterPressPath.empty() && WaterPressPicturePath(settings) != settings.m_strWaterPressPath) {
    std::fprintf(stderr, "fotaro watermark: cannot read picture '%s'\n", platform::PathBytes(settings.m_strWaterPressPath).c_str());
    return 1;
  }
  Image source;
  if (!platform::gfx::LoadImage(in, &source)) {
    std::fprintf(stderr, "fotaro watermark: cannot decode '%s'\n", in.c_str());
    return 1;
  }

  // Only the pixels go on: the source's EXIF orientation would turn the band out of its corner.
  Image result(std::move(source.mutableBitmap()));
  const platform::gfx::Bitmap before = result.bitmap();
  DrawWaterPress(result.mutableBitmap(), settings);
  if (result.bitmap() == before) {
    std::fprintf(stderr, "fotaro watermark: '%s' is too small for the watermark (at least 90 pixels high and 30 wider than the texts); written unchanged\n", in.c_str());
  }

  std::vector<uint8_t> bytes;
  if (!platform::gfx::EncodeImage(result, format, kJpegQuality, &bytes)) {
    std::fprintf(stderr, "fotaro watermark: cannot encode '%s'\n", out.c_str());
    return 1;
  }
  if (const int error = CGkHelper::WriteFileBytes(out, bytes); error != 0) {
    std::fprintf(stderr, "fotaro watermark: cannot write '%s': %s\n", out.c_str(), std::strerror(error));
    return 1;
  }
  return 0;
}

}  // namespace

const Command kWatermarkCommand = {
    "watermark", "watermark --name N --url U [--type T] [--picture P] IN OUT",
    "    Draws the album's watermark on the image IN and writes it to OUT (.jpg, .jpeg or .png),\n"
    "    as the uploader does on every big picture: a translucent band in the lower left corner\n"
    "    with the picture P (unscaled), the name N and the address U. --type 1 (the default) draws\n"
    "    name and address, 2 the address alone, any other value no text. Without --picture the\n"
    "    shared data folder's waterpress<T>.png is used when it exists. An image lower than 90\n"
    "    pixels or too narrow for the texts is written unchanged, with a note on stderr. Exit status\n"
    "    1 when a file cannot be read or written, 2 for bad usage.",
    RunWatermark};

}  // namespace fotaro::cli
