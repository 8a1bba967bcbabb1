// plugin: the installer on a terminal.
//
//   plugin [/CD] [--yes | --no] [--accept-license] [--path DIR] [--answers FILE]
//
// Runs the script the installer carries: the setup pass and the intro, the install path
// (asked for, or given by --path), the action pass, and after a successful installation
// the closing text, the success message and the closing pass. Unattended runs answer
// every question with --yes or --no and the licence with --accept-license; an answers
// file gives one answer per line to each prompt in turn (the path, "y"/"n", "agree").
// Exit status: 0 installed (also after a declined licence and start-up failures), 1 a
// command stopped the installation, 2 cancelled before anything ran.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "installer/posix/terminal_front_end.h"
#include "installer/script/command_table.h"
#include "installer/session/install_session.h"
#include "platform/directories.h"
#include "platform/manual_page.h"

namespace {

constexpr const char* kSynopsis = "plugin [/CD] [--yes | --no] [--accept-license] [--path DIR] [--answers FILE]";

// The options, for the usage text and the manual page.
const std::vector<manual::Entry> kOptions = {
    {"/CD", "start without the introduction"},
    {"--yes", "answer every question of the script Yes"},
    {"--no", "answer every question of the script No"},
    {"--accept-license", "accept the licence without being asked"},
    {"--path DIR", "install into DIR rather than asking for the path"},
    {"--answers FILE", "answer each prompt in turn with a line of FILE (the path, y or n, agree)"},
    {"--help", "show this help"},
    {"--manual", "write this program's manual page"},
};

int Usage(std::FILE* out = stderr) {
  std::fputs(manual::UsageText(kSynopsis, kOptions).c_str(), out);
  return out == stderr ? 2 : 0;
}

std::string ManualPage() {
  return manual::Page("plugin", "install the plug-in set",
                      {{"SYNOPSIS", kSynopsis, {}},
                       {"DESCRIPTION",
                        "plugin runs the install script it carries: the setup pass and the introduction, the install "
                        "path, the action pass, and after a successful installation the closing text, the success "
                        "message and the closing pass.",
                        {}},
                       {"OPTIONS", "", kOptions},
                       {"EXIT STATUS",
                        "0 installed; 1 a command stopped the installation; 2 cancelled before anything ran.", {}}});
}

}  // namespace

int main(int argc, char** argv) {
  installer::TerminalAnswers answers;
  answers.interactive = isatty(STDIN_FILENO) != 0;
  std::string commandLine, givenPath;
  bool pathGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    commandLine += arg + " ";
    if (arg == "--yes") {
      answers.question = installer::kAnswerYes;
    } else if (arg == "--no") {
      answers.question = installer::kAnswerNo;
    } else if (arg == "--accept-license") {
      answers.acceptLicense = true;
    } else if (arg == "--path" && i + 1 < argc) {
      givenPath = argv[++i];
      pathGiven = true;
    } else if (arg == "--answers" && i + 1 < argc) {
      std::ifstream file(argv[++i], std::ios::binary);
      if (!file) {
        std::fprintf(stderr, "plugin: cannot read %s\n", argv[i]);
        return 2;
      }
      for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        answers.lines.push_back(line);
      }
    } else if (arg == "--help") {
      return Usage(stdout);
    } else if (arg == "--manual") {
      std::fputs(ManualPage().c_str(), stdout);
      return 0;
    } else if (!installer::HasNoIntroSwitch(arg)) {
      return Usage();
    }
  }

  installer::TerminalFrontEnd ui(answers);
  installer::InstallContext context;
  context.ui = &ui;
  context.substitutions.values[1] = platform::WindowsDirectory().substr(0, installer::kScriptLineLimit);
  context.substitutions.values[2] = platform::SystemDirectory().substr(0, installer::kScriptLineLimit);
  context.substitutions.values[3] = platform::StartupDirectory().substr(0, installer::kScriptLineLimit);
  context.age.buildDate = __DATE__;
  std::time_t now = std::time(nullptr);
  if (const std::tm* today = std::localtime(&now)) {
    context.age.year = today->tm_year + 1900;
    context.age.month = today->tm_mon + 1;
  }

  for (const installer::CommandSet* set : {&installer::CoreCommandSet(), &installer::ShellCommandSet()}) {
    if (set->startUp && !set->startUp(context)) return 0;
  }
  installer::ScriptText script;
  if (!installer::LoadInstallScript(&script)) {
    ui.ShowMessage(installer::kDamagedArchiveMessage);
    return 0;
  }

  installer::InstallSession session(script, context);
  session.Start();
  ui.Title(installer::MainWindowCaption(installer::kMainCaption, context.settings.productName));
  std::string intro = session.IntroText(installer::HasNoIntroSwitch(commandLine));
  if (!intro.empty()) ui.ShowMessage(intro);

  std::string path = installer::PathFieldText(context.settings, context.WindowsDirectory());
  if (pathGiven) {
    path = givenPath;
  } else if (answers.question != installer::kAnswerYes && !ui.AskPath(path, &path)) {
    return session.Finish();
  }
  session.Install(path);
  return session.Finish();
}
