// libFuzzer target over the install-script interpreter and the compressed-file reader.
//
// Each input runs as a script through all three passes with substitution values at
// their longest (an install path of 999 characters), with every command recorded
// instead of carried out, so nothing on the machine changes. The checks: no token and
// no setting is longer than its limit, nothing reads outside the input (the address
// sanitizer watches a buffer of exactly its size), and the same input gives the same
// calls twice. The input is also expanded as a compressed file into a bounded sink.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "installer/commands/lz_copy.h"
#include "installer/script/interpreter.h"
#include "installer/script/recording_front_end.h"

namespace {

[[noreturn]] void Fail(const char* what, size_t size) {
  std::fprintf(stderr, "script fuzzer: %s (%zu)\n", what, size);
  std::abort();
}

class Recorder : public installer::ScriptObserver {
 public:
  std::vector<std::string> calls;
  bool CommandCalled(installer::ScriptPass pass, const installer::ScriptCommand& command,
                     const installer::ScriptArguments& args, int* result) override {
    // Settings words act: they only fill the settings (saymessage and checkdate show
    // a message through the recording front end).
    if (pass == installer::ScriptPass::Setup) return false;
    for (const std::string* arg : {&args.arg1, &args.arg2, &args.arg3}) {
      if (arg->size() > installer::kScriptTokenLimit + 1) Fail("argument over its limit", arg->size());
    }
    calls.push_back(std::string(command.word) + "\x01" + args.arg1 + "\x01" + args.arg2 + "\x01" + args.arg3);
    // Counted commands answer by the first argument's length, so inputs explore
    // both ends of the action pass.
    *result = args.arg1.size() % 7 == 6 ? 0 : 1;
    return true;
  }
};

std::vector<std::string> RunPasses(const installer::ScriptText& script) {
  installer::RecordingFrontEnd ui;
  ui.defaultAnswer = installer::kAnswerNo;
  Recorder recorder;
  installer::InstallContext context;
  context.ui = &ui;
  context.observer = &recorder;
  context.machine.windowsMajorVersion = 3;  // checkwindows95 asks
  context.age = {"Jan  1 1990", 2030, 6};
  context.substitutions.values[0] = std::string(installer::kInstallPathLimit, 'P');
  context.substitutions.values[1] = std::string(1024, 'W');
  context.substitutions.values[2] = "S";
  context.substitutions.values[3] = "";
  installer::RunSetupPass(script, context);
  const installer::InstallerSettings& s = context.settings;
  for (const std::string* text : {&s.productName, &s.iniSection, &s.defaultPath, &s.introText, &s.closingText}) {
    if (text->size() > installer::kScriptLineLimit) Fail("setting over its limit", text->size());
  }
  if (installer::RunActionPass(script, context)) installer::RunClosingPass(script, context);
  return recorder.calls;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size: the interpreter must not read past its end.
  std::vector<unsigned char> bytes(data, data + size);
  installer::ScriptText script{bytes.data(), bytes.size()};
  if (RunPasses(script) != RunPasses(script)) Fail("two runs differ", size);

  size_t at = 0;
  long long total = 0;
  constexpr long long kCap = 1 << 22;
  long long written = installer::LzExpand(
      [&](unsigned char* buffer, size_t want) {
        size_t take = want < size - at ? want : size - at;
        if (take == 0) return size_t{0};  // an empty input has no buffer at all
        std::memcpy(buffer, bytes.data() + at, take);
        at += take;
        return take;
      },
      [&](const unsigned char*, size_t n) {
        total += static_cast<long long>(n);
        return total <= kCap;  // a full sink ends the expansion
      });
  if (written >= 0 && written != total) Fail("expanded size miscounted", size);
  return 0;
}
