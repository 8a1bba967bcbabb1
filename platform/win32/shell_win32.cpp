#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/process.h"
#include "platform/shell.h"

namespace platform {

bool FindAssociatedProgram(const std::string& document, std::string* program) {
  char found[MAX_PATH + 1] = "";
  HINSTANCE result = FindExecutableA(document.c_str(), nullptr, found);
  if (reinterpret_cast<INT_PTR>(result) <= 32) return false;
  *program = found;
  return true;
}

bool StartProgram(const std::string& commandLine, bool maximised) {
  return RunCommandLine(commandLine, maximised ? WindowShow::Maximised : WindowShow::Normal, false);
}

bool OpenWithShell(const std::string& target) {
  HINSTANCE result = ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
