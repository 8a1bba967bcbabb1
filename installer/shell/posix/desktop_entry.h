// Desktop entries (freedesktop.org .desktop files) and the XDG directories they live
// in: the POSIX stand-ins for shortcuts and program groups.
#pragma once

#include <string>
#include <vector>

namespace installer {

struct DesktopEntry {
  std::string type = "Application";  // or "Directory"
  std::string name;
  std::string comment;     // left out when empty or equal to the name
  std::vector<std::string> command;  // program and arguments, for Exec
  std::string workingDirectory;      // Path, left out when empty
  std::string icon;                  // an absolute icon file, left out when empty
  std::string categories;            // "A;B;", left out when empty
};

// The file's text: one [Desktop Entry] group, every value escaped and in UTF-8.
std::string DesktopEntryText(const DesktopEntry& entry);

// A value as a desktop entry stores it: backslash, line breaks and tabs escaped, other
// control characters dropped, and text that is not UTF-8 read as Latin-1.
std::string EscapeDesktopValue(const std::string& text);

// The Exec value for a command: each word quoted where it must be, with the characters
// that quoting does not protect escaped, and every % doubled (before value escaping).
std::string ExecValue(const std::vector<std::string>& command);

// The text as UTF-8: unchanged when it is valid UTF-8, otherwise read as Latin-1.
std::string AsUtf8(const std::string& text);

// A name made safe as a file name and desktop file id: lower-case ASCII letters and
// digits, every other run of characters one '-'; "unnamed" when nothing is left.
std::string DesktopFileId(const std::string& name);

// XDG directories (from the environment, with the usual defaults under HOME).
std::string XdgDataHome();
std::string XdgConfigHome();
std::string XdgDesktopDirectory();

// Writes a file whole through a temporary name in the same directory, creating missing
// parent directories; `executable` marks it runnable (desktops want that for launchers
// on the desktop). False when it could not be written.
bool WriteWholeFile(const std::string& path, const std::string& text, bool executable);

// Creates the directory and any missing parents; false when it does not exist after.
bool MakeDirectories(const std::string& path);

}  // namespace installer
