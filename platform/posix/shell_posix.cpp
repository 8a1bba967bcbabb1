// On POSIX desktops documents are opened by xdg-open; without it nothing can open them.
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

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

}  // namespace

bool FindAssociatedProgram(const std::string& document, std::string* program) {
  struct stat info;
  if (stat(document.c_str(), &info) != 0 || !ProgramOnPath("xdg-open")) return false;
  *program = "xdg-open";
  return true;
}

bool StartProgram(const std::string& commandLine, bool maximised) {
  // The command lines built here are "program document[#topic]"; split at the first blank.
  size_t space = commandLine.find(' ');
  if (space == std::string::npos) return Spawn({commandLine});
  return Spawn({commandLine.substr(0, space), commandLine.substr(space + 1)});
}

bool OpenWithShell(const std::string& target) { return ProgramOnPath("xdg-open") && Spawn({"xdg-open", target}); }

}  // namespace platform
