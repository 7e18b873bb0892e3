#pragma once
// Points every XDG folder of the control (and HOME) into a fresh temporary folder for one test.

#include "tests/support/TempDir.h"

namespace fotaro::test {

class ServicesEnv {
 public:
  const TempDir& root() const { return root_; }

 private:
  TempDir root_;
  ScopedEnv home_{"HOME", root_.path()};
  ScopedEnv cache_{"XDG_CACHE_HOME", root_.file("cache")};
  ScopedEnv data_{"XDG_DATA_HOME", root_.file("data")};
  ScopedEnv state_{"XDG_STATE_HOME", root_.file("state")};
  ScopedEnv config_{"XDG_CONFIG_HOME", root_.file("config")};
};

}  // namespace fotaro::test
