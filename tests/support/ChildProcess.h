#pragma once
// A forked child process for tests that need a second process (counters and locks shared between
// processes). The child runs `body` and then either exits with its result or holds on, alive,
// until it is killed. The child dies with the test process (PR_SET_PDEATHSIG), and the destructor
// kills and reaps a child that is still there. Every wait is bounded.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace fotaro::test {

class ChildProcess {
 public:
  enum class After { Exit, Hold };

  ChildProcess(std::function<int()> body, After after);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // After::Hold: waits until the body has returned; false if it did not within `bound`.
  bool WaitReady(std::chrono::milliseconds bound = std::chrono::seconds(30));
  // After::Exit: the child's exit code; -1 if it did not exit normally within `bound` (it is
  // killed then).
  int Wait(std::chrono::milliseconds bound = std::chrono::seconds(30));
  // Kills the child with SIGKILL and reaps it.
  void Kill();

 private:
  pid_t pid_ = -1;
  int ready_ = -1;  // read end of the pipe the child writes one byte to when the body is done
};

// The content of `path` once it exists and is not empty, or nothing after `bound`.
std::optional<std::string> WaitForFileContent(const std::string& path,
                                              std::chrono::milliseconds bound = std::chrono::seconds(30));

}  // namespace fotaro::test
