// fotaro upload [options] PHOTO|DIR...: the whole upload of a batch of photos, as the control runs
// it: compressed, turned upright, optionally watermarked, and posted several at a time.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "tools/albumserver/AlbumServer.h"
#include "tools/fotaro/CommandHelpers.h"
#include "tools/fotaro/Commands.h"
#include "tools/fotaro/ConsoleUploader.h"
#include "tools/fotaro/SignalWatch.h"
#include "tools/fotaro/UploadConsole.h"

namespace fotaro::cli {
namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: fotaro upload [--url URL] [--uin U] [--key K] [--album ID] [--big LIST] [--thumbs LIST]\n"
    "                     [--threads N] [--jobs N] [--retries N] [--limit-mb N]\n"
    "                     [--watermark-name T --watermark-url U] [--silent] [--json] PHOTO|DIR...\n";
// The account of the album server that the command starts itself when no --url is given.
constexpr char kDemoUin[] = "10001";
constexpr char kDemoKey[] = "demo-session";
constexpr char kDemoAlbum[] = "demo-album";
// Sent as "ExtendStr"; an upload without one does not start.
constexpr char16_t kExtendStr[] = u"fotaro";

struct Options {
  std::string url, uin, key, album;
  std::string big = kDefaultBigList;
  std::string thumbs = kDefaultThumbList;
  long long threads = 3;
  long long jobs = DefaultJobs();
  long long retries = 3;
  long long limitMb = 0;  // 0: the settings' default (20 MiB)
  std::string waterName, waterUrl;
  bool silent = false;
  bool json = false;
  std::vector<std::string> inputs;
};

int Usage(const std::string& problem) {
  std::fprintf(stderr, "fotaro upload: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

// 0, or the exit status of bad usage (after its message).
int ParseOptions(int argc, char** argv, Options* options) {
  bool named = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!named || arg.empty() || arg[0] != '-') {
      options->inputs.push_back(arg);
    } else if (arg == "--") {
      named = false;
    } else if (arg == "--silent") {
      options->silent = true;
    } else if (arg == "--json") {
      options->json = true;
    } else if (i + 1 >= argc) {
      return Usage(arg + " needs a value");
    } else {
      const char* value = argv[++i];
      bool ok = true;
      if (arg == "--url") options->url = value;
      else if (arg == "--uin") options->uin = value;
      else if (arg == "--key") options->key = value;
      else if (arg == "--album") options->album = value;
      else if (arg == "--big") options->big = value;
      else if (arg == "--thumbs") options->thumbs = value;
      else if (arg == "--threads") ok = ParseNumber(value, 1, 64, &options->threads);
      else if (arg == "--jobs") ok = ParseNumber(value, 1, kMaxJobs, &options->jobs);
      else if (arg == "--retries") ok = ParseNumber(value, 1, 255, &options->retries);
      else if (arg == "--limit-mb") ok = ParseNumber(value, 1, 2047, &options->limitMb);
      else if (arg == "--watermark-name") options->waterName = value;
      else if (arg == "--watermark-url") options->waterUrl = value;
      else return Usage("unknown option '" + arg + "'");
      if (!ok || !*value) return Usage(std::string("bad value '") + value + "' for " + arg);
    }
  }
  if (options->inputs.empty()) return Usage("no photo given");
  if (options->waterName.empty() != options->waterUrl.empty()) {
    return Usage("--watermark-name and --watermark-url go together");
  }
  if (!options->url.empty()) {
    for (const auto& [value, name] : {std::pair{&options->uin, "--uin"}, {&options->key, "--key"}, {&options->album, "--album"}}) {
      if (value->empty()) return Usage(std::string(name) + " is needed with --url");
    }
  }
  return 0;
}

// The photos: every file named, and every file in a named folder (not its subfolders or hidden
// files; a link that leads nowhere counts), in name order; each file once, as an absolute path. A
// file that is not a readable picture stays in: the batch reports it.
std::vector<std::u16string> CollectPhotos(const std::vector<std::string>& inputs) {
  std::vector<std::u16string> photos;
  std::set<fs::path> seen;
  const auto add = [&](const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error).lexically_normal();
    if (seen.insert(absolute).second) photos.push_back(platform::FromUtf8(absolute.string()));
  };
  for (const std::string& input : inputs) {
    std::error_code error;
    if (!fs::is_directory(input, error)) {
      add(input);
      continue;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(input, error)) {
      std::error_code kind;
      const bool hidden = entry.path().filename().string().rfind('.', 0) == 0;
      if (!hidden && (entry.is_regular_file(kind) || (entry.is_symlink(kind) && !fs::exists(entry.path(), kind)))) {
        files.push_back(entry.path());
      }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) add(file);
  }
  return photos;
}

