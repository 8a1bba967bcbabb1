#include "installer/zip/unzip_command.h"

#include "installer/zip/unzip.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace installer {

const char* const kUnzipMessageDamaged = "This archive has been damaged and can't be installed.";
const char* const kUnzipMessageNoTempSpace = "There is insufficient space on your TEMP drive.";
const char* const kUnzipMessageFailed = "There has been an error unpacking this archive.";

std::string WriteTemporaryCopy(const unsigned char* data, size_t size) {
  std::string path = platform::UniqueTemporaryFile(platform::TemporaryDirectory(), "VARN");
  if (path.empty()) path = platform::FallbackTemporaryFile();
  platform::RemoveFile(path);
  platform::FileHandle file = platform::CreateFileForWriting(path, platform::CreateMode::NewOnly);
  bool ok = file && platform::WriteToFile(file, data, size) == size;
  ok = platform::CloseFile(file) && ok;
  if (ok) return path;
  platform::RemoveFile(path);
  return std::string();
}

int RunUnzipCommand(const std::string& resourceName, const std::string& destination,
                    UnzipCommandUi& ui) {
  platform::ResourceBytes archive;
  if (!platform::FindRawData(resourceName.c_str(), &archive)) {
    ui.ShowMessage(kUnzipMessageDamaged);
    return 0;
  }
  std::string temporary = WriteTemporaryCopy(archive.data, archive.size);
  if (temporary.empty()) {
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
