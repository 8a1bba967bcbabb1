// Paths as install scripts write them, the Windows way, with backslashes.
#pragma once

#include <cstddef>
#include <string>

namespace installer {

// The most characters of a path built by the file commands (the length of the paths the
// system's file functions take); a longer path is refused, never cut, since a cut path
// names some other file.
constexpr size_t kScriptPathLimit = 1024;
// The uninstall log's full path is built in a buffer of this many characters.
constexpr size_t kUninstallLogPathLimit = 260;

// A script path as this system's file functions take it (on POSIX every backslash
// becomes a slash).
std::string NativePath(const std::string& scriptPath);

// `directory`, a backslash unless it is empty or already ends with one, then `name`.
std::string JoinScriptPath(const std::string& directory, const std::string& name);

// The drive and directory part of a path: everything up to and including its last
// backslash, slash or drive colon; empty when it has none.
std::string DirectoryPart(const std::string& path);

}  // namespace installer
