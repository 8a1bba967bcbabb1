// Reads an archive file through one 2048-byte block buffer. Blocks always start at
// multiples of 2048 from the start of the file; a seek to any offset loads the block
// that holds it and reading starts inside it. The buffer has 4 bytes more behind the
// block, so that a search can look at a signature that runs into the next block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/files.h"

namespace installer {

class ArchiveReader {
 public:
  static constexpr size_t kBlockSize = 2048;
  static constexpr size_t kBufferSize = kBlockSize + 4;

  // `buffer` holds kBufferSize bytes and outlives the reader.
  ArchiveReader(platform::FileHandle file, uint64_t fileSize, unsigned char* buffer)
      : file_(file), size_(fileSize), buffer_(buffer) {}

  uint64_t size() const { return size_; }
  uint64_t position() const { return position_; }

  // Moves to `offset`; false (and no move) when it lies beyond the end of the file.
  bool Seek(uint64_t offset);

  // Moves to a position remembered from position(), even one beyond the end (reads
  // there find nothing).
  void Restore(uint64_t position) { position_ = position; }

  // Moves forward over `bytes` bytes without reading them.
  void Skip(uint64_t bytes) { position_ += bytes; }

  // Copies up to `bytes` bytes from the reading position; fewer only at the end.
  size_t Read(void* out, size_t bytes);

  // Hands out up to `bytes` bytes (at most to the end of the current block) straight
  // from the block buffer, valid until the next call on this reader; sets *got to the
  // count, 0 at the end of the file.
  const unsigned char* Borrow(size_t bytes, size_t* got);

  // Loads `length` bytes of the file from `start` (a multiple of the block size) to
  // the front of the buffer; returns the bytes loaded. The buffer's tail is left for
  // the caller to fill.
  size_t LoadBlock(uint64_t start, size_t length);

  unsigned char* buffer() const { return buffer_; }

 private:
  // Makes sure the block holding the reading position is loaded; false at the end.
  bool Fill();

  platform::FileHandle file_;
  uint64_t size_;
  unsigned char* buffer_;
  uint64_t position_ = 0;
  uint64_t blockStart_ = 0;
  size_t blockLength_ = 0;  // bytes of the loaded block; 0 when none is loaded
};

}  // namespace installer
