// fwscript SCRIPT [--dry-run] [--yes | --no] [--var N=TEXT]... [--root DIR] [--json]
// fwscript --check SCRIPT...
// fwscript --commands-markdown
//
// Runs the three passes of an install script file and prints what happened: the
// settings the setup pass made, every message, question and status text of each pass,
// and every command handed to a handler in the action and closing passes, with its
// arguments as received. showlicense asks whether to agree instead of showing a
// licence. With --dry-run nothing is written: no command acts (each is recorded and
// counts as done), except that checkfileexists and swapdisk really look (under --root,
// or the working directory), the words that ask still ask, and dooptions runs (it only
// asks). Questions are asked on the terminal, or answered by --yes or --no; without
// either and without a terminal they are answered No.
//
// --check lists what in a script will not do what its author meant; --commands-markdown
// writes the script language document from the command table.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>
#ifdef _WIN32
#include <io.h>
#define KESTREL_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define KESTREL_ISATTY(fd) isatty(fd)
#endif

#include "installer/commands/commands.h"
#include "installer/commands/script_paths.h"
#include "installer/script/interpreter.h"
#include "installer/script/recording_front_end.h"
#include "installer/script/script_authoring.h"
#include "installer/shell/shell_commands.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "platform/manual_page.h"

namespace {

using installer::ScriptArguments;
using installer::ScriptCommand;
using installer::ScriptPass;

constexpr const char* kLicenceQuestion = "showlicense: the installer shows its licence here. Agree?";

// Exit statuses.
constexpr int kExitCompleted = 0;  // every pass ran through (--check: no findings)
constexpr int kExitStopped = 1;    // a pass ended with 0 (--check: findings)
constexpr int kExitUsage = 2;      // bad command line, or the script cannot be read

struct Call {
  std::string word, args[3];
};

struct Question {
  std::string text;
  int answer;
};

const char* AnswerName(int answer) {
  return answer == installer::kAnswerYes ? "yes" : answer == installer::kAnswerNo ? "no" : "closed";
}

// Records what the commands show; asks their questions on the terminal (on the error
// output, so that the record on the standard output stays whole), or answers them with
// the answer given on the command line. Without either, a question is answered No:
// nothing is ever answered Yes unseen.
class ToolFrontEnd : public installer::RecordingFrontEnd {
 public:
  ToolFrontEnd(int fixedAnswer, bool terminal) : fixedAnswer_(fixedAnswer), terminal_(terminal) {}

  std::vector<Question> asked;

  int Ask(const std::string& question) override {
    std::fprintf(stderr, "\n%s\n", TerminalText(question).c_str());
    int answer;
    if (fixedAnswer_) {
      answer = fixedAnswer_;
      // A question asked again right after an automatic Yes (swapdisk whose file is
      // still missing) would be asked for ever: the repeat is answered No.
      if (answer == installer::kAnswerYes && !asked.empty() && asked.back().text == question &&
          asked.back().answer == installer::kAnswerYes) {
        answer = installer::kAnswerNo;
        std::fprintf(stderr, "[Yes/No] No (asked again after Yes)\n");
      } else {
        std::fprintf(stderr, "[Yes/No] %s (%s)\n", answer == installer::kAnswerYes ? "Yes" : "No",
                     answer == installer::kAnswerYes ? "--yes" : "--no");
      }
    } else if (terminal_) {
      std::fprintf(stderr, "[Yes/No] ");
      std::string line;
      if (!std::getline(std::cin, line)) {
        answer = installer::kAnswerClosed;
        std::fprintf(stderr, "\n");
      } else {
        answer = !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? installer::kAnswerYes : installer::kAnswerNo;
      }
    } else {
      answer = installer::kAnswerNo;
      std::fprintf(stderr, "[Yes/No] No (no terminal to ask on: give --yes or --no)\n");
    }
    asked.push_back({question, answer});
    return answer;
  }

 private:
  static std::string TerminalText(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
    return text;
  }

  int fixedAnswer_;
  bool terminal_;
};

// Records every call; in a dry run carries each out as done, except the words that
// look at files or ask (see the file comment).
class CallRecorder : public installer::ScriptObserver {
 public:
  CallRecorder(bool dryRun, std::string root, installer::InstallContext& context)
      : dryRun_(dryRun), root_(std::move(root)), context_(context) {}

  std::vector<Call> action, closing;

  bool CommandCalled(ScriptPass pass, const ScriptCommand& command, const ScriptArguments& args,
                     int* result) override {
    if (pass == ScriptPass::Setup) return false;  // settings words always act
    (pass == ScriptPass::Action ? action : closing).push_back({command.word, {args.arg1, args.arg2, args.arg3}});
    if (Is(command.word, "showlicense")) {
      *result = AgreeToLicence();
      return true;
    }
    if (!dryRun_) return false;
    *result = DryRun(command.word, args);
    return true;
  }

