// The handlers of the install script's settings, file, INI and check commands. Each
// takes the install context and the three argument texts (already `%`-expanded in the
// action pass) and returns 1 to let the script go on, 0 to stop it where it counts.
#pragma once

#include <string>

#include "installer/script/command_table.h"

namespace installer {

// Settings words (setup pass).
int SetNameCommand(InstallContext& context, const ScriptArguments& args);
int CheckDateCommand(InstallContext& context, const ScriptArguments& args);
int SetIniCommand(InstallContext& context, const ScriptArguments& args);
int SetPathCommand(InstallContext& context, const ScriptArguments& args);
int SetIntroCommand(InstallContext& context, const ScriptArguments& args);
int SayMessageCommand(InstallContext& context, const ScriptArguments& args);
int SetExtroCommand(InstallContext& context, const ScriptArguments& args);
int SetExistingPathCommand(InstallContext& context, const ScriptArguments& args);
int CheckWindows95Command(InstallContext& context, const ScriptArguments& args);

// File commands (action pass).
int CopyCommand(InstallContext& context, const ScriptArguments& args);
int MoveFileCommand(InstallContext& context, const ScriptArguments& args);
int MakeDirectoryCommand(InstallContext& context, const ScriptArguments& args);
int CheckFileExistsCommand(InstallContext& context, const ScriptArguments& args);
int AddToUninstallCommand(InstallContext& context, const ScriptArguments& args);
int UnzipCommand(InstallContext& context, const ScriptArguments& args);

// INI commands (action pass).
int CheckInstalledVersionCommand(InstallContext& context, const ScriptArguments& args);
int CheckPatchLevelCommand(InstallContext& context, const ScriptArguments& args);
int AddProfileCommand(InstallContext& context, const ScriptArguments& args);

// System files and machine checks (action pass).
int InstallTwainDriverCommand(InstallContext& context, const ScriptArguments& args);
int InstallSystemLibraryCommand(InstallContext& context, const ScriptArguments& args);
int SwapDiskCommand(InstallContext& context, const ScriptArguments& args);
int CheckDriverCommand(InstallContext& context, const ScriptArguments& args);
int CheckProcessorCommand(InstallContext& context, const ScriptArguments& args);
int ShowLicenseCommand(InstallContext& context, const ScriptArguments& args);

// The messages the commands show themselves.
extern const char* const kCopyingStatus;      // "Copying %s"
extern const char* const kCopyFailedMessage;  // "Error unpacking %s"
extern const char* const kFewColoursMessage;

// The age notice of `checkdate` for an installer built on `buildDate` ("Sep 13 2002"),
// as of `year` and `month`; empty when the installer is less than a year old or the
// date cannot be read.
std::string AgeNotice(const std::string& buildDate, int year, int month);

// The licence text as the licence dialog shows it: every line end (CR LF, bare CR or
// bare LF) turned into CR LF.
std::string LicenseDisplayText(const unsigned char* text, size_t size);

}  // namespace installer
