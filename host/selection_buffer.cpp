#include "host/selection_buffer.h"

#include <cstring>

#include "platform/directories.h"

namespace {

size_t LastSeparator(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (platform::IsPathSeparator(path[i - 1])) return i - 1;
  return std::string::npos;
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  size_t at = LastSeparator(path);
  if (at == std::string::npos) return std::string();
  return at == 0 ? path.substr(0, 1) : path.substr(0, at);
}

std::string NameOf(const std::string& path) {
  size_t at = LastSeparator(path);
  return at == std::string::npos ? path : path.substr(at + 1);
}

bool WriteSelectionBuffer(const std::vector<std::string>& paths, char* buffer, size_t size, std::string* error) {
  std::vector<std::string> strings;
  if (paths.empty()) {
    *error = "no file to select";
    return false;
  }
  if (paths.size() == 1) {
    strings.push_back(paths[0]);
  } else {
    std::string directory = DirectoryOf(paths[0]);
    strings.push_back(directory);
    for (const std::string& path : paths) {
      if (DirectoryOf(path) != directory) {
        *error = "files chosen together must be in one directory: " + path;
        return false;
      }
      strings.push_back(NameOf(path));
    }
  }
  size_t needed = 1;  // the final empty string
  for (const std::string& s : strings) {
    if (s.empty() || s.find('\0') != std::string::npos) {
      *error = "an empty file name cannot be selected";
      return false;
    }
    needed += s.size() + 1;
  }
  if (needed > size) {
    *error = "the selection needs " + std::to_string(needed) + " bytes, more than the " + std::to_string(size) +
             " of the request";
    return false;
  }
  size_t at = 0;
  for (const std::string& s : strings) {
    std::memcpy(buffer + at, s.c_str(), s.size() + 1);
    at += s.size() + 1;
  }
  buffer[at] = '\0';
  return true;
}

std::vector<std::string> ReadSelectionBuffer(const char* buffer, size_t size) {
  std::vector<std::string> strings;
  size_t at = 0;
  while (at < size && buffer[at] != '\0') {
    size_t length = strnlen(buffer + at, size - at);
    strings.emplace_back(buffer + at, length);
    at += length + 1;
  }
  if (strings.size() <= 1) return strings;
  std::vector<std::string> paths;
  for (size_t i = 1; i < strings.size(); ++i) paths.push_back(platform::JoinPath(strings[0], strings[i]));
  return paths;
}
