#include "control/services/Global.h"

#include "control/services/Folders.h"
#include "platform/com/Guid.h"

namespace {

std::atomic<CGlobal*> g_instance{nullptr};

}  // namespace

CGlobal& CGlobal::Instance() {
  CGlobal* current = g_instance.load(std::memory_order_acquire);
  if (current) return *current;
  auto* fresh = new CGlobal();
  if (g_instance.compare_exchange_strong(current, fresh, std::memory_order_acq_rel)) return *fresh;
  delete fresh;  // another thread made it first
  return *current;
}

void CGlobal::DestroyInstance() { delete g_instance.exchange(nullptr, std::memory_order_acq_rel); }

int CGlobal::GetInstanceCount() { return platform::CountLiveInstances(); }

CGlobal::FileVersion CGlobal::GetModuleVersion() { return FileVersion{FOTARO_MODULE_VERSION}; }

CGlobal::CGlobal() : m_strProcessTag(platform::com::GuidToString(platform::com::NewGuid())) { SetStyleType(1); }

CGlobal::~CGlobal() = default;

int32_t CGlobal::GetRetryTimes() {
  int32_t times = m_nRetryTimes.load();
  if (times > 0) return times;
  m_nRetryTimes.compare_exchange_strong(times, 3);
  return 3;
}

void CGlobal::SetStyleType(int32_t style) {
  m_nStyleType = style;
  m_colours.crBackground = 0xF3F3F3;
  m_colours.crBorder = 0xE0E0E0;
  m_colours.crTitle = style != 0 ? 0xBC9267 : 0xD3C29F;
  m_colours.crText = style != 0 ? 0x4E4E4E : 0x000000;
}

namespace fotaro {

void ModuleAttach(std::string modulePath) { CGlobal::Instance().SetModulePath(std::move(modulePath)); }

void ModuleDetach() {
  // The statistics reporter's final report is sent by the module's unload hook just before this.
  CGlobal::DestroyInstance();
  CleanWorkingFolder();
}

}  // namespace fotaro
