// fwscript SCRIPT [--dry-run] [--var N=TEXT]... [--root DIR] [--json]
//
// Runs the three passes of an install script file and prints what happened: the
// settings the setup pass made and the messages it showed, and every command handed to
// a handler in the action and closing passes, with its arguments as received. With
// --dry-run no command acts: each is recorded and counts as done, except
// checkfileexists, which really checks (under --root, or the working directory).
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "installer/commands/commands.h"
#include "installer/commands/script_paths.h"
#include "installer/script/interpreter.h"
#include "installer/script/recording_front_end.h"
#include "platform/directories.h"
#include "platform/manual_page.h"
#include "platform/files.h"

namespace {

using installer::ScriptArguments;
using installer::ScriptCommand;
using installer::ScriptPass;

struct Call {
  std::string word, args[3];
};

// Records every call; in a dry run carries each out as done, except checkfileexists.
class CallRecorder : public installer::ScriptObserver {
 public:
  CallRecorder(bool dryRun, std::string root, installer::FrontEnd& ui)
      : dryRun_(dryRun), root_(std::move(root)), ui_(ui) {}

  std::vector<Call> action, closing;

  bool CommandCalled(ScriptPass pass, const ScriptCommand& command, const ScriptArguments& args,
                     int* result) override {
    if (pass == ScriptPass::Setup) return false;  // settings words always act
    (pass == ScriptPass::Action ? action : closing).push_back({command.word, {args.arg1, args.arg2, args.arg3}});
    if (!dryRun_) return false;
    *result = 1;
    if (std::strcmp(command.word, "checkfileexists") == 0) *result = CheckUnderRoot(args);
    return true;
  }

 private:
  // The path with its drive letter dropped, taken below the root.
  int CheckUnderRoot(const ScriptArguments& args) {
    std::string path = args.arg1;
    if (path.size() >= 2 && path[1] == ':') path.erase(0, 2);
    path = installer::NativePath(path);
    while (!path.empty() && platform::IsPathSeparator(path[0])) path.erase(0, 1);
    std::string full = platform::JoinPath(root_.empty() ? "." : root_, path);
    platform::PathKind kind = platform::QueryPath(full);
    if (kind == platform::PathKind::File || kind == platform::PathKind::Directory) return 1;
    ui_.ShowMessage(args.arg2);
    return 0;
  }

  bool dryRun_;
  std::string root_;
  installer::FrontEnd& ui_;
};

// JSON string of bytes taken as Latin-1 code points.
std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else if (c < 0x80) {
          out.push_back(static_cast<char>(c));
        } else {
          out.push_back(static_cast<char>(0xC0 | (c >> 6)));
          out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
  }
  return out + "\"";
}

std::string JsonCalls(const std::vector<Call>& calls) {
  std::string out = "[";
  for (size_t i = 0; i < calls.size(); ++i) {
    const Call& call = calls[i];
    out += (i ? ", [" : "[") + Json(call.word) + ", " + Json(call.args[0]) + ", " +
           Json(call.args[1]) + ", " + Json(call.args[2]) + "]";
  }
  return out + "]";
}

void PrintText(const char* label, const std::vector<Call>& calls) {
  std::printf("%s:\n", label);
  for (const Call& call : calls) {
    std::printf("  %s", call.word.c_str());
    for (const std::string& arg : call.args) std::printf(" [%s]", arg.c_str());
    std::printf("\n");
  }
}

constexpr const char* kSynopsis = "fwscript SCRIPT [--dry-run] [--var N=TEXT]... [--root DIR] [--json]";

// The options, for the usage text and the manual page.
const std::vector<manual::Entry> kOptions = {
    {"--dry-run", "no command acts: each is recorded and counts as done, except checkfileexists, which really "
                  "checks (under --root, or the working directory)"},
    {"--var N=TEXT", "the text of %N (N from 1 to 4: the install path, the Windows, system and Startup directories)"},
    {"--root DIR", "where checkfileexists looks in a dry run"},
    {"--json", "print the record as JSON"},
    {"--help", "show this help"},
    {"--manual", "write this program's manual page"},
};

int Usage(std::FILE* out = stderr) {
  std::fputs(manual::UsageText(kSynopsis, kOptions).c_str(), out);
  return out == stderr ? 2 : 0;
}

