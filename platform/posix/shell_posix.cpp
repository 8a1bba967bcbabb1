// On POSIX desktops documents are opened by xdg-open; without it nothing can open them.
// Document names are matched without regard to case, as the plug-ins name their files the
// Windows way ("FWPLGKS1.HTML") while the installer unpacks them as stored (fwplgks1.html).
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"

extern char** environ;

namespace platform {
namespace {

bool Spawn(const std::vector<std::string>& words) {
  if (words.empty()) return false;
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// A file URL of an absolute path, every byte other than letters, digits, "/-._~" escaped.
std::string FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

// A document argument "path" or "path#topic" with the path spelled as it exists. A topic
// can only reach the opener as part of a URL, so "path#topic" becomes a file URL.
std::string DocumentArgument(const std::string& argument) {
  if (Exists(argument)) return argument;
  size_t hash = argument.rfind('#');
  std::string document = argument.substr(0, hash), spelled = ExistingSpelling(document);
  if (spelled.empty()) return argument;
  if (hash == std::string::npos) return spelled;
  if (spelled[0] != '/') return spelled + argument.substr(hash);
  return FileUrl(spelled) + argument.substr(hash);
}

}  // namespace

bool FindAssociatedProgram(const std::string& document, std::string* program) {
  if (ExistingSpelling(document).empty() || !ProgramOnPath("xdg-open")) return false;
  *program = "xdg-open";
  return true;
}

bool StartProgram(const std::string& commandLine, bool maximised) {
  // The command lines built here are "program document[#topic]"; split at the first blank.
  size_t space = commandLine.find(' ');
  if (space == std::string::npos) return Spawn({commandLine});
  return Spawn({commandLine.substr(0, space), DocumentArgument(commandLine.substr(space + 1))});
}

bool OpenWithShell(const std::string& target) { return ProgramOnPath("xdg-open") && Spawn({"xdg-open", target}); }

}  // namespace platform
