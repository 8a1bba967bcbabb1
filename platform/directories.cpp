#include "platform/directories.h"

namespace platform {

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

std::string JoinPath(const std::string& directory, const std::string& name) {
#ifdef _WIN32
  const char separator = '\\';
#else
  const char separator = '/';
#endif
  std::string path = directory;
  if (path.empty() || !IsPathSeparator(path.back())) path += separator;
  return path + name;
}

}  // namespace platform
