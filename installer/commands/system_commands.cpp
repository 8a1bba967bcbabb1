// System files and the checks of the machine and the user: installtwaindriver,
// installsystemlibrary, swapdisk, checkdriver, checkprocessor and showlicense.
#include <cstdlib>

#include "installer/commands/commands.h"
#include "installer/commands/lz_copy.h"
#include "installer/commands/script_paths.h"
#include "installer/commands/system_files.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace installer {

const char* const kFewColoursMessage =
    "Your current screen driver can only display 16 colours without dithering. Install a "
    "256-colour or better screen driver to view graphics properly with this software.";

namespace {

// The longest system directory the system-file commands accept.
constexpr size_t kSystemDirectoryLimit = 260;

// The file's name without its directory and extension, then ".BAK".
std::string BackupName(const std::string& name) {
  size_t start = name.find_last_of("\\/:");
  std::string base = start == std::string::npos ? name : name.substr(start + 1);
  size_t dot = base.find_last_of('.');
  return (dot == std::string::npos ? base : base.substr(0, dot)) + ".BAK";
}

int InstallSystemFile(const std::string& directory, const ScriptArguments& args) {
  if (directory.empty() || directory.size() > kSystemDirectoryLimit) return 0;
  std::string destination = NativePath(directory);
  std::string backup = NativePath(JoinScriptPath(directory, BackupName(args.arg1)));
  std::string installed = NativePath(JoinScriptPath(directory, args.arg1));
  platform::RemoveFile(backup);
  if (platform::QueryPath(installed) == platform::PathKind::File) LzCopyFile(installed, backup);
  InstallVersionedFile(NativePath(args.arg1), NativePath(args.arg2), destination);
  return 1;
}

}  // namespace

int InstallTwainDriverCommand(InstallContext& context, const ScriptArguments& args) {
  return InstallSystemFile(context.WindowsDirectory(), args);
}

int InstallSystemLibraryCommand(InstallContext& context, const ScriptArguments& args) {
  return InstallSystemFile(context.SystemDirectory(), args);
}

int SwapDiskCommand(InstallContext& context, const ScriptArguments& args) {
  std::string proof = NativePath(args.arg1);
  while (context.ui->Ask(args.arg2) == kAnswerYes) {
    if (platform::QueryPath(proof) != platform::PathKind::Missing) return 1;
  }
  return 0;
}

int CheckDriverCommand(InstallContext& context, const ScriptArguments& args) {
  int bits = context.machine.screenColourBits > 8 ? 24 : context.machine.screenColourBits;
  if (bits >= 8) return 1;
  context.ui->ShowMessage(kFewColoursMessage);
  return 0;
}

int CheckProcessorCommand(InstallContext& context, const ScriptArguments& args) {
  unsigned minimum = static_cast<unsigned>(std::strtoul(args.arg1.c_str(), nullptr, 10));
  if (context.machine.processorType < minimum) context.ui->ShowMessage(args.arg2);
  return 1;
}

std::string LicenseDisplayText(const unsigned char* text, size_t size) {
  std::string shown;
  shown.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    // A line feed after a carriage return is dropped; a bare one (a text written with
    // line feeds only) ends a line as well, so that such a text does not run together.
    if (text[i] == '\n' && i > 0 && text[i - 1] == '\r') continue;
    if (text[i] == '\r' || text[i] == '\n') {
      shown += "\r\n";
    } else {
      shown.push_back(static_cast<char>(text[i]));
    }
  }
  return shown;
}

int ShowLicenseCommand(InstallContext& context, const ScriptArguments& args) {
  platform::ResourceBytes license;
  bool agreed = false;
  // A missing licence counts as declined.
  if (platform::FindRawData("LICENSE", &license))
    agreed = context.ui->ShowLicense(LicenseDisplayText(license.data, license.size));
  if (agreed) return 1;
  context.ui->QuitAtOnce(0);
  context.quitRequested = true;
  return 0;
}

}  // namespace installer
