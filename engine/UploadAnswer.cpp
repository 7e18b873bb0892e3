#include "engine/UploadAnswer.h"

#include <charconv>
#include <fstream>
#include <string>
#include <vector>

#include "engine/LocalErrorReport.h"
#include "platform/CodePage.h"
#include "xml/XmlDocument.h"

namespace {

// A whole decimal number, with surrounding white space and an optional sign; nothing for any
// other text or a number beyond 32 bits.
std::optional<int32_t> ParseDecimal(const std::u16string& text) {
  std::string digits = platform::Utf8(text);
  const size_t begin = digits.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::nullopt;
  digits = digits.substr(begin, digits.find_last_not_of(" \t\r\n") + 1 - begin);
  const char* first = digits.data();
  const char* last = first + digits.size();
  if (*first == '+') ++first;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

// Tells the control what the server sent instead of an answer: the first kMaxRawAnswerReport
// bytes of the file, in the system code page.
void ReportRawAnswer(const std::u16string& path, platform::HWND reportWnd) {
  std::ifstream file(platform::PathBytes(path), std::ios::binary | std::ios::ate);
  if (!file) {
    PostLocalError(reportWnd, u"cannot open xml file", LOCALERROR_ANSWER_NOT_XML);
    return;
  }
  const std::streamoff length = file.tellg();
  std::vector<char> bytes(length > 0 ? std::min<size_t>(static_cast<size_t>(length), kMaxRawAnswerReport) : 0);
  file.seekg(0);
  if (length < 0 || !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    PostLocalError(reportWnd, u"cannot read xml file", LOCALERROR_ANSWER_NOT_XML);
    return;
  }
  PostLocalError(reportWnd, platform::FromCodePage(std::string_view(bytes.data(), bytes.size())), LOCALERROR_ANSWER_NOT_XML);
}

}  // namespace

bool ParseResultFile(UploadInfo& record, platform::HWND reportWnd) {
  const std::optional<fotaro::XmlDocument> document = fotaro::XmlDocument::LoadFile(platform::PathBytes(record.strResultFile));
  const fotaro::XmlElement body = document ? document->Root(u"body") : fotaro::XmlElement();
  if (!body) {
    ReportRawAnswer(record.strResultFile, reportWnd);
    return false;
  }
  bool resultValid = true;
  // The reason is the server's from now on: an answer without one has none.
  record.strReason.clear();
  body.ForEachChild([&](const fotaro::XmlElement& element) {
    const std::u16string name = element.Name();
    if (name == u"Result") {
      const std::optional<int32_t> result = ParseDecimal(element.Text());
      resultValid = result.has_value();
      record.nResult = result.value_or(-1);
    } else if (name == u"ResultURL") {
      record.strResultURL = element.Text();
    } else if (name == u"Reason") {
      record.strReason = element.Text();
    } else if (name == u"AlbumId") {
      record.strAlbumId = element.Text();
    } else if (name == u"RegMsg") {
      record.strRegMsg = element.Text();
    } else if (name == u"RegUrl") {
      record.strRegUrl = element.Text();
    }
  });
  return resultValid;
}

void ClassifyResult(UploadInfo& record) {
  const int32_t result = record.nResult;
  if (result == 0 || result == -301) {
    record.bDone = true;
  } else if (result == -302 || result == -401 || result == -402 || (result >= -203 && result <= -200) ||
             (result >= -503 && result <= -500)) {
    record.nRetriesLeft = 0;
  }
}
