// POSIX runs plug-in dialogs headless: the owner window handed to PLUGINDoBuild is the
// address of a HeadlessSession carrying the actions (framework/headless_session.h).
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "framework/headless_session.h"
#include "host/exit_cleanup.h"
#include "host/plugin_session.h"
#include "platform/directories.h"
#include "platform/files.h"

namespace {

void ShowMessage(void* context, const char* text, const char* title) {
  static_cast<HostService*>(context)->showMessage(text ? text : "", title ? title : "");
}

void KeepDialogState(void* context, const char* json) {
  static_cast<HostService*>(context)->dialogState = json ? json : "";
}

}  // namespace

SessionResult RunPluginSession(const PluginExports& exports, HostService& service, const RunPlan& plan,
                               const PrivateSettingsDirectory& settings) {
  if (!plan.screenshot.empty() || !plan.aboutScreenshot.empty()) {
    SessionResult refused;
    refused.dialogResult = -1;
    refused.refusal = MakeRefusal(RefusalKind::NeedsWindows);
    return refused;
  }
  std::string script = ActionScript(plan);
  HeadlessSession session;
  std::memset(&session, 0, sizeof session);
  session.size = sizeof session;
  session.version = kHeadlessSessionVersion;
  session.actions = script.c_str();
  session.showMessage = &ShowMessage;
  session.context = &service;
  if (service.wantsDialogState) session.dialogState = &KeepDialogState;
  session.clipboardHasPicture = plan.clipboardFile.empty() ? 0 : 1;
  session.threads = plan.threads;
  session.settingsDirectory = settings.path().empty() ? nullptr : settings.path().c_str();
  HostBuildRecord record = service.record(plan.capabilities);
  exports.doBuild(&session, &record, nullptr);
  SessionResult result;
  result.dialogResult = session.result;
  result.refusal = session.refusal;
  result.refusal.text[sizeof result.refusal.text - 1] = '\0';
  return result;
}

PrivateSettingsDirectory::~PrivateSettingsDirectory() {
  if (directory_.empty()) return;
  RemovePath(directory_, true);
  ForgetWhenStopped(directory_);
}

bool PrivateSettingsDirectory::open(std::string* error) {
  std::string pattern = platform::JoinPath(platform::TemporaryDirectory(), "fwhost-XXXXXX");
  directory_ = MakeRemovedWhenStopped(
      [&] {
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        return mkdtemp(name.data()) ? std::string(name.data()) : std::string();
      },
      true);
  if (directory_.empty()) {
    *error = "cannot make a private settings directory in " + platform::TemporaryDirectory();
    return false;
  }
  // The host's own settings file stays visible, so that Help still finds the installed
  // help document; only the plug-ins' settings files are private to the run.
  std::string hostSettings = platform::ExistingSpelling(platform::JoinPath(platform::WindowsDirectory(), "FWHOST.INI"));
  std::error_code ignored;
  if (!hostSettings.empty())
    std::filesystem::copy_file(hostSettings, platform::JoinPath(directory_, "FWHOST.INI"), ignored);
  return true;
}
