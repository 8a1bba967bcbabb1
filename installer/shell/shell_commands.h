// The handlers of the install script's shell-integration words. Each takes the install
// context and the three argument texts and returns 1 to go on; only `dooptions` can
// stop the installation (0 when the user cancels).
#pragma once

#include <string>

#include "installer/script/command_table.h"

namespace installer {

int GroupCreateCommand(InstallContext& context, const ScriptArguments& args);
int GroupAddCommand(InstallContext& context, const ScriptArguments& args);
int AddToStartMenuCommand(InstallContext& context, const ScriptArguments& args);
int AddShortcutCommand(InstallContext& context, const ScriptArguments& args);
int SetSaverCommand(InstallContext& context, const ScriptArguments& args);
int RunAppCommand(InstallContext& context, const ScriptArguments& args);
int RunInstallerCommand(InstallContext& context, const ScriptArguments& args);
int DoOptionsCommand(InstallContext& context, const ScriptArguments& args);
int ProcessOptionsCommand(InstallContext& context, const ScriptArguments& args);
int ShowFileCommand(InstallContext& context, const ScriptArguments& args);

// The messages and the question these commands show.
extern const char* const kRunFailedMessage;
extern const char* const kInstallerFailedMessage;
extern const char* const kWhatsNewFailedMessage;
extern const char* const kScreenSaverQuestion;  // "%s": the product name
extern const char* const kDocumentNamedMessage;  // "%s": the document; no opener at hand

// The screen saver's time-out in minutes for the script's text: its leading number,
// below 1 taken as 1, 30 or more as 30.
int ScreenSaverMinutes(const std::string& text);

// The time-out that `processoptions` gives the screen saver, in seconds.
constexpr int kOptionsScreenSaverSeconds = 30 * 60;

// The What's New document in the install directory.
extern const char* const kWhatsNewDocument;

}  // namespace installer
