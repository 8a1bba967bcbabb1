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

}  // namespace platform
