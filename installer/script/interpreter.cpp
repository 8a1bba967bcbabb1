#include "installer/script/interpreter.h"

namespace installer {
namespace {

// Reads, prepares and splits every line of one pass and hands each word of that pass to
// its handler. `onResult` returns false to stop the pass.
template <typename OnResult>
void RunPass(const ScriptText& script, InstallContext& context, ScriptPass pass,
             OnResult onResult) {
  ScriptReader reader(script);
  std::string line;
  const Substitutions* substitutions =
      pass == ScriptPass::Action ? &context.substitutions : nullptr;
  while (reader.NextLine(&line)) {
    ScriptTokens tokens = PrepareLine(line, substitutions);
    if (tokens.word.empty()) continue;
    const ScriptCommand* command = FindCommand(tokens.word, pass);
    if (!command) continue;
    ScriptArguments args{tokens.args[0], tokens.args[1], tokens.args[2]};
    int result = 1;
    if (!context.observer || !context.observer->CommandCalled(pass, *command, args, &result))
      result = command->handler(context, args);
    if (context.quitRequested || !onResult(*command, result)) return;
  }
}

}  // namespace

int RunSetupPass(const ScriptText& script, InstallContext& context) {
  int passResult = 1;
  RunPass(script, context, ScriptPass::Setup, [&](const ScriptCommand&, int result) {
    if (result == 0) passResult = 0;
    return result != 0;
  });
  return context.quitRequested ? 0 : passResult;
}

int RunActionPass(const ScriptText& script, InstallContext& context) {
  int passResult = 1;
  RunPass(script, context, ScriptPass::Action, [&](const ScriptCommand& command, int result) {
    if (command.counts) passResult = result;
    return passResult == 1;
  });
  if (context.quitRequested) passResult = 0;
  for (const CommandSet* set : {&CoreCommandSet(), &ShellCommandSet()}) {
    if (set->finishActionPass) set->finishActionPass(context, passResult);
  }
  return passResult;
}

int RunClosingPass(const ScriptText& script, InstallContext& context) {
  RunPass(script, context, ScriptPass::Closing, [](const ScriptCommand&, int) { return true; });
  return 1;
}

}  // namespace installer
