#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "control/Updater.h"
#include "control/services/Global.h"
#include "platform/com/Bstr.h"
#include "tests/control/ControlFixture.h"
#include "tests/support/ChildProcess.h"

using fotaro::test::ControlTest;
using fotaro::test::DispArgs;

namespace {

TEST(UpdaterCommandTest, OneArgumentOfFiveFieldsFromTheModulesParentFolder) {
  const auto launch = fotaro::UpdaterCommand("/opt/fotaro/lib/libOrniFotaroEx.so", u"http://up/x.pkg", u"d41d8c",
                                             u"新版本", false);
  ASSERT_TRUE(launch);
  EXPECT_EQ(launch->program, "/opt/fotaro/lib/../OrniFotaroUpdateSvr");
  EXPECT_EQ(launch->argument, "http://up/x.pkg|d41d8c|/opt/fotaro/lib/../|新版本|0");
  EXPECT_EQ(fotaro::UpdaterCommand("/lib.so", u"", u"", u"", true)->argument, "||/../||1");
  EXPECT_FALSE(fotaro::UpdaterCommand("", u"u", u"m", u"w", true));
}

class UpdateVersionTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    std::filesystem::create_directories(m_env.root().file("lib"));
    m_savedModule = CGlobal::Instance().GetModulePath();
    CGlobal::Instance().SetModulePath(m_env.root().file("lib/libOrniFotaroEx.so"));
  }
  void TearDown() override {
    CGlobal::Instance().SetModulePath(m_savedModule);
    ControlTest::TearDown();
  }
  HRESULT Update(LONG update) {
    DispArgs args;
    return Call(u"UpdateVersion", args.Str(u"http://up/x.pkg").Str(u"d41d8c").Str(u"升级").I4(update));
  }
  std::string m_savedModule;
};

TEST_F(UpdateVersionTest, StartsTheUpdaterBesideTheModuleWithoutAShell) {
  EXPECT_EQ(Update(1), E_FAIL);  // no updater installed
  const std::string program = m_env.root().file("OrniFotaroUpdateSvr");
  const std::string record = m_env.root().file("arguments");
  std::ofstream(program) << "#!/bin/sh\nprintf '%s;' \"$@\" > " << record << ".part && mv " << record << ".part "
                         << record << "\n";
  chmod(program.c_str(), 0755);
  EXPECT_EQ(Update(0), S_OK);
  const auto arguments = fotaro::test::WaitForFileContent(record);
  ASSERT_TRUE(arguments);
  EXPECT_EQ(*arguments, "http://up/x.pkg|d41d8c|" + m_env.root().file("lib") + "/../|升级|0;");

  CGlobal::Instance().SetModulePath("");
  EXPECT_EQ(Update(1), E_FAIL);  // not a loaded module: no folder to start from
}

}  // namespace
