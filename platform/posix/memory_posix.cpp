// Movable memory blocks for POSIX: a small header that owns a separately allocated
// payload, so reallocation really moves the data the way a movable block may.
#include "platform/memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "platform/allocation_hook.h"

namespace platform {
namespace {

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
  // calloc(0) may return null; keep one byte so every live block has an address.
  const size_t payload = bytes ? bytes : 1;
  header->data = static_cast<unsigned char*>(cleared ? std::calloc(payload, 1) : std::malloc(payload));
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
  auto* data = static_cast<unsigned char*>(std::calloc(bytes ? bytes : 1, 1));
  if (!data) return nullptr;
  std::memcpy(data, header->data, header->size < bytes ? header->size : bytes);
  std::free(header->data);
  header->data = data;
  header->size = bytes;
  return header;
}

void FreeBlock(MemoryHandle block) {
  BlockHeader* header = Header(block);
  if (!header) return;
  header->magic = kDeadMagic;
  std::free(header->data);
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
namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTREL_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KESTREL_ADDRESS_SANITIZER 1
#endif

#if defined(__linux__) && defined(__GLIBC__) && !defined(KESTREL_ADDRESS_SANITIZER)
// Present in the restarted program: "=" and the user's own GLIBC_TUNABLES, or empty when
// the user had none.
constexpr char kRestartedVariable[] = "KESTREL_HEAP_RESTARTED";

// Huge pages for the heap; blocks up to 32 MiB (frames and pictures) from the heap rather
// than each from a mapping of its own, which would be too small for a huge page; the heap
// grown 64 MiB at a time, so each growth is large enough to be given huge pages.
constexpr char kHeapTunables[] =
    "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432:glibc.malloc.top_pad=67108864";

// True when the kernel gives transparent huge pages to memory that asks for them.
bool HugePagesOnRequest() {
  std::FILE* file = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
  if (!file) return false;
  char line[128] = {};
  bool offered = std::fgets(line, sizeof line, file) &&
                 (std::strstr(line, "[always]") != nullptr || std::strstr(line, "[madvise]") != nullptr);
  std::fclose(file);
  return offered;
}

// Puts GLIBC_TUNABLES back as `saved` describes it ("=value", or empty for none).
void RestoreTunables(const std::string& saved) {
  if (saved.empty()) unsetenv("GLIBC_TUNABLES");
  else setenv("GLIBC_TUNABLES", saved.c_str() + 1, 1);
}
#endif

}  // namespace

void UseLargePagesForHeap(char** argv) {
#if defined(__linux__) && defined(__GLIBC__) && !defined(KESTREL_ADDRESS_SANITIZER)
  if (const char* restarted = std::getenv(kRestartedVariable)) {
    RestoreTunables(restarted);
    unsetenv(kRestartedVariable);
    return;
  }
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  if (!argv || !argv[0] || (tunables && std::strstr(tunables, "glibc.malloc.") != nullptr) || !HugePagesOnRequest())
    return;
  // Under valgrind the restarted program would run outside it.
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload && std::strstr(preload, "vgpreload") != nullptr) return;
  const std::string saved = tunables ? std::string("=") + tunables : std::string();
  const std::string combined = tunables && *tunables ? std::string(tunables) + ":" + kHeapTunables : kHeapTunables;
  if (setenv(kRestartedVariable, saved.c_str(), 1) == 0 && setenv("GLIBC_TUNABLES", combined.c_str(), 1) == 0)
    execv("/proc/self/exe", argv);
  // Still here: the restart could not be made, so the program goes on as it was started.
  RestoreTunables(saved);
  unsetenv(kRestartedVariable);
#else
  (void)argv;
#endif
}

}  // namespace platform
