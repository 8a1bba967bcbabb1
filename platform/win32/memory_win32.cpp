// Movable memory blocks for Windows: the real GlobalAlloc family, so a host receives
// genuine HGLOBALs.
#include <windows.h>

#include "platform/allocation_hook.h"
#include "platform/memory.h"

namespace platform {

MemoryHandle AllocateBlock(size_t bytes) {
  if (!AllocationAllowed()) return nullptr;
  return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, bytes);
}

MemoryHandle AllocateBlockToFill(size_t bytes) {
  if (!AllocationAllowed()) return nullptr;
  return GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, bytes);
}

void* LockBlock(MemoryHandle block) { return block ? GlobalLock(block) : nullptr; }

void UnlockBlock(MemoryHandle block) {
  if (block) GlobalUnlock(block);
}

size_t BlockSize(MemoryHandle block) { return block ? GlobalSize(block) : 0; }

MemoryHandle ReallocateBlock(MemoryHandle block, size_t bytes) {
  if (!block || !AllocationAllowed()) return nullptr;
  return GlobalReAlloc(block, bytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
}

void FreeBlock(MemoryHandle block) {
  if (block) GlobalFree(block);
}

// Large pages need a privilege ordinary users lack on Windows.

// The smaller of the physical memory free now, the commit charge still allowed and what
// is left of the process's address space (at most 2 or 4 GiB for a 32-bit process).
unsigned long long UsableMemoryBytes() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  unsigned long long bytes = status.ullAvailPhys;
  if (status.ullAvailPageFile < bytes) bytes = status.ullAvailPageFile;
  if (status.ullAvailVirtual < bytes) bytes = status.ullAvailVirtual;
  return bytes;
}

}  // namespace platform

namespace platform {

// The system heap takes no such settings; HGLOBALs are the host's form of a block.
void PrepareHeapForFrames() {}

}  // namespace platform
