#include "ui/UploadProgress.h"

#include <cstdio>

#include "platform/CodePage.h"

void CUploadProgress::Reset(Clock::time_point now) {
  m_start = now;
  m_nSent = 0;
}

void CUploadProgress::Feed(const UploadProgressEx& progress) {
  // A transfer tried again starts its count anew: only what goes forward counts.
  if (progress.nSentDelta > 0) m_nSent += progress.nSentDelta;
}

int64_t CUploadProgress::BytesPerSecond(Clock::time_point now) const {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start).count();
  if (elapsed < 1000 || m_nSent <= 0) return 0;
  return m_nSent * 1000 / elapsed;
}

std::u16string CUploadProgress::SpeedText(Clock::time_point now) const {
  const int64_t speed = BytesPerSecond(now);
  if (speed <= 0) return {};
  char text[32];
  if (speed < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%lld KB/s", static_cast<long long>((speed + 512) / 1024));
  } else {
    std::snprintf(text, sizeof text, "%.1f MB/s", static_cast<double>(speed) / (1024.0 * 1024.0));
  }
  return platform::FromUtf8(text);
}
