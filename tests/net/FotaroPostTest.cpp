// `fotaro post` in a process of its own, against the album server of the test.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "tests/support/TempDir.h"
#include "tools/albumserver/AlbumServer.h"

extern char** environ;

namespace fotaro::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

// Runs the fotaro binary with `args` and the extra environment entries; returns its exit status
// and what it printed on stdout.
Outcome RunFotaro(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> words = {FOTARO_BIN};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> variables(extraEnvironment);
  for (char** entry = environ; *entry; ++entry) variables.emplace_back(*entry);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  int channel[2];
  if (pipe(channel) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, channel[0]);
  pid_t child = -1;
  const int spawned = posix_spawn(&child, FOTARO_BIN, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(channel[1]);
  Outcome outcome;
  char buffer[4096];
  ssize_t bytes;
  while ((bytes = read(channel[0], buffer, sizeof buffer)) > 0) outcome.out.append(buffer, bytes);
  close(channel[0]);
  int status = 0;
  if (spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  return outcome;
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
  const Outcome sent = RunFotaro(args, {"FOTARO_CODEPAGE=GBK"});
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
  const Outcome failed = RunFotaro(args, {});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, "7\n" + answer + "\n");

  EXPECT_EQ(RunFotaro({"post", "--field", "a=b"}, {}).status, 2);
  EXPECT_EQ(RunFotaro({"post", "--url", "ftp://127.0.0.1/x", "--result", answer}, {}).status, 1);
}

}  // namespace
}  // namespace fotaro::test
