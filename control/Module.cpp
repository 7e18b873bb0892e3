// The load and unload hooks of the control's shared library, libOrniFotaroEx.so.

#include <dlfcn.h>

#include "control/services/Global.h"
#include "net/FTStat.h"

namespace {

// The file this library was loaded from.
std::string ModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || !info.dli_fname) return {};
  return info.dli_fname;
}

__attribute__((constructor)) void OnLoad() { fotaro::ModuleAttach(ModulePath()); }

__attribute__((destructor)) void OnUnload() {
  CFTStat::Instance().SendReport();
  fotaro::ModuleDetach();
}

}  // namespace
