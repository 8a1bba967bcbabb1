// Movable memory blocks for POSIX: a small header that owns a separately allocated
// payload, so reallocation really moves the data the way a movable block may.
#include "platform/memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <mutex>

#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/allocation_hook.h"

namespace platform {
namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTREL_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KESTREL_ADDRESS_SANITIZER 1
#endif

// Payloads come from the C library. Builds touch hundreds of megabytes of fresh frame
// memory, and with 4 KiB pages the kernel's work on each first touch can take longer than
// the effect itself; so in a program that asked for it (PrepareHeapForFrames) the heap
// is advised for huge pages as it grows.
bool g_adviseHeap = false;
std::mutex g_adviseMutex;
uintptr_t g_advisedEnd = 0;  // the heap is advised up to here

constexpr uintptr_t kHugePage = 2 * 1024 * 1024;

// Advises what the heap grew by since the last call (whole huge pages of it).
void AdviseHeapGrowth() {
#if defined(MADV_HUGEPAGE) && !defined(KESTREL_ADDRESS_SANITIZER)
  std::lock_guard<std::mutex> hold(g_adviseMutex);
  const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0)) / kHugePage * kHugePage;
  if (end > g_advisedEnd) {
    madvise(reinterpret_cast<void*>(g_advisedEnd), end - g_advisedEnd, MADV_HUGEPAGE);
    g_advisedEnd = end;
  }
#endif
}

void* AllocatePayload(size_t bytes, bool cleared) {
  void* payload = cleared ? std::calloc(bytes, 1) : std::malloc(bytes);
  if (payload && g_adviseHeap) AdviseHeapGrowth();
  return payload;
}

void FreePayload(void* address) { std::free(address); }

constexpr uint32_t kLiveMagic = 0x4B424C4Bu;  // marks a header that is in use
constexpr uint32_t kDeadMagic = 0xDEADB10Cu;

struct BlockHeader {
  uint32_t magic;
  int lockCount;
  size_t size;
  unsigned char* data;
};

BlockHeader* Header(MemoryHandle block) {
  auto* header = static_cast<BlockHeader*>(block);
  if (!header || header->magic != kLiveMagic) return nullptr;
  return header;
}

// A new block, its payload cleared or left as it is.
MemoryHandle NewBlock(size_t bytes, bool cleared) {
  if (!AllocationAllowed()) return nullptr;
  auto* header = static_cast<BlockHeader*>(std::calloc(1, sizeof(BlockHeader)));
  if (!header) return nullptr;
  // Keep one byte for an empty block, so every live block has an address.
  header->data = static_cast<unsigned char*>(AllocatePayload(bytes ? bytes : 1, cleared));
  if (!header->data) {
    std::free(header);
    return nullptr;
  }
  header->magic = kLiveMagic;
  header->size = bytes;
  return header;
}

}  // namespace

MemoryHandle AllocateBlock(size_t bytes) { return NewBlock(bytes, true); }

MemoryHandle AllocateBlockToFill(size_t bytes) { return NewBlock(bytes, false); }

void* LockBlock(MemoryHandle block) {
  BlockHeader* header = Header(block);
  if (!header) return nullptr;
  // Threads of one build may lock the same picture at once (to read it).
  __atomic_add_fetch(&header->lockCount, 1, __ATOMIC_RELAXED);
  return header->data;
}

void UnlockBlock(MemoryHandle block) {
  BlockHeader* header = Header(block);
  if (!header) return;
  int count = __atomic_load_n(&header->lockCount, __ATOMIC_RELAXED);
  while (count > 0 && !__atomic_compare_exchange_n(&header->lockCount, &count, count - 1, true, __ATOMIC_RELAXED,
                                                    __ATOMIC_RELAXED)) {
  }
}

size_t BlockSize(MemoryHandle block) {
  BlockHeader* header = Header(block);
  return header ? header->size : 0;
}

MemoryHandle ReallocateBlock(MemoryHandle block, size_t bytes) {
  BlockHeader* header = Header(block);
  if (!header || !AllocationAllowed()) return nullptr;
  auto* data = static_cast<unsigned char*>(AllocatePayload(bytes ? bytes : 1, true));
  if (!data) return nullptr;
  std::memcpy(data, header->data, header->size < bytes ? header->size : bytes);
  FreePayload(header->data);
  header->data = data;
  header->size = bytes;
  return header;
}

void FreeBlock(MemoryHandle block) {
  BlockHeader* header = Header(block);
  if (!header) return;
  header->magic = kDeadMagic;
  FreePayload(header->data);
  std::free(header);
}

}  // namespace platform

namespace platform {

// The kernel's estimate of memory available without swapping ("MemAvailable"), else the
// free pages; lowered to the address-space limit when one is set.
unsigned long long UsableMemoryBytes() {
  unsigned long long bytes = 0;
  if (std::FILE* info = std::fopen("/proc/meminfo", "r")) {
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, info))
      if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
        bytes = kib * 1024ull;
        break;
      }
    std::fclose(info);
  }
  if (bytes == 0) {
    long pages = sysconf(_SC_AVPHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) bytes = static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(pageSize);
  }
  struct rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<unsigned long long>(limit.rlim_cur) < bytes)
    bytes = static_cast<unsigned long long>(limit.rlim_cur);
  return bytes;
}

}  // namespace platform

namespace platform {

void PrepareHeapForFrames() {
#if defined(__GLIBC__) && !defined(KESTREL_ADDRESS_SANITIZER)
  // Every thread allocates from the one heap, which grows 64 MiB at a time and is kept;
  // buffers up to 32 MiB (frames, pictures and the work buffers of colour reduction and
  // encoding) come from it rather than each from a fresh mapping, so freed ones are
  // reused without new page faults.
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TOP_PAD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
  {
    std::lock_guard<std::mutex> hold(g_adviseMutex);
    const uintptr_t start = reinterpret_cast<uintptr_t>(sbrk(0));
    g_advisedEnd = (start + kHugePage - 1) / kHugePage * kHugePage;
  }
  g_adviseHeap = true;
#endif
}

}  // namespace platform
