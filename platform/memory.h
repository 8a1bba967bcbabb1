// Movable memory blocks: the storage of every image and frame list.
//
// On Windows every block is a real HGLOBAL; on POSIX the payloads come from the C
// library's heap.
//
// A block is identified by an opaque handle and reached through Lock/Unlock, so its
// address may change between locks (on Windows these are real HGLOBALs that a host can
// read). Every block starts zero-filled (but those made to be filled) and grows with
// zero-filled bytes. Functions that
// cannot do their work report failure (null handle, null pointer, 0) and change nothing.
#pragma once

#include <cstddef>

namespace platform {

using MemoryHandle = void*;

// A new zero-filled movable block of `bytes` bytes; null when it cannot be had.
MemoryHandle AllocateBlock(size_t bytes);

// A new block of `bytes` bytes left as they are, not cleared: for a caller that writes
// every byte before any is read (a copy, a picture whose rows are all copied in). Null
// when it cannot be had.
MemoryHandle AllocateBlockToFill(size_t bytes);

// The block's current address; null for a null or unknown handle. Locks nest, and
// several threads may hold locks on one block at once.
void* LockBlock(MemoryHandle block);

// Undoes one LockBlock.
void UnlockBlock(MemoryHandle block);

// Size in bytes; 0 for a null or unknown handle.
size_t BlockSize(MemoryHandle block);

// Resizes the block, keeping its contents; growth is zero-filled. Returns the block's
// (possibly new) handle, or null on failure, in which case the old block is unchanged
// and still owned by the caller.
MemoryHandle ReallocateBlock(MemoryHandle block, size_t bytes);

// Releases the block; a null handle is ignored.
void FreeBlock(MemoryHandle block);

// Bytes a build may still take for what it holds all at once: the memory that can be
// had now without exhausting the machine (and, for a 32-bit process, what is left of its
// address space). Effects whose frame count the user types compare their frames
// against it before rendering, so an impossible animation fails cleanly.
unsigned long long UsableMemoryBytes();

// Called first in the main of a program that makes frames (fwhost, the benchmarks): on
// Linux with the GNU C library, every thread's buffers up to 32 MiB come from one heap
// that is kept and reused, and the heap is advised for huge pages as it grows, so that
// frame memory costs few page faults. Nothing to do elsewhere. A plug-in never calls it:
// the process's heap is its host's.
void PrepareHeapForFrames();

// Test hook: after `successes` more successful allocations or reallocations, every
// further one fails until the hook is reset with a negative value. The count is shared
// by all threads.
void FailAllocationsAfter(long successes);

// Holds a block locked for the span of one operation.
class BlockLock {
 public:
  explicit BlockLock(MemoryHandle block) : block_(block), data_(LockBlock(block)) {}
  ~BlockLock() {
    if (data_) UnlockBlock(block_);
  }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;

  void* data() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  MemoryHandle block_;
  void* data_;
};

}  // namespace platform
