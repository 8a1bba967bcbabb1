// The memory a picture decoder works in, counted and capped.
//
// Every block the decoders ask for through DecoderAllocate (libpng's allocations, the
// rows and canvases of our own readers) is counted; one that would take the decoders'
// live memory past the cap fails, and the decoder then gives up cleanly with "not
// enough memory". Libraries that allocate on their own are held to the cap by their own
// settings or by sizes checked from the header before they start (picture_decoders.h).
// Pictures may be decoded on several threads at once: the cap holds for all together.
#pragma once

#include <cstddef>
#include <string>
#include <cstdint>
#include <string>

// The most memory the decoders may hold at once besides the pictures they make.
constexpr size_t kDecoderMemoryCap = size_t{256} << 20;

// A counted block of `bytes`, or null past the cap (or when memory runs out).
void* DecoderAllocate(size_t bytes);
// Releases a block of DecoderAllocate; null is ignored.
void DecoderFree(void* block);
// The cap in force now (kDecoderMemoryCap unless a test lowered it).
size_t DecoderMemoryCap();
// The reason given for a picture whose decoding would pass the cap.
std::string OverDecoderCap();

// A counted buffer of bytes that frees itself; empty (null data) when refused.
class DecoderBuffer {
 public:
  DecoderBuffer() = default;
  explicit DecoderBuffer(size_t bytes) : data_(static_cast<uint8_t*>(DecoderAllocate(bytes))), size_(data_ ? bytes : 0) {}
  ~DecoderBuffer() { DecoderFree(data_); }
  DecoderBuffer(const DecoderBuffer&) = delete;
  DecoderBuffer& operator=(const DecoderBuffer&) = delete;
  DecoderBuffer(DecoderBuffer&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  DecoderBuffer& operator=(DecoderBuffer&& other) noexcept {
    if (this != &other) {
      DecoderFree(data_);
      data_ = other.data_;
      size_ = other.size_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Test hooks: the largest amount the decoders have held, and a lower cap (0 restores
// kDecoderMemoryCap).
size_t DecoderPeakMemory();
void ResetDecoderPeakMemory();
void SetDecoderMemoryCap(size_t bytes);
