#pragma once
// The single mutex that guards the state of every Waitable. Internal to platform/sync.
#include <mutex>

namespace platform::detail {
std::mutex& SyncMutex();
}
