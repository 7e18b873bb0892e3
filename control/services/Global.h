#pragma once
// The process-wide global object CGlobal, and the module's attach and detach.

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/InstanceRegistry.h"
#include "platform/win/Types.h"

// Settings and resources that exist once per process. Instance() is the process's object; each
// CGlobal also counts as one live control instance for every process of the user (see
// GetInstanceCount), for as long as it exists.
//
// Threads: the control window, the retry count and the MD5 size are read by worker threads and
// may be read from any thread; the style is set and read on the control's thread; the module path
// is set by ModuleAttach before anything else runs.
class CGlobal {
 public:
  // The colours of a style type, as COLORREF values (0x00BBGGRR).
  struct StyleColours {
    uint32_t crBackground;
    uint32_t crBorder;
    uint32_t crTitle;
    uint32_t crText;
  };
  // The module's file version.
  struct FileVersion {
    uint16_t major;
    uint16_t minor;
    uint16_t build;
    uint16_t revision;
  };

  // The process's object, made on first use; ModuleDetach destroys it, and nothing may use it
  // after that. Without ModuleDetach (a program that links the control statically and never
  // detaches) it lives until the process exits, which also ends its instance registration.
  static CGlobal& Instance();
  // Destroys the process's object (ModuleDetach's job).
  static void DestroyInstance();
  // Live CGlobal objects in every process of the user, this process included.
  static int GetInstanceCount();
  // The module's file version, a constant of the build.
  static FileVersion GetModuleVersion();

  // A CGlobal other than Instance() is a further live instance: tests use one to stand for a
  // second control.
  CGlobal();
  ~CGlobal();
  CGlobal(const CGlobal&) = delete;
  CGlobal& operator=(const CGlobal&) = delete;

  // The file of the loaded module (empty when the control is linked into a program that did not
  // call ModuleAttach).
  const std::string& GetModulePath() const { return m_strModulePath; }
  void SetModulePath(std::string path) { m_strModulePath = std::move(path); }

  // The control's window: the target of the messages of workers and of windows other than frames.
  platform::HWND GetControlWnd() const { return m_hControlWnd.load(); }
  void SetControlWnd(platform::HWND window) { m_hControlWnd.store(window); }

  // Attempts per upload: 3 until set. A read that finds 0 or less stores and returns 3.
  int32_t GetRetryTimes();
  void SetRetryTimes(int32_t times) { m_nRetryTimes.store(times); }

  // The size in MiB up to which a file's MD5 digest is computed: 10 until set.
  int32_t GetMD5FileSize() const { return m_nMD5FileSize.load(); }
  void SetMD5FileSize(int32_t megabytes) { m_nMD5FileSize.store(megabytes); }

  // The style type (the control's "StyleType", 1 until set) and its colours: background 0xF3F3F3
  // and border 0xE0E0E0 always; title and text 0xBC9267 and 0x4E4E4E for a non-zero style,
  // 0xD3C29F and 0x000000 for style 0.
  int32_t GetStyleType() const { return m_nStyleType; }
  void SetStyleType(int32_t style);
  const StyleColours& GetStyleColours() const { return m_colours; }

  // The signed-in user's number, as the page last gave it (SetUserOrni); "" until then. Set and
  // read on the control's thread.
  const std::u16string& GetUserOrni() const { return m_strUserOrni; }
  void SetUserOrni(std::u16string orni) { m_strUserOrni = std::move(orni); }

  // A GUID drawn when the object was made, in registry form with braces
  // ("{8C1F...-...}", 38 characters): keeps temporary file names of processes apart.
  const std::u16string& GetProcessTag() const { return m_strProcessTag; }

 private:
  // The drawing resources shared by the windows (three fonts scaled to the screen, a solid brush
  // and a pen) belong here, made in the constructor and freed in the destructor; they arrive
  // with the drawing layer of the user interface.

  platform::InstanceRegistration m_registration;
  std::string m_strModulePath;
  std::atomic<platform::HWND> m_hControlWnd{nullptr};
  std::atomic<int32_t> m_nRetryTimes{3};
  std::atomic<int32_t> m_nMD5FileSize{10};
  int32_t m_nStyleType = 0;
  StyleColours m_colours{};
  std::u16string m_strUserOrni;
  const std::u16string m_strProcessTag;
};

namespace fotaro {

// The operating-system class. Always 8 ("later than 5.1") on this platform: wherever behaviour
// depends on the class, the branch for the latest systems is the one built.
constexpr int kOSClass = 8;

// Runs when the module is loaded (the shared library's constructor; a program that links the
// control statically calls it itself at start): makes the global object and records the module's
// file in it.
void ModuleAttach(std::string modulePath);

// Runs when the module is unloaded (or by such a program at its end): destroys the global object,
// then removes the working folder unless a control instance is still alive in some process.
void ModuleDetach();

}  // namespace fotaro
