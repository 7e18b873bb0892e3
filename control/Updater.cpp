#include "control/Updater.h"

#include "platform/CodePage.h"
#include "platform/Shell.h"

namespace fotaro {

std::optional<UpdaterLaunch> UpdaterCommand(const std::string& modulePath, const std::u16string& url,
                                            const std::u16string& md5, const std::u16string& wording, bool update) {
  const size_t slash = modulePath.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  const std::string parent = modulePath.substr(0, slash + 1) + "../";
  UpdaterLaunch launch;
  launch.program = parent + "OrniFotaroUpdateSvr";
  launch.argument = platform::ToCodePage(url) + "|" + platform::ToCodePage(md5) + "|" + parent + "|" +
                    platform::ToCodePage(wording) + "|" + (update ? "1" : "0");
  return launch;
}

bool StartUpdater(const UpdaterLaunch& launch) { return platform::StartDetached({launch.program, launch.argument}); }

}  // namespace fotaro
