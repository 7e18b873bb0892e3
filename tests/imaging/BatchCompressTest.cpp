// The compression pipeline over a batch of photos on several threads.

#include "imaging/BatchCompress.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "control/services/Global.h"
#include "engine/ThreadPool.h"
#include "imaging/ULKernel.h"
#include "platform/CodePage.h"
#include "platform/gfx/ImageFormat.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/HeldReads.h"
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
// every photo still comes back in list order with its own outputs. The first photo is held before
// it is read until the test releases it, and then turns out to be no picture.
TEST(CompressBatchTest, PhotosComeBackInListOrderThoughLaterOnesAreDoneFirst) {
  ServicesEnv env;
  CULKernel kernel;
  HeldReads held;
  kernel.SetReadHook(held.Hook());
  const std::string slow = env.root().file("slow.jpg");
  WriteFile(slow, {'n', 'o'});
  held.Hold(platform::PathFromBytes(slow));
  std::vector<std::u16string> photos = {platform::PathFromBytes(slow)};
  const std::vector<std::pair<int, int>> sizes = {{200, 100}, {300, 150}, {0, 0}, {120, 90}};
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string path = env.root().file("p" + std::to_string(i) + ".jpg");
    WriteFile(path, sizes[i].first ? TestJpeg(sizes[i].first, sizes[i].second) : std::vector<uint8_t>{'n', 'o'});
    photos.push_back(platform::PathFromBytes(path));
  }

  std::vector<CompressedPhoto> received;
  std::thread batch([&] {
    CompressBatch(kernel, photos, 3, [&](CompressedPhoto& photo) { received.push_back(std::move(photo)); });
  });
  // Two outputs for each of the three good photos while the first is still being read.
  const bool later = WaitUntil([&] { return WorkingFiles(env) >= 6; }, std::chrono::seconds(30));
  held.Release(platform::PathFromBytes(slow));
  batch.join();
  ASSERT_TRUE(later);

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

// Verifies that a named pipe among the photos is refused at once: nothing writes to it, and its
// reader must not wait for a writer.
TEST(CompressBatchTest, ANamedPipeIsNoPictureAndDoesNotBlock) {
  ServicesEnv env;
  CULKernel kernel;
  const std::string pipe = env.root().file("pipe.jpg");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::vector<CompressedFileInfo> outputs;
  const std::u16string path = platform::PathFromBytes(pipe);
  EXPECT_NE(kernel.CompressFile(path, path, &outputs, nullptr), CULKernel::kCompressOk);
  EXPECT_TRUE(outputs.empty());
}

}  // namespace
}  // namespace fotaro::test
