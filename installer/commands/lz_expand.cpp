#include <cstring>
#include <vector>

#include "installer/commands/lz_copy.h"

namespace installer {
namespace {

// The header of a compressed file: signature, method 'A', the last character of the
// original name, the original size.
const unsigned char kSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr size_t kHeaderSize = 14;
// A 4096-byte ring filled with spaces; writing starts 16 bytes before its end.
constexpr size_t kWindowSize = 4096;
constexpr size_t kWindowStart = kWindowSize - 16;
constexpr size_t kChunk = 4096;

// Buffered reading over the caller's reader, with an end-of-input state.
class ByteSource {
 public:
  explicit ByteSource(const LzRead& read) : read_(read), buffer_(kChunk) {}
  // Puts back bytes already read (the header of a plain file).
  void Prepend(const unsigned char* data, size_t size) {
    pending_.assign(data, data + size);
  }
  bool Next(unsigned char* byte) {
    if (pendingAt_ < pending_.size()) {
      *byte = pending_[pendingAt_++];
      return true;
    }
    if (at_ == filled_) {
      filled_ = read_(buffer_.data(), buffer_.size());
      at_ = 0;
      if (filled_ == 0) return false;
    }
    *byte = buffer_[at_++];
    return true;
  }

 private:
  const LzRead& read_;
  std::vector<unsigned char> buffer_;
  size_t filled_ = 0, at_ = 0;
  std::vector<unsigned char> pending_;
  size_t pendingAt_ = 0;
};

// Collects output into chunks for the caller's writer.
class ByteSink {
 public:
  explicit ByteSink(const LzWrite& write) : write_(write) { buffer_.reserve(kChunk); }
  bool Put(unsigned char byte) {
    buffer_.push_back(byte);
    ++total_;
    return buffer_.size() < kChunk || Flush();
  }
  bool Flush() {
    bool ok = buffer_.empty() || write_(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }
  long long total() const { return total_; }

 private:
  const LzWrite& write_;
  std::vector<unsigned char> buffer_;
  long long total_ = 0;
};

}  // namespace

long long LzExpand(const LzRead& read, const LzWrite& write) {
  ByteSource in(read);
  ByteSink out(write);
  unsigned char header[kHeaderSize];
  size_t got = 0;
  while (got < kHeaderSize && in.Next(&header[got])) ++got;
  bool compressed = got == kHeaderSize && std::memcmp(header, kSignature, sizeof kSignature) == 0 &&
                    header[8] == 'A';
  if (!compressed) {
    in.Prepend(header, got);
    unsigned char byte;
    while (in.Next(&byte)) {
      if (!out.Put(byte)) return -1;
    }
    return out.Flush() ? out.total() : -1;
  }
  unsigned char window[kWindowSize];
  std::memset(window, ' ', sizeof window);
  size_t position = kWindowStart;
  unsigned char flags;
  while (in.Next(&flags)) {
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      unsigned char first, second;
      if (!in.Next(&first)) return out.Flush() ? out.total() : -1;
      if (flags & 1) {  // a literal byte
        if (!out.Put(first)) return -1;
        window[position] = first;
        position = (position + 1) % kWindowSize;
        continue;
      }
      if (!in.Next(&second)) return out.Flush() ? out.total() : -1;
      // A match: 12-bit window offset, length 3 to 18.
      size_t from = first | ((second & 0xF0u) << 4);
      size_t length = (second & 0x0Fu) + 3;
      for (size_t k = 0; k < length; ++k) {
        unsigned char byte = window[(from + k) % kWindowSize];
        if (!out.Put(byte)) return -1;
        window[position] = byte;
        position = (position + 1) % kWindowSize;
      }
    }
  }
  return out.Flush() ? out.total() : -1;
}

}  // namespace installer
