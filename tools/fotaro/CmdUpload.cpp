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

// The account of the album server that the command starts itself when no --url is given.
constexpr char kDemoUin[] = "10001";
constexpr char kDemoKey[] = "demo-session";
constexpr char kDemoAlbum[] = "demo-album";
// Sent as "ExtendStr"; an upload without one does not start.
constexpr char16_t kExtendStr[] = u"fotaro";

struct Options {
  std::string url, uin, key, album;
  std::string big, thumbs;
  int threads = 3;
  int jobs = 1;  // set by AddJobsOption
  int retries = 3;
  int limitMb = 0;  // 0: the settings' default (20 MiB)
  std::string waterName, waterUrl;
  bool silent = false;
  bool json = false;
  std::vector<std::string> inputs;
};

// The photos: every file named, and every file in a named folder (not its subfolders or hidden
// files; a link that leads nowhere counts), in name order; each file once, as an absolute path. A
// file that is not a readable picture stays in: the batch reports it.
std::vector<std::u16string> CollectPhotos(const std::vector<std::string>& inputs) {
  std::vector<std::u16string> photos;
  std::set<fs::path> seen;
  const auto add = [&](const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error).lexically_normal();
    if (seen.insert(absolute).second) photos.push_back(platform::PathFromBytes(absolute.string()));
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
  if (options.limitMb > 0) settings.SetUploadSizeLimit(options.limitMb);
  if (!options.waterName.empty()) {
    frame.Manager().SetWaterMark(1);
    settings.SetWaterPressType(1);
    settings.SetWaterPressName(platform::FromUtf8(options.waterName).c_str());
    settings.SetWaterPressURL(platform::FromUtf8(options.waterUrl).c_str());
  }
  frame.SetThreadCount(options.threads);
  frame.Manager().SetCompressAhead(options.jobs);
  CGlobal::Instance().SetRetryTimes(options.retries);
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

int RunUpload(const CLI::App& command, Options options) {
  const std::vector<std::u16string> photos = CollectPhotos(options.inputs);
  if (photos.empty()) return UsageError(command, "no photo in the folders given");

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

Command AddUploadCommand(CLI::App& fotaro) {
  auto options = std::make_shared<Options>();
  CLI::App* command = fotaro.add_subcommand("upload", "Uploads photos as the control does");
  command->footer(
      "Each photo is compressed to the size lists (as for compress), turned upright, watermarked with\n"
      "--watermark-name and --watermark-url, and posted to URL, up to --threads at a time, each tried\n"
      "--retries times. Up to --jobs photos are compressed at once, ahead of the uploads; they are\n"
      "still uploaded in the order given. A folder adds the files in it (not its subfolders or hidden\n"
      "files). --silent uploads one photo after another, as the page's silent mode does. Without --url the album\n"
      "server runs on 127.0.0.1 and stores the uploads in a new folder here (named on stderr), with a\n"
      "demo account; with --url, --uin, --key and --album are needed.\n"
      "One line per photo on stdout: FILE, RESULT, REASON, ALBUMID, RESULTURL separated by tabs, or\n"
      "with --json an object with file, result, reason, albumId, resultUrl and done. RESULT is the\n"
      "server's (0 uploaded, -301 uploaded to a new album, -1 no usable answer), or 1, 2, 5, 8 for a\n"
      "photo that could not be compressed, 7 for one cancelled by Ctrl-C. Progress and the failed\n"
      "photos go to stderr. The exit status is 0 only when every photo was uploaded; 2 for bad usage.");
  CLI::Option* url = command->add_option("--url", options->url, "the upload address (default: an album server of its own)")->type_name("URL")->check(kHttpUrl);
  url->needs(command->add_option("--uin", options->uin, "the user number")->type_name("U")->check(kNotEmpty));
  url->needs(command->add_option("--key", options->key, "the session key")->type_name("K")->check(kNotEmpty));
  url->needs(command->add_option("--album", options->album, "the album's id")->type_name("ID")->check(kNotEmpty));
  AddSizeListOptions(command, &options->big, &options->thumbs);
  command->add_option("--threads", options->threads, "photos uploaded at once")->type_name("N")->check(CLI::Range(1, 64))->capture_default_str();
  AddJobsOption(command, &options->jobs, "photos compressed at once");
  command->add_option("--retries", options->retries, "tries of each photo")->type_name("N")->check(CLI::Range(1, 255))->capture_default_str();
  command->add_option("--limit-mb", options->limitMb, "the largest output in MiB (default 20)")->type_name("N")->check(CLI::Range(1, 2047));
  CLI::Option* waterName = command->add_option("--watermark-name", options->waterName, "the album's name in the watermark")->type_name("T")->check(kNotEmpty);
  CLI::Option* waterUrl = command->add_option("--watermark-url", options->waterUrl, "the album's address in the watermark")->type_name("U")->check(kNotEmpty);
  waterName->needs(waterUrl);
  waterUrl->needs(waterName);
  command->add_flag("--silent", options->silent, "upload as the page's silent mode does");
  command->add_flag("--json", options->json, "print a JSON object for each photo");
  command->add_option("PHOTO|DIR", options->inputs, "the photos, and folders of photos")->required()->check(kExistingPath);
  return {command, [command, options] { return RunUpload(*command, *options); }};
}

}  // namespace fotaro::cli
