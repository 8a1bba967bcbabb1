#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include "platform/library.h"

namespace platform {

LibraryHandle OpenLibrary(const std::string& path, std::string* error) {
  // A path without a separator would make dlopen search the system's library path.
  std::string where = path.find('/') == std::string::npos ? "./" + path : path;
  void* library = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library && error) {
    const char* reason = dlerror();
    *error = reason ? reason : "cannot be loaded";
  }
  return library;
}

void* FindLibraryFunction(LibraryHandle library, const char* name, int argumentBytes) {
  return library ? dlsym(library, name) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
  if (library) dlclose(library);
}

std::string ProgramDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::string();
  std::string full(path, static_cast<size_t>(length));
  size_t slash = full.rfind('/');
  return slash == std::string::npos ? std::string() : full.substr(0, slash);
}

const char* LibrarySuffix() { return ".so"; }

}  // namespace platform
