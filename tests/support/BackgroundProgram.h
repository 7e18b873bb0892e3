#pragma once
// A program started for a test that runs alongside it (a virtual X server, a clipboard owner, a
// server the test talks to). It is killed and reaped when the object goes.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace fotaro::test {

struct BackgroundOptions {
  int keepFd = -1;                       // when not negative, handed to the program as descriptor 3
  std::vector<std::string> environment;  // "NAME=VALUE" entries added to the test's (they win)
  bool readOutput = false;               // standard output through a pipe (ReadLine), standard error
                                         // to the test's; else both go to /dev/null
};

class BackgroundProgram {
 public:
  // Starts `program` (an absolute path) with `args`.
  BackgroundProgram(const std::string& program, const std::vector<std::string>& args,
                    const BackgroundOptions& options);
  BackgroundProgram(const std::string& program, const std::vector<std::string>& args, int keepFd = -1)
      : BackgroundProgram(program, args, BackgroundOptions{keepFd, {}, false}) {}
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool started() const { return pid_ > 0; }
  // True once the program has ended (it is reaped then).
  bool Ended();
  // The next line the program writes on its standard output (without the line feed), or nothing
  // when it wrote none within `bound` or ended (options.readOutput).
  std::optional<std::string> ReadLine(std::chrono::milliseconds bound = std::chrono::seconds(30));
  // Asks the program to end (SIGTERM) and reaps it: its exit status, or -1 when it did not exit
  // by itself within `bound` (it is killed then) or ended by a signal.
  int Stop(std::chrono::milliseconds bound = std::chrono::seconds(30));

 private:
  pid_t pid_ = -1;
  int output_ = -1;     // read end of the standard output pipe
  std::string buffer_;  // output read past the last line returned
};

}  // namespace fotaro::test
