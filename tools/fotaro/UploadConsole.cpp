#include "tools/fotaro/UploadConsole.h"

#include "platform/CodePage.h"
#include "tools/fotaro/JsonOutput.h"

namespace fotaro::cli {

namespace {

constexpr int kBarWidth = 24;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

std::string Megabytes(int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
  return text;
}

// The photo's reason, followed by why its upload failed when that is known, as a sentence of its own.
std::string Reason(const PhotoResult& result) {
  const std::string reason = platform::Utf8(result.strReason), failure = platform::Utf8(result.strFailure);
  if (failure.empty() || reason.empty()) return reason + failure;
  return reason + (reason.back() == '.' ? " " : ". ") + failure;
}

std::string ResultLine(const PhotoResult& result, bool json) {
  const std::string reason = Reason(result);
  const std::string album = platform::Utf8(result.strAlbumId), url = platform::Utf8(result.strResultURL);
  if (!json) return platform::PathBytes(result.strFile) + "\t" + std::to_string(result.nResult) + "\t" + reason + "\t" + album + "\t" + url;
  Json line = Json::object();
  SetFileName(line, platform::PathBytes(result.strFile));
  line["result"] = result.nResult;
  line["reason"] = reason;
  line["albumId"] = album;
  line["resultUrl"] = url;
  line["done"] = result.bDone;
  return JsonLine(line);
}

}  // namespace

UploadConsole::UploadConsole(bool json, bool liveBar, int totalPhotos, std::FILE* out, std::FILE* err)
    : m_bJson(json), m_bLive(liveBar), m_nTotal(totalPhotos), m_out(out), m_err(err) {}

void UploadConsole::OnSent(int64_t bytes) {
  m_nBytes += bytes;
  DrawBar(false);
}

void UploadConsole::OnPhotoPercent(int32_t percent) {
  m_nPercent = percent;
  DrawBar(false);
}

void UploadConsole::OnResult(const PhotoResult& result) {
  ++m_nDone;
  m_nPercent = -1;
  ClearBar();
  std::fprintf(m_out, "%s\n", ResultLine(result, m_bJson).c_str());
  std::fflush(m_out);
  if (m_bLive) {
    DrawBar(true);
  } else {
    std::fprintf(m_err, "fotaro upload: %s\n", ProgressText().c_str());
  }
}

void UploadConsole::OnMessage(const std::u16string& text) {
  ClearBar();
  std::fprintf(m_err, "fotaro upload: %s\n", platform::Utf8(text).c_str());
  DrawBar(true);
}

void UploadConsole::Finish(const std::vector<PhotoResult>& results) {
  ClearBar();
  int uploaded = 0;
  for (const PhotoResult& result : results) uploaded += result.bDone ? 1 : 0;
  const std::string sent = m_nBytes > 0 ? ", " + Megabytes(m_nBytes) + " sent" : "";
  std::fprintf(m_err, "fotaro upload: %d of %d photos uploaded%s in %.1f s\n", uploaded, static_cast<int>(results.size()),
               sent.c_str(), Seconds());
  for (const PhotoResult& result : results) {
    if (result.bDone) continue;
    const std::string reason = Reason(result);
    std::fprintf(m_err, "  failed: %s (%d%s%s)\n", platform::PathBytes(result.strFile).c_str(), result.nResult,
                 reason.empty() ? "" : " ", reason.c_str());
  }
}

std::string UploadConsole::ProgressText() const {
  std::string line = std::to_string(m_nDone) + "/" + std::to_string(m_nTotal) + " photos";
  // The silent mode knows only the current photo's percent, not the bytes.
  if (m_nBytes > 0) {
    char text[64];
    const double seconds = Seconds();
    std::snprintf(text, sizeof text, ", %s sent, %.1f MB/s", Megabytes(m_nBytes).c_str(),
                  seconds > 0 ? static_cast<double>(m_nBytes) / (1024 * 1024) / seconds : 0);
    line += text;
  }
  if (m_nPercent >= 0) line += ", current photo " + std::to_string(m_nPercent) + "%";
  return line;
}

void UploadConsole::DrawBar(bool force) {
  if (!m_bLive) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - m_lastDraw < kRedrawEvery) return;
  m_lastDraw = now;
  const int filled = m_nTotal > 0 ? m_nDone * kBarWidth / m_nTotal : kBarWidth;
  const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '.');
  std::fprintf(m_err, "\r\033[K[%s] %s", bar.c_str(), ProgressText().c_str());
  std::fflush(m_err);
  m_bBarShown = true;
}

void UploadConsole::ClearBar() {
  if (!m_bBarShown) return;
  std::fprintf(m_err, "\r\033[K");
  std::fflush(m_err);
  m_bBarShown = false;
}

double UploadConsole::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

}  // namespace fotaro::cli
