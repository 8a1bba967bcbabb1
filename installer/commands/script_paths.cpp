#include "installer/commands/script_paths.h"

namespace installer {
namespace {

bool EndsDirectory(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string NativePath(const std::string& scriptPath) {
#ifdef _WIN32
  return scriptPath;
#else
  std::string path = scriptPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
#endif
}

std::string JoinScriptPath(const std::string& directory, const std::string& name) {
  if (directory.empty() || EndsDirectory(directory.back())) return directory + name;
  return directory + "\\" + name;
}

std::string DirectoryPart(const std::string& path) {
  size_t end = path.find_last_of("\\/:");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

}  // namespace installer
