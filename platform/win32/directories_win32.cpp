#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

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

std::string StartupDirectory() {
  char buffer[MAX_PATH + 1] = "";
  // The shell's folder lookup wants the component system running around the call.
  HRESULT started = CoInitialize(nullptr);
  BOOL found = SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_STARTUP, FALSE);
  if (SUCCEEDED(started)) CoUninitialize();
  return found ? std::string(buffer) : std::string();
}

StandardDirectories DirectoriesWithoutCreating() {
  return {WindowsDirectory(), SystemDirectory(), StartupDirectory()};
}

}  // namespace platform
