// The install script's command table: each word with its pass, whether its result
// counts, and its handler.
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
};

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
