#include <sys/stat.h>

#include <cstdlib>

#include "platform/directories.h"

namespace platform {
namespace {

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : std::string();
}

// Creates the directory and its parents when missing; failures show later, when a
// file in it cannot be opened.
void MakeDirectories(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
  }
}

// Set and read on the user-interface thread only, around and inside a host's session.
std::string g_windowsOverride;

}  // namespace

std::string OverrideWindowsDirectory(const std::string& directory) {
  std::string previous = g_windowsOverride;
  g_windowsOverride = directory;
  return previous;
}

// The directories by the rules of directories.h, without creating them.
std::string WindowsDirectoryName() {
  if (!g_windowsOverride.empty()) return g_windowsOverride;
  std::string dir = FromEnvironment("KESTREL_WINDOWS_DIR");
  if (dir.empty()) {
    std::string config = FromEnvironment("XDG_CONFIG_HOME");
    if (config.empty()) {
      std::string home = FromEnvironment("HOME");
      config = (home.empty() ? std::string("/tmp") : home) + "/.config";
    }
    dir = config + "/kestrel";
  }
  return dir;
}

std::string SystemDirectoryName() {
  std::string dir = FromEnvironment("KESTREL_SYSTEM_DIR");
  return dir.empty() ? JoinPath(WindowsDirectoryName(), "system") : dir;
}

std::string StartupDirectoryName() {
  std::string dir = FromEnvironment("KESTREL_STARTUP_DIR");
  return dir.empty() ? JoinPath(WindowsDirectoryName(), "Startup") : dir;
}

std::string WindowsDirectory() {
  std::string dir = WindowsDirectoryName();
  // An override is the caller's to make.
  if (g_windowsOverride.empty()) MakeDirectories(dir);
  return dir;
}

std::string DataDirectory() {
  std::string data = FromEnvironment("XDG_DATA_HOME");
  if (data.empty()) {
    std::string home = FromEnvironment("HOME");
    data = (home.empty() ? std::string("/tmp") : home) + "/.local/share";
  }
  return data + "/kestrel";
}

std::string InstalledPluginDirectory() { return JoinPath(DataDirectory(), "plugins"); }

std::string SystemDirectory() {
  std::string dir = SystemDirectoryName();
  MakeDirectories(dir);
  return dir;
}

std::string TemporaryDirectory() {
  std::string dir = FromEnvironment("TMPDIR");
  return dir.empty() ? std::string("/tmp") : dir;
}

std::string StartupDirectory() {
  std::string dir = StartupDirectoryName();
  MakeDirectories(dir);
  return dir;
}

StandardDirectories DirectoriesWithoutCreating() {
  return {WindowsDirectoryName(), SystemDirectoryName(), StartupDirectoryName()};
}

}  // namespace platform
