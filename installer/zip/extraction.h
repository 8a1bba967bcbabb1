// The state of one extraction, shared by the archive walk (unzip.cpp) and the
// extraction of single entries (extract_entry.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "installer/zip/archive_reader.h"
#include "installer/zip/output_files.h"
#include "installer/zip/status_line.h"
#include "installer/zip/unzip_codes.h"
#include "installer/zip/zip_records.h"

namespace installer {

constexpr size_t kEntriesPerBatch = 64;
constexpr size_t kInflateWindowSize = 32768;

// A central directory entry kept until its batch is extracted.
struct CollectedEntry {
  CentralHeader header;
  char name[kMaxNameLength + 1];
};

// Every buffer of one extraction, in one movable block.
struct Workspace {
  unsigned char input[ArchiveReader::kBufferSize];
  unsigned char output[ArchiveReader::kBlockSize + 1];
  unsigned char window[kInflateWindowSize];
  CollectedEntry batch[kEntriesPerBatch];
};

struct Extraction {
  Extraction(ArchiveReader& in, Workspace& buffers, StatusLine& line, OutputFiles& out,
             const std::string& directory)
      : reader(in), work(buffers), status(line), output(out), destination(directory) {}

  // Records a code: any code other than kUnzipOk replaces the result.
  void Note(int code) {
    if (code != kUnzipOk) result = code;
  }
  void Show(UnzipStatusText text, const std::string& argument = std::string());

  ArchiveReader& reader;
  Workspace& work;
  StatusLine& status;
  OutputFiles& output;
  std::string destination;
  int result = kUnzipOk;
  int64_t prefixLength = 0;  // bytes in front of the archive proper
  bool outOfSpace = false;
};

// Reads the entry's local header at its offset and extracts its data (the central
// header gives the offset, the sizes and CRC for flag bit 3, and the attributes).
void ExtractEntry(Extraction& x, const CollectedEntry& entry);

}  // namespace installer
