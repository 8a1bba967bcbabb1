#include "installer/shell/posix/desktop_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace installer {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : std::string();
}

std::string Home() {
  std::string home = Environment("HOME");
  return home.empty() ? std::string("/tmp") : home;
}

bool IsValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    if (length == 2 && c < 0xC2) return false;  // overlong
    unsigned long code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += length;
  }
  return true;
}

// Characters that the Exec key reserves: a word holding one of them must be quoted.
bool NeedsQuoting(const std::string& word) {
  return word.empty() || word.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

}  // namespace

std::string AsUtf8(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  std::string utf8;
  for (unsigned char c : text) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

std::string EscapeDesktopValue(const std::string& text) {
  std::string escaped;
  for (char c : AsUtf8(text)) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      case '\t': escaped += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) >= 32 && c != 127) escaped += c;
    }
  }
  return escaped;
}

std::string ExecValue(const std::vector<std::string>& command) {
  std::string value;
  for (const std::string& word : command) {
    if (!value.empty()) value += ' ';
    std::string text;
    for (char c : word) {
      if (c == '%') text += "%%";
      else if (NeedsQuoting(word) && (c == '"' || c == '`' || c == '$' || c == '\\')) text += std::string("\\") + c;
      else text += c;
    }
    value += NeedsQuoting(word) ? "\"" + text + "\"" : text;
  }
  return value;
}

std::string DesktopEntryText(const DesktopEntry& entry) {
  std::string text = "[Desktop Entry]\nType=" + entry.type + "\nName=" + EscapeDesktopValue(entry.name) + "\n";
  if (!entry.comment.empty() && entry.comment != entry.name)
    text += "Comment=" + EscapeDesktopValue(entry.comment) + "\n";
  if (entry.type == "Application") {
    text += "Exec=" + EscapeDesktopValue(ExecValue(entry.command)) + "\n";
    if (!entry.workingDirectory.empty()) text += "Path=" + EscapeDesktopValue(entry.workingDirectory) + "\n";
    text += "Terminal=false\n";
  }
  if (!entry.icon.empty()) text += "Icon=" + EscapeDesktopValue(entry.icon) + "\n";
  if (!entry.categories.empty()) text += "Categories=" + EscapeDesktopValue(entry.categories) + "\n";
  return text;
}

std::string DesktopFileId(const std::string& name) {
  std::string id;
  bool dash = false;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      if (dash && !id.empty()) id += '-';
      id += static_cast<char>(c);
      dash = false;
    } else if (c >= 'A' && c <= 'Z') {
      if (dash && !id.empty()) id += '-';
      id += static_cast<char>(c - 'A' + 'a');
      dash = false;
    } else {
      dash = true;
    }
  }
  return id.empty() ? std::string("unnamed") : id;
}

std::string XdgDataHome() {
  std::string dir = Environment("XDG_DATA_HOME");
  return dir.empty() ? Home() + "/.local/share" : dir;
}

std::string XdgConfigHome() {
  std::string dir = Environment("XDG_CONFIG_HOME");
  return dir.empty() ? Home() + "/.config" : dir;
}

std::string XdgDesktopDirectory() {
  std::string dir = Environment("XDG_DESKTOP_DIR");
  if (!dir.empty()) return dir;
  // The user's directories file: lines such as XDG_DESKTOP_DIR="$HOME/Desktop".
  std::ifstream dirs(XdgConfigHome() + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DESKTOP_DIR=";
  while (std::getline(dirs, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) value = Home() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return Home() + "/Desktop";
}

bool MakeDirectories(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
  }
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteWholeFile(const std::string& path, const std::string& text, bool executable) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) return false;
  std::string temporary = path + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, executable ? 0755 : 0644);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < text.size()) {
    ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  bool ok = written == text.size();
  if (close(fd) != 0) ok = false;
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

}  // namespace installer
