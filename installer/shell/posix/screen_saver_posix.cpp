// The default screen saver on POSIX, recorded where Windows keeps the same choice: the
// saver in SYSTEM.INI, its state and time-out in WIN.INI, both in the emulated Windows
// directory.
#include "installer/shell/shell_places.h"
#include "platform/profile.h"

namespace installer {

void SetDefaultScreenSaver(const std::string& saverFile, int seconds) {
  platform::WriteProfileEntry("boot", "SCRNSAVE.EXE", saverFile, "SYSTEM.INI");
  platform::WriteProfileEntry("windows", "ScreenSaveActive", "1", "WIN.INI");
  platform::WriteProfileEntry("windows", "ScreenSaveTimeOut", std::to_string(seconds), "WIN.INI");
}

}  // namespace installer
