// Where the extractor writes the entries it unpacks: one file open at a time. The
// installer writes real files through the platform layer; tests and the fuzz target
// wrap or replace it (to fill a disk, watch every path, or count bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace installer {

class OutputFiles {
 public:
  virtual ~OutputFiles() = default;
  // True when `name` below `directory` passes through, or ends on, an existing
  // symbolic link.
  virtual bool MeetsLink(const std::string& directory, const std::string& name) = 0;
  // Creates `path` (replacing an existing file) and makes it the open file.
  virtual bool Create(const std::string& path) = 0;
  // Bytes stored in the open file; fewer than asked means the medium is full.
  virtual size_t Write(const void* data, size_t bytes) = 0;
  // Modification time of the open file, from an MS-DOS date and time in local time.
  virtual void SetTime(uint16_t dosDate, uint16_t dosTime) = 0;
  // Closes the open file; false when its data could not all be stored.
  virtual bool Close() = 0;
};

// Real files through the platform layer.
class PlatformOutputFiles : public OutputFiles {
 public:
  ~PlatformOutputFiles() override { platform::CloseFile(file_); }
  bool MeetsLink(const std::string& directory, const std::string& name) override;
  bool Create(const std::string& path) override;
  size_t Write(const void* data, size_t bytes) override;
  void SetTime(uint16_t dosDate, uint16_t dosTime) override;
  bool Close() override;

 private:
  platform::FileHandle file_ = nullptr;
};

}  // namespace installer
