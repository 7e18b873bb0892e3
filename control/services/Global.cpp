#include "control/services/Global.h"

#include <cstdio>
#include <random>

#include "control/services/Folders.h"

namespace {

std::atomic<CGlobal*> g_instance{nullptr};

// A random (version 4) GUID in registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::u16string NewGuidText() {
  std::random_device random;
  uint32_t words[4];
  for (uint32_t& word : words) word = random();
  words[1] = (words[1] & 0xFFFF0FFFu) | 0x00004000u;  // version 4
  words[2] = (words[2] & 0x3FFFFFFFu) | 0x80000000u;  // RFC 4122 variant
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%04X%08X}", words[0], words[1] >> 16, words[1] & 0xFFFFu,
                words[2] >> 16, words[2] & 0xFFFFu, words[3]);
  return std::u16string(text, text + 38);
}

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

CGlobal::CGlobal() : m_strProcessTag(NewGuidText()) { SetStyleType(1); }

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
