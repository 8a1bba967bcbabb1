#include <windows.h>

#include "platform/directories.h"

namespace platform {

std::string WindowsDirectory() {
  char buffer[MAX_PATH + 1] = "";
  UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  return length && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

std::string SystemDirectory() {
  char buffer[MAX_PATH + 1] = "";
  UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
  return length && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

std::string TemporaryDirectory() {
  char buffer[1024 + 1] = "";
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  return length && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

}  // namespace platform
