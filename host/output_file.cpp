#include "host/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host/exit_cleanup.h"
#include "host/host_platform.h"

namespace {

std::string DirectoryOf(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

bool OutputFile::open(const std::string& path, std::string* error) {
  abandon();
  path_ = path;
  failure_ = 0;
  written_ = 0;
  if (path == "-") {
    standardOutput_ = true;
    stream_ = BinaryStandardOutput();
    return true;
  }
  std::error_code failure;
  std::string directory = DirectoryOf(path);
  if (std::filesystem::is_directory(path, failure)) {
    *error = "is a directory; give a file name";
    return false;
  }
  if (!std::filesystem::is_directory(directory, failure)) {
    *error = "the directory " + directory + " does not exist";
    return false;
  }
  std::string name = std::filesystem::path(path).filename().string();
  errno = 0;
  temporary_ = MakeRemovedWhenStopped(
      [&] {
        std::string made;
        stream_ = CreateFileBeside(directory, "." + name + ".part-", path, &made);
        return stream_ ? made : std::string();
      },
      false);
  if (!stream_) {
    *error = "cannot write in the directory " + directory + (errno ? std::string(" (") + std::strerror(errno) + ")" : "");
    return false;
  }
  return true;
}

ByteSink OutputFile::sink() {
  return [this](const uint8_t* bytes, size_t count) {
    if (stream_ && std::fwrite(bytes, 1, count, stream_) == count) {
      written_ += count;
      return true;
    }
    if (!failure_) failure_ = errno;
    return false;
  };
}

bool OutputFile::commit(std::string* error) {
  if (!stream_) {
    *error = "was not opened";
    return false;
  }
  std::FILE* stream = stream_;
  stream_ = nullptr;
  errno = 0;
  bool written = std::fflush(stream) == 0 && !std::ferror(stream);
  int reason = failure_ ? failure_ : errno;
  auto why = [&] { return reason ? std::string(" (") + std::strerror(reason) + ")" : std::string(); };
  if (standardOutput_) {
    standardOutput_ = false;
    if (!written) *error = "cannot be written" + why();
    return written;
  }
  if (std::fclose(stream) != 0 && written) {
    written = false;
    reason = errno;
  }
  if (!written) {
    *error = "cannot be written" + why();
    RemovePath(temporary_, false);
    ForgetWhenStopped(temporary_);
    temporary_.clear();
    return false;
  }
  std::string failure;
  bool moved = MoveIntoPlace(temporary_, path_, &failure);
  if (!moved) {
    *error = "cannot be given its name (" + failure + ")";
    RemovePath(temporary_, false);
  }
  ForgetWhenStopped(temporary_);
  temporary_.clear();
  return moved;
}

void OutputFile::abandon() {
  if (standardOutput_) {
    standardOutput_ = false;
    stream_ = nullptr;
    return;
  }
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    RemovePath(temporary_, false);
    ForgetWhenStopped(temporary_);
    temporary_.clear();
  }
}
