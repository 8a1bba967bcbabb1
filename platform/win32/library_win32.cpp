#include <windows.h>

#include "platform/library.h"

namespace platform {

LibraryHandle OpenLibrary(const std::string& path, std::string* error) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (!library && error) *error = "cannot be loaded (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<LibraryHandle>(library);
}

void* FindLibraryFunction(LibraryHandle library, const char* name, int argumentBytes) {
  if (!library) return nullptr;
  HMODULE module = static_cast<HMODULE>(library);
  FARPROC function = GetProcAddress(module, name);
  if (!function && argumentBytes >= 0) {
    std::string decorated = "_" + std::string(name) + "@" + std::to_string(argumentBytes);
    function = GetProcAddress(module, decorated.c_str());
  }
  return reinterpret_cast<void*>(function);
}

void CloseLibrary(LibraryHandle library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::string ProgramDirectory() {
  char path[MAX_PATH + 1] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string full(path, length);
  size_t separator = full.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : full.substr(0, separator);
}

const char* LibrarySuffix() { return ".dll"; }

}  // namespace platform
