#pragma once
// Live instances counted across every process of the user.
//
// Each live instance holds one registration file in the instance folder
// (paths::InstanceFolder()) with an exclusive flock on it. The kernel drops the lock when the
// process ends, however it ends, so a registration whose lock can be taken belongs to a process
// that is gone: counting removes it. Registering, unregistering and counting each hold an
// exclusive lock on the folder's ".lock" file, so a count never sees a registration between its
// creation and its lock.
//
// A process that forks without exec shares its registrations' locks with the child until one of
// them closes them (the descriptors are close-on-exec).

#include <functional>
#include <string>

namespace platform {

class InstanceRegistration {
 public:
  // Registers in paths::InstanceFolder() (created 0700 with its parents when missing).
  InstanceRegistration();
  ~InstanceRegistration();
  InstanceRegistration(const InstanceRegistration&) = delete;
  InstanceRegistration& operator=(const InstanceRegistration&) = delete;

  // False when the folder or the file could not be made; the instance then goes uncounted.
  bool registered() const { return fd_ >= 0; }

 private:
  std::string folder_;
  std::string file_;
  int fd_ = -1;
};

// The number of live registrations, removing those of processes that are gone; 0 when the
// instance folder does not exist.
int CountLiveInstances();

// Runs `action` unless a registration is live, and returns whether it ran. No instance can register while the action runs: a clean-up of what instances share (the
// working folder) cannot remove files from under an instance that starts meanwhile.
bool RunIfNoLiveInstance(const std::function<void()>& action);

}  // namespace platform
