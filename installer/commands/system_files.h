// Installing a file into a system directory with the system's version rules.
#pragma once

#include <string>

namespace installer {

// Installs `name` from `sourceDirectory` into `destinationDirectory`. Windows: the
// system's versioned file installation decides from the version resources (a refusal
// is silent) and a temporary copy it leaves behind is deleted. POSIX: a plain copy.
void InstallVersionedFile(const std::string& name, const std::string& sourceDirectory,
                          const std::string& destinationDirectory);

}  // namespace installer
