// The places the shell commands put things: short file names, the user's Start menu and
// desktop, shortcuts, the default screen saver and documents opened for the user.
//
// Windows: the shell's special folders, shell-link (.lnk) files, SYSTEM.INI and the
// system's screen-saver parameters, the shell's document associations.
// POSIX (freedesktop.org conventions, XDG base and user directories):
//   Start menu   $XDG_DATA_HOME/applications (default ~/.local/share/applications)
//   desktop      $XDG_DESKTOP_DIR, else the XDG_DESKTOP_DIR line of
//                $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Desktop
//   shortcut     a desktop entry (.desktop file) in one of them
//   screen saver SYSTEM.INI and WIN.INI in the emulated Windows directory
//   documents    opened by xdg-open
#pragma once

#include <string>

namespace installer {

// The system's short form of an existing file's path, or `path` itself when there is
// none (always so on POSIX).
std::string ShortPathOf(const std::string& path);

enum class ShellFolder { StartMenu, Desktop };

// The folder's path, or an empty text when the system has none.
std::string ShellFolderPath(ShellFolder folder);

// Makes a shortcut named `name` in `folder` that starts `target` in `workingDirectory`,
// described by `name`. Failures are silent (false).
bool MakeShortcut(ShellFolder folder, const std::string& target, const std::string& workingDirectory,
                  const std::string& name);

// Makes `saverFile` (already in short form) the default screen saver, switched on with a
// time-out of `seconds`, recorded in the user's settings.
void SetDefaultScreenSaver(const std::string& saverFile, int seconds);

// Asks the shell to open a document with its default action, shown maximised. False
// when nothing could open it.
bool OpenDocument(const std::string& path);

// False where the desktop has no program that opens documents (POSIX without xdg-open);
// the commands then name the document to the user instead.
bool HaveDocumentOpener();

}  // namespace installer
