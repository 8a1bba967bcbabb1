// Shared by the install-script tests: a context with a recording front end, and runs of
// the three passes over script text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/script/interpreter.h"
#include "installer/script/recording_front_end.h"

namespace script_test {

struct Call {
  std::string word, arg1, arg2, arg3;
  bool operator==(const Call& other) const {
    return word == other.word && arg1 == other.arg1 && arg2 == other.arg2 && arg3 == other.arg3;
  }
};

// Records the calls of the action and closing passes; with `dryRun` it carries them out
// as done instead of running the handlers.
class CallLog : public installer::ScriptObserver {
 public:
  bool dryRun = false;
  std::vector<Call> calls;
  bool CommandCalled(installer::ScriptPass pass, const installer::ScriptCommand& command,
                     const installer::ScriptArguments& args, int* result) override {
    if (pass == installer::ScriptPass::Setup) return false;
    calls.push_back({command.word, args.arg1, args.arg2, args.arg3});
    *result = 1;
    return dryRun;
  }
};

class ScriptTest : public ::testing::Test {
 protected:
  ScriptTest() {
    context.ui = &ui;
    context.observer = &log;
  }
  // The script's bytes are kept in a buffer of exactly their size, so reading past
  // the end is caught by the address sanitizer.
  installer::ScriptText Text(const std::string& text) {
    bytes_.assign(text.begin(), text.end());
    return {bytes_.data(), bytes_.size()};
  }
  int Setup(const std::string& text) { return installer::RunSetupPass(Text(text), context); }
  int Action(const std::string& text) { return installer::RunActionPass(Text(text), context); }
  int Closing(const std::string& text) { return installer::RunClosingPass(Text(text), context); }

  installer::RecordingFrontEnd ui;
  CallLog log;
  installer::InstallContext context;

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace script_test
