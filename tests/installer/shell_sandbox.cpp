#include "tests/installer/shell_sandbox.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace shell_test {

namespace {
const char* const kVariables[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DESKTOP_DIR", "KESTREL_WINDOWS_DIR",
                                  "PATH"};
}

void ShellSandbox::SetUp() {
  std::string pattern = (fs::temp_directory_path() / "kestrel-shell-XXXXXX").string();
  ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
  root = pattern;
  for (const char* name : kVariables) {
    const char* value = getenv(name);
    if (value) saved_[name] = value;
    else unset_.push_back(name);
  }
  setenv("HOME", (root / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
  setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
  setenv("XDG_DESKTOP_DIR", Desktop().c_str(), 1);
  setenv("KESTREL_WINDOWS_DIR", WindowsDir().c_str(), 1);
}

void ShellSandbox::TearDown() {
  for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  for (const std::string& name : unset_) unsetenv(name.c_str());
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

void ShellSandbox::InstallProgram(const std::string& name, const std::string& body) {
  fs::create_directories(Bin());
  fs::path program = Bin() / name;
  std::ofstream(program) << "#!/bin/sh\n" << body << "\n";
  fs::permissions(program, fs::perms::owner_all);
  std::string path = Bin().string();
  const char* old = getenv("PATH");
  if (old && *old) path += std::string(":") + old;
  setenv("PATH", path.c_str(), 1);
}

void ShellSandbox::HideDocumentOpener() {
  // A PATH with the shell only: no xdg-open.
  fs::path bare = root / "bare-bin";
  fs::create_directories(bare);
  std::error_code ignored;
  fs::create_symlink("/bin/sh", bare / "sh", ignored);
  setenv("PATH", bare.c_str(), 1);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<fs::path> EntriesUnder(const fs::path& directory) {
  std::vector<fs::path> found;
  std::error_code error;
  for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    std::string extension = it->path().extension().string();
    if (extension == ".desktop" || extension == ".directory") found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string Validate(const fs::path& file, bool* available) {
  *available = system("command -v desktop-file-validate >/dev/null 2>&1") == 0;
  if (!*available) return std::string();
  std::string command = "desktop-file-validate '" + file.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "cannot run desktop-file-validate";
  std::string output;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  int status = pclose(pipe);
  // Hints are advice about menus; errors and warnings are what a desktop would refuse.
  std::string report, line;
  std::istringstream lines(output);
  while (std::getline(lines, line))
    if (line.find("error:") != std::string::npos || line.find("warning:") != std::string::npos) report += line + "\n";
  if (status != 0 && report.empty()) report = "desktop-file-validate failed:\n" + output;
  return report;
}

}  // namespace shell_test
