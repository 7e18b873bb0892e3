// fotaro exif [--json] FILE...: what the EXIF reader finds in photos.

#include <cstdio>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "imaging/ExifGps.h"
#include "imaging/ExifReader.h"
#include "imaging/GkHelper.h"
#include "platform/CodePage.h"
#include "platform/gfx/ExifProperties.h"
#include "tools/fotaro/Commands.h"
#include "tools/fotaro/JsonOutput.h"

namespace fotaro::cli {
namespace {

using Value = std::variant<int64_t, double, std::string>;
struct Field {
  const char* name;
  Value value;
};

// A text field of the record: bytes in the system code page, shown as UTF-8.
std::string Text(const char* bytes) { return platform::Utf8(platform::FromCodePage(bytes)); }

// Everything the command shows for one file after its name, in output order.
std::vector<Field> Describe(const std::string& file, bool* readable) {
  const std::u16string path = platform::PathFromBytes(file);
  ExifInfo info;
  const int result = ReadExifInfo(path, &info);
  const platform::gfx::FileSource source(file);
  *readable = source.is_open();
  std::vector<Field> fields = {
      {"result", int64_t{result}},
      {"format", int64_t{CGkHelper::GetFileImageFormat(path)}},
      {"rotateFlip", int64_t{result == -1 ? 0 : static_cast<int>(RotateFlipForOrientation(info.Orientation))}},
      {"CameraMake", Text(info.CameraMake)},
      {"CameraModel", Text(info.CameraModel)},
      {"DateTimeOriginal", Text(info.DateTimeOriginal)},
      {"DateTimeDigitized", Text(info.DateTimeDigitized)},
      {"ExifVersion", Text(info.ExifVersion)},
      {"Orientation", int64_t{info.Orientation}},
      {"Height", int64_t{info.Height}},
      {"Width", int64_t{info.Width}},
      {"IsColor", int64_t{info.IsColor}},
      {"Process", int64_t{info.Process}},
      {"FlashUsed", int64_t{info.FlashUsed}},
      {"FocalLength", double{info.FocalLength}},
      {"ExposureTime", double{info.ExposureTime}},
      {"ApertureFNumber", double{info.ApertureFNumber}},
      {"ExposureProgram", int64_t{info.ExposureProgram}},
      {"ISOequivalent", int64_t{info.ISOequivalent}},
      {"CompressionLevel", int64_t{info.CompressionLevel}},
      {"Brightness", double{info.Brightness}},
      {"ExposureBias", double{info.ExposureBias}},
      {"Distance", double{info.Distance}},
      {"MeteringMode", int64_t{info.MeteringMode}},
      {"LightSource", int64_t{info.LightSource}},
      {"XResolution", double{info.XResolution}},
      {"YResolution", double{info.YResolution}},
      {"ResolutionUnit", double{info.ResolutionUnit}},
      {"FocalPlaneXRes", double{info.FocalPlaneXRes}},
      {"FocalPlaneYRes", double{info.FocalPlaneYRes}},
      {"FocalPlaneUnits", double{info.FocalPlaneUnits}},
      {"CCDWidth", double{info.CCDWidth}},
      {"Comments", Text(info.Comments)},
      {"HasExif", int64_t{info.HasExif}},
      {"UserCommentOffset", int64_t{info.UserCommentOffset}},
      {"UserCommentLength", int64_t{info.UserCommentLength}},
      {"MakerNoteOffset", int64_t{info.MakerNoteOffset}},
      {"MakerNoteLength", int64_t{info.MakerNoteLength}},
      {"ThumbnailOffset", int64_t{info.ThumbnailOffset}},
      {"ThumbnailLength", int64_t{info.ThumbnailLength}},
  };
  GpsUploadTexts gps;
  if (GetGpsUploadTexts(platform::gfx::ReadExifProperties(source), &gps)) {
    fields.push_back({"Exif_LatitudeRef", platform::Utf8(gps.LatitudeRef)});
    fields.push_back({"Exif_Latitude", platform::Utf8(gps.Latitude)});
    fields.push_back({"Exif_LongitudeRef", platform::Utf8(gps.LongitudeRef)});
    fields.push_back({"Exif_Longitude", platform::Utf8(gps.Longitude)});
  }
  return fields;
}

void PrintText(const std::string& file, const std::vector<Field>& fields) {
  std::printf("file: %s\n", file.c_str());
  for (const Field& field : fields) {
    if (const auto* text = std::get_if<std::string>(&field.value)) {
      std::printf("%s: %s\n", field.name, text->c_str());
    } else if (const auto* number = std::get_if<int64_t>(&field.value)) {
      std::printf("%s: %lld\n", field.name, static_cast<long long>(*number));
    } else {
      std::printf("%s: %g\n", field.name, std::get<double>(field.value));
    }
  }
}

Json ToJson(const std::string& file, const std::vector<Field>& fields) {
  Json object = Json::object();
  SetFileName(object, file);
  for (const Field& field : fields) {
    std::visit([&](const auto& value) { object[field.name] = value; }, field.value);
  }
  return object;
}

struct ExifOptions {
  bool json = false;
  std::vector<std::string> files;
};

int RunExif(const ExifOptions& options) {
  int status = 0;
  Json files = Json::array();
  for (const std::string& file : options.files) {
    bool readable = false;
    const std::vector<Field> fields = Describe(file, &readable);
    if (!readable) {
      std::fprintf(stderr, "fotaro exif: cannot read '%s'\n", file.c_str());
      status = 1;
    }
    if (options.json) {
      files.push_back(ToJson(file, fields));
    } else {
      if (&file != &options.files.front()) std::printf("\n");
      PrintText(file, fields);
    }
  }
  if (options.json) std::printf("%s\n", JsonLine(files).c_str());
  return status;
}

}  // namespace

Command AddExifCommand(CLI::App& fotaro) {
  auto options = std::make_shared<ExifOptions>();
  CLI::App* command = fotaro.add_subcommand("exif", "Shows what the uploader reads of each photo's EXIF information");
  command->footer(
      "Prints the EXIF reader's result (1 read, -1 not a readable JPEG, HEIC, AVIF or WebP), the image\n"
      "format code (0 JPEG, 1 GIF, 2 PNG, 3 BMP, 4 EMF, 5 WMF, 6 TIFF, 8 icon, 10 HEIC, 11 AVIF, 12 WebP,\n"
      "-1 other), the rotate-flip code that turns the photo upright, every field of the record\n"
      "(CameraMake, Orientation, ISOequivalent, ...; a HEIC or AVIF photo decodes upright, so its\n"
      "Orientation is 1), where the embedded preview lies in the EXIF block, and the four GPS upload\n"
      "texts (Exif_LatitudeRef, Exif_Latitude, Exif_LongitudeRef, Exif_Longitude) when the photo has\n"
      "all four. Exit status 1 when a file cannot be read, 2 for bad usage.");
  command->add_flag("--json", options->json, "print one JSON array with an object per file");
  command->add_option("FILE", options->files, "the photos")->required();
  return {command, [options] { return RunExif(*options); }};
}

}  // namespace fotaro::cli
