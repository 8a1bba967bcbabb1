// What the host needs from the target: the memory available, the cleanup after a stop request, a
// temporary file made beside a final name, and the move of a finished file into place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Removes every path registered with RemoveWhenStopped; called once a stop arrives.
void RemoveRegisteredPaths();

// Creates a new, empty, uniquely named file in `directory` whose name starts with
// `prefix`, open for binary writing; null when it cannot. The name is in `path`. The
// file gets the permissions a new file of the user gets (those of `like` when that file
// exists).
std::FILE* CreateFileBeside(const std::string& directory, const std::string& prefix, const std::string& like,
                            std::string* path);

// Moves `from` to `to` in one step, replacing a file of that name; false, with the
// reason, when it cannot.
bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error);

// Standard output switched to binary writing (no line-end translation).
std::FILE* BinaryStandardOutput();

// The memory a new allocation can take without pushing out other programs (on Linux
// the kernel's MemAvailable, lowered to the room left under a control-group limit);
// 0 when unknown.
uint64_t AvailableMemory();

// True when the plug-ins' dialogs can run: always for the native build's headless
// dialogs; on Windows when a window can be made (not under Wine without a display).
bool CanShowDialogs();