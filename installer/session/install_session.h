// The installer's main flow, written once for every front end: start-up, the setup
// pass and the intro, the path field, OK (directories, action pass) and the end
// (closing text, success message, closing pass).
#pragma once

#include <string>
#include <vector>

#include "installer/script/install_context.h"
#include "installer/script/script_text.h"

namespace installer {

// Texts of the main window and of the start-up failures.
extern const char* const kMainCaption;        // "Varnel Quillon Application Setup"
extern const char* const kPathLabel;          // "Your software will be installed in:"
extern const char* const kPleaseWaitStatus;   // "Please wait..."
extern const char* const kSuccessFormat;      // "%s has been successfully installed."
extern const char* const kDamagedArchiveMessage;
extern const char* const kNoMemoryMessage;

// Exit codes of the installer. Start-up failures and a declined licence end with 0 as
// well, at once.
constexpr int kExitInstalled = 0;
constexpr int kExitFailed = 1;     // a command stopped the installation
constexpr int kExitCancelled = 2;  // Cancel before OK: nothing was run

// True when the command line holds "/CD" anywhere (case matters): no intro text.
bool HasNoIntroSwitch(const std::string& commandLine);

// The initial text of the path field: the default path unchanged when it came from an
// existing installation, otherwise the drive letter of the Windows directory, a colon
// and the default path (on a system without drive letters, the default path alone).
std::string PathFieldText(const InstallerSettings& settings, const std::string& windowsDirectory);

// The main window's caption: the dialog's own caption, " - " and the product name.
std::string MainWindowCaption(const std::string& dialogCaption, const std::string& productName);

// Creates every directory along `path`, one level at a time; failures (the drive, a
// directory that exists) are ignored. Returns the directories it made, outermost first.
std::vector<std::string> CreatePathDirectories(const std::string& path);

// The script loaded from the `InstallScript` resource, empty when it is missing.
bool LoadInstallScript(ScriptText* script);

// One run of the installer over a script and a front end.
class InstallSession {
 public:
  InstallSession(ScriptText script, InstallContext& context) : script_(script), context_(context) {}

  // Runs the setup pass (the main window being made); its result.
  int Start();
  // The intro text to show now, or empty (none, or "/CD" given).
  std::string IntroText(bool noIntro) const;
  // OK with the path field's text: the directories are made and the action pass runs
  // with `pathText` (cut to kInstallPathLimit characters) as %1. Finish() follows.
  void Install(const std::string& pathText);
  // Cancel, and the end of every OK: after a successful action pass, the closing text,
  // the success message and the closing pass. Returns the exit code.
  int Finish();

  bool installed() const { return actionResult_ != 0; }
  // The directories that Install() made along the path, outermost first.
  const std::vector<std::string>& madeDirectories() const { return madeDirectories_; }

 private:
  ScriptText script_;
  InstallContext& context_;
  int actionResult_ = 0;
  bool ran_ = false;
  std::vector<std::string> madeDirectories_;
};

}  // namespace installer
