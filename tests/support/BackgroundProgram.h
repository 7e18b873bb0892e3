#pragma once
// A program started for a test that runs alongside it (a virtual X server, a clipboard owner):
// its output goes to /dev/null and it is killed and reaped when the object goes.

#include <sys/types.h>

#include <string>
#include <vector>

namespace fotaro::test {

class BackgroundProgram {
 public:
  // Starts `program` (an absolute path) with `args`. `keepFd`, when not negative, is handed to the
  // program as descriptor 3.
  BackgroundProgram(const std::string& program, const std::vector<std::string>& args, int keepFd = -1);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool started() const { return pid_ > 0; }
  // True once the program has ended (it is reaped then).
  bool Ended();

 private:
  pid_t pid_ = -1;
};

}  // namespace fotaro::test
