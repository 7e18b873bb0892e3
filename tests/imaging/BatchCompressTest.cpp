// The compression pipeline over a batch of photos on several threads.

#include "imaging/BatchCompress.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "control/services/Global.h"
#include "engine/ThreadPool.h"
#include "imaging/ULKernel.h"
#include "platform/CodePage.h"
#include "platform/gfx/ImageFormat.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/TestImages.h"
#include "tests/support/WaitUntil.h"

namespace fotaro::test {
namespace {

namespace fs = std::filesystem;

size_t WorkingFiles(const ServicesEnv& env) {
  std::error_code error;
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(env.root().file("cache/Brennik/OrniFotaroEx"), error)) {
    count += entry.is_regular_file() ? 1 : 0;
  }
  return count;
}

// Verifies that the photos after one that is still being read are compressed meanwhile, and that
// every photo still comes back in list order with its own outputs. The first photo is a named
// pipe: its reader waits until the test opens the other end, then finds no picture.
TEST(CompressBatchTest, PhotosComeBackInListOrderThoughLaterOnesAreDoneFirst) {
  ServicesEnv env;
  CULKernel kernel;
  const std::string slow = env.root().file("slow.jpg");
  ASSERT_EQ(mkfifo(slow.c_str(), 0600), 0);
  std::vector<std::u16string> photos = {platform::FromUtf8(slow)};
  const std::vector<std::pair<int, int>> sizes = {{200, 100}, {300, 150}, {0, 0}, {120, 90}};
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string path = env.root().file("p" + std::to_string(i) + ".jpg");
    WriteFile(path, sizes[i].first ? TestJpeg(sizes[i].first, sizes[i].second) : std::vector<uint8_t>{'n', 'o'});
    photos.push_back(platform::FromUtf8(path));
  }

  std::vector<CompressedPhoto> received;
  std::thread batch([&] {
    CompressBatch(kernel, photos, 3, [&](CompressedPhoto& photo) { received.push_back(std::move(photo)); });
  });
  // Two outputs for each of the three good photos while the first is still being read.
  const bool later = WaitUntil([&] { return WorkingFiles(env) >= 6; }, std::chrono::seconds(30));
  const int fd = open(slow.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd >= 0) close(fd);
  batch.join();
  ASSERT_TRUE(later);
  ASSERT_GE(fd, 0);

  ASSERT_EQ(received.size(), photos.size());
  const std::vector<int32_t> codes = {CULKernel::kCompressFormatError, CULKernel::kCompressOk, CULKernel::kCompressOk,
                                      CULKernel::kCompressFormatError, CULKernel::kCompressOk};
  for (size_t i = 0; i < photos.size(); ++i) {
    EXPECT_EQ(received[i].strFile, photos[i]);
    EXPECT_EQ(received[i].nCode, codes[i]) << i;
    if (codes[i] != CULKernel::kCompressOk) continue;
    ASSERT_EQ(received[i].outputs.size(), 2u);
    platform::gfx::ImageHeader header;
    ASSERT_TRUE(platform::gfx::ReadImageHeader(platform::Utf8(received[i].outputs[0].strFilePath), &header));
    EXPECT_EQ(header.width, sizes[i - 1].first);  // the big picture keeps a small photo's size
  }
  OrniFotaro::CThreadPool::FreeInstance(-1);
  CGlobal::DestroyInstance();
}

}  // namespace
}  // namespace fotaro::test
