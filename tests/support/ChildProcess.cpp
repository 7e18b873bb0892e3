#include "tests/support/ChildProcess.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

namespace fotaro::test {

ChildProcess::ChildProcess(std::function<int()> body, After after) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  pid_ = fork();
  if (pid_ < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return;
  }
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close(pipeFds[0]);
    const int result = body();
    if (after == After::Exit) _exit(result);
    const char done = 1;
    if (write(pipeFds[1], &done, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(pipeFds[1]);
  ready_ = pipeFds[0];
}

ChildProcess::~ChildProcess() {
  Kill();
  if (ready_ >= 0) close(ready_);
}

bool ChildProcess::WaitReady(std::chrono::milliseconds bound) {
  if (ready_ < 0) return false;
  pollfd readable{ready_, POLLIN, 0};
  char done = 0;
  return poll(&readable, 1, static_cast<int>(bound.count())) == 1 && read(ready_, &done, 1) == 1;
}

int ChildProcess::Wait(std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (pid_ > 0) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (done < 0 || std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Kill();
  return -1;
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::optional<std::string> WaitForFileContent(const std::string& path, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  do {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!content.empty()) return content;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

}  // namespace fotaro::test