void Configure(const Options& options, CConsoleUploader& frame) {
  CULKernel& settings = frame.Settings();
  settings.SetUin(platform::FromUtf8(options.uin).c_str());
  settings.SetKey(platform::FromUtf8(options.key).c_str());
  settings.SetExtendID(platform::FromUtf8(options.album).c_str());
  settings.SetURL(platform::FromUtf8(options.url).c_str());
  settings.SetExtentStr(kExtendStr);
  frame.Manager().SetSizeLimits(platform::FromUtf8(options.big).c_str(), platform::FromUtf8(options.thumbs).c_str());
  if (options.limitMb > 0) settings.SetUploadSizeLimit(static_cast<int32_t>(options.limitMb));
  if (!options.waterName.empty()) {
    frame.Manager().SetWaterMark(1);
    settings.SetWaterPressType(1);
    settings.SetWaterPressName(platform::FromUtf8(options.waterName).c_str());
    settings.SetWaterPressURL(platform::FromUtf8(options.waterUrl).c_str());
  }
  frame.SetThreadCount(static_cast<int>(options.threads));
  frame.Manager().SetCompressAhead(static_cast<int>(options.jobs));
  CGlobal::Instance().SetRetryTimes(static_cast<int32_t>(options.retries));
}

// Without --url: the album server on 127.0.0.1, storing the uploads in a new folder here, and
// the demo account. Null when it cannot start.
std::unique_ptr<AlbumServer> StartAlbumServer(Options* options) {
  std::string store = "fotaro-album-XXXXXX";
  if (!mkdtemp(store.data())) {
    std::fprintf(stderr, "fotaro upload: cannot make a folder for the uploads here\n");
    return nullptr;
  }
  AlbumServer::Options serverOptions;
  serverOptions.store = store;
  serverOptions.record = false;
  auto server = std::make_unique<AlbumServer>(serverOptions);
  if (!server->Start()) {
    std::fprintf(stderr, "fotaro upload: cannot start the album server\n");
    return nullptr;
  }
  options->url = server->Url();
  options->uin = kDemoUin;
  options->key = kDemoKey;
  options->album = kDemoAlbum;
  std::fprintf(stderr, "fotaro upload: album server %s, uploads stored in %s\n", options->url.c_str(),
               fs::absolute(store).c_str());
  return server;
}

int RunUpload(int argc, char** argv) {
  Options options;
  if (const int status = ParseOptions(argc, argv, &options)) return status;
  const std::vector<std::u16string> photos = CollectPhotos(options.inputs);
  if (photos.empty()) return Usage("no photo in the folders given");

  // Ctrl-C stops the batch through the frame's window; the photos not finished are reported.
  std::atomic<platform::HWND> frameWindow{nullptr};
  const SignalWatch signals([&] { platform::PostMessage(frameWindow.load(), CConsoleUploader::kInterrupt); });
  const ModuleScope module;
  std::unique_ptr<AlbumServer> server;
  if (options.url.empty() && !(server = StartAlbumServer(&options))) return 1;

  UploadConsole console(options.json, isatty(STDERR_FILENO) != 0, static_cast<int>(photos.size()));
  std::vector<PhotoResult> results;
  {
    CConsoleUploader frame(&console);
    Configure(options, frame);
    frameWindow = frame.hwnd();
    results = frame.Run(photos, options.silent);
    frameWindow = nullptr;
  }
  console.Finish(results);
  const bool allDone = std::all_of(results.begin(), results.end(), [](const PhotoResult& r) { return r.bDone; });
  return allDone ? 0 : 1;
}

}  // namespace

const Command kUploadCommand = {
    "upload",
    "upload [--url URL] [--uin U] [--key K] [--album ID] [--big LIST] [--thumbs LIST] [--threads N]\n"
    "               [--jobs N] [--retries N] [--limit-mb N] [--watermark-name T --watermark-url U] [--silent]\n"
    "               [--json] PHOTO|DIR...",
    "    Uploads the photos (a folder adds the files in it) as the control does: each is compressed\n"
    "    to the size lists (--big, --thumbs, as for compress), turned upright, watermarked with\n"
    "    --watermark-name and --watermark-url, and posted to URL, up to --threads (default 3) at a\n"
    "    time, each tried --retries times (default 3); --limit-mb is the largest output (MiB).\n"
    "    Up to --jobs photos (default: the number of processors) are compressed at once, ahead of\n"
    "    the uploads; they are still uploaded in the order given.\n"
    "    --silent uploads one photo after another, as the page's silent mode does. Without --url\n"
    "    the album server runs on 127.0.0.1 and stores the uploads in a new folder here (it is\n"
    "    named on stderr), with a demo account; with --url, --uin, --key and --album are needed.\n"
    "    One line per photo on stdout: FILE, RESULT, REASON, ALBUMID, RESULTURL separated by tabs,\n"
    "    or with --json an object with file, result, reason, albumId, resultUrl and done. RESULT\n"
    "    is the server's (0 uploaded, -301 uploaded to a new album), or 1, 2, 5, 8 for a photo that\n"
    "    could not be compressed, 7 for one cancelled by Ctrl-C. Progress and the failed photos go\n"
    "    to stderr. The exit status is 0 only when every photo was uploaded; 2 for bad usage.",
    RunUpload};

}  // namespace fotaro::cli
