// System files installed by the system's versioned file installation.
#include <windows.h>

#include <string>

#include "installer/commands/system_files.h"
#include "platform/directories.h"

namespace installer {

void InstallVersionedFile(const std::string& name, const std::string& sourceDirectory,
                          const std::string& destinationDirectory) {
  // The installation call takes writable name buffers.
  std::string file = name, source = sourceDirectory, destination = destinationDirectory,
              current = destinationDirectory;
  char temporary[MAX_PATH] = "";
  UINT temporaryLength = sizeof temporary;
  DWORD result = VerInstallFileA(0, &file[0], &file[0], &source[0], &destination[0], &current[0],
                                 temporary, &temporaryLength);
  // A refused install (a newer installed file, say) is the system's decision and silent;
  // only a temporary copy left in the destination is cleaned up.
  if ((result & VIF_TEMPFILE) && temporary[0])
    DeleteFileA(platform::JoinPath(destinationDirectory, temporary).c_str());
}

}  // namespace installer
