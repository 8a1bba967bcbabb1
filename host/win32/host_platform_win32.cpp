// Stop requests on Windows: Ctrl-C, Ctrl-Break and the console closing reach a handler
// that runs in a thread of its own; it removes the run's files and lets the default
// handling end the program.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/exit_cleanup.h"
#include "host/host_platform.h"

namespace {

BOOL WINAPI OnStop(DWORD) {
  RemoveRegisteredPaths();
  return FALSE;
}

}  // namespace

void InstallExitCleanup() { SetConsoleCtrlHandler(&OnStop, TRUE); }

std::FILE* CreateFileBeside(const std::string& directory, const std::string& prefix, const std::string&,
                            std::string* path) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string name = directory + "\\" + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(GetTickCount() + attempt);
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return nullptr;
    }
    CloseHandle(handle);
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) {
      DeleteFileA(name.c_str());
      return nullptr;
    }
    *path = name;
    return file;
  }
  return nullptr;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  *error = "cannot be replaced (Windows error " + std::to_string(GetLastError()) + ")";
  return false;
}

std::FILE* BinaryStandardOutput() {
  _setmode(_fileno(stdout), _O_BINARY);
  return stdout;
}

uint64_t AvailableMemory() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  // A 32-bit program cannot use more than its own address space.
  uint64_t available = status.ullAvailPhys;
  return status.ullAvailVirtual < available ? status.ullAvailVirtual : available;
}

bool CanShowDialogs() {
  HWND probe = CreateWindowA("STATIC", "fwhost", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}