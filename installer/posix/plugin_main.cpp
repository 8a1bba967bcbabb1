// plugin: the installer on a terminal.
//
//   plugin [/CD] [--yes | --no] [--accept-license] [--path DIR] [--answers FILE]
//
// Runs the script the installer carries (the one written for Linux): the setup pass and
// the intro, what it found already there (an earlier installation, fwhost), the install
// path (asked for, or given by --path; the data directory unless the script says
// otherwise), the action pass, and after a successful installation the closing text,
// the success message, the closing pass and where fwhost finds the plug-ins. Unattended
// runs answer every question with --yes or --no and the licence with --accept-license;
// an answers file gives one answer per line to each prompt in turn (the path, "y"/"n",
// "agree"). Nothing is written before the licence is accepted: the directories made for
// the path are removed again when it is declined.
// Exit status: 0 installed (also after start-up failures), 1 a command stopped the
// installation, 2 cancelled before anything ran, 3 licence declined.
#include <limits.h>
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
#include "platform/files.h"
#include "platform/manual_page.h"
#include "platform/process.h"

namespace {

constexpr int kExitDeclined = 3;
constexpr const char* kDeclinedMessage = "licence declined; nothing was installed";
// The sub-directory of the install path that the script puts the plug-ins in.
constexpr const char* kPluginSubdirectory = "plugins";

constexpr const char* kSynopsis = "plugin [/CD] [--yes | --no] [--accept-license] [--path DIR] [--answers FILE]";

// The options, for the usage text and the manual page.
const std::vector<manual::Entry> kOptions = {
    {"/CD", "start without the introduction"},
    {"--yes", "answer every question of the script Yes"},
    {"--no", "answer every question of the script No"},
    {"--accept-license", "accept the licence without being asked"},
    {"--path DIR", "install into DIR rather than asking for the path (by default the data directory, "
                   "$XDG_DATA_HOME/kestrel, where fwhost finds the plug-ins by itself)"},
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
                        "message and the closing pass. The plug-ins go into the plugins directory of the install "
                        "path and their help into its help directory; the installation is recorded in kestrel.ini "
                        "of the settings directory ($XDG_CONFIG_HOME/kestrel), so that the next run proposes the "
                        "same path. Nothing is written before the licence is accepted.",
                        {}},
                       {"OPTIONS", "", kOptions},
                       {"EXIT STATUS",
                        "0 installed; 1 a command stopped the installation; 2 cancelled before anything ran; 3 the "
                        "licence was declined (nothing was installed).",
                        {}}});
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// True when fwhost is beside this installer (as in a build or an unpacked release) or on
// the PATH.
bool FwhostAtHand() {
  char self[PATH_MAX + 1];
  ssize_t length = readlink("/proc/self/exe", self, PATH_MAX);
  if (length > 0) {
    std::string program(self, static_cast<size_t>(length));
    std::string beside = platform::JoinPath(program.substr(0, program.find_last_of('/')), "fwhost");
    if (access(beside.c_str(), X_OK) == 0) return true;
  }
  return platform::ProgramOnPath("fwhost");
}

// Before the licence: what the setup pass found of an earlier installation, and whether
// fwhost is at hand. Neither stops the installation.
void SayWhatIsThere(installer::TerminalFrontEnd& ui, const installer::InstallerSettings& settings) {
  if (settings.existingPath && platform::QueryPath(settings.defaultPath) == platform::PathKind::Directory)
    ui.ShowMessage(settings.productName + " is installed in " + settings.defaultPath +
                   " already; installing again replaces its files.");
  if (!FwhostAtHand())
    ui.ShowMessage("fwhost was not found on the PATH or beside this installer. The plug-ins are installed all "
                   "the same; fwhost finds them once it is installed.");
}

// After a successful installation: how fwhost finds the plug-ins in `path`.
void SayHowFwhostFindsThem(installer::TerminalFrontEnd& ui, const std::string& path) {
  std::string plugins = WithoutTrailingSlashes(platform::JoinPath(WithoutTrailingSlashes(path), kPluginSubdirectory));
  if (plugins == WithoutTrailingSlashes(platform::InstalledPluginDirectory())) {
    ui.ShowMessage("fwhost finds the plug-ins in " + plugins + " by itself (fwhost list shows them).");
  } else {
    ui.ShowMessage("fwhost looks for plug-ins in " + platform::InstalledPluginDirectory() +
                   " by itself. To use these, run fwhost with --plugin-dir " + plugins +
                   " or set FWHOST_PLUGIN_PATH=" + plugins + ".");
  }
}

// Removes the directories the session made along the path, innermost first, as long as
// they are empty (nothing else was written into them).
void RemoveMadeDirectories(const std::vector<std::string>& made) {
  for (auto it = made.rbegin(); it != made.rend(); ++it) rmdir(it->c_str());
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
  // Named, not made: nothing is written before the licence is accepted. (The carried
  // script writes only kestrel.ini there, by a bare name, through the platform's settings
  // directory, which makes the directory then.)
  platform::StandardDirectories directories = platform::DirectoriesWithoutCreating();
  context.substitutions.values[1] = directories.windows.substr(0, installer::kScriptLineLimit);
  context.substitutions.values[2] = directories.system.substr(0, installer::kScriptLineLimit);
  context.substitutions.values[3] = directories.startup.substr(0, installer::kScriptLineLimit);
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

  SayWhatIsThere(ui, context.settings);

  // Without a path from the script, the data directory, where fwhost looks by itself.
  std::string path = context.settings.defaultPath.empty()
                         ? platform::DataDirectory()
                         : installer::PathFieldText(context.settings, context.WindowsDirectory());
  if (pathGiven) {
    path = givenPath;
  } else if (answers.question != installer::kAnswerYes && !ui.AskPath(path, &path)) {
    return session.Finish();
  }
  session.Install(path);
  if (context.quitRequested) {
    RemoveMadeDirectories(session.madeDirectories());
    std::fprintf(stderr, "plugin: %s\n", kDeclinedMessage);
    return kExitDeclined;
  }
  int status = session.Finish();
  if (status == installer::kExitInstalled) SayHowFwhostFindsThem(ui, path);
  return status;
}
