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
  stream_ = CreateFileBeside(directory, "." + name + ".part-", path, &temporary_);
  if (!stream_) {
    *error = "cannot write in the directory " + directory + (errno ? std::string(" (") + std::strerror(errno) + ")" : "");
    return false;
  }
  RemoveWhenStopped(temporary_, false);
  return true;
}

ByteSink OutputFile::sink() {
  std::FILE* stream = stream_;
  return [stream](const uint8_t* bytes, size_t count) {
    return stream && std::fwrite(bytes, 1, count, stream) == count;
  };
}

bool OutputFile::commit(std::string* error) {
  if (!stream_) {
    *error = "was not opened";
    return false;
  }
  std::FILE* stream = stream_;
  stream_ = nullptr;
  bool written = std::fflush(stream) == 0 && !std::ferror(stream);
  int reason = errno;
  if (standardOutput_) {
    standardOutput_ = false;
    if (!written) *error = std::string("cannot be written (") + std::strerror(reason) + ")";
    return written;
  }
  if (std::fclose(stream) != 0 && written) {
    written = false;
    reason = errno;
  }
  if (!written) {
    *error = std::string("cannot be written (") + std::strerror(reason) + "); nothing was written, an earlier file of that name is kept";
    RemovePath(temporary_, false);
    ForgetWhenStopped(temporary_);
    temporary_.clear();
    return false;
  }
  std::string why;
  bool moved = MoveIntoPlace(temporary_, path_, &why);
  if (!moved) {
    *error = "cannot be given its name (" + why + ")";
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
