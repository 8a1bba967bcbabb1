// Program groups on a freedesktop.org desktop. A group is a submenu of the applications
// menu: a directory entry that names it, a merged menu file that places it and takes in
// the entries of its category, and a folder of desktop entries for its items:
//
//   $XDG_DATA_HOME/desktop-directories/kestrel-<group>.directory
//   $XDG_CONFIG_HOME/menus/applications-merged/kestrel-<group>.menu
//   $XDG_DATA_HOME/applications/kestrel-<group>/<item>.desktop
//
// <group> and <item> are the names made safe (DesktopFileId). Creating a group removes
// the items it had, so that a second run leaves it as fresh as the first.
#include <dirent.h>
#include <unistd.h>

#include "installer/commands/script_paths.h"
#include "installer/shell/posix/desktop_entry.h"
#include "installer/shell/program_manager.h"
#include "installer/shell/program_manager_texts.h"
#include "platform/process.h"

namespace installer {
namespace {

struct GroupState {
  std::string id;        // of the current group; empty before the first groupcreate
  std::string category;  // the menu category its items carry
};
GroupState g_group;

std::string ItemsDirectory(const std::string& id) { return XdgDataHome() + "/applications/kestrel-" + id; }

std::string EscapeXml(const std::string& text) {
  std::string escaped;
  for (char c : AsUtf8(text)) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 32) escaped += c;
    }
  }
  return escaped;
}

void RemoveItems(const std::string& directory) {
  DIR* dir = opendir(directory.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0) unlink((directory + "/" + name).c_str());
  }
  closedir(dir);
}

}  // namespace

bool PrepareProgramGroups() { return true; }

void CreateProgramGroup(const std::string& group) {
  std::string name = group.substr(0, kGroupNameLimit);
  std::string id = DesktopFileId(name);
  std::string category = "X-Kestrel-" + id;
  RemoveItems(ItemsDirectory(id));

  DesktopEntry directory;
  directory.type = "Directory";
  directory.name = name;
  std::string directoryFile = "kestrel-" + id + ".directory";
  if (!WriteWholeFile(XdgDataHome() + "/desktop-directories/" + directoryFile, DesktopEntryText(directory), false))
    return;
  std::string menu =
      "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
      "<Menu>\n"
      "  <Name>Applications</Name>\n"
      "  <Menu>\n"
      "    <Name>" + EscapeXml(name) + "</Name>\n"
      "    <Directory>" + directoryFile + "</Directory>\n"
      "    <Include>\n"
      "      <Category>" + category + "</Category>\n"
      "    </Include>\n"
      "  </Menu>\n"
      "</Menu>\n";
  if (!WriteWholeFile(XdgConfigHome() + "/menus/applications-merged/kestrel-" + id + ".menu", menu, false)) return;
  g_group.id = id;
  g_group.category = category;
}

void AddProgramItem(const std::string& commandLine, const std::string& title, const std::string& iconFile) {
  if (g_group.id.empty()) return;
  // A byte 0xFF ends the program, which is then one word whatever blanks it holds;
  // the parameters after it are words of their own.
  DesktopEntry item;
  item.name = title;
  size_t separator = commandLine.find(kProgramParameterSeparator);
  if (separator == std::string::npos) {
    item.command = platform::SplitCommandLine(commandLine);
  } else {
    item.command = platform::SplitCommandLine(commandLine.substr(separator + 1));
    item.command.insert(item.command.begin(), commandLine.substr(0, separator));
  }
  if (item.command.empty() || item.command[0].empty()) return;
  item.workingDirectory = DirectoryPart(item.command[0]);
  if (!iconFile.empty() && iconFile[0] == '/') item.icon = iconFile;
  item.categories = g_group.category + ";";
  WriteWholeFile(ItemsDirectory(g_group.id) + "/" + DesktopFileId(title) + ".desktop", DesktopEntryText(item), false);
}

void EndProgramGroups(int actionResult) {
  // Menus need no closing step: the desktop picks the files up as they are written.
  g_group = GroupState();
}

}  // namespace installer
