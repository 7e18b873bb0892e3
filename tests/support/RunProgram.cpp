#include "tests/support/RunProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

namespace fotaro::test {

namespace {

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t bytes;
  while ((bytes = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(bytes));
  return text;
}

}  // namespace

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra) {
  std::vector<std::string> variables(extra);
  for (char** entry = environ; *entry; ++entry) variables.emplace_back(*entry);
  return variables;
}

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& extraEnvironment, const std::string& workingDirectory) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> variables = EnvironmentWith(extraEnvironment);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  // stdout through a pipe; stderr into an unnamed file, so that neither can block the other.
  int channel[2];
  std::FILE* errors = std::tmpfile();
  if (!errors || pipe(channel) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fileno(errors), STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, channel[0]);
  if (!workingDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
  pid_t child = -1;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(channel[1]);
  ProgramOutcome outcome;
  outcome.out = ReadAll(channel[0]);
  close(channel[0]);
  int status = 0;
  if (spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  lseek(fileno(errors), 0, SEEK_SET);
  outcome.err = ReadAll(fileno(errors));
  std::fclose(errors);
  return outcome;
}

}  // namespace fotaro::test
