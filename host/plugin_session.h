// Running a plug-in's dialog for one command line: PLUGINDoBuild with the host's record,
// the dialog driven by the plan's actions.
#pragma once

#include <string>

#include "framework/action_refusal.h"
#include "host/command_line.h"
#include "host/host_service.h"
#include "host/plugin_library.h"

struct SessionResult {
  int dialogResult = 0;  // 1 OK, 0 Cancel, -1 an action was refused or the dialog destroyed itself
  ActionRefusal refusal = MakeRefusal(RefusalKind::None);  // why an action was refused
};

// A private, empty settings directory for the span of a run, so that the plug-in starts
// from its built-in settings and the user's settings files are left alone. Removed
// with everything in it when destroyed. On POSIX the session hands it to the plug-in;
// on Windows, where the plug-ins' settings live in the Windows directory, their files
// are moved aside into it for the run and put back afterwards.
class PrivateSettingsDirectory {
 public:
  PrivateSettingsDirectory() = default;
  ~PrivateSettingsDirectory();
  PrivateSettingsDirectory(const PrivateSettingsDirectory&) = delete;
  PrivateSettingsDirectory& operator=(const PrivateSettingsDirectory&) = delete;

  bool open(std::string* error);
  // The directory; empty when not open.
  const std::string& path() const { return directory_; }

 private:
  std::string directory_;
  int stopStep_ = 0;  // puts things back when the run is stopped
};

// Runs the plug-in's dialog for the plan on `threads` threads (0: the plug-in's own
// choice), with its settings in `settings` when that is open.
SessionResult RunPluginSession(const PluginExports& exports, HostService& service, const RunPlan& plan,
                               const PrivateSettingsDirectory& settings);

// The exports of the effect built into the host.
PluginExports BuiltInExports();
