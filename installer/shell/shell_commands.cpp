// The shell-integration words: program groups, shortcuts, the default screen saver,
// starting programs, the options dialog and showing documents. What they touch on the
// machine goes through program_manager.h, shell_places.h and the platform layer.
#include "installer/shell/shell_commands.h"

#include <climits>

#include "installer/commands/script_paths.h"
#include "installer/shell/install_options.h"
#include "installer/shell/program_manager.h"
#include "installer/shell/shell_places.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/shell.h"

namespace installer {

const char* const kRunFailedMessage = "There has been an error executing the selected function.";
const char* const kInstallerFailedMessage = "There has been an error executing the selected installer.";
const char* const kWhatsNewFailedMessage = "There has been an error displaying the What's New document.";
const char* const kScreenSaverQuestion = "Do you want to make %s your default Windows screen saver?";
const char* const kDocumentNamedMessage = "No program to open documents was found. Please open %s yourself.";
const char* const kWhatsNewDocument = "WHATSNEW.DOC";

namespace {

// The longest ApplicationPath read by `runinstaller` (a buffer of 260 with its end).
constexpr size_t kApplicationPathLimit = 259;

// `format` with its one "%s" replaced by `value` (the value is taken as it stands, so a
// per cent sign in it is harmless).
std::string Fill(const char* format, const std::string& value) {
  std::string text = format;
  size_t marker = text.find("%s");
  return marker == std::string::npos ? text : text.replace(marker, 2, value);
}

bool AskedYes(InstallContext& context, const std::string& question) {
  return context.ui->Ask(question) == kAnswerYes;
}

void MakeShortcutTo(ShellFolder folder, const std::string& target, const std::string& name) {
  std::string path = NativePath(target);
  MakeShortcut(folder, path, DirectoryPart(path), name);
}

// The part of `text` from `*start` to the next comma (or the end); `*start` moves past
// the comma.
std::string NextField(const std::string& text, size_t* start) {
  if (*start > text.size()) return std::string();
  size_t comma = text.find(',', *start);
  if (comma == std::string::npos) comma = text.size();
  std::string field = text.substr(*start, comma - *start);
  *start = comma + 1;
  return field;
}

bool Exists(const std::string& path) { return platform::QueryPath(NativePath(path)) == platform::PathKind::File; }

void ShowWhatsNew(InstallContext& context) {
  std::string document = NativePath(JoinScriptPath(context.InstallPath(), kWhatsNewDocument));
  if (!HaveDocumentOpener() && Exists(document)) {
    context.ui->ShowMessage(Fill(kDocumentNamedMessage, document));
    return;
  }
  std::string program;
  if (!platform::FindAssociatedProgram(document, &program)) {
    context.ui->ShowMessage(kWhatsNewFailedMessage);
    return;
  }
  std::string commandLine = program + " \"" + document + "\"";
  if (!platform::RunCommandLine(commandLine, platform::WindowShow::Maximised, true))
    context.ui->ShowMessage(kWhatsNewFailedMessage);
}

}  // namespace

int ScreenSaverMinutes(const std::string& text) {
  // The number as the C library reads one: blanks, a sign, digits; none is 0.
  size_t i = text.find_first_not_of(" \t\r\n");
  if (i == std::string::npos) return 1;
  bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) value = INT_MAX;  // far past the limit already
  }
  if (negative || value < 1) return 1;
  return value >= 30 ? 30 : static_cast<int>(value);
}

int GroupCreateCommand(InstallContext& context, const ScriptArguments& args) {
  CreateProgramGroup(args.arg1);
  return 1;
}

int GroupAddCommand(InstallContext& context, const ScriptArguments& args) {
  AddProgramItem(NativePath(args.arg1), args.arg2, NativePath(args.arg3));
  return 1;
}

int AddToStartMenuCommand(InstallContext& context, const ScriptArguments& args) {
  if (AskedYes(context, args.arg1)) MakeShortcutTo(ShellFolder::StartMenu, args.arg2, args.arg3);
  return 1;
}

int AddShortcutCommand(InstallContext& context, const ScriptArguments& args) {
  if (AskedYes(context, args.arg1)) MakeShortcutTo(ShellFolder::Desktop, args.arg2, args.arg3);
  return 1;
}

int SetSaverCommand(InstallContext& context, const ScriptArguments& args) {
  int minutes = ScreenSaverMinutes(args.arg2);
  std::string saver = ShortPathOf(NativePath(args.arg1));
  if (AskedYes(context, Fill(kScreenSaverQuestion, context.settings.productName)))
    SetDefaultScreenSaver(saver, minutes * 60);
  return 1;
}

int RunAppCommand(InstallContext& context, const ScriptArguments& args) {
  if (!AskedYes(context, args.arg2)) return 1;
  if (!platform::RunCommandLine(NativePath(args.arg1), platform::WindowShow::Normal, true))
    context.ui->ShowMessage(kRunFailedMessage);
  return 1;
}

int RunInstallerCommand(InstallContext& context, const ScriptArguments& args) {
  size_t start = 0;
  std::string iniFile = NextField(args.arg3, &start);
  std::string programFile = NextField(args.arg3, &start);
  std::string section = NextField(args.arg3, &start);
  std::string applicationPath =
      platform::ReadProfileString(section, "ApplicationPath", "", NativePath(iniFile), kApplicationPathLimit);
  // The other application is present already: nothing to offer.
  if (!applicationPath.empty() && Exists(JoinScriptPath(applicationPath, programFile))) return 1;
  if (!AskedYes(context, args.arg2)) return 1;
  if (!platform::RunCommandLine(NativePath(args.arg1), platform::WindowShow::Normal, false))
    context.ui->ShowMessage(kInstallerFailedMessage);
  return 1;
}

int DoOptionsCommand(InstallContext& context, const ScriptArguments& args) {
  OptionBoxes boxes = OptionBoxesFor(args.arg2);
  if (!ChooseInstallOptions(*context.ui, OptionsCaption(args.arg1), boxes)) return 0;
  context.options = OptionsFromBoxes(boxes);
  return 1;
}

int ProcessOptionsCommand(InstallContext& context, const ScriptArguments& args) {
  const InstallOptions& options = context.options;
  if (options.whatsNew) ShowWhatsNew(context);
  if (options.startMenu && !args.arg1.empty()) MakeShortcutTo(ShellFolder::StartMenu, args.arg1, args.arg2);
  if (options.desktop && !args.arg1.empty()) MakeShortcutTo(ShellFolder::Desktop, args.arg1, args.arg2);
  if (options.screenSaver && !args.arg3.empty())
    SetDefaultScreenSaver(ShortPathOf(NativePath(args.arg3)), kOptionsScreenSaverSeconds);
  return 1;
}

int ShowFileCommand(InstallContext& context, const ScriptArguments& args) {
  std::string joined = NativePath(JoinScriptPath(context.InstallPath(), args.arg1));
  std::string document = ShortPathOf(joined);
  if (!HaveDocumentOpener()) {
    if (Exists(document)) context.ui->ShowMessage(Fill(kDocumentNamedMessage, document));
    return 1;
  }
  OpenDocument(document);
  return 1;
}

}  // namespace installer
