// fotaro post: sends one multipart upload request through the control's upload front-end.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "control/services/Folders.h"
#include "net/CMHttpUpload.h"
#include "platform/CodePage.h"
#include "platform/sync/Event.h"
#include "tools/fotaro/CommandHelpers.h"
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

// "NAME=VALUE" split at its first "=". The value of a field is text; that of a file, its path.
std::pair<std::u16string, std::u16string> SplitPair(const std::string& text, bool isFile) {
  const size_t equals = text.find('=');
  const std::string value = text.substr(equals + 1);
  return {platform::FromUtf8(text.substr(0, equals)), isFile ? platform::PathFromBytes(value) : platform::FromUtf8(value)};
}

// NAME=VALUE with a name.
const CLI::Validator kNamedValue(
    [](const std::string& text) {
      const size_t equals = text.find('=');
      return equals == std::string::npos || equals == 0 ? "'" + text + "' is not NAME=VALUE" : std::string();
    },
    "");

struct PostOptions {
  std::string url;
  std::vector<std::string> fields, files;
  std::string result;
};

int RunPost(const PostOptions& options) {
  const std::u16string url = platform::FromUtf8(options.url);
  // By default the answer goes into the working folder (made when missing), where it stays.
  std::u16string result = platform::PathFromBytes(options.result);
  if (result.empty()) {
    const std::u16string folder = fotaro::GetWorkingFolder(true);
    if (folder.empty()) {
      std::fprintf(stderr, "fotaro post: cannot make the working folder; name an answer file with --result\n");
      return 1;
    }
    result = folder + u"/post." + platform::PathFromBytes(std::to_string(getpid())) + u".xml";
  }

  PostListener listener;
  CCMHttpUpload upload;
  upload.Subscribe(&listener, &PostListener::OnEvent);
  for (const std::string& field : options.fields) {
    const auto [name, value] = SplitPair(field, false);
    upload.AddFormData(name, value);
  }
  // Each file goes as the control sends a picture: a text part and a file part, both named SPEC.
  for (const std::string& file : options.files) {
    const auto [spec, path] = SplitPair(file, true);
    upload.AddImageFormData(path, spec, path, spec, path);
  }
  if (!upload.UploadImage(url, result)) {
    const std::string& refusal = upload.Uploader().GetRefusalText();
    std::fprintf(stderr, "fotaro post: the upload cannot be started%s%s\n", refusal.empty() ? "" : ": ", refusal.c_str());
    return 1;
  }
  const int code = listener.WaitForCode();
  std::printf("%d\n%s\n", code, platform::PathBytes(result).c_str());
  if (code != 0) std::fprintf(stderr, "fotaro post: %s\n", upload.Uploader().GetFailureText().c_str());
  return code == 0 ? 0 : 1;
}

}  // namespace

Command AddPostCommand(CLI::App& fotaro) {
  auto options = std::make_shared<PostOptions>();
  CLI::App* command = fotaro.add_subcommand("post", "Sends one multipart upload request as the control does");
  command->footer(
      "The request holds the text fields, then each file as a text part and a file part named SPEC, in\n"
      "the system code page. Progress goes to stderr, then the transfer code and the answer file to\n"
      "stdout; a failed transfer says why on stderr. The exit status is 0 only for transfer code 0,\n"
      "2 for bad usage.");
  command->add_option("--url", options->url, "the upload address")->type_name("URL")->required()->check(kNotEmpty);
  command->add_option("--field", options->fields, "a text field (repeatable)")->type_name("NAME=VALUE")->check(kNamedValue)->allow_extra_args(false);
  command->add_option("--file", options->files, "a file part (repeatable)")->type_name("SPEC=PATH")->check(kNamedValue)->allow_extra_args(false);
  command->add_option("--result", options->result, "where the answer is saved (default: the working folder)")->type_name("FILE");
  return {command, [options] { return RunPost(*options); }};
}

}  // namespace fotaro::cli
