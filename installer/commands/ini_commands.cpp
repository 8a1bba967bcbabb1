// The INI commands: the installed version and patch level checks, and addprofile.
#include <cctype>
#include <cstdlib>

#include "installer/commands/commands.h"
#include "installer/commands/script_paths.h"
#include "platform/profile.h"

namespace installer {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// The character at `index`, or NUL past the end (a short version text compares as the
// characters it lacks).
char At(const std::string& text, size_t index) { return index < text.size() ? text[index] : '\0'; }

}  // namespace

int CheckInstalledVersionCommand(InstallContext& context, const ScriptArguments& args) {
  // Packed version: letter in bits 0-4 (0 = a), major digit in bits 5-9, minor digit
  // in bits 10-14.
  int packed = platform::ReadProfileInt(context.settings.iniSection, "VersionNumber", 0,
                                        NativePath(args.arg1));
  int letter = packed & 31, major = (packed >> 5) & 31, minor = (packed >> 10) & 31;
  const std::string& wanted = args.arg2;
  bool same = At(wanted, 0) - '0' == major && At(wanted, 2) - '0' == minor &&
              Upper(At(wanted, 3)) == Upper(static_cast<char>('a' + letter));
  if (same) return 1;
  context.ui->ShowMessage(args.arg3);
  return 0;
}

int CheckPatchLevelCommand(InstallContext& context, const ScriptArguments& args) {
  int level = platform::ReadProfileInt(context.settings.iniSection, "PatchLevel", 0,
                                       NativePath(args.arg1));
  if (level >= std::atoi(args.arg2.c_str())) return 1;
  context.ui->ShowMessage(args.arg3);
  return 0;
}

int AddProfileCommand(InstallContext& context, const ScriptArguments& args) {
  const std::string& text = args.arg3;
  size_t equals = text.find('=');
  std::string key = text.substr(0, equals);
  std::string value;
  if (equals != std::string::npos) {
    size_t start = text.find_first_not_of('=', equals);
    if (start != std::string::npos) value = text.substr(start);
  }
  platform::WriteProfileEntry(args.arg2, key, value, NativePath(args.arg1));
  return 1;
}

}  // namespace installer