 private:
  bool Is(const char* word, const char* name) { return std::strcmp(word, name) == 0; }

  bool AskedYes(const std::string& question) { return context_.ui->Ask(question) == installer::kAnswerYes; }

  // fwscript carries no licence text: the licence is a question like the others, and
  // No ends the run as a declined licence ends the installer.
  int AgreeToLicence() {
    if (AskedYes(kLicenceQuestion)) return 1;
    context_.ui->QuitAtOnce(0);
    context_.quitRequested = true;
    return 0;
  }

  // The result of a word in a dry run.
  int DryRun(const char* word, const ScriptArguments& args) {
    if (Is(word, "checkfileexists")) {
      if (ExistsUnderRoot(args.arg1)) return 1;
      context_.ui->ShowMessage(args.arg2);
      return 0;
    }
    if (Is(word, "swapdisk")) {
      while (AskedYes(args.arg2)) {
        if (ExistsUnderRoot(args.arg1)) return 1;
      }
      return 0;
    }
    if (Is(word, "runapp") || Is(word, "runinstaller")) AskedYes(args.arg2);
    if (Is(word, "addtostartmenu") || Is(word, "addshortcut")) AskedYes(args.arg1);
    if (Is(word, "setsaver")) {
      std::string question = installer::kScreenSaverQuestion;
      AskedYes(question.replace(question.find("%s"), 2, context_.settings.productName));
    }
    if (Is(word, "dooptions")) return installer::DoOptionsCommand(context_, args);  // it only asks
    return 1;
  }

  // The path with its drive letter dropped, taken below the root.
  bool ExistsUnderRoot(const std::string& scriptPath) {
    std::string path = scriptPath;
    if (path.size() >= 2 && path[1] == ':') path.erase(0, 2);
    path = installer::NativePath(path);
    while (!path.empty() && platform::IsPathSeparator(path[0])) path.erase(0, 1);
    std::string full = platform::JoinPath(root_.empty() ? "." : root_, path);
    platform::PathKind kind = platform::QueryPath(full);
    return kind == platform::PathKind::File || kind == platform::PathKind::Directory;
  }

