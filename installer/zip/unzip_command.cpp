#include "installer/zip/unzip_command.h"

#include "installer/zip/unzip.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace installer {

const char* const kUnzipMessageDamaged = "This archive has been damaged and can't be installed.";
const char* const kUnzipMessageNoTempSpace = "There is insufficient space on your TEMP drive.";
const char* const kUnzipMessageFailed = "There has been an error unpacking this archive.";

namespace {

// Writes the resource's bytes to a new file of that name in one write; false (and the
// file deleted) when it cannot be created or not all bytes were stored.
bool WriteTemporaryArchive(const std::string& path, const platform::ResourceBytes& bytes) {
  platform::RemoveFile(path);
  platform::FileHandle file = platform::CreateFileForWriting(path, platform::CreateMode::NewOnly);
  bool ok = file && platform::WriteToFile(file, bytes.data, bytes.size) == bytes.size;
  ok = platform::CloseFile(file) && ok;
  if (!ok) platform::RemoveFile(path);
  return ok;
}

}  // namespace

int RunUnzipCommand(const std::string& resourceName, const std::string& destination,
                    UnzipCommandUi& ui) {
  platform::ResourceBytes archive;
  if (!platform::FindRawData(resourceName.c_str(), &archive)) {
    ui.ShowMessage(kUnzipMessageDamaged);
    return 0;
  }
  std::string temporary = platform::UniqueTemporaryFile(platform::TemporaryDirectory(), "VARN");
  if (temporary.empty()) temporary = platform::FallbackTemporaryFile();
  if (!WriteTemporaryArchive(temporary, archive)) {
    ui.ShowMessage(kUnzipMessageNoTempSpace);
    return 0;
  }
  int result = ExtractArchive(temporary, destination, ui);
  platform::RemoveFile(temporary);
  if (result != kUnzipOk) {
    ui.ShowMessage(kUnzipMessageFailed);
    return 0;
  }
  return 1;
}

}  // namespace installer
