// An output file written so that no run leaves a truncated file or loses one: the bytes
// go to a temporary file in the same directory, which takes the final name only when
// every byte is written and flushed. A run that fails or is stopped removes the
// temporary file and leaves any earlier file of that name as it was. "-" writes to
// standard output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "host/delivery.h"

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { abandon(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Prepares writing to `path`: the temporary file is made now, so a directory that is
  // missing or cannot be written is found before any work. False, with the reason.
  bool open(const std::string& path, std::string* error);
  bool isOpen() const { return stream_ != nullptr; }
  const std::string& path() const { return path_; }

  std::FILE* stream() const { return stream_; }
  // The bytes the sink has taken so far.
  uint64_t bytesWritten() const { return written_; }
  // Writes to the stream; false once a write has failed. Valid while this file lives.
  ByteSink sink();

  // Flushes and closes the file and gives it its final name. False, with the reason
  // (a full disk, the file-size limit), when a write failed; no file is left then, and
  // an earlier file of that name is kept.
  bool commit(std::string* error);
  // Drops what was written.
  void abandon();

 private:
  std::string path_;
  std::string temporary_;
  std::FILE* stream_ = nullptr;
  bool standardOutput_ = false;
  int failure_ = 0;  // the reason the first write through the sink failed
  uint64_t written_ = 0;
};

// Writes `path` through an OutputFile with `write`, which receives the stream.
template <typename Write>
bool WriteOutputFile(const std::string& path, std::string* error, Write write) {
  OutputFile file;
  if (!file.open(path, error)) return false;
  if (!write(file)) return false;
  return file.commit(error);
}