  bool dryRun_;
  std::string root_;
  installer::InstallContext& context_;
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

// What the front end recorded during one pass: the ends of its lists when it ended.
struct PassRecord {
  size_t messages = 0, questions = 0, status = 0;
};

template <typename T, typename Format>
std::string JsonList(const std::vector<T>& items, size_t from, size_t to, Format format) {
  std::string out = "[";
  for (size_t i = from; i < to; ++i) out += (i > from ? ", " : "") + format(items[i]);
  return out + "]";
}

std::string JsonCalls(const std::vector<Call>& calls) {
  return JsonList(calls, 0, calls.size(), [](const Call& call) {
    return "[" + Json(call.word) + ", " + Json(call.args[0]) + ", " + Json(call.args[1]) + ", " +
           Json(call.args[2]) + "]";
  });
}

// The messages, questions and status texts of the pass between `from` and `to`.
std::string JsonShown(const ToolFrontEnd& ui, const PassRecord& from, const PassRecord& to) {
  auto text = [](const std::string& s) { return Json(s); };
  auto question = [](const Question& q) {
    return "{\"question\": " + Json(q.text) + ", \"answer\": \"" + AnswerName(q.answer) + "\"}";
  };
  return "\"messages\": " + JsonList(ui.messages, from.messages, to.messages, text) +
         ", \"questions\": " + JsonList(ui.asked, from.questions, to.questions, question) +
         ", \"status\": " + JsonList(ui.statusTexts, from.status, to.status, text);
}

void PrintShown(const ToolFrontEnd& ui, const PassRecord& from, const PassRecord& to) {
  for (size_t i = from.messages; i < to.messages; ++i) std::printf("  message [%s]\n", ui.messages[i].c_str());
  for (size_t i = from.questions; i < to.questions; ++i)
    std::printf("  question [%s] %s\n", ui.asked[i].text.c_str(), AnswerName(ui.asked[i].answer));
  for (size_t i = from.status; i < to.status; ++i) std::printf("  status [%s]\n", ui.statusTexts[i].c_str());
}

void PrintCalls(const std::vector<Call>& calls) {
  std::printf("  calls:\n");
  for (const Call& call : calls) {
    std::printf("  %s", call.word.c_str());
    for (const std::string& arg : call.args) std::printf(" [%s]", arg.c_str());
    std::printf("\n");
  }
}

constexpr const char* kSynopsis =
    "fwscript SCRIPT [--dry-run] [--yes | --no] [--var N=TEXT]... [--root DIR] [--json]\n"
    "fwscript --check SCRIPT...\n"
    "fwscript --commands-markdown";

// The options, for the usage text and the manual page.
const std::vector<manual::Entry> kOptions = {
    {"--dry-run", "write nothing: no command acts, each is recorded and counts as done, except that "
                  "checkfileexists and swapdisk really look (under --root, or the working directory), the words "
                  "that ask still ask, and dooptions runs (it only asks)"},
    {"--yes", "answer every question Yes"},
    {"--no", "answer every question No (without --yes or --no, questions are asked on the terminal, and answered "
             "No when there is none)"},
    {"--var N=TEXT", "the text of %N (N from 1 to 4: the install path, the Windows, system and Startup directories)"},
    {"--root DIR", "where checkfileexists and swapdisk look in a dry run"},
    {"--json", "print the record as JSON"},
    {"--check", "list, with line numbers, the words no pass knows, quotes left open, argument counts a word does "
                "not take, % markers that get no value and lines the reader splits; exit 1 when there are any"},
    {"--commands-markdown", "write the script language document (every word, its pass, its arguments, what it does "
                            "on Windows and on Linux) from the command table"},
    {"--help", "show this help"},
    {"--manual", "write this program's manual page"},
};

int Usage(std::FILE* out = stderr) {
  std::fputs(manual::UsageText(kSynopsis, kOptions).c_str(), out);
  return out == stderr ? kExitUsage : 0;
}

std::string ManualPage() {
  return manual::Page("fwscript", "run an install script's three passes and show what each command received",
                      {{"SYNOPSIS", kSynopsis, {}},
                       {"DESCRIPTION",
                        "fwscript runs the setup, action and closing passes of an install script file as the "
                        "installer does and prints what happened: the settings the setup pass made, the messages, "
                        "questions and status texts of each pass, and every command handed to a handler, with its "
                        "arguments as received; showlicense asks whether to agree. With --check it reads the script without running it and lists "
                        "what the installer would skip or read otherwise than meant.",
                        {}},
                       {"OPTIONS", "", kOptions},
                       {"EXIT STATUS",
                        "0 every pass ran through (with --check: nothing found); 1 a pass ended with 0 (a command "
                        "stopped the installation, the licence was declined or checkwindows95 was answered No; "
                        "with --check: findings); 2 a bad command line or a script that cannot be read.",
                        {}}});
}

bool ReadScript(const std::string& path, std::vector<unsigned char>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fwscript: cannot read %s\n", path.c_str());
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

int CheckScripts(const std::vector<std::string>& paths) {
  int status = kExitCompleted;
  for (const std::string& path : paths) {
    std::vector<unsigned char> bytes;
    if (!ReadScript(path, &bytes)) return kExitUsage;
    for (const installer::ScriptFinding& finding : installer::CheckScript({bytes.data(), bytes.size()})) {
      std::printf("%s:%zu: %s\n", path.c_str(), finding.line, finding.text.c_str());
      status = kExitStopped;
    }
  }
  return status;
}

// True when an action-pass line of the script uses %1.
bool UsesInstallPath(installer::ScriptText script) {
  installer::ScriptReader reader(script);
  for (std::string line; reader.NextLine(&line);) {
    installer::ScriptTokens tokens = installer::PrepareLine(line, nullptr);
    if (installer::FindCommand(tokens.word, ScriptPass::Action) &&
        line.substr(0, line.find(';')).find("%1") != std::string::npos)
      return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  std::vector<std::string> scripts;
  bool dryRun = false, json = false, check = false;
  int fixedAnswer = 0;
  std::string values[4];
  bool given[4] = {};
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help") return Usage(stdout);
    if (arg == "--manual") {
      std::fputs(ManualPage().c_str(), stdout);
      return 0;
    }
    if (arg == "--commands-markdown") {
      std::fputs(installer::ScriptLanguageMarkdown().c_str(), stdout);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : kExitStopped;
    }
    if (arg == "--dry-run") {
      dryRun = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--check") {
      check = true;
    } else if (arg == "--yes" || arg == "--no") {
      int answer = arg == "--yes" ? installer::kAnswerYes : installer::kAnswerNo;
      if (fixedAnswer && fixedAnswer != answer) return Usage();
      fixedAnswer = answer;
    } else if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (arg == "--var" && i + 1 < argc) {
      std::string value = argv[++i];
      if (value.size() < 2 || value[0] < '1' || value[0] > '4' || value[1] != '=') return Usage();
      // %1 is the path field's text, the others directories of at most one line.
      size_t limit = value[0] == '1' ? installer::kInstallPathLimit : installer::kScriptLineLimit;
      values[value[0] - '1'] = value.substr(2, limit);
      given[value[0] - '1'] = true;
    } else if (!arg.empty() && arg[0] != '-') {
      scripts.push_back(arg);
    } else {
      return Usage();
    }
  }
  if (check) return scripts.empty() ? Usage() : CheckScripts(scripts);
  if (scripts.size() != 1) return Usage();

  std::vector<unsigned char> bytes;
  if (!ReadScript(scripts[0], &bytes)) return kExitUsage;
  installer::ScriptText script{bytes.data(), bytes.size()};

  installer::InstallContext context;
  // A dry run names the directories without making them; the INI files that the setup
  // pass reads by a bare name are then looked for there as well, and not made either.
  platform::StandardDirectories directories =
      dryRun ? platform::DirectoriesWithoutCreating()
             : platform::StandardDirectories{platform::WindowsDirectory(), platform::SystemDirectory(),
                                             platform::StartupDirectory()};
#ifndef _WIN32
  if (dryRun) platform::OverrideWindowsDirectory(directories.windows);
#endif
  const std::string* defaults[4] = {nullptr, &directories.windows, &directories.system, &directories.startup};
  for (int n = 0; n < 4; ++n) context.substitutions.values[n] = given[n] || !defaults[n] ? values[n] : *defaults[n];
  if (!given[0] && UsesInstallPath(script))
    std::fprintf(stderr, "fwscript: %%1 (the install path) is used but not set: give --var 1=PATH\n");

  ToolFrontEnd ui(fixedAnswer, KESTREL_ISATTY(0) != 0);
  CallRecorder recorder(dryRun, root, context);
  context.ui = &ui;
  context.observer = &recorder;
  context.age.buildDate = __DATE__;
  std::time_t now = std::time(nullptr);
  if (const std::tm* today = std::localtime(&now)) {
    context.age.year = today->tm_year + 1900;
    context.age.month = today->tm_mon + 1;
  }

  auto mark = [&] { return PassRecord{ui.messages.size(), ui.asked.size(), ui.statusTexts.size()}; };
  PassRecord start = mark();
  int setupResult = installer::RunSetupPass(script, context);
  PassRecord afterSetup = mark();
  int actionResult = installer::RunActionPass(script, context);
  PassRecord afterAction = mark();
  // The closing pass follows only a successful installation, as in the installer.
  int closingResult = actionResult != 0 ? installer::RunClosingPass(script, context) : 0;
  PassRecord afterClosing = mark();
  bool declined = context.quitRequested;

  const installer::InstallerSettings& s = context.settings;
  if (json) {
    std::printf("{\"setup\": {\"result\": %d, \"name\": %s, \"ini_section\": %s, \"path\": %s, "
                "\"existing_path\": %s, \"intro\": %s, \"extro\": %s, %s}, "
                "\"action\": {\"result\": %d, \"calls\": %s, \"licence_declined\": %s, %s}, "
                "\"closing\": {\"result\": %d, \"calls\": %s, %s}}\n",
                setupResult, Json(s.productName).c_str(), Json(s.iniSection).c_str(),
                Json(s.defaultPath).c_str(), s.existingPath ? "true" : "false",
                Json(s.introText).c_str(), Json(s.closingText).c_str(), JsonShown(ui, start, afterSetup).c_str(),
                actionResult, JsonCalls(recorder.action).c_str(), declined ? "true" : "false",
                JsonShown(ui, afterSetup, afterAction).c_str(), closingResult,
                JsonCalls(recorder.closing).c_str(), JsonShown(ui, afterAction, afterClosing).c_str());
  } else {
    std::printf("setup pass: result %d\n  name [%s]\n  ini section [%s]\n  path [%s]%s\n  intro [%s]\n  extro [%s]\n",
                setupResult, s.productName.c_str(), s.iniSection.c_str(), s.defaultPath.c_str(),
                s.existingPath ? " (existing installation)" : "", s.introText.c_str(), s.closingText.c_str());
    PrintShown(ui, start, afterSetup);
    std::printf("action pass: result %d%s\n", actionResult, declined ? " (licence declined)" : "");
    PrintCalls(recorder.action);
    PrintShown(ui, afterSetup, afterAction);
    std::printf("closing pass: result %d\n", closingResult);
    PrintCalls(recorder.closing);
    PrintShown(ui, afterAction, afterClosing);
  }
  std::fflush(stdout);
  return setupResult != 0 && actionResult != 0 ? kExitCompleted : kExitStopped;
}
