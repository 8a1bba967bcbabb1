#include <windows.h>

#include <vector>

#include "platform/process.h"

namespace platform {

bool ProgramOnPath(const std::string& program) {
  char found[MAX_PATH];
  return SearchPathA(nullptr, program.c_str(), ".exe", sizeof found, found, nullptr) != 0;
}

bool RunCommandLine(const std::string& commandLine, WindowShow show, bool wait) {
  // CreateProcess may write into the command line, so it gets a copy of its own.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show == WindowShow::Maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  if (wait) WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace platform
