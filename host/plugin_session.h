// Running a plug-in's dialog for one command line: PLUGINDoBuild with the host's record,
// the dialog driven by the plan's actions.
#pragma once

#include <string>

#include "host/command_line.h"
#include "host/host_service.h"
#include "host/plugin_library.h"

struct SessionResult {
  int dialogResult = 0;  // 1 OK, 0 Cancel, -1 an action was refused or the dialog destroyed itself
  std::string error;     // why an action was refused
};

SessionResult RunPluginSession(const PluginExports& exports, HostService& service, const RunPlan& plan);

// A private, empty settings directory for the span of a run, so that the plug-in starts
// from its built-in settings and the user's settings files are left alone. Removed
// with everything in it when destroyed.
class PrivateSettingsDirectory {
 public:
  PrivateSettingsDirectory() = default;
  ~PrivateSettingsDirectory();
  PrivateSettingsDirectory(const PrivateSettingsDirectory&) = delete;
  PrivateSettingsDirectory& operator=(const PrivateSettingsDirectory&) = delete;

  bool open(std::string* error);

 private:
  std::string directory_;
  std::string previous_;
  bool hadPrevious_ = false;
  int stopStep_ = 0;  // puts things back when the run is stopped
};

// The exports of the effect built into the host.
PluginExports BuiltInExports();
