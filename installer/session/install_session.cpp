#include "installer/session/install_session.h"

#include <cstdio>
#include <vector>

#include "installer/commands/script_paths.h"
#include "installer/script/interpreter.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace installer {

const char* const kMainCaption = "Varnel Quillon Application Setup";
const char* const kPathLabel = "Your software will be installed in:";
const char* const kPleaseWaitStatus = "Please wait...";
const char* const kSuccessFormat = "%s has been successfully installed.";
const char* const kDamagedArchiveMessage = "This archive has been damaged and cannot be installed.";
const char* const kNoMemoryMessage = "There has been an error allocating memory.";

bool HasNoIntroSwitch(const std::string& commandLine) {
  return commandLine.find("/CD") != std::string::npos;
}

std::string PathFieldText(const InstallerSettings& settings, const std::string& windowsDirectory) {
  if (settings.existingPath) return settings.defaultPath;
  bool drive = windowsDirectory.size() >= 2 && windowsDirectory[1] == ':';
  if (!drive) return settings.defaultPath;
  return std::string(1, windowsDirectory[0]) + ":" + settings.defaultPath;
}

std::string MainWindowCaption(const std::string& dialogCaption, const std::string& productName) {
  return dialogCaption + " - " + productName;
}

std::vector<std::string> CreatePathDirectories(const std::string& path) {
  std::vector<std::string> made;
  std::string walk = NativePath(path);
  if (walk.empty() || (walk.back() != '\\' && walk.back() != '/')) walk += '/';
  for (size_t i = 0; i < walk.size(); ++i) {
    if ((walk[i] == '\\' || walk[i] == '/') && i > 0 && platform::MakeDirectory(walk.substr(0, i)))
      made.push_back(walk.substr(0, i));
  }
  return made;
}

bool LoadInstallScript(ScriptText* script) {
  platform::ResourceBytes bytes;
  if (!platform::FindRawData("INSTALLSCRIPT", &bytes)) return false;
  *script = {bytes.data, bytes.size};
  return true;
}

int InstallSession::Start() { return RunSetupPass(script_, context_); }

std::string InstallSession::IntroText(bool noIntro) const {
  return noIntro ? std::string() : context_.settings.introText;
}

void InstallSession::Install(const std::string& pathText) {
  context_.ui->Show(kPleaseWaitStatus);
  std::string path = pathText.substr(0, kInstallPathLimit);
  madeDirectories_ = CreatePathDirectories(path);
  context_.substitutions.values[0] = path;
  actionResult_ = RunActionPass(script_, context_);
  ran_ = true;
}

int InstallSession::Finish() {
  if (!ran_) return kExitCancelled;
  if (actionResult_ == 0) return context_.quitRequested ? 0 : kExitFailed;
  if (!context_.settings.closingText.empty()) context_.ui->ShowMessage(context_.settings.closingText);
  std::vector<char> success(context_.settings.productName.size() + 64);
  std::snprintf(success.data(), success.size(), kSuccessFormat, context_.settings.productName.c_str());
  context_.ui->ShowMessage(success.data());
  RunClosingPass(script_, context_);
  return kExitInstalled;
}

}  // namespace installer
