// Scratch memory of one operation: a zero-filled movable block, held locked for as long
// as the buffer lives and freed with it, so every exit path of an operation releases it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/memory.h"

template <typename T>
class WorkBuffer {
 public:
  // `count` elements of T, all bytes zero; ok() is false when the memory cannot be had.
  explicit WorkBuffer(size_t count) {
    if (count == 0 || count > SIZE_MAX / sizeof(T)) return;
    block_ = platform::AllocateBlock(count * sizeof(T));
    data_ = static_cast<T*>(platform::LockBlock(block_));
  }
  ~WorkBuffer() {
    if (data_) platform::UnlockBlock(block_);
    platform::FreeBlock(block_);
  }
  WorkBuffer(const WorkBuffer&) = delete;
  WorkBuffer& operator=(const WorkBuffer&) = delete;

  bool ok() const { return data_ != nullptr; }
  T* data() const { return data_; }
  T& operator[](size_t index) const { return data_[index]; }

 private:
  platform::MemoryHandle block_ = nullptr;
  T* data_ = nullptr;
};
