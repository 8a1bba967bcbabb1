// The compressed-file copy on POSIX, through the portable expander.
#include "installer/commands/lz_copy.h"
#include "platform/files.h"

namespace installer {

long long LzCopyFile(const std::string& source, const std::string& destination) {
  platform::FileHandle in = platform::OpenFileForReading(source);
  if (!in) return -1;
  platform::FileHandle out = platform::CreateFileForWriting(destination, platform::CreateMode::Replace);
  if (!out) {
    platform::CloseFile(in);
    return -1;
  }
  long long written = LzExpand(
      [&](unsigned char* buffer, size_t size) { return platform::ReadFromFile(in, buffer, size); },
      [&](const unsigned char* data, size_t size) {
        return platform::WriteToFile(out, data, size) == size;
      });
  platform::CloseFile(in);
  if (!platform::CloseFile(out)) written = -1;
  if (written < 0) platform::RemoveFile(destination);
  return written;
}

}  // namespace installer
