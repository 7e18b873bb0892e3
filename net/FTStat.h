#pragma once
// CFTStat: the process-wide usage counters and the statistics datagram.
//
// 21 signed counters, each guarded by its own lock, all zero at the start. When the module is
// unloaded, SendReport sends three of them as one UDP datagram to the report server, if one has
// been set:
//     OrniFotaroEx=2&BigPreview=<18>&UnCompress=<19>&WaterPress=<20>
// (no terminating zero, no line end). Nothing is retried and no answer is read.
//
// The report server comes from the page: the control passes the values of its SetReportServer on
// to SetReportServer here. Until then, or when they are not a dotted IPv4 address and a UDP port,
// nothing is sent.
//
// Any thread may set and read counters and set the server.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

class CFTStat {
 public:
  static constexpr int kCounterCount = 21;
  // The counters that carry a meaning.
  static constexpr int kUploadStarted = 16;   // 1 once an upload has been started in this process
  static constexpr int kBigPreviewCount = 18;  // sent as "BigPreview="
  static constexpr int kUnCompressCount = 19;  // sent as "UnCompress="
  static constexpr int kWaterPressCount = 20;  // sent as "WaterPress="

  // The one reporter of the process, made on first use.
  static CFTStat& Instance();

  CFTStat() = default;
  virtual ~CFTStat() = default;
  CFTStat(const CFTStat&) = delete;
  CFTStat& operator=(const CFTStat&) = delete;

  // An index outside 0..20 is ignored by SetCounter and reads as 0.
  void SetCounter(int index, int32_t value);
  int32_t GetCounter(int index) const;

  // Where SendReport sends: a dotted IPv4 address and a port 1..65535. False, keeping the server
  // set before, when either is not valid.
  bool SetReportServer(std::string_view address, int32_t port);

  // The datagram's text with the current counters.
  std::string ReportText() const;
  // Sends the report; module detach calls it once. True when the datagram was sent; false when no
  // server is set or the socket or the send failed.
  bool SendReport() const;

 private:
  struct Counter {
    mutable std::mutex lock;  // guards value
    int32_t value = 0;
  };
  Counter m_counters[kCounterCount];
  // The report server as one value, so that it is set and read without a lock: the IPv4 address
  // in network byte order in the high 32 bits, the port in the low 16. 0 = no server.
  std::atomic<uint64_t> m_nReportServer{0};
};
