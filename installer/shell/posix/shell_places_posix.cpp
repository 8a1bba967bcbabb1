// The shell's places on a freedesktop.org desktop: shortcuts are desktop entries and
// documents are opened by xdg-open.
#include <sys/stat.h>
#include <unistd.h>

#include "installer/shell/posix/desktop_entry.h"
#include "installer/shell/shell_places.h"
#include "platform/process.h"

namespace installer {

std::string ShortPathOf(const std::string& path) { return path; }

std::string ShellFolderPath(ShellFolder folder) {
  return folder == ShellFolder::StartMenu ? XdgDataHome() + "/applications" : XdgDesktopDirectory();
}

bool MakeShortcut(ShellFolder folder, const std::string& target, const std::string& workingDirectory,
                  const std::string& name) {
  // A desktop entry must name a program to start.
  if (target.empty()) return false;
  DesktopEntry entry;
  entry.name = name;
  entry.comment = name;
  entry.command = {target};
  entry.workingDirectory = workingDirectory;
  // In the applications menu a vendor prefix keeps the file from hiding another
  // program's entry of the same name; on the desktop the user sees the plain name.
  std::string id = DesktopFileId(name);
  if (folder == ShellFolder::StartMenu) id = "kestrel-" + id;
  std::string path = ShellFolderPath(folder) + "/" + id + ".desktop";
  return WriteWholeFile(path, DesktopEntryText(entry), folder == ShellFolder::Desktop);
}

bool OpenDocument(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !HaveDocumentOpener()) return false;
  std::string quoted;
  for (char c : path) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
  return platform::RunCommandLine("xdg-open \"" + quoted + "\"", platform::WindowShow::Maximised, false);
}

bool HaveDocumentOpener() { return platform::ProgramOnPath("xdg-open"); }

}  // namespace installer
