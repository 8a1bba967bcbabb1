// The command table of the settings, file, INI and check words, in matching order.
#include "installer/commands/commands.h"
#include "installer/script/command_table.h"

namespace installer {
namespace {

constexpr ScriptPass kSetup = ScriptPass::Setup;
constexpr ScriptPass kAction = ScriptPass::Action;

// The last column is null where a word does the same on Linux as on Windows.
constexpr const char* kSame = nullptr;

const ScriptCommand kCoreCommands[] = {
    // Settings words, acted on while the main window is made.
    {"setname", kSetup, false, SetNameCommand, {"name"}, 1,
     "Sets the product name: the main window's caption and the success message.", kSame},
    {"checkdate", kSetup, false, CheckDateCommand, {}, 0,
     "Shows the age notice when the installer was built a year or more before today.", kSame},
    {"setini", kSetup, false, SetIniCommand, {"section name"}, 1,
     "Sets the INI section that setexistingpath, checkinstalledversion and checkpatchlevel read.", kSame},
    {"setpath", kSetup, false, SetPathCommand, {"path without a drive letter"}, 1,
     "Sets the default install path; the path field shows it after the Windows directory's drive letter.",
     "Sets the default install path as written. Without setpath or a path found by setexistingpath, the "
     "native installer proposes the data directory ($XDG_DATA_HOME/kestrel)."},
    {"setintro", kSetup, false, SetIntroCommand, {"text"}, 1,
     "Sets the intro text, shown before the path is asked for (not with /CD).", kSame},
    {"saymessage", kSetup, false, SayMessageCommand, {"text"}, 1,
     "Shows the text in a message box at once, before the main window appears.", "Prints the text at once."},
    {"setextro", kSetup, false, SetExtroCommand, {"text"}, 1,
     "Sets the closing text, shown after a successful installation before the success message.", kSame},
    {"setexistingpath", kSetup, false, SetExistingPathCommand, {"INI file in the Windows directory", "key"}, 2,
     "Reads the key from the INI file's section (setini); a value not beginning with ~ becomes the default "
     "install path (one trailing backslash removed) and marks it as an existing installation.",
     "The same, with the settings directory ($KESTREL_WINDOWS_DIR, else $XDG_CONFIG_HOME/kestrel) as the "
     "Windows directory; the native installer says so before the licence when that directory exists."},
    {"checkwindows95", kSetup, false, CheckWindows95Command, {"question"}, 1,
     "On Windows 3.x only, asks the question; No ends the setup pass.", "Asks nothing."},
    // Installing and checking words, acted on when OK is pressed. The third column says
    // whether the handler's result decides whether the script goes on.
    {"copy", kAction, true, CopyCommand, {"resource name", "destination file"}, 2,
     "Shows \"Copying\" and the name, writes the installer's resource of that name (each . read as _) to the "
     "file, expanding compressed data; on failure shows \"Error unpacking\" and stops.", kSame},
    {"checkdriver", kAction, false, CheckDriverCommand, {}, 0,
     "Warns when the screen shows fewer than 256 colours; never stops.", "Shows nothing (true colour)."},
    {"unzip", kAction, true, UnzipCommand, {"resource name of a ZIP archive", "destination directory"}, 2,
     "Extracts every entry of the archive into the directory, showing each name; a failure stops.", kSame},
    {"addprofile", kAction, true, AddProfileCommand, {"INI file", "section", "key=value"}, 3,
     "Writes the entry into the INI file; never stops.",
     "The same; an INI file named without a directory is in the settings directory."},
    {"movefile", kAction, false, MoveFileCommand,
     {"source file or wildcard pattern", "destination file, or directory for a pattern"}, 2,
     "Copies each matching file (expanding compressed ones) and deletes the source; names match without "
     "regard to case; a pattern that matches nothing does not stop.", kSame},
    {"installtwaindriver", kAction, false, InstallTwainDriverCommand, {"file name", "source directory"}, 2,
     "Installs the file into the Windows directory with the system's version check, keeping the one there as "
     "NAME.BAK.",
     "Copies the file into the settings directory, keeping the one there as NAME.BAK (no version check)."},
    {"installsystemlibrary", kAction, false, InstallSystemLibraryCommand, {"file name", "source directory"}, 2,
     "The same as installtwaindriver, into the Windows system directory.",
     "The same as installtwaindriver, into the settings directory's \"system\" directory."},
    {"swapdisk", kAction, true, SwapDiskCommand, {"file on the wanted disk", "question"}, 2,
     "Asks the question until the file exists (Yes); No stops.", kSame},
    {"checkinstalledversion", kAction, true, CheckInstalledVersionCommand,
     {"INI file", "version such as 2.0a", "message"}, 3,
     "Stops with the message unless the VersionNumber of the INI file's section is that version.", kSame},
    {"checkfileexists", kAction, true, CheckFileExistsCommand, {"file", "message"}, 2,
     "Stops with the message when the file does not exist.", kSame},
    {"checkprocessor", kAction, true, CheckProcessorCommand, {"lowest processor type", "message"}, 2,
     "Shows the message when the processor type is lower (386, 486, 586); never stops.",
     "The same, with the processor counted as a 586."},
    {"showlicense", kAction, false, ShowLicenseCommand, {}, 0,
     "Shows the licence dialog; declining ends the installer at once (exit code 0).",
     "Prints the licence and asks for \"agree\"; declining removes the directories made for the install path "
     "and ends the installer with \"licence declined; nothing was installed\" (exit status 3)."},
    {"mkdir", kAction, false, MakeDirectoryCommand, {"directory"}, 1,
     "Creates that one directory (not its parents); a failure is ignored.", kSame},
    {"addtouninstall", kAction, false, AddToUninstallCommand, {"text"}, 1,
     "Appends the text as a line to INSTALLD.TXT of the install directory when that file exists.", kSame},
    {"checkpatchlevel", kAction, true, CheckPatchLevelCommand, {"INI file", "lowest patch level", "message"}, 3,
     "Stops with the message when the PatchLevel of the INI file's section is lower.", kSame},
};

}  // namespace

const CommandSet& CoreCommandSet() {
  static const CommandSet kSet{kCoreCommands, sizeof kCoreCommands / sizeof kCoreCommands[0],
                               nullptr, nullptr};
  return kSet;
}

int ArgumentCount(const ScriptCommand& command) {
  int count = 0;
  while (count < 3 && command.arguments[count]) ++count;
  return count;
}

const ScriptCommand* FindCommandOfAnyPass(const std::string& word) {
  for (ScriptPass pass : {ScriptPass::Setup, ScriptPass::Action, ScriptPass::Closing}) {
    if (const ScriptCommand* command = FindCommand(word, pass)) return command;
  }
  return nullptr;
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
