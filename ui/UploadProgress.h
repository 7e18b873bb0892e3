#pragma once
// CUploadProgress: how far a batch has got, for the frame's status line: the bytes sent since the
// batch (or its resumption) began, and the speed they were sent at.
//
// The frame feeds it every transfer's extended progress and resets it whenever a batch starts or
// goes on after a pause (a question, a full album), so that the time spent waiting for the user
// does not count.

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/UploadNotifyMsg.h"

class CUploadProgress {
 public:
  using Clock = std::chrono::steady_clock;

  void Reset(Clock::time_point now = Clock::now());
  void Feed(const UploadProgressEx& progress);

  int64_t SentBytes() const { return m_nSent; }
  // Bytes per second since the reset; 0 until a second has passed or nothing was sent.
  int64_t BytesPerSecond(Clock::time_point now = Clock::now()) const;
  // The speed as the status line shows it ("512 KB/s", "1.2 MB/s"); empty without a speed.
  std::u16string SpeedText(Clock::time_point now = Clock::now()) const;

 private:
  Clock::time_point m_start = Clock::now();
  int64_t m_nSent = 0;
};
