// The directories the plug-ins and the installer rely on, and the path joining rule.
//
// Windows: the real Windows, system and temporary directories.
// POSIX (documented in the README):
//   Windows directory   $KESTREL_WINDOWS_DIR, else $XDG_CONFIG_HOME/kestrel, else
//                       $HOME/.config/kestrel (per user; created when first needed)
//   system directory    $KESTREL_SYSTEM_DIR, else <Windows directory>/system
//   temporary directory $TMPDIR, else /tmp
//   Startup folder      $KESTREL_STARTUP_DIR, else <Windows directory>/Startup
//   data directory      $XDG_DATA_HOME/kestrel, else $HOME/.local/share/kestrel (where the
//                       Linux installer puts the plug-ins, in "plugins", and their help,
//                       in "help"; fwhost looks there too)
#pragma once

#include <string>

namespace platform {

std::string WindowsDirectory();
#ifndef _WIN32
// POSIX: makes WindowsDirectory() return `directory` (the settings directory a host's
// session hands a plug-in) until called again (an empty one restores the usual rule).
// The directory is the caller's to make. Returns the override set before.
std::string OverrideWindowsDirectory(const std::string& directory);
// The per-user data directory (not created here: the installer makes it).
std::string DataDirectory();
// Where the Linux installer puts the plug-ins by default: <data directory>/plugins.
std::string InstalledPluginDirectory();
#endif
std::string SystemDirectory();
std::string TemporaryDirectory();
// The current user's Startup folder (the shell's special folder on Windows).
std::string StartupDirectory();

// The Windows, system and Startup directories as the functions above name them, none
// of them created (on POSIX those functions make them when first asked for; a dry run
// must write nothing, and the installer nothing before the user agrees).
struct StandardDirectories {
  std::string windows, system, startup;
};
StandardDirectories DirectoriesWithoutCreating();

// True for the characters that end a directory name on this target ('\\' and '/' on
// Windows, '/' elsewhere; a trailing '\\' also counts on POSIX so that paths written
// the Windows way never get a doubled separator).
bool IsPathSeparator(char c);

// `directory` followed by the native separator unless it already ends with one, then
// `name`.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace platform
