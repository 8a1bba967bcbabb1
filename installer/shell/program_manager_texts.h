// The command texts the installer sends to Program Manager, built from the script's
// arguments. Kept apart from the conversation so that both targets build the same texts.
#pragma once

#include <string>
#include <vector>

namespace installer {

// The long name of a file, or the file's short (8.3) form where the system has one.
using ShortPathFunction = std::string (*)(const std::string& path);

// The texts for `groupcreate`: the group is deleted first, so a second run replaces it.
std::vector<std::string> GroupCreateCommands(const std::string& group);

// The text for `groupadd`. An empty `iconFile` means the command line's own icon. A byte
// 0xFF in the command line separates the program from its parameters: the program is
// then quoted and becomes the icon file.
std::string AddItemCommand(const std::string& commandLine, const std::string& title,
                           const std::string& iconFile, ShortPathFunction shortPath);

// Sent when the installation ends well: Program Manager saves its groups and closes.
extern const char kExitProgramManagerCommand[];

// The byte that marks where a program's parameters begin in a `groupadd` command line.
constexpr char kProgramParameterSeparator = '\xFF';

}  // namespace installer
