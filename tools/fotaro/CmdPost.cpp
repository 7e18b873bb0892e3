// fotaro post: sends one multipart upload request through the control's upload front-end.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "net/CMHttpUpload.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/sync/Event.h"
#include "tools/fotaro/Commands.h"

namespace fotaro::cli {
namespace {

// Receives the upload's events: progress goes to stderr whenever the percentage changes.
class PostListener {
 public:
  void OnEvent(const tagEvent* event) {
    if (event->nType == CCMHttpUpload::kEventProgress && event->nTotal > 0) {
      const int percent = static_cast<int>(event->nSent * 100 / event->nTotal);
      if (percent != m_nPercent) {
        m_nPercent = percent;
        std::fprintf(stderr, "\rsent %lld of %lld bytes (%d%%)", static_cast<long long>(event->nSent),
                     static_cast<long long>(event->nTotal), percent);
      }
    } else if (event->nType == CCMHttpUpload::kEventComplete) {
      if (m_nPercent >= 0) std::fputc('\n', stderr);
      m_nCode = event->nCode;
      m_done.Set();
    }
  }
  int WaitForCode() {
    m_done.Wait();
    return m_nCode;
  }

 private:
  int m_nPercent = -1;
  int m_nCode = -1;
  platform::Event m_done;
};

// Splits "NAME=VALUE" at its first "=". The value of a field is text; that of a file, its path.
bool SplitPair(const char* text, bool isFile, std::u16string& name, std::u16string& value) {
  const char* equals = std::strchr(text, '=');
  if (!equals || equals == text) return false;
  name = platform::FromUtf8(std::string(text, equals));
  value = isFile ? platform::PathFromBytes(equals + 1) : platform::FromUtf8(equals + 1);
  return true;
}

int Usage() {
  std::fprintf(stderr, "usage: fotaro post --url URL [--field NAME=VALUE]... [--file SPEC=PATH]... [--result FILE]\n");
  return 2;
}


int RunPost(int argc, char** argv) {
  std::u16string url, result;
  std::vector<std::pair<std::u16string, std::u16string>> fields, files;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* argument = argv[++i];
    std::u16string name, value;
    if (option == "--url") {
      url = platform::FromUtf8(argument);
    } else if (option == "--result") {
      result = platform::PathFromBytes(argument);
    } else if ((option == "--field" || option == "--file") && SplitPair(argument, option == "--file", name, value)) {
      (option == "--field" ? fields : files).emplace_back(name, value);
    } else {
      return Usage();
    }
  }
  if (url.empty()) return Usage();
  if (result.empty()) {
    result = platform::PathFromBytes(platform::paths::WorkingFolder() + "/post." + std::to_string(getpid()) + ".xml");
  }

  PostListener listener;
  CCMHttpUpload upload;
  upload.Subscribe(&listener, &PostListener::OnEvent);
  for (const auto& [name, value] : fields) upload.AddFormData(name, value);
  // Each file goes as the control sends a picture: a text part and a file part, both named SPEC.
  for (const auto& [spec, path] : files) upload.AddImageFormData(path, spec, path, spec, path);
  if (!upload.UploadImage(url, result)) {
    std::fprintf(stderr, "fotaro post: the upload cannot be started (URL %s)\n", platform::Utf8(url).c_str());
    return 1;
  }
  const int code = listener.WaitForCode();
  std::printf("%d\n%s\n", code, platform::PathBytes(result).c_str());
  return code == 0 ? 0 : 1;
}

}  // namespace

const Command kPostCommand = {
    "post", "post --url URL [--field NAME=VALUE]... [--file SPEC=PATH]... [--result FILE]",
    "    Sends one multipart upload request: the text fields, then each file as part SPEC. Prints\n"
    "    progress on stderr, then the transfer code and the answer file on stdout; exits 0 only\n"
    "    for transfer code 0.",
    RunPost};

}  // namespace fotaro::cli
