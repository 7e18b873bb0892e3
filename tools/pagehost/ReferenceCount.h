#pragma once
// The reference count of the host's own COM objects (the property bag, the event sink): an object
// is made with one reference, which belongs to its maker, and deletes itself in the Release that
// drops the last one.

#include <OrniFotaroEx.h>

#include <atomic>

namespace fotaro::pagehost {

template <class Object>
class ReferenceCount {
 public:
  ULONG AddRef() { return ++m_count; }
  ULONG Release() {
    const ULONG left = --m_count;
    if (left == 0) delete static_cast<Object*>(this);
    return left;
  }

 private:
  std::atomic<ULONG> m_count{1};
};

}  // namespace fotaro::pagehost
