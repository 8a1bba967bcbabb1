// Without version resources to compare, a system file is installed by a plain copy.
#include "installer/commands/lz_copy.h"
#include "installer/commands/system_files.h"
#include "platform/directories.h"

namespace installer {

void InstallVersionedFile(const std::string& name, const std::string& sourceDirectory,
                          const std::string& destinationDirectory) {
  std::string source = sourceDirectory.empty() ? name : platform::JoinPath(sourceDirectory, name);
  LzCopyFile(source, platform::JoinPath(destinationDirectory, name));
}

}  // namespace installer
