#pragma once
// What every object of the component layer shares: its reference count, the module's count of
// live objects and server locks (DllCanUnloadNow), and the thread an object belongs to.

#include <atomic>
#include <thread>

#include "platform/com/ComTypes.h"

namespace platform::com {

// Live objects and LockServer locks of the module, in every thread.
class ModuleCount {
 public:
  static void Lock() { Counter().fetch_add(1); }
  static void Unlock() { Counter().fetch_sub(1); }
  static long Count() { return Counter().load(); }

 private:
  static std::atomic<long>& Counter() {
    static std::atomic<long> count{0};
    return count;
  }
};

// A member that counts its owner as a live object of the module.
class ModuleObject {
 public:
  ModuleObject() { ModuleCount::Lock(); }
  ~ModuleObject() { ModuleCount::Unlock(); }
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
};

// A reference count that starts at 1 (the creator's reference). AddRef and Release may be called
// from any thread; they return the new count.
class RefCount {
 public:
  ULONG AddRef() { return count_.fetch_add(1) + 1; }
  ULONG Release() { return count_.fetch_sub(1) - 1; }
  ULONG Count() const { return count_.load(); }

 private:
  std::atomic<ULONG> count_{1};
};

// The thread that made an object: apartment objects answer calls only there.
class OwnerThread {
 public:
  bool IsCurrent() const { return std::this_thread::get_id() == id_; }

 private:
  const std::thread::id id_ = std::this_thread::get_id();
};

}  // namespace platform::com