std::string ManualPage() {
  return manual::Page("fwscript", "run an install script's three passes and show what each command received",
                      {{"SYNOPSIS", kSynopsis, {}},
                       {"DESCRIPTION",
                        "fwscript runs the setup, action and closing passes of an install script file as the "
                        "installer does and prints what happened: the settings the setup pass made, the messages "
                        "it showed, and every command handed to a handler, with its arguments as received.",
                        {}},
                       {"OPTIONS", "", kOptions}});
}

}  // namespace

int main(int argc, char** argv) {
  std::string scriptPath, root;
  bool dryRun = false, json = false;
  installer::InstallContext context;
  context.substitutions.values[1] = platform::WindowsDirectory();
  context.substitutions.values[2] = platform::SystemDirectory();
  context.substitutions.values[3] = platform::StartupDirectory();
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help") return Usage(stdout);
    if (arg == "--manual") {
      std::fputs(ManualPage().c_str(), stdout);
      return 0;
    }
    if (arg == "--dry-run") {
      dryRun = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (arg == "--var" && i + 1 < argc) {
      std::string value = argv[++i];
      if (value.size() < 2 || value[0] < '1' || value[0] > '4' || value[1] != '=') return Usage();
      // %1 is the path field's text, the others directories of at most one line.
      size_t limit = value[0] == '1' ? installer::kInstallPathLimit : installer::kScriptLineLimit;
      context.substitutions.values[value[0] - '1'] = value.substr(2, limit);
    } else if (scriptPath.empty() && arg[0] != '-') {
      scriptPath = arg;
    } else {
      return Usage();
    }
  }
  if (scriptPath.empty()) return Usage();
  std::ifstream in(scriptPath, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fwscript: cannot read %s\n", scriptPath.c_str());
    return 1;
  }
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  installer::ScriptText script{bytes.data(), bytes.size()};

  installer::RecordingFrontEnd ui;
  CallRecorder recorder(dryRun, root, ui);
  context.ui = &ui;
  context.observer = &recorder;
  context.age.buildDate = __DATE__;
  std::time_t now = std::time(nullptr);
  if (const std::tm* today = std::localtime(&now)) {
    context.age.year = today->tm_year + 1900;
    context.age.month = today->tm_mon + 1;
  }

  int setupResult = installer::RunSetupPass(script, context);
  std::vector<std::string> setupMessages = ui.messages;
  int actionResult = installer::RunActionPass(script, context);
  // The closing pass follows only a successful installation, as in the installer.
  int closingResult = actionResult != 0 ? installer::RunClosingPass(script, context) : 0;

  const installer::InstallerSettings& s = context.settings;
  if (json) {
    std::string messages = "[";
    for (size_t i = 0; i < setupMessages.size(); ++i) messages += (i ? ", " : "") + Json(setupMessages[i]);
    messages += "]";
    std::printf("{\"setup\": {\"result\": %d, \"name\": %s, \"ini_section\": %s, \"path\": %s, "
                "\"existing_path\": %s, \"intro\": %s, \"extro\": %s, \"messages\": %s}, "
                "\"action\": {\"result\": %d, \"calls\": %s}, "
                "\"closing\": {\"result\": %d, \"calls\": %s}}\n",
                setupResult, Json(s.productName).c_str(), Json(s.iniSection).c_str(),
                Json(s.defaultPath).c_str(), s.existingPath ? "true" : "false",
                Json(s.introText).c_str(), Json(s.closingText).c_str(), messages.c_str(),
                actionResult, JsonCalls(recorder.action).c_str(), closingResult,
                JsonCalls(recorder.closing).c_str());
    return 0;
  }
  std::printf("setup pass: result %d\n  name [%s]\n  ini section [%s]\n  path [%s]%s\n  intro [%s]\n  extro [%s]\n",
              setupResult, s.productName.c_str(), s.iniSection.c_str(), s.defaultPath.c_str(),
              s.existingPath ? " (existing installation)" : "", s.introText.c_str(), s.closingText.c_str());
  for (const std::string& message : setupMessages) std::printf("  message [%s]\n", message.c_str());
  std::printf("action pass: result %d\n", actionResult);
  PrintText("  calls", recorder.action);
  for (size_t i = setupMessages.size(); i < ui.messages.size(); ++i)
    std::printf("  message [%s]\n", ui.messages[i].c_str());
  std::printf("closing pass: result %d\n", closingResult);
  PrintText("  calls", recorder.closing);
  return 0;
}
