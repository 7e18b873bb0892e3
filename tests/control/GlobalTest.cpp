#include <dlfcn.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "control/services/Folders.h"
#include "control/services/Global.h"
#include "platform/CodePage.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/ChildProcess.h"

namespace fs = std::filesystem;
using fotaro::test::ChildProcess;

namespace {

class GlobalTest : public ::testing::Test {
 protected:
  // A child process that holds a live CGlobal until it is killed.
  static std::unique_ptr<ChildProcess> StartOtherInstance() {
    auto child = std::make_unique<ChildProcess>(
        [] {
          static CGlobal other;
          return 0;
        },
        ChildProcess::After::Hold);
    EXPECT_TRUE(child->WaitReady());
    return child;
  }

  std::string WorkingFolder() const { return env_.root().file("cache") + "/Brennik/OrniFotaroEx"; }

  // A working folder holding a file and a read-only subfolder with a file.
  void FillWorkingFolder() const {
    fs::create_directories(WorkingFolder() + "/sub");
    std::ofstream(WorkingFolder() + "/ULKERNEL_x.jpg") << "jpeg";
    std::ofstream(WorkingFolder() + "/sub/answer") << "xml";
    fs::permissions(WorkingFolder() + "/sub", fs::perms::owner_read | fs::perms::owner_exec);
  }

  fotaro::test::ServicesEnv env_;
};

TEST_F(GlobalTest, RetryCountReadsThreeWhenNotPositive) {
  CGlobal global;
  EXPECT_EQ(global.GetRetryTimes(), 3);
  global.SetRetryTimes(0);
  EXPECT_EQ(global.GetRetryTimes(), 3);
  global.SetRetryTimes(-4);
  EXPECT_EQ(global.GetRetryTimes(), 3);
  global.SetRetryTimes(5);
  EXPECT_EQ(global.GetRetryTimes(), 5);
  EXPECT_EQ(global.GetMD5FileSize(), 10);
}

TEST_F(GlobalTest, StyleTypeChoosesTheColourSet) {
  CGlobal global;
  EXPECT_EQ(global.GetStyleType(), 1);
  for (int32_t style : {0, 1, 7}) {
    global.SetStyleType(style);
    const CGlobal::StyleColours& colours = global.GetStyleColours();
    EXPECT_EQ(colours.crBackground, 0xF3F3F3u);
    EXPECT_EQ(colours.crBorder, 0xE0E0E0u);
    EXPECT_EQ(colours.crTitle, style ? 0xBC9267u : 0xD3C29Fu);
    EXPECT_EQ(colours.crText, style ? 0x4E4E4Eu : 0x000000u);
  }
}

TEST_F(GlobalTest, ProcessTagIsARandomGuidInRegistryForm) {
  CGlobal first, second;
  const std::string tag = platform::Utf8(first.GetProcessTag());
  ASSERT_EQ(tag.size(), 38u);
  EXPECT_EQ(tag.front(), '{');
  EXPECT_EQ(tag.back(), '}');
  for (size_t i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      EXPECT_EQ(tag[i], '-') << tag;
    } else {
      EXPECT_TRUE(std::isdigit(tag[i]) || (tag[i] >= 'A' && tag[i] <= 'F')) << tag;
    }
  }
  EXPECT_EQ(tag[15], '4') << tag;  // version 4
  EXPECT_NE(std::string("89AB").find(tag[20]), std::string::npos) << tag;
  EXPECT_NE(first.GetProcessTag(), second.GetProcessTag());
}

TEST_F(GlobalTest, InstancesAreCountedAcrossProcessesAndACrashedOneStopsCounting) {
  EXPECT_EQ(CGlobal::GetInstanceCount(), 0);
  auto here = std::make_unique<CGlobal>();
  EXPECT_EQ(CGlobal::GetInstanceCount(), 1);
  auto other = StartOtherInstance();
  EXPECT_EQ(CGlobal::GetInstanceCount(), 2);
  other->Kill();  // SIGKILL: the child never unregisters
  EXPECT_EQ(CGlobal::GetInstanceCount(), 1);
  here.reset();
  EXPECT_EQ(CGlobal::GetInstanceCount(), 0);
  // The crashed child's registration is gone too, not only uncounted.
  EXPECT_EQ(std::distance(fs::directory_iterator(env_.root().file("cache") + "/Brennik/instances"),
                          fs::directory_iterator()),
            1);  // the folder's lock file
}

