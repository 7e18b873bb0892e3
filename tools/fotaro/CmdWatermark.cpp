// fotaro watermark --name N --url U [--type T] [--picture P] IN OUT: draws the album's watermark
// on one image, as the uploader does on the big pictures it sends, so that it can be looked at.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
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

constexpr int kJpegQuality = 90;

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

struct WatermarkOptions {
  std::string name, url, picture;
  int32_t type = 1;
  std::string in, out;
};

int RunWatermark(const WatermarkOptions& options) {
  CULKernel_Info settings;
  settings.m_nWaterPressType = options.type;
  settings.m_strWaterPressName = platform::FromUtf8(options.name);
  settings.m_strWaterPressURL = platform::FromUtf8(options.url);
  settings.m_strWaterPressPath = platform::PathFromBytes(options.picture);
  const std::string& in = options.in;
  const std::string& out = options.out;

  const ImageFormat format = OutputFormat(out);
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

Command AddWatermarkCommand(CLI::App& fotaro) {
  auto options = std::make_shared<WatermarkOptions>();
  CLI::App* command = fotaro.add_subcommand("watermark", "Draws the album's watermark on one image, as the uploader does");
  command->footer(
      "The uploader draws it on every big picture: a translucent band in the lower left corner with\n"
      "the picture P (unscaled), the name N and the address U. Without --picture the shared data\n"
      "folder's waterpress<T>.png is used when it exists. An image lower than 90 pixels or too narrow\n"
      "for the texts is written unchanged, with a note on stderr. Exit status 1 when a file cannot be\n"
      "read or written, 2 for bad usage.");
  command->add_option("--name", options->name, "the album's name")->type_name("N")->required();
  command->add_option("--url", options->url, "the album's address")->type_name("U")->required();
  command->add_option("--type", options->type, "1 name and address, 2 the address alone, other values no text")
      ->type_name("T")
      ->capture_default_str();
  command->add_option("--picture", options->picture, "the band's picture")->type_name("P");
  command->add_option("IN", options->in, "the image")->required();
  command->add_option("OUT", options->out, "the result: .jpg, .jpeg or .png")
      ->required()
      ->check(CLI::Validator(
          [](const std::string& out) {
            return OutputFormat(out) == ImageFormat::Unknown ? "'" + out + "' must end in .jpg, .jpeg or .png" : std::string();
          },
          ""));
  return {command, [options] { return RunWatermark(*options); }};
}

}  // namespace fotaro::cli
