// fotaro compress [options] -o DIR PHOTO...: the compression pipeline over a batch of photos, in
// one process, with the outputs copied into DIR.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "imaging/BatchCompress.h"
#include "imaging/ULKernel.h"
#include "platform/CodePage.h"
#include "platform/gfx/ImageFormat.h"
#include "tools/fotaro/CommandHelpers.h"
#include "tools/fotaro/Commands.h"

namespace fotaro::cli {
namespace {

namespace fs = std::filesystem;

struct Options {
  std::string big, thumbs;
  int32_t limit = 0;  // 0: the record's default
  std::string waterName, waterUrl, waterPicture;
  int32_t waterType = 1;
  int jobs = static_cast<int>(DefaultJobs());
  std::string outDir;
  std::vector<std::string> photos;
  bool watermark = false;  // any --watermark-* option switches it on
};

void Configure(const Options& options, CULKernel* kernel) {
  kernel->SetSizeLimits(platform::FromUtf8(options.big).c_str(), platform::FromUtf8(options.thumbs).c_str());
  if (options.limit > 0) kernel->SetLimitSize(options.limit);
  if (!options.watermark) return;
  kernel->SetWaterMark(1);
  kernel->SetWaterPressType(options.waterType);
  kernel->SetWaterPressName(platform::FromUtf8(options.waterName).c_str());
  kernel->SetWaterPressURL(platform::FromUtf8(options.waterUrl).c_str());
  kernel->SetWaterPressPath(platform::PathFromBytes(options.waterPicture).c_str());
}

// The texts the uploader shows for a photo that could not be compressed.
const char* LocalErrorText(int32_t code) {
  switch (code) {
    case CULKernel::kCompressFileMissing: return "文件不存在";
    case CULKernel::kCompressFormatError: return "文件格式错误";
    case CULKernel::kCompressTooLarge: return "文件太大";
    default: return "图片压缩失败";  // local error 2: the photo gave no output
  }
}

// Where an output goes in DIR: "<photo's stem>_<spec><extension>", with ".2", ".3", ... after
// the stem when an earlier photo of the batch already took the name.
fs::path TargetPath(const Options& options, const std::string& photo, const CompressedFileInfo& output,
                    std::set<fs::path>* taken) {
  std::string spec = platform::Utf8(output.strSpecString);
  for (char& c : spec) {
    if (c == '/') c = '_';
  }
  const std::string stem = fs::path(photo).stem().string();
  const std::string extension = fs::path(platform::PathBytes(output.strFilePath)).extension().string();
  fs::path target = fs::path(options.outDir) / (stem + "_" + spec + extension);
  for (int n = 2; taken->count(target); ++n) {
    target = fs::path(options.outDir) / (stem + "." + std::to_string(n) + "_" + spec + extension);
  }
  taken->insert(target);
  return target;
}

// Moves one output of `photo` into DIR and prints its line. False when it cannot be copied.
bool DeliverOutput(const Options& options, const std::string& photo, const CompressedFileInfo& output,
                   std::set<fs::path>* taken) {
  const fs::path source = platform::PathBytes(output.strFilePath);
  const fs::path target = TargetPath(options, photo, output, taken);
  std::error_code error;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
  fs::remove(source, error);
  platform::gfx::ImageHeader header;
  if (!platform::gfx::ReadImageHeader(target.string(), &header)) {
    std::fprintf(stderr, "fotaro compress: %s: cannot write %s\n", photo.c_str(), target.c_str());
    return false;
  }
  std::printf("%s\t%s\t%s\t%dx%d\t%d\n", photo.c_str(), platform::Utf8(output.strSpecString).c_str(), target.c_str(),
              header.width, header.height, output.nFileSize);
  std::fflush(stdout);
  return true;
}

int RunCompress(const Options& options) {
  std::error_code error;
  fs::create_directories(options.outDir, error);
  if (!fs::is_directory(options.outDir, error)) {
    std::fprintf(stderr, "fotaro compress: cannot make the folder '%s'\n", options.outDir.c_str());
    return 1;
  }
  const ModuleScope module;
  CULKernel kernel;
  Configure(options, &kernel);
  std::vector<std::u16string> paths;
  for (const std::string& photo : options.photos) paths.push_back(platform::PathFromBytes(photo));
  std::set<fs::path> taken;
  int status = 0;
  size_t next = 0;  // the photos come back in the order given
  CompressBatch(kernel, paths, options.jobs, [&](CompressedPhoto& compressed) {
    const std::string& photo = options.photos[next++];
    const int32_t code = compressed.nCode;
    if (code != CULKernel::kCompressOk || compressed.outputs.empty()) {
      // Outputs made before a failure stay in the working folder, which goes when the command ends.
      std::fprintf(stderr, "fotaro compress: %s: %d %s\n", photo.c_str(), code != 0 ? code : 2, LocalErrorText(code));
      status = 1;
      return;
    }
    for (const CompressedFileInfo& output : compressed.outputs) {
      if (!DeliverOutput(options, photo, output, &taken)) status = 1;
    }
  });
  return status;
}

}  // namespace

Command AddCompressCommand(CLI::App& fotaro) {
  auto options = std::make_shared<Options>();
  CLI::App* command = fotaro.add_subcommand("compress", "Compresses photos as the uploader does before sending them");
  command->footer(
      "One output per size spec: resized, turned upright by its EXIF orientation, encoded, and checked\n"
      "against the upload size limit (--limit, default 20 MiB). --big and --thumbs are size-limit\n"
      "lists (\"name|param|rule|width|height|quality|ratio|a|b,...\"). Any --watermark-* option switches\n"
      "the watermark on (type 1, name and address, unless --watermark-type). Up to --jobs photos are\n"
      "compressed at once. The outputs are copied into DIR as <photo>_<spec>.<ext>, and each prints\n"
      "one line, in the order of the photos given: PHOTO, SPEC, PATH, WIDTHxHEIGHT and BYTES,\n"
      "separated by tabs. A photo that fails prints its code (1 missing, 5 format error, 8 too\n"
      "large, 2 no output) and the uploader's text on stderr, and the exit status is 1; 2 for bad usage.");
  AddSizeListOptions(command, &options->big, &options->thumbs);
  command->add_option("--limit", options->limit, "the largest output")->type_name("BYTES")->check(CLI::Range(1, INT32_MAX));
  const auto watermark = [options](const std::string&) { options->watermark = true; };
  command->add_option("--watermark-name", options->waterName, "the album's name in the watermark")->type_name("T")->each(watermark);
  command->add_option("--watermark-url", options->waterUrl, "the album's address in the watermark")->type_name("U")->each(watermark);
  command->add_option("--watermark-type", options->waterType, "the watermark's type (see watermark --help)")->type_name("N")->each(watermark);
  command->add_option("--watermark-picture", options->waterPicture, "the watermark's picture")->type_name("P")->each(watermark);
  AddJobsOption(command, &options->jobs, "photos compressed at once");
  command->add_option("-o,--output", options->outDir, "the folder the outputs are copied into")->type_name("DIR")->required()->check(kNotEmpty);
  command->add_option("PHOTO", options->photos, "the photos")->required();
  return {command, [options] { return RunCompress(*options); }};
}

}  // namespace fotaro::cli
