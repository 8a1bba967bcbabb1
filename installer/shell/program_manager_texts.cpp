#include "installer/shell/program_manager_texts.h"

namespace installer {

const char kExitProgramManagerCommand[] = "[exitprogman(1)]";

std::vector<std::string> GroupCreateCommands(const std::string& group) {
  return {"[deletegroup(" + group + ")]", "[creategroup(" + group + ")]"};
}

std::string AddItemCommand(const std::string& commandLine, const std::string& title,
                           const std::string& iconFile, ShortPathFunction shortPath) {
  size_t separator = commandLine.find(kProgramParameterSeparator);
  if (separator == std::string::npos) {
    std::string icon = shortPath(iconFile.empty() ? commandLine : iconFile);
    return "[additem(\"" + shortPath(commandLine) + "\",\"" + title + "\",\"" + icon + "\",0)]";
  }
  // The separator becomes the quote that closes the program; the opening quote of the
  // first field then encloses the program alone, and its parameters follow unquoted.
  std::string program = commandLine.substr(0, separator);
  std::string line = program + '"' + commandLine.substr(separator + 1);
  return "[additem(\"" + shortPath(line) + ",\"" + title + "\",\"" + shortPath(program) + "\",0)]";
}

}  // namespace installer
