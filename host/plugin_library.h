// Finding and loading plug-in libraries, and the three exports the host calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/host_interface.h"

using EntryPointFunction = int(PLUGIN_API*)(void* module, uint32_t reason, void* reserved);
using GetParamsFunction = int(PLUGIN_API*)(PluginDescription* description, void* unused);
using DoBuildFunction = int(PLUGIN_API*)(WindowHandle owner, const HostBuildRecord* host, void* unused);

struct PluginExports {
  void* module = nullptr;  // handed to DllEntryPoint
  EntryPointFunction entryPoint = nullptr;
  GetParamsFunction getParams = nullptr;
  DoBuildFunction doBuild = nullptr;
};

// Reason code DllEntryPoint receives when a library is loaded.
constexpr uint32_t kProcessAttach = 1;

// A loaded plug-in library; unloaded when destroyed.
class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library, finds its three exports and calls DllEntryPoint. False, with
  // the reason in `error`, when it is not a plug-in.
  bool open(const std::string& path, std::string* error);
  const PluginExports& exports() const { return exports_; }

 private:
  void* library_ = nullptr;
  PluginExports exports_;
};

// The effect name and notice a plug-in gives through PLUGINGetPluginParams.
bool DescribePlugin(const PluginExports& exports, std::string* name, std::string* notice);

// Where plug-ins are looked for, in this order: the directory given on the command line
// (if any), the directories of $FWHOST_PLUGIN_PATH (separated by ':' or, on Windows,
// ';'), and the directory of the host program itself.
std::vector<std::string> PluginDirectories(const std::string& option);

// The plug-in library files in the directories: names starting with "fwplg" (or
// "libfwplg") and ending with the target's library suffix, each name once (the first
// directory wins), sorted by name within each directory.
std::vector<std::string> FindPluginFiles(const std::vector<std::string>& directories);

// The path of the library with base name `base` ("fwplgcrl") in the directories, or
// empty.
std::string LocatePlugin(const std::string& base, const std::vector<std::string>& directories);
