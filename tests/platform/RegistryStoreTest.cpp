#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/RegistryStore.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using fotaro::test::ChildProcess;
using platform::RegistryStore;

namespace {

class RegistryStoreTest : public ::testing::Test {
 protected:
  fotaro::test::TempDir dir_;
  std::string file_ = dir_.file("config/Brennik/registry");
};

TEST_F(RegistryStoreTest, WritesAndReadsBackAnyTextWithCaseInsensitiveNames) {
  RegistryStore store(file_);
  EXPECT_FALSE(store.Read(u"Software\\Brennik\\nimbra", u"x"));  // no file yet
  const std::u16string awkward = u"tab\there\nline 100% 云盘\r\x01";
  ASSERT_TRUE(store.Write(u"Software\\Brennik\\nimbra", u"Software\\Brennik\\nimbra", awkward));
  ASSERT_TRUE(store.Write(u"SOFTWARE\\Brennik\\Vagrel", u"EXE", u"/usr/bin/vagrel"));
  ASSERT_TRUE(store.Write(u"Key\twith tab", u"", u""));

  const RegistryStore reader(file_);
  EXPECT_EQ(reader.Read(u"software\\brennik\\NIMBRA", u"SOFTWARE\\brennik\\nimbra"), awkward);
  EXPECT_EQ(reader.Read(u"SOFTWARE\\Brennik\\Vagrel", u"exe"), u"/usr/bin/vagrel");
  EXPECT_EQ(reader.Read(u"Key\twith tab", u""), u"");
  EXPECT_FALSE(reader.Read(u"SOFTWARE\\Brennik\\Vagrel", u"EXE2"));
  EXPECT_FALSE(reader.Read(u"SOFTWARE\\Brennik", u"EXE"));

  // Replacing a value keeps the others, and leaves no temporary file behind.
  ASSERT_TRUE(store.Write(u"software\\brennik\\vagrel", u"Exe", u"/opt/vagrel"));
  EXPECT_EQ(reader.Read(u"SOFTWARE\\Brennik\\Vagrel", u"EXE"), u"/opt/vagrel");
  EXPECT_EQ(reader.Read(u"Software\\Brennik\\nimbra", u"Software\\Brennik\\nimbra"), awkward);
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(dir_.file("config/Brennik"))) files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"registry", "registry.lock"}));

  // A folder whose name is GBK bytes (照片) keeps its bytes, and the file stays UTF-8 text: the
  // bytes that are not UTF-8 are escaped, C6 AC happens to be UTF-8 (U+01AC) and stays.
  const std::u16string gbkFolder = platform::PathFromBytes("/home/u/\xD5\xD5\xC6\xAC/云盘");
  ASSERT_TRUE(store.Write(u"Software\\Brennik\\nimbra", u"Software\\Brennik\\nimbra", gbkFolder));
  EXPECT_EQ(platform::PathBytes(*reader.Read(u"Software\\Brennik\\nimbra", u"Software\\Brennik\\nimbra")),
            "/home/u/\xD5\xD5\xC6\xAC/云盘");
  std::ifstream in(file_, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(content.find("/home/u/%D5%D5\xC6\xAC/云盘"), std::string::npos) << content;
}

TEST_F(RegistryStoreTest, CorruptContentReadsAsEmptyAndIsRepairedByTheNextWrite) {
  fs::create_directories(dir_.file("config/Brennik"));
  std::ofstream(file_, std::ios::binary) << std::string("garbage\0\xff\xfe\n", 11)
                                         << "too\tmany\ttabs\there\n"
                                         << "bad%zzescape\tname\tvalue\n"
                                         << "\tempty key\tvalue\n"
                                         << "Good\tName\tkept%0Aline\n";
  RegistryStore store(file_);
  EXPECT_FALSE(store.Read(u"too", u"many"));
  EXPECT_FALSE(store.Read(u"", u"empty key"));
  EXPECT_EQ(store.Read(u"Good", u"Name"), u"kept\nline");
  ASSERT_TRUE(store.Write(u"New", u"Name", u"v"));
  EXPECT_EQ(store.Read(u"New", u"Name"), u"v");
  EXPECT_EQ(store.Read(u"Good", u"Name"), u"kept\nline");

  // A file that is no store at all.
  std::ofstream(file_, std::ios::binary | std::ios::trunc) << std::string(1000, '\0');
  EXPECT_FALSE(store.Read(u"Good", u"Name"));
}

TEST_F(RegistryStoreTest, RefusesWhatCannotBeWritten) {
  EXPECT_FALSE(RegistryStore(std::string()).Write(u"Key", u"Name", u"v"));
  EXPECT_FALSE(RegistryStore(std::string()).Read(u"Key", u"Name"));
  EXPECT_FALSE(RegistryStore(file_).Write(u"", u"Name", u"v"));
  std::ofstream(dir_.file("config")) << "a file where a folder should be";
  EXPECT_FALSE(RegistryStore(file_).Write(u"Key", u"Name", u"v"));
}

TEST_F(RegistryStoreTest, WritersInSeveralProcessesLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kValuesEach = 10;
  std::vector<std::unique_ptr<ChildProcess>> writers;
  for (int process = 0; process < kProcesses; ++process) {
    writers.push_back(std::make_unique<ChildProcess>(
        [this, process] {
          RegistryStore store(file_);
          for (int i = 0; i < kValuesEach; ++i) {
            const std::u16string name = platform::FromUtf8(std::to_string(process) + "." + std::to_string(i));
            if (!store.Write(u"Shared", name, name)) return 1;
          }
          return 0;
        },
        ChildProcess::After::Exit));
  }
  for (auto& writer : writers) EXPECT_EQ(writer->Wait(), 0);
  const RegistryStore store(file_);
  for (int process = 0; process < kProcesses; ++process) {
    for (int i = 0; i < kValuesEach; ++i) {
      const std::u16string name = platform::FromUtf8(std::to_string(process) + "." + std::to_string(i));
      EXPECT_EQ(store.Read(u"Shared", name), name);
    }
  }
}

}  // namespace
