// Windows runs plug-in dialogs for real: PLUGINDoBuild gets a hidden owner window of the
// host, and a DialogDriver works the dialog by window messages, reading and closing the
// message boxes the plug-in shows and taking the screenshots asked for.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/dib_view.h"
#include "framework/parallel.h"
#include "host/exit_cleanup.h"
#include "host/picture_file.h"
#include "host/plugin_session.h"
#include "host/win32/dialog_driver.h"
#include "platform/directories.h"

namespace {

// Puts the picture of `path` on the clipboard as a device-independent bitmap, so that
// the dialog's Paste button is enabled as for a user who copied a picture.
void PutOnClipboard(const std::string& path) {
  std::string error;
  DibImage picture = LoadPictureFile(path, &error);
  if (!picture || !OpenClipboard(nullptr)) {
    FreeDibImage(picture);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_DIB, picture)) FreeDibImage(picture);  // the clipboard owns it on success
  CloseClipboard();
}

}  // namespace

SessionResult RunPluginSession(const PluginExports& exports, HostService& service, const RunPlan& plan,
                               const PrivateSettingsDirectory&) {
  SessionResult result;
  std::vector<DialogAction> actions;
  if (!ParseDialogActions(ActionScript(plan), &actions, &result.refusal)) {
    result.dialogResult = -1;
    return result;
  }
  // A real plug-in has no session record: the thread count reaches it through the
  // environment, as a user's own setting would.
  if (plan.threads > 0) platform::WriteEnvironment(kThreadsVariable, std::to_string(plan.threads).c_str());
  if (!plan.clipboardFile.empty()) PutOnClipboard(plan.clipboardFile);
  HWND owner = CreateWindowA("STATIC", "fwhost", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  {
    DialogDriver driver(owner, actions);
    if (!plan.screenshot.empty()) driver.screenshotDialog(plan.screenshot);
    if (!plan.aboutScreenshot.empty()) driver.screenshotAbout(plan.aboutScreenshot, plan.aboutButton);
    HostBuildRecord record = service.record(plan.capabilities);
    exports.doBuild(owner, &record, nullptr);
    for (const auto& message : driver.messages()) service.showMessage(message.first, message.second);
    result.refusal = driver.refusal();
    result.dialogResult = result.refusal.refused() ? -1 : 1;
  }
  DestroyWindow(owner);
  return result;
}

// The settings files live in the Windows directory, which cannot be moved for one run:
// the plug-ins' files and the built-in Frames effect's are moved aside into a private
// directory for the run and put back afterwards, also when the run is stopped with Ctrl-C.
namespace {

const char* const kSettingsFiles[] = {"FWPLG*.INI", "FWHOSTFR.INI"};

// Calls `act` with the name of every settings file in `directory`.
template <class Act>
void ForEachSettingsFile(const std::string& directory, Act act) {
  for (const char* pattern : kSettingsFiles) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(platform::JoinPath(directory, pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do act(std::string(found.cFileName));
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
}

void PutSettingsBack(const std::string& directory) {
  std::string windows = platform::WindowsDirectory();
  // Drop what the run wrote, then bring the user's files back.
  ForEachSettingsFile(windows, [&](const std::string& name) { DeleteFileA(platform::JoinPath(windows, name).c_str()); });
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(platform::JoinPath(directory, "*.INI").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do MoveFileA(platform::JoinPath(directory, found.cFileName).c_str(), platform::JoinPath(windows, found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(directory.c_str());
}

}  // namespace

PrivateSettingsDirectory::~PrivateSettingsDirectory() {
  if (directory_.empty()) return;
  ForgetStep(stopStep_);
  PutSettingsBack(directory_);
}

bool PrivateSettingsDirectory::open(std::string* error) {
  std::string windows = platform::WindowsDirectory();
  char name[MAX_PATH] = "";
  if (!GetTempFileNameA(platform::TemporaryDirectory().c_str(), "fwh", 0, name) || !DeleteFileA(name) ||
      !CreateDirectoryA(name, nullptr)) {
    *error = "cannot make a private settings directory in " + platform::TemporaryDirectory();
    return false;
  }
  directory_ = name;
  std::string directory = directory_;
  stopStep_ = RunWhenStopped([directory] { PutSettingsBack(directory); });
  ForEachSettingsFile(windows, [&](const std::string& name) {
    MoveFileA(platform::JoinPath(windows, name).c_str(), platform::JoinPath(directory_, name).c_str());
  });
  return true;
}
