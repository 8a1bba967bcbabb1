#include "installer/shell/shell_places.h"

#include "platform/directories.h"

namespace installer {

std::string WorkingDirectoryOf(const std::string& target) {
  for (size_t i = target.size(); i > 0; --i) {
    char c = target[i - 1];
#ifdef _WIN32
    if (c == ':') return target.substr(0, i);  // a drive with no directory: "C:"
#endif
    if (platform::IsPathSeparator(c)) return target.substr(0, i);
  }
  return std::string();
}

}  // namespace installer
