#include "host/plugin_library.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/directories.h"
#include "platform/library.h"

namespace {

// Room given to PLUGINGetPluginParams: the record's fixed part and a long notice.
constexpr size_t kDescriptionBytes = 4096;

bool HasPrefix(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsPluginName(const std::string& name) {
  std::string suffix = platform::LibrarySuffix();
  if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  return HasPrefix(name, "fwplg") || HasPrefix(name, "libfwplg");
}

std::string PluginKey(const std::string& name) { return HasPrefix(name, "lib") ? name.substr(3) : name; }

}  // namespace

PluginLibrary::~PluginLibrary() { platform::CloseLibrary(library_); }

bool PluginLibrary::open(const std::string& path, std::string* error) {
  library_ = platform::OpenLibrary(path, error);
  if (!library_) return false;
  exports_.module = library_;
  exports_.entryPoint =
      reinterpret_cast<EntryPointFunction>(platform::FindLibraryFunction(library_, "DllEntryPoint", 12));
  exports_.getParams =
      reinterpret_cast<GetParamsFunction>(platform::FindLibraryFunction(library_, "PLUGINGetPluginParams", 8));
  exports_.doBuild = reinterpret_cast<DoBuildFunction>(platform::FindLibraryFunction(library_, "PLUGINDoBuild", 12));
  if (!exports_.getParams || !exports_.doBuild) {
    *error = "not a plug-in: PLUGINGetPluginParams or PLUGINDoBuild is missing";
    platform::CloseLibrary(library_);
    library_ = nullptr;
    exports_ = PluginExports();
    return false;
  }
  if (exports_.entryPoint) exports_.entryPoint(exports_.module, kProcessAttach, nullptr);
  return true;
}

bool DescribePlugin(const PluginExports& exports, std::string* name, std::string* notice) {
  if (!exports.getParams) return false;
  std::vector<char> record(kDescriptionBytes, '\0');
  auto* description = reinterpret_cast<PluginDescription*>(record.data());
  description->size = static_cast<uint32_t>(record.size());
  if (!exports.getParams(description, nullptr)) return false;
  record.back() = '\0';
  *name = std::string(description->name, strnlen(description->name, kRecordTextSize));
  *notice = record.data() + kDescriptionNoticeOffset;
  return true;
}

std::vector<std::string> PluginDirectories(const std::string& option) {
  std::vector<std::string> directories;
  if (!option.empty()) directories.push_back(option);
  if (const char* path = std::getenv("FWHOST_PLUGIN_PATH")) {
#ifdef _WIN32
    const char separator = ';';
#else
    const char separator = ':';
#endif
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, separator))
      if (!part.empty()) directories.push_back(part);
  }
  std::string own = platform::ProgramDirectory();
  if (!own.empty()) directories.push_back(own);
#ifndef _WIN32
  // Where the Linux installer puts them, so that an installed set is found without options.
  directories.push_back(platform::InstalledPluginDirectory());
#endif
  return directories;
}

std::vector<std::string> FindPluginFiles(const std::vector<std::string>& directories) {
  std::vector<std::string> files;
  std::set<std::string> seen;
  for (const std::string& directory : directories) {
    std::vector<std::string> names;
    std::error_code failure;
    for (const auto& entry : std::filesystem::directory_iterator(directory, failure)) {
      std::string name = entry.path().filename().string();
      if (IsPluginName(name) && entry.is_regular_file(failure)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
      if (seen.insert(PluginKey(name)).second) files.push_back(platform::JoinPath(directory, name));
  }
  return files;
}

std::string LocatePlugin(const std::string& base, const std::vector<std::string>& directories) {
  std::string suffix = platform::LibrarySuffix();
  for (const std::string& directory : directories) {
    for (const std::string& name : {base + suffix, "lib" + base + suffix}) {
      std::string path = platform::JoinPath(directory, name);
      std::error_code failure;
      if (std::filesystem::is_regular_file(path, failure)) return path;
    }
  }
  return std::string();
}
