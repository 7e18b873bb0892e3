// `fotaro post` in a process of its own, against the album server of the test.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"
#include "tools/albumserver/AlbumServer.h"

namespace fotaro::test {
namespace {

// Runs the fotaro binary with `args` and the extra environment entries.
ProgramOutcome RunFotaro(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment) {
  return RunProgram(FOTARO_BIN, args, extraEnvironment);
}

TEST(FotaroPostTest, SendsInTheCodePageOfItsEnvironmentAndExitsWithTheCode) {
  TempDir dir;
  AlbumServer server;
  ASSERT_TRUE(server.Start());
  const std::string photo = dir.file("photo.jpg");
  std::ofstream(photo, std::ios::binary) << "abc";
  const std::string answer = dir.file("answer.xml");
  const std::vector<std::string> args = {"post", "--url", server.Url(), "--field", "caption=中文é😀", "--file",
                                         "FileData=" + photo, "--result", answer};

  // GBK holds the Chinese characters and é, not the emoji.
  const ProgramOutcome sent = RunFotaro(args, {"FOTARO_CODEPAGE=GBK"});
  EXPECT_EQ(sent.status, 0);
  EXPECT_EQ(sent.out, "0\n" + answer + "\n");
  ASSERT_EQ(server.Requests().size(), 1u);
  const AlbumRequest request = server.Requests().back();
  EXPECT_TRUE(request.complete);
  EXPECT_EQ(request.formError, "");
  EXPECT_EQ(request.Field("caption"), platform::ToCharset(u"中文é", "GBK") + "?");
  EXPECT_EQ(request.Field("FileData"), "photo.jpg");

  AlbumReply notFound;
  notFound.status = 404;
  server.Script(notFound);
  const ProgramOutcome failed = RunFotaro(args, {});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, "7\n" + answer + "\n");
  const std::string address = server.Url().substr(7, server.Url().find('/', 7) - 7);
  EXPECT_EQ(failed.err.substr(failed.err.find("fotaro post: ")),
            "fotaro post: Not found (transfer code 7) at " + address + ": HTTP status 404 Not Found\n");

  // Without --result the answer is kept in the working folder.
  const ProgramOutcome kept = RunFotaro({"post", "--url", server.Url(), "--file", "FileData=" + photo}, {"XDG_CACHE_HOME=" + dir.file("cache")});
  EXPECT_EQ(kept.status, 0) << kept.err;
  const std::string keptAnswer = kept.out.substr(kept.out.find('\n') + 1);
  EXPECT_EQ(keptAnswer.rfind(dir.file("cache/Brennik/OrniFotaroEx/post."), 0), 0u) << kept.out;
  EXPECT_TRUE(std::ifstream(keptAnswer.substr(0, keptAnswer.size() - 1)).good()) << keptAnswer;

  EXPECT_EQ(RunFotaro({"post", "--field", "a=b"}, {}).status, 2);
  const ProgramOutcome refused = RunFotaro({"post", "--url", "ftp://127.0.0.1/x", "--result", answer}, {});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "fotaro post: the upload cannot be started: 'ftp://127.0.0.1/x' is not an http or https URL\n");
}

}  // namespace
}  // namespace fotaro::test
