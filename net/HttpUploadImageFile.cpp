#include "net/HttpUploadImageFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include "control/services/Log.h"
#include "platform/CodePage.h"

namespace {

constexpr char kUploadScope[] = "CHttpUploadImageFile::UploadImage";

// The file-name part of a path.
std::u16string FileNamePart(const std::u16string& path) {
  const size_t slash = path.rfind(u'/');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// A name as it may stand between the double quotes of a part header: quotes and line breaks are
// percent-encoded, as browsers do, so that a file name cannot end the header or add lines to it.
std::u16string QuotedParameter(const std::u16string& text) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c == u'"') out += u"%22";
    else if (c == u'\r') out += u"%0D";
    else if (c == u'\n') out += u"%0A";
    else out += c;
  }
  return out;
}

std::optional<uint64_t> FileSize(const std::u16string& path) {
  struct stat info {};
  if (stat(platform::PathBytes(path).c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

}  // namespace

CHttpUploadImageFile::~CHttpUploadImageFile() { EndThread(); }

void CHttpUploadImageFile::AddImageFormData(const std::u16string& sendPath, const std::u16string& textName,
                                            const std::u16string& displayName, const std::u16string& partName,
                                            const std::u16string& dataPath) {
  const std::u16string& boundary = GetBoundary();
  const std::optional<uint64_t> size = FileSize(dataPath);
  std::u16string header;
  // A second entry's header first ends the bytes of the previous file.
  if (!m_mapImageFormData.empty()) header = u"\r\n";
  if (!textName.empty()) {
    header += u"--" + boundary + u"\r\nContent-Disposition: form-data; name=\"" + QuotedParameter(textName) +
              u"\"\r\n\r\n" + FileNamePart(displayName) + u"\r\n";
  }
  header += u"--" + boundary + u"\r\nContent-Disposition: form-data; name=\"" + QuotedParameter(partName) +
            u"\"; filename=\"" + QuotedParameter(FileNamePart(dataPath)) + u"\"; filelength=\"" +
            platform::FromUtf8(std::to_string(size.value_or(0))) +
            u"\"\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary\r\n\r\n";
  ImageFormData entry{sendPath, std::move(header), 0, std::nullopt};
  if (dataPath == sendPath) entry.nAnnouncedSize = size;
  m_mapImageFormData.push_back(std::move(entry));
}

void CHttpUploadImageFile::ResetUploadData() {
  m_mapImageFormData.clear();
  CHttpUploadFile::ResetUploadData();
}

int CHttpUploadImageFile::UploadImage(const std::u16string& url, const std::u16string& resultFile) {
  fotaro::Log(kUploadScope, "CHttpUploadImageFile::UploadImage--1");
  if (url.empty() || resultFile.empty() || access(platform::PathBytes(resultFile).c_str(), F_OK) == 0) return 0;
  fotaro::Log(kUploadScope, "CHttpUploadImageFile::UploadImage--4");
  SetUsePost(true);
  const int result = DownloadBase(url, resultFile);
  fotaro::Log(kUploadScope, "CHttpUploadImageFile::UploadImage--5 nRes = %d", result);
  return result;
}

int CHttpUploadImageFile::SendRequest() {
  SetUploading(true);
  std::vector<BodyPiece> pieces;
  pieces.push_back(BodyPiece::Text(platform::ToCodePage(GetFormData())));
  for (ImageFormData& entry : m_mapImageFormData) {
    pieces.push_back(BodyPiece::Text(platform::ToCodePage(entry.strHeader)));
    BodyPiece file = BodyPiece::File(platform::PathBytes(entry.strPath));
    // A part that cannot be read, is too large, or no longer has the length its header announces
    // fails the whole request before a byte is sent.
    if (!file.IsOpen() || file.Size() > GetMaxPartSize() ||
        (entry.nAnnouncedSize && *entry.nAnnouncedSize != file.Size())) {
      fotaro::Log("CHttpUploadImageFile::SendRequest", "file part refused: %s", entry.strPath);
      const char* why = !file.IsOpen() ? "it cannot be read" : file.Size() > GetMaxPartSize() ? "it is too large"
                                                                                                : "its length changed";
      Fail(kCodeFailed, "cannot send " + platform::Utf8(entry.strPath) + ": " + why);
      SetUploading(false);
      return kStepFailed;
    }
    entry.nSize = file.Size();
    pieces.push_back(std::move(file));
  }
  pieces.push_back(BodyPiece::Text(platform::ToCodePage(ClosingDelimiter())));
  fotaro::Log("CHttpUploadImageFile::WriteRequest", "m_mapImageFormData.size() = %d", static_cast<int>(m_mapImageFormData.size()));
  return BeginRequest(std::move(pieces));
}
