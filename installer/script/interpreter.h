// The install-script interpreter: the three passes over the script.
#pragma once

#include "installer/script/command_table.h"
#include "installer/script/script_text.h"

namespace installer {

// Told of every command before it is handed to its handler, in script order. An
// observer that carries out the command itself (a dry run) sets `*result` and returns
// true; the handler then does not run.
class ScriptObserver {
 public:
  virtual ~ScriptObserver() = default;
  virtual bool CommandCalled(ScriptPass pass, const ScriptCommand& command,
                             const ScriptArguments& args, int* result) = 0;
};

// Runs the settings words; 1 at the end marker or the end of the text, 0 when a
// settings word ended the pass (`checkwindows95` declined).
int RunSetupPass(const ScriptText& script, InstallContext& context);

// Runs the installing and checking words with `%1`-`%4` taken from
// context.substitutions; returns the result of the last counted command (1 installed,
// 0 stopped). The finishing hooks of the command sets run before it returns.
int RunActionPass(const ScriptText& script, InstallContext& context);

// Runs `showfile` lines; returns 1.
int RunClosingPass(const ScriptText& script, InstallContext& context);

}  // namespace installer
