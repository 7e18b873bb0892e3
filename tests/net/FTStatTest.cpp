#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "net/FTStat.h"

namespace {

// A UDP socket on 127.0.0.1 with an ephemeral port, standing in for the report server.
class UdpReceiver {
 public:
  UdpReceiver() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~UdpReceiver() {
    if (fd_ >= 0) close(fd_);
  }
  int port() const { return port_; }

  // The next datagram, or "<none>" when none arrives within five seconds.
  std::string Receive() {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, 5000) != 1) return "<none>";
    char buffer[512];
    const ssize_t size = recv(fd_, buffer, sizeof buffer, 0);
    return size < 0 ? "<error>" : std::string(buffer, static_cast<size_t>(size));
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace

TEST(FTStatTest, CountersStartAtZeroAndIgnoreIndicesOutOfRange) {
  CFTStat stat;
  for (int i = 0; i < CFTStat::kCounterCount; ++i) EXPECT_EQ(stat.GetCounter(i), 0);
  EXPECT_EQ(stat.ReportText(), "OrniFotaroEx=2&BigPreview=0&UnCompress=0&WaterPress=0");

  stat.SetCounter(CFTStat::kBigPreviewCount, 3);
  stat.SetCounter(CFTStat::kUnCompressCount, -7);
  stat.SetCounter(CFTStat::kWaterPressCount, 2147483647);
  stat.SetCounter(CFTStat::kUploadStarted, 1);  // counted, not reported
  stat.SetCounter(-1, 5);
  stat.SetCounter(CFTStat::kCounterCount, 5);
  EXPECT_EQ(stat.GetCounter(-1), 0);
  EXPECT_EQ(stat.GetCounter(CFTStat::kCounterCount), 0);
  EXPECT_EQ(stat.GetCounter(CFTStat::kUploadStarted), 1);
  EXPECT_EQ(stat.ReportText(), "OrniFotaroEx=2&BigPreview=3&UnCompress=-7&WaterPress=2147483647");

  EXPECT_EQ(&CFTStat::Instance(), &CFTStat::Instance());
}

TEST(FTStatTest, ReportReachesTheServerOnlyWhenOneIsSet) {
  UdpReceiver server;
  ASSERT_GT(server.port(), 0);
  CFTStat stat;

  // No server: nothing is sent. The datagram sent later carries a different value, so receiving
  // it first also proves that this one never left.
  stat.SetCounter(CFTStat::kBigPreviewCount, 1);
  EXPECT_FALSE(stat.SendReport());

  // Rejected servers keep the old (none) and send nothing either.
  EXPECT_FALSE(stat.SetReportServer("", server.port()));
  EXPECT_FALSE(stat.SetReportServer("localhost", server.port()));
  EXPECT_FALSE(stat.SetReportServer("127.1", server.port()));  // inet_addr would take this
  EXPECT_FALSE(stat.SetReportServer("256.0.0.1", server.port()));
  EXPECT_FALSE(stat.SetReportServer("127.0.0.1", 0));
  EXPECT_FALSE(stat.SetReportServer("127.0.0.1", -1));
  EXPECT_FALSE(stat.SetReportServer("127.0.0.1", 65536 + server.port()));  // htons would wrap it
  EXPECT_FALSE(stat.SendReport());

  ASSERT_TRUE(stat.SetReportServer("127.0.0.1", server.port()));
  stat.SetCounter(CFTStat::kBigPreviewCount, 2);
  stat.SetCounter(CFTStat::kWaterPressCount, 4);
  EXPECT_TRUE(stat.SendReport());
  EXPECT_EQ(server.Receive(), "OrniFotaroEx=2&BigPreview=2&UnCompress=0&WaterPress=4");

  // A rejected server later keeps the one that works.
  EXPECT_FALSE(stat.SetReportServer("not an address", 80));
  EXPECT_TRUE(stat.SendReport());
  EXPECT_EQ(server.Receive(), "OrniFotaroEx=2&BigPreview=2&UnCompress=0&WaterPress=4");
}
