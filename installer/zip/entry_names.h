// The rule that keeps every extracted file inside the destination directory.
#pragma once

#include <cstdint>
#include <string>

namespace installer {

// True when `name`, joined to the destination directory, names a file inside it on
// either target. Refused: control characters (a NUL would cut the name short), any
// colon (drive letters and alternate streams), a leading '/' or '\\' (absolute and
// network paths), a component made only of dots and spaces (".." and the forms that
// Windows trims to it), and a component that names a device (CON, NUL.TXT, LPT1 ...).
// Both '/' and '\\' count as separators here, whatever the target.
bool IsSafeEntryName(const std::string& name);

// True when the central directory marks the entry as a symbolic link (Unix file type
// in the high half of the external attributes, for entries made on a Unix system).
bool IsSymbolicLinkEntry(uint8_t hostMadeBy, uint32_t externalAttributes);

}  // namespace installer
