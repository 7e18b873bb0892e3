// The system's volumes through GIO (see VolumeMonitor.h).

#include <gio/gio.h>
#include <gio/gunixmounts.h>

#include "platform/CodePage.h"
#include "platform/win/Display.h"
#include "platform/win/VolumeMonitor.h"

namespace platform {

namespace {

std::u16string Text(const char* utf8) { return utf8 ? FromUtf8(utf8) : std::u16string(); }

class GioVolumeMonitor : public VolumeMonitor {
 public:
  // Makes GIO's monitor and listens to it; on the display thread only, where its signals arrive.
  void Watch() {
    if (m_monitor) return;
    m_monitor = g_volume_monitor_get();
    for (const char* signal : {"drive-connected", "volume-added", "mount-added"}) {
      g_signal_connect(m_monitor, signal, G_CALLBACK(Arrived), this);
    }
    for (const char* signal : {"drive-disconnected", "volume-removed", "mount-removed"}) {
      g_signal_connect(m_monitor, signal, G_CALLBACK(Removed), this);
    }
  }

  std::vector<MountedVolume> GetVolumes() override {
    return IsDisplayThread() && m_monitor ? FromMonitor() : FromMountTable();
  }

 private:
  static void Arrived(GVolumeMonitor*, gpointer, gpointer self) {
    static_cast<GioVolumeMonitor*>(self)->Notify(DBT_DEVICEARRIVAL);
  }
  static void Removed(GVolumeMonitor*, gpointer, gpointer self) {
    static_cast<GioVolumeMonitor*>(self)->Notify(DBT_DEVICEREMOVECOMPLETE);
  }

  // The mounts GIO's monitor knows, without those another mount hides and those with no local folder.
  std::vector<MountedVolume> FromMonitor() {
    std::vector<MountedVolume> volumes;
    GList* mounts = g_volume_monitor_get_mounts(m_monitor);
    for (GList* at = mounts; at; at = at->next) {
      GMount* mount = G_MOUNT(at->data);
      if (g_mount_is_shadowed(mount)) continue;
      GFile* root = g_mount_get_root(mount);
      char* path = g_file_get_path(root);
      char* name = g_mount_get_name(mount);
      if (path) volumes.push_back(MountedVolume{Text(name), PathFromBytes(path)});
      g_free(name);
      g_free(path);
      g_object_unref(root);
    }
    g_list_free_full(mounts, g_object_unref);
    return volumes;
  }

  // The mount table's entries that GIO would show a user.
  static std::vector<MountedVolume> FromMountTable() {
    std::vector<MountedVolume> volumes;
    GList* entries = g_unix_mounts_get(nullptr);
    for (GList* at = entries; at; at = at->next) {
      auto* entry = static_cast<GUnixMountEntry*>(at->data);
      if (!g_unix_mount_guess_should_display(entry)) continue;
      char* name = g_unix_mount_guess_name(entry);
      volumes.push_back(MountedVolume{Text(name), PathFromBytes(g_unix_mount_get_mount_path(entry))});
      g_free(name);
    }
    g_list_free_full(entries, reinterpret_cast<GDestroyNotify>(g_unix_mount_free));
    return volumes;
  }

  GVolumeMonitor* m_monitor = nullptr;  // display thread only
};

}  // namespace

std::shared_ptr<VolumeMonitor> SystemVolumeMonitor() {
  // GIO keeps its monitor for the process, and so does this object: its signals point at it.
  static auto* monitor = new std::shared_ptr<GioVolumeMonitor>(std::make_shared<GioVolumeMonitor>());
  if (IsDisplayThread()) (*monitor)->Watch();
  return *monitor;
}

}  // namespace platform
