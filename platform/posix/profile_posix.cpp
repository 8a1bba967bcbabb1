#include <strings.h>

#include <fstream>

#include "platform/directories.h"
#include "platform/profile.h"

namespace platform {
namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& fallback, const std::string& file,
                              size_t maxLength) {
  std::string path = file.find('/') == std::string::npos ? JoinPath(WindowsDirectory(), file) : file;
  std::ifstream in(path, std::ios::binary);
  bool inSection = false;
  std::string line;
  while (in && std::getline(in, line)) {
    std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      size_t close = text.find(']');
      inSection = close != std::string::npos && SameName(Trim(text.substr(1, close - 1)), section);
      continue;
    }
    size_t equals = text.find('=');
    if (!inSection || equals == std::string::npos || !SameName(Trim(text.substr(0, equals)), key)) continue;
    std::string value = Trim(text.substr(equals + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
    return value.substr(0, maxLength);
  }
  return fallback.substr(0, maxLength);
}

}  // namespace platform
