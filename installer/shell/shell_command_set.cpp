// The shell-integration words of the command table, and the start-up and end steps of
// the Program Manager conversation.
#include "installer/script/command_table.h"
#include "installer/shell/program_manager.h"
#include "installer/shell/shell_commands.h"

namespace installer {
namespace {

constexpr ScriptPass kAction = ScriptPass::Action;
constexpr ScriptPass kClosing = ScriptPass::Closing;

// The third column says whether the handler's result decides whether the script goes
// on; of these words only `dooptions` can return anything but 1.
const ScriptCommand kShellCommands[] = {
    {"groupcreate", kAction, false, GroupCreateCommand},
    {"groupadd", kAction, false, GroupAddCommand},
    {"runapp", kAction, true, RunAppCommand},
    {"addtostartmenu", kAction, false, AddToStartMenuCommand},
    {"setsaver", kAction, true, SetSaverCommand},
    {"addshortcut", kAction, true, AddShortcutCommand},
    {"dooptions", kAction, true, DoOptionsCommand},
    {"processoptions", kAction, true, ProcessOptionsCommand},
    {"runinstaller", kAction, true, RunInstallerCommand},
    {"showfile", kClosing, false, ShowFileCommand},
};

bool StartShell(InstallContext& context) { return PrepareProgramGroups(); }

void FinishShell(InstallContext& context, int result) { EndProgramGroups(result); }

}  // namespace

const CommandSet& ShellCommandSet() {
  static const CommandSet kSet{kShellCommands, sizeof kShellCommands / sizeof kShellCommands[0], StartShell,
                               FinishShell};
  return kSet;
}

}  // namespace installer
