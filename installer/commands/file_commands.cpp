// The commands that place files: copy, movefile, mkdir, checkfileexists,
// addtouninstall and unzip.
#include <cstdio>
#include <vector>

#include "installer/commands/commands.h"
#include "installer/commands/lz_copy.h"
#include "installer/commands/script_paths.h"
#include "installer/zip/unzip_command.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace installer {

const char* const kCopyingStatus = "Copying %s";
const char* const kCopyFailedMessage = "Error unpacking %s";

namespace {

std::string Format(const char* format, const std::string& text) {
  std::vector<char> buffer(text.size() + 64);
  std::snprintf(buffer.data(), buffer.size(), format, text.c_str());
  return buffer.data();
}

// `directory` and `name` joined with this system's separator (none after an empty
// directory). The name is taken as it is, never converted, so a matched file name can
// only ever name a file inside `directory`.
std::string JoinNative(const std::string& directory, const std::string& name) {
#ifdef _WIN32
  const char separator = '\\';
#else
  const char separator = '/';
#endif
  if (directory.empty() || directory.back() == separator || directory.back() == '/')
    return directory + name;
  return directory + separator + name;
}

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

// Copies one file to its destination and deletes the source; false when the copy
// failed or stored nothing (a destination made by the failed step is deleted).
bool MoveOne(const std::string& source, const std::string& destination) {
  if (source.size() > kScriptPathLimit || destination.size() > kScriptPathLimit) return false;
  // A file moved onto itself is already in place; copying it would truncate it first.
  if (platform::SameExistingFile(source, destination)) return true;
  bool existed = platform::QueryPath(destination) != platform::PathKind::Missing;
  long long written = LzCopyFile(source, destination);
  if (written <= 0) {
    if (written == 0 && !existed) platform::RemoveFile(destination);
    return false;
  }
  platform::RemoveFile(source);
  return true;
}

int CopyResource(InstallContext& context, const ScriptArguments& args) {
  std::string name = args.arg1.substr(0, kScriptLineLimit);
  for (char& c : name) {
    if (c == '.') c = '_';
  }
  platform::ResourceBytes bytes;
  if (!platform::FindRawData(name.c_str(), &bytes)) return 0;
  std::string temporary = WriteTemporaryCopy(bytes.data, bytes.size);
  if (temporary.empty()) return 0;
  std::string destination = NativePath(args.arg2);
  long long written = destination.size() > kScriptPathLimit ? -1 : LzCopyFile(temporary, destination);
  platform::RemoveFile(temporary);
  return written > 0 ? 1 : 0;
}

}  // namespace

int CopyCommand(InstallContext& context, const ScriptArguments& args) {
  context.ui->Show(Format(kCopyingStatus, args.arg1));
  if (CopyResource(context, args)) return 1;
  context.ui->ShowMessage(Format(kCopyFailedMessage, args.arg1));
  return 0;
}

int MoveFileCommand(InstallContext& context, const ScriptArguments& args) {
  std::string pattern = NativePath(args.arg1);
  if (pattern.size() > kScriptPathLimit) return 0;
  std::vector<std::string> names;
  if (!platform::FindOrdinaryFiles(pattern, &names) || names.empty()) return 0;
  bool wildcard = HasWildcard(args.arg1);
  std::string sourceDirectory = NativePath(DirectoryPart(args.arg1));
  std::string destination = NativePath(args.arg2);
  for (const std::string& name : names) {
    // The source is the file found (its name as the file system spells it, which may
    // differ in case from the script's); the destination takes the found name only
    // after a pattern.
    bool moved = MoveOne(sourceDirectory + name, wildcard ? JoinNative(destination, name) : destination);
    if (!moved) return 0;
  }
  return 1;
}

int MakeDirectoryCommand(InstallContext& context, const ScriptArguments& args) {
  platform::MakeDirectory(NativePath(args.arg1));
  return 1;
}

int CheckFileExistsCommand(InstallContext& context, const ScriptArguments& args) {
  std::string path = NativePath(args.arg1);
  platform::PathKind kind = platform::QueryPath(path);
  uint64_t size = 0;
  // A link counts when it leads to a file.
  if (kind == platform::PathKind::File || kind == platform::PathKind::Directory ||
      (kind == platform::PathKind::Link && platform::FileSizeOf(path, &size)))
    return 1;
  context.ui->ShowMessage(args.arg2);
  return 0;
}

int AddToUninstallCommand(InstallContext& context, const ScriptArguments& args) {
  std::string log = JoinScriptPath(context.InstallPath(), "INSTALLD.TXT");
  // The log's path has a buffer of its own; a longer one writes nothing.
  if (log.size() >= kUninstallLogPathLimit) return 1;
  platform::FileHandle file = platform::CreateFileForWriting(NativePath(log), platform::CreateMode::Append);
  if (!file) return 1;  // the installer never creates this log
  std::string line = " " + args.arg1 + "\r\n";
  platform::WriteToFile(file, line.data(), line.size());
  platform::CloseFile(file);
  return 1;
}

int UnzipCommand(InstallContext& context, const ScriptArguments& args) {
  return RunUnzipCommand(args.arg1, NativePath(args.arg2), *context.ui);
}

}  // namespace installer
