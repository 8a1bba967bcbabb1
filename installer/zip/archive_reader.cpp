#include "installer/zip/archive_reader.h"

#include <cstring>

namespace installer {

bool ArchiveReader::Seek(uint64_t offset) {
  if (offset > size_) return false;
  position_ = offset;
  return true;
}

size_t ArchiveReader::LoadBlock(uint64_t start, size_t length) {
  blockLength_ = 0;
  if (!platform::SeekFile(file_, start)) return 0;
  size_t got = platform::ReadFromFile(file_, buffer_, length);
  blockStart_ = start;
  blockLength_ = got;
  return got;
}

bool ArchiveReader::Fill() {
  if (blockLength_ && position_ >= blockStart_ && position_ < blockStart_ + blockLength_)
    return true;
  if (position_ >= size_) return false;
  uint64_t start = position_ - position_ % kBlockSize;
  uint64_t left = size_ - start;
  LoadBlock(start, left < kBlockSize ? static_cast<size_t>(left) : kBlockSize);
  // A file that shrank under us reads as ending here.
  return blockLength_ && position_ < blockStart_ + blockLength_;
}

const unsigned char* ArchiveReader::Borrow(size_t bytes, size_t* got) {
  *got = 0;
  if (bytes == 0 || !Fill()) return nullptr;
  size_t inBlock = static_cast<size_t>(position_ - blockStart_);
  size_t available = blockLength_ - inBlock;
  *got = bytes < available ? bytes : available;
  position_ += *got;
  return buffer_ + inBlock;
}

size_t ArchiveReader::Read(void* out, size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    size_t got = 0;
    const unsigned char* piece = Borrow(bytes - done, &got);
    if (!got) break;
    std::memcpy(static_cast<unsigned char*>(out) + done, piece, got);
    done += got;
  }
  return done;
}

}  // namespace installer
