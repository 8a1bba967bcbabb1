#include "installer/zip/output_files.h"

namespace installer {

bool PlatformOutputFiles::MeetsLink(const std::string& directory, const std::string& name) {
  return platform::PathMeetsLink(directory, name);
}

bool PlatformOutputFiles::Create(const std::string& path) {
  platform::CloseFile(file_);
  file_ = platform::CreateFileForWriting(path, platform::CreateMode::Replace);
  return file_ != nullptr;
}

size_t PlatformOutputFiles::Write(const void* data, size_t bytes) {
  return platform::WriteToFile(file_, data, bytes);
}

void PlatformOutputFiles::SetTime(uint16_t dosDate, uint16_t dosTime) {
  // A date that names no moment leaves the file's own time; nothing else depends on it.
  platform::SetFileDosTime(file_, dosDate, dosTime);
}

bool PlatformOutputFiles::Close() {
  bool ok = platform::CloseFile(file_);
  file_ = nullptr;
  return ok;
}

}  // namespace installer
