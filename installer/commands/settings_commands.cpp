// The settings words of the setup pass.
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "installer/commands/commands.h"
#include "installer/commands/script_paths.h"
#include "platform/profile.h"

namespace installer {
namespace {

// The words that set one text setting from their argument; every setting holds at most
// one line's worth of text.
template <std::string InstallerSettings::*Setting>
int SetSetting(InstallContext& context, const ScriptArguments& args) {
  context.settings.*Setting = args.arg1.substr(0, kScriptLineLimit);
  return 1;
}

const char* const kMakerAddress = "http://www.varnelquillon.example/";

}  // namespace

int SetNameCommand(InstallContext& context, const ScriptArguments& args) {
  return SetSetting<&InstallerSettings::productName>(context, args);
}
int SetIniCommand(InstallContext& context, const ScriptArguments& args) {
  return SetSetting<&InstallerSettings::iniSection>(context, args);
}
int SetPathCommand(InstallContext& context, const ScriptArguments& args) {
  return SetSetting<&InstallerSettings::defaultPath>(context, args);
}
int SetIntroCommand(InstallContext& context, const ScriptArguments& args) {
  return SetSetting<&InstallerSettings::introText>(context, args);
}
int SetExtroCommand(InstallContext& context, const ScriptArguments& args) {
  return SetSetting<&InstallerSettings::closingText>(context, args);
}

int SayMessageCommand(InstallContext& context, const ScriptArguments& args) {
  context.ui->ShowMessage(args.arg1);
  return 1;
}

int SetExistingPathCommand(InstallContext& context, const ScriptArguments& args) {
  std::string file = NativePath(JoinScriptPath(context.WindowsDirectory(), args.arg1));
  std::string value =
      platform::ReadProfileString(context.settings.iniSection, args.arg2, "~", file, kScriptLineLimit);
  if (!value.empty() && value[0] == '~') return 1;
  if (!value.empty() && (value.back() == '\\' || value.back() == '/')) value.pop_back();
  context.settings.defaultPath = value;
  context.settings.existingPath = true;
  return 1;
}

int CheckWindows95Command(InstallContext& context, const ScriptArguments& args) {
  if (context.machine.windowsMajorVersion > 3) return 1;
  return context.ui->Ask(args.arg1) == kAnswerYes ? 1 : 0;
}

std::string AgeNotice(const std::string& buildDate, int year, int month) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (buildDate.size() < 8) return std::string();
  int buildMonth = 0;
  for (int m = 0; m < 12 && !buildMonth; ++m) {
    bool same = true;
    for (int i = 0; i < 3; ++i) {
      same = same && std::toupper(static_cast<unsigned char>(buildDate[i])) == kMonths[m][i];
    }
    if (same) buildMonth = m + 1;
  }
  if (!buildMonth) return std::string();
  int buildYear = std::atoi(buildDate.c_str() + 7);
  long months = (static_cast<long>(year) - buildYear) * 12 + (month - buildMonth);
  if (months < 12) return std::string();
  char first[96];
  std::snprintf(first, sizeof first, "This software is more than %ld year(s) old.", (months + 1) / 12);
  return std::string(first) +
         "\r\n\r\nWhile it is fully functional, there have been later releases of this package "
         "with enhanced functionality. Please visit our web page at\r\n\r\n" +
         kMakerAddress + "\r\n\r\nto download the current version of this application.";
}

int CheckDateCommand(InstallContext& context, const ScriptArguments& args) {
  std::string notice = AgeNotice(context.age.buildDate, context.age.year, context.age.month);
  if (!notice.empty()) context.ui->ShowMessage(notice);
  return 1;
}

}  // namespace installer
