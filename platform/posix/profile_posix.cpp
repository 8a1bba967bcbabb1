#include <strings.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/directories.h"
#include "platform/files.h"
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

// The settings file's path; an existing file whose name differs only in case is that file
// ("fwhost.ini" and "FWHOST.INI" are one file, as on Windows).
std::string ProfilePath(const std::string& file) {
  std::string path = file.find('/') == std::string::npos ? JoinPath(WindowsDirectory(), file) : file;
  std::string existing = ExistingSpelling(path);
  return existing.empty() ? path : existing;
}

// The section name of a "[name]" line, or false for any other line.
bool SectionOf(const std::string& text, std::string* name) {
  if (text.empty() || text[0] != '[') return false;
  size_t close = text.find(']');
  *name = close == std::string::npos ? std::string() : Trim(text.substr(1, close - 1));
  return true;
}

}  // namespace

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& fallback, const std::string& file,
                              size_t maxLength) {
  std::ifstream in(ProfilePath(file), std::ios::binary);
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

bool WriteProfileEntry(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  std::string path = ProfilePath(file);
  std::vector<std::string> lines;
  {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (in && std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }
  const std::string entry = key + "=" + value;
  bool inSection = false, written = false;
  size_t sectionEnd = lines.size();  // where a new key of the section goes
  for (size_t i = 0; i < lines.size() && !written; ++i) {
    std::string text = Trim(lines[i]), name;
    if (SectionOf(text, &name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (!text.empty()) sectionEnd = i + 1;
    size_t equals = text.find('=');
    if (text.empty() || text[0] == ';' || equals == std::string::npos) continue;
    if (SameName(Trim(text.substr(0, equals)), key)) {
      lines[i] = entry;
      written = true;
    }
  }
  if (!written) {
    if (!inSection) {  // no such section yet: it goes at the end
      lines.push_back("[" + section + "]");
      sectionEnd = lines.size();
    }
    lines.insert(lines.begin() + static_cast<long>(sectionEnd), entry);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  FileHandle out = CreateFileForWriting(path, CreateMode::Replace);
  bool ok = out && WriteToFile(out, text.data(), text.size()) == text.size();
  return CloseFile(out) && ok;
}

}  // namespace platform