TEST_F(GlobalTest, WorkingFolderReplacesAFileAndIsPrivate) {
  fs::create_directories(env_.root().file("cache") + "/Brennik");
  std::ofstream(WorkingFolder()) << "in the way";
  EXPECT_EQ(platform::Utf8(fotaro::GetWorkingFolder(false)), WorkingFolder());
  EXPECT_FALSE(fs::exists(WorkingFolder()));  // the file is gone; nothing made without `create`

  std::ofstream(WorkingFolder()) << "in the way";
  EXPECT_EQ(platform::Utf8(fotaro::GetWorkingFolder(true)), WorkingFolder());
  struct stat info {};
  ASSERT_EQ(stat(WorkingFolder().c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(fotaro::GetWorkingFolder(true), fotaro::GetWorkingFolder(false));

  EXPECT_EQ(platform::Utf8(fotaro::GetSharedDataFolder()), env_.root().file("data") + "/Brennik/OrniFotaro/");
  EXPECT_TRUE(fs::is_directory(env_.root().file("data") + "/Brennik/OrniFotaro"));
}

TEST_F(GlobalTest, WorkingFolderIsEmptyWhenItCannotBeMade) {
  std::ofstream(env_.root().file("cache")) << "a file where the cache folder should be";
  EXPECT_EQ(fotaro::GetWorkingFolder(true), u"");
}

TEST_F(GlobalTest, OnlyTheLastInstanceRemovesTheWorkingFolder) {
  FillWorkingFolder();
  auto other = StartOtherInstance();
  EXPECT_FALSE(fotaro::CleanWorkingFolder());
  EXPECT_TRUE(fs::exists(WorkingFolder() + "/sub/answer"));
  {
    CGlobal here;
    other->Kill();
    EXPECT_FALSE(fotaro::CleanWorkingFolder());
    EXPECT_TRUE(fs::exists(WorkingFolder() + "/ULKERNEL_x.jpg"));
  }
  EXPECT_TRUE(fotaro::CleanWorkingFolder());
  EXPECT_FALSE(fs::exists(WorkingFolder()));
}

TEST_F(GlobalTest, ModuleDetachEndsTheProcessInstanceAndCleansUp) {
  FillWorkingFolder();
  fotaro::ModuleAttach("/opt/control/libOrniFotaroEx.so");
  EXPECT_EQ(CGlobal::Instance().GetModulePath(), "/opt/control/libOrniFotaroEx.so");
  EXPECT_EQ(&CGlobal::Instance(), &CGlobal::Instance());
  EXPECT_EQ(CGlobal::GetInstanceCount(), 1);
  fotaro::ModuleDetach();
  EXPECT_EQ(CGlobal::GetInstanceCount(), 0);
  EXPECT_FALSE(fs::exists(WorkingFolder()));
}

TEST_F(GlobalTest, LoadingTheSharedLibraryAttachesAndUnloadingDetaches) {
  FillWorkingFolder();
  auto elsewhere = std::make_unique<CGlobal>();

  void* library = dlopen(FOTARO_CONTROL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_EQ(CGlobal::GetInstanceCount(), 2);
  ASSERT_EQ(dlclose(library), 0);
  EXPECT_EQ(CGlobal::GetInstanceCount(), 1);
  EXPECT_TRUE(fs::exists(WorkingFolder()));  // another instance is alive

  elsewhere.reset();
  library = dlopen(FOTARO_CONTROL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_EQ(CGlobal::GetInstanceCount(), 1);
  ASSERT_EQ(dlclose(library), 0);
  EXPECT_EQ(CGlobal::GetInstanceCount(), 0);
  EXPECT_FALSE(fs::exists(WorkingFolder()));  // the last instance removed it
}

}  // namespace
