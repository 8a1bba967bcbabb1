#include <windows.h>
#include <shellapi.h>

#include <vector>

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
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool OpenWithShell(const std::string& target) {
  HINSTANCE result = ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
