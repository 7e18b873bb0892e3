#include "net/FTStat.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <new>

CFTStat& CFTStat::Instance() {
  // Made in static storage and never destroyed: the module's unload hook sends the report through
  // it, and a host that keeps the library until the process ends runs that hook after the static
  // objects are gone. It owns no memory, so a library unloaded with it leaves nothing behind.
  alignas(CFTStat) static unsigned char storage[sizeof(CFTStat)];
  static CFTStat* const instance = new (storage) CFTStat();
  return *instance;
}

void CFTStat::SetCounter(int index, int32_t value) {
  if (index < 0 || index >= kCounterCount) return;
  std::lock_guard<std::mutex> hold(m_counters[index].lock);
  m_counters[index].value = value;
}

int32_t CFTStat::GetCounter(int index) const {
  if (index < 0 || index >= kCounterCount) return 0;
  std::lock_guard<std::mutex> hold(m_counters[index].lock);
  return m_counters[index].value;
}

bool CFTStat::SetReportServer(std::string_view address, int32_t port) {
  // inet_pton accepts only the four-part dotted form, unlike inet_addr, which would also read
  // "1" or "0x7f.1" and turns unparseable text into the broadcast address.
  in_addr parsed{};
  if (port <= 0 || port > 65535 || inet_pton(AF_INET, std::string(address).c_str(), &parsed) != 1) return false;
  m_nReportServer = (uint64_t{parsed.s_addr} << 32) | static_cast<uint64_t>(port);
  return true;
}

std::string CFTStat::ReportText() const {
  return "OrniFotaroEx=2&BigPreview=" + std::to_string(GetCounter(kBigPreviewCount)) +
         "&UnCompress=" + std::to_string(GetCounter(kUnCompressCount)) +
         "&WaterPress=" + std::to_string(GetCounter(kWaterPressCount));
}

bool CFTStat::SendReport() const {
  const uint64_t server = m_nReportServer;
  if (server == 0) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = static_cast<in_addr_t>(server >> 32);
  to.sin_port = htons(static_cast<uint16_t>(server & 0xFFFF));

  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return false;
  const std::string text = ReportText();
  // Best effort: a failed send is not retried and no answer is expected.
  const ssize_t sent = sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  close(fd);
  return sent == static_cast<ssize_t>(text.size());
}
