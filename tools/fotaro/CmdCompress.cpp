// fotaro compress [options] -o DIR PHOTO...: the compression pipeline over a batch of photos, in
// one process, with the outputs copied into DIR.

#include <cstdio>
#include <cstring>
#include <filesystem>
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

constexpr char kUsage[] =
    "usage: fotaro compress [--big LIST] [--thumbs LIST] [--limit BYTES] [--watermark-name T]\n"
    "                       [--watermark-url U] [--watermark-type N] [--watermark-picture P] [--jobs N]\n"
    "                       -o DIR PHOTO...\n";

struct Options {
  std::string big = kDefaultBigList;
  std::string thumbs = kDefaultThumbList;
  long long limit = 0;  // 0: the record's default
  bool watermark = false;
  std::string waterName, waterUrl, waterPicture;
  long long waterType = 1;
  long long jobs = DefaultJobs();
  std::string outDir;
  std::vector<std::string> photos;
};

// False (after a message) for bad usage.
bool ParseOptions(int argc, char** argv, Options* options) {
  bool named = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!named || arg.empty() || arg[0] != '-') {
      options->photos.push_back(arg);
      continue;
    }
    if (arg == "--") {
      named = false;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "fotaro compress: %s needs a value\n%s", arg.c_str(), kUsage);
      return false;
    }
    const char* value = argv[++i];
    bool ok = true;
    if (arg == "--big") {
      options->big = value;
    } else if (arg == "--thumbs") {
      options->thumbs = value;
    } else if (arg == "--limit") {
      ok = ParseNumber(value, 1, INT32_MAX, &options->limit);
    } else if (arg == "--watermark-name") {
      options->waterName = value;
    } else if (arg == "--watermark-url") {
      options->waterUrl = value;
    } else if (arg == "--watermark-picture") {
      options->waterPicture = value;
    } else if (arg == "--watermark-type") {
      ok = ParseNumber(value, INT32_MIN, INT32_MAX, &options->waterType);
    } else if (arg == "--jobs") {
      ok = ParseNumber(value, 1, kMaxJobs, &options->jobs);
    } else if (arg == "-o") {
      options->outDir = value;
    } else {
      std::fprintf(stderr, "fotaro compress: unknown option '%s'\n%s", arg.c_str(), kUsage);
      return false;
    }
    if (!ok) {
      std::fprintf(stderr, "fotaro compress: bad value '%s' for %s\n%s", value, arg.c_str(), kUsage);
      return false;
    }
    options->watermark = options->watermark || arg.rfind("--watermark-", 0) == 0;
  }
  if (options->outDir.empty() || options->photos.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return false;
  }
  return true;
}

void Configure(const Options& options, CULKernel* kernel) {
  kernel->SetSizeLimits(platform::FromUtf8(options.big).c_str(), platform::FromUtf8(options.thumbs).c_str());
  if (options.limit > 0) kernel->SetLimitSize(static_cast<int32_t>(options.limit));
  if (!options.watermark) return;
  kernel->SetWaterMark(1);
  kernel->SetWaterPressType(static_cast<int32_t>(options.waterType));
  kernel->SetWaterPressName(platform::FromUtf8(options.waterName).c_str());
  kernel->SetWaterPressURL(platform::FromUtf8(options.waterUrl).c_str());
  kernel->SetWaterPressPath(platform::FromUtf8(options.waterPicture).c_str());
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
  const std::string extension = fs::path(platform::Utf8(output.strFilePath)).extension().string();
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
  const fs::path source = platform::Utf8(output.strFilePath);
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

int RunCompress(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;
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
  for (const std::string& photo : options.photos) paths.push_back(platform::FromUtf8(photo));
  std::set<fs::path> taken;
  int status = 0;
  size_t next = 0;  // the photos come back in the order given
  CompressBatch(kernel, paths, static_cast<int>(options.jobs), [&](CompressedPhoto& compressed) {
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

const Command kCompressCommand = {
    "compress",
    "compress [--big LIST] [--thumbs LIST] [--limit BYTES] [--watermark-name T] [--watermark-url U]\n"
    "                 [--watermark-type N] [--watermark-picture P] [--jobs N] -o DIR PHOTO...",
    "    Compresses each photo as the uploader does before sending it: one output per size spec,\n"
    "    resized, turned upright by its EXIF orientation and encoded, checked against the upload\n"
    "    size limit (--limit, default 20 MiB). --big and --thumbs are size-limit lists\n"
    "    (\"name|param|rule|width|height|quality|ratio|a|b,...\"); by default\n"
    "    FileData|0|0|670|800|90|0|0|0 and ThumbData|3|0|100|100|85|0|0|0. Any --watermark-*\n"
    "    option switches the watermark on (type 1, name and address, unless --watermark-type).\n"
    "    Up to --jobs photos (default: the number of processors) are compressed at once; the\n"
    "    outputs are copied into DIR as <photo>_<spec>.<ext>, and each prints one line, in the\n"
    "    order of the photos given:\n"
    "    PHOTO, SPEC, PATH, WIDTHxHEIGHT and BYTES, separated by tabs. A photo that fails prints\n"
    "    its code (1 missing, 5 format error, 8 too large, 2 no output) and the uploader's text\n"
    "    on stderr, and the exit status is 1; 2 for bad usage.",
    RunCompress};

}  // namespace fotaro::cli
