// The command table of the settings, file, INI and check words, in matching order.
#include "installer/commands/commands.h"
#include "installer/script/command_table.h"

namespace installer {
namespace {

constexpr ScriptPass kSetup = ScriptPass::Setup;
constexpr ScriptPass kAction = ScriptPass::Action;

const ScriptCommand kCoreCommands[] = {
    // Settings words, acted on while the main window is made.
    {"setname", kSetup, false, SetNameCommand},
    {"checkdate", kSetup, false, CheckDateCommand},
    {"setini", kSetup, false, SetIniCommand},
    {"setpath", kSetup, false, SetPathCommand},
    {"setintro", kSetup, false, SetIntroCommand},
    {"saymessage", kSetup, false, SayMessageCommand},
    {"setextro", kSetup, false, SetExtroCommand},
    {"setexistingpath", kSetup, false, SetExistingPathCommand},
    {"checkwindows95", kSetup, false, CheckWindows95Command},
    // Installing and checking words, acted on when OK is pressed. The second column
    // says whether the handler's result decides whether the script goes on.
    {"copy", kAction, true, CopyCommand},
    {"checkdriver", kAction, false, CheckDriverCommand},
    {"unzip", kAction, true, UnzipCommand},
    {"addprofile", kAction, true, AddProfileCommand},
    {"movefile", kAction, false, MoveFileCommand},
    {"installtwaindriver", kAction, false, InstallTwainDriverCommand},
    {"installsystemlibrary", kAction, false, InstallSystemLibraryCommand},
    {"swapdisk", kAction, true, SwapDiskCommand},
    {"checkinstalledversion", kAction, true, CheckInstalledVersionCommand},
    {"checkfileexists", kAction, true, CheckFileExistsCommand},
    {"checkprocessor", kAction, true, CheckProcessorCommand},
    {"showlicense", kAction, false, ShowLicenseCommand},
    {"mkdir", kAction, false, MakeDirectoryCommand},
    {"addtouninstall", kAction, false, AddToUninstallCommand},
    {"checkpatchlevel", kAction, true, CheckPatchLevelCommand},
};

}  // namespace

const CommandSet& CoreCommandSet() {
  static const CommandSet kSet{kCoreCommands, sizeof kCoreCommands / sizeof kCoreCommands[0],
                               nullptr, nullptr};
  return kSet;
}

const ScriptCommand* FindCommand(const std::string& word, ScriptPass pass) {
  for (const CommandSet* set : {&CoreCommandSet(), &ShellCommandSet()}) {
    for (size_t i = 0; i < set->count; ++i) {
      const ScriptCommand& command = set->commands[i];
      if (command.pass == pass && SameWord(word, command.word)) return &command;
    }
  }
  return nullptr;
}

}  // namespace installer
