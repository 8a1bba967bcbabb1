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
// on; of these words only `dooptions` can return anything but 1. The last column is
// null where a word does the same on Linux as on Windows.
constexpr const char* kSame = nullptr;

const ScriptCommand kShellCommands[] = {
    {"groupcreate", kAction, false, GroupCreateCommand, {"group name"}, 1,
     "Program Manager: deletes the group and creates it anew, empty; it becomes the current group.",
     "Makes the group a submenu of the desktop's applications menu, removing the items it had."},
    {"groupadd", kAction, false, GroupAddCommand, {"command line", "item title", "icon file (empty: the command)"}, 2,
     "Program Manager: adds an item to the current group.",
     "Adds a desktop entry to the current group's submenu."},
    {"runapp", kAction, true, RunAppCommand, {"command line", "question"}, 2,
     "Asks the question; on Yes runs the program and waits for it to end; never stops.", kSame},
    {"addtostartmenu", kAction, false, AddToStartMenuCommand, {"question", "shortcut target", "shortcut name"}, 3,
     "Asks the question; on Yes makes a shortcut in the Start menu.",
     "Asks the question; on Yes makes a desktop entry in $XDG_DATA_HOME/applications."},
    {"setsaver", kAction, true, SetSaverCommand, {"screen-saver file", "time-out in minutes (1 to 30)"}, 2,
     "Asks whether to make the file the default screen saver; never stops.",
     "The same question; Yes records the choice in SYSTEM.INI and WIN.INI of the settings directory."},
    {"addshortcut", kAction, true, AddShortcutCommand, {"question", "shortcut target", "shortcut name"}, 3,
     "Asks the question; on Yes makes a shortcut on the desktop; never stops.",
     "Asks the question; on Yes makes a desktop entry on the desktop ($XDG_DESKTOP_DIR)."},
    {"dooptions", kAction, true, DoOptionsCommand, {"name in the dialog's title", "option letters (w m d s)"}, 2,
     "Shows the options dialog with a box for each letter (upper case: ticked); Cancel stops.",
     "Asks one question for each letter; an answer that closes the input stops."},
    {"processoptions", kAction, true, ProcessOptionsCommand,
     {"shortcut target", "shortcut name", "screen-saver file"}, 0,
     "Carries out the options chosen in dooptions: What's New, Start menu, desktop, screen saver; never stops.",
     kSame},
    {"runinstaller", kAction, true, RunInstallerCommand,
     {"command line", "question", "INI file,program file,section"}, 3,
     "Unless the INI file's ApplicationPath holds the program file, asks the question and on Yes starts the "
     "installer without waiting; never stops.",
     kSame},
    {"showfile", kClosing, false, ShowFileCommand, {"file in the install directory"}, 1,
     "Opens the file with the program the shell associates with it.",
     "Opens the file with xdg-open; without it, names the file in a message."},
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
