// The install script's command table: each word with its pass, whether its result
// counts, its handler, and what script authors need to know of it (its arguments and
// what it does on each target). `fwscript --check` and the script language document
// (`fwscript --commands-markdown`, docs/install-scripts.md) are made from it.
//
// The table is made of command sets. This module supplies the settings words and the
// file, INI and check commands (installer_commands.cpp); the shell-integration module
// supplies its own set through the one registration point ShellCommandSet() (declared
// below), defined in installer/shell/.
#pragma once

#include <cstddef>
#include <string>

#include "installer/script/install_context.h"

namespace installer {

enum class ScriptPass { Setup, Action, Closing };

struct ScriptArguments {
  std::string arg1 = {}, arg2 = {}, arg3 = {};  // empty when absent
};

// Carries out one command; 1 lets the script go on, anything else stops it (for the
// words whose result counts). In the setup pass 0 ends the pass with 0.
using CommandHandler = int (*)(InstallContext& context, const ScriptArguments& args);

struct ScriptCommand {
  const char* word;  // lower case, as scripts usually spell it; matched without case
  ScriptPass pass;
  bool counts;  // the action pass takes the handler's result
  CommandHandler handler;
  // What each argument is, in order; null past the last one the word takes.
  const char* arguments[3];
  // How many arguments a line must give (the rest may be left out).
  int required;
  // What the word does on Windows, and on Linux (null: the same as on Windows).
  const char* onWindows;
  const char* onLinux;
};

// The number of arguments the word takes at most.
int ArgumentCount(const ScriptCommand& command);

// The command of any pass whose word equals `word` (without regard to case); null when
// none.
const ScriptCommand* FindCommandOfAnyPass(const std::string& word);

struct CommandSet {
  const ScriptCommand* commands = nullptr;
  size_t count = 0;
  // Run once at start-up, before the script is loaded; false ends the installer with
  // exit code 0 and no message. May be null.
  bool (*startUp)(InstallContext& context) = nullptr;
  // Run when the action pass stops, with its result. May be null.
  void (*finishActionPass)(InstallContext& context, int result) = nullptr;
};

// The settings, file, INI and check commands of this module.
const CommandSet& CoreCommandSet();

// The shell-integration commands (program groups, shortcuts, screen saver, running
// programs, the options dialog, showing documents): the registration point of the shell
// module.
const CommandSet& ShellCommandSet();

// The command of `pass` whose word equals `word` (without regard to case), searched in
// the core set, then the shell set; null when none.
const ScriptCommand* FindCommand(const std::string& word, ScriptPass pass);

}  // namespace installer
