// fotaro exif [--json] FILE...: what the EXIF reader finds in photos.

#include <cstdio>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "imaging/ExifGps.h"
#include "imaging/ExifReader.h"
#include "imaging/GkHelper.h"
#include "platform/CodePage.h"
#include "platform/gfx/ExifProperties.h"
#include "tools/fotaro/Commands.h"
#include "tools/fotaro/Json.h"

namespace fotaro::cli {
namespace {

using Value = std::variant<int64_t, double, std::string>;
struct Field {
  const char* name;
  Value value;
};

// A text field of the record: bytes in the system code page, shown as UTF-8.
std::string Text(const char* bytes) { return platform::Utf8(platform::FromCodePage(bytes)); }

// Everything the command shows for one file, in output order.
std::vector<Field> Describe(const char* file, bool* readable) {
  const std::u16string path = platform::PathFromBytes(file);
  ExifInfo info;
  const int result = ReadExifInfo(path, &info);
  const platform::gfx::FileSource source(file);
  *readable = source.is_open();
  std::vector<Field> fields = {
      {"file", std::string(file)},
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

void PrintText(const std::vector<Field>& fields) {
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

void AppendJson(const std::vector<Field>& fields, JsonWriter* json) {
  json->BeginObject();
  for (const Field& field : fields) {
    json->Key(field.name);
    std::visit([json](const auto& value) {
      if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
        json->String(value);
      } else {
        json->Number(value);
      }
    }, field.value);
  }
  json->EndObject();
}

int RunExif(int argc, char** argv) {
  bool asJson = false;
  std::vector<const char*> files;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    if (options && !std::strcmp(argv[i], "--json")) {
      asJson = true;
    } else if (options && !std::strcmp(argv[i], "--")) {
      options = false;
    } else if (options && argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "fotaro exif: unknown option '%s'\nusage: fotaro exif [--json] FILE...\n", argv[i]);
      return 2;
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: fotaro exif [--json] FILE...\n");
    return 2;
  }
  int status = 0;
  JsonWriter json;
  json.BeginArray();
  for (size_t i = 0; i < files.size(); ++i) {
    bool readable = false;
    const std::vector<Field> fields = Describe(files[i], &readable);
    if (!readable) {
      std::fprintf(stderr, "fotaro exif: cannot read '%s'\n", files[i]);
      status = 1;
    }
    if (asJson) {
      AppendJson(fields, &json);
    } else {
      if (i > 0) std::printf("\n");
      PrintText(fields);
    }
  }
  json.EndArray();
  if (asJson) std::printf("%s\n", json.str().c_str());
  return status;
}

}  // namespace

const Command kExifCommand = {
    "exif", "exif [--json] FILE...",
    "    Reads the EXIF information of each photo as the uploader does: the reader's result (1 read,\n"
    "    -1 not a readable JPEG, HEIC, AVIF or WebP), the image format code (0 JPEG, 1 GIF, 2 PNG,\n"
    "    3 BMP, 4 EMF, 5 WMF, 6 TIFF, 8 icon, 10 HEIC, 11 AVIF, 12 WebP, -1 other), the rotate-flip\n"
    "    code that turns it upright, every field of the record (CameraMake, Orientation,\n"
    "    ISOequivalent, ...; a HEIC or AVIF photo decodes upright, so its Orientation is 1), where\n"
    "    the embedded preview lies in the EXIF block, and the four GPS upload texts\n"
    "    (Exif_LatitudeRef, Exif_Latitude, Exif_LongitudeRef, Exif_Longitude) when the photo has all\n"
    "    four. --json prints one JSON array with an object per file. Exit status 1 when a file\n"
    "    cannot be read, 2 for bad usage.",
    RunExif};

}  // namespace fotaro::cli
