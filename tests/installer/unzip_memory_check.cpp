// unzip_memory_check ARCHIVE DEST LIMIT_KB: extracts the archive and fails unless the
// heap in use grew by less than LIMIT_KB at its peak during the extraction.
//
// The kernel's resident-set figures are kept in batched per-CPU counters and miss
// changes of a few megabytes, so this program counts the heap itself: it stands in for
// the C library's allocation functions and keeps the bytes in use and their peak.
// (The extractor does not recurse; its stack use is a few kilobytes.)
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "installer/zip/unzip.h"

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {

size_t g_inUse = 0;
size_t g_peak = 0;

void* Counted(void* block) {
  if (block) {
    g_inUse += malloc_usable_size(block);
    if (g_inUse > g_peak) g_peak = g_inUse;
  }
  return block;
}

void Uncounted(void* block) {
  if (block) g_inUse -= malloc_usable_size(block);
}

}  // namespace

extern "C" {
void* malloc(size_t size) { return Counted(__libc_malloc(size)); }
void* calloc(size_t count, size_t size) { return Counted(__libc_calloc(count, size)); }
void free(void* block) {
  Uncounted(block);
  __libc_free(block);
}
void* realloc(void* block, size_t size) {
  Uncounted(block);
  return Counted(__libc_realloc(block, size));
}
void* memalign(size_t alignment, size_t size) { return Counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  *out = memalign(alignment, size);
  return *out ? 0 : 12;
}
}

namespace {

class PrintedStatus : public installer::StatusLine {
 public:
  void Show(const std::string& text) override { std::printf("  %s\n", text.c_str()); }
};

long HighWaterKilobytes() {
  long value = -1;
  if (FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status))
      if (std::strncmp(line, "VmHWM:", 6) == 0) value = std::atol(line + 6);
    std::fclose(status);
  }
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: unzip_memory_check ARCHIVE DEST LIMIT_KB\n");
    return 2;
  }
  const long limit = std::atol(argv[3]);
  PrintedStatus status;
  const std::string archive = argv[1], destination = argv[2];
  const long hwmBefore = HighWaterKilobytes();
  const size_t baseline = g_inUse;
  g_peak = g_inUse;
  const int result = installer::ExtractArchive(archive, destination, status);
  const size_t growth = g_peak - baseline;
  std::printf("result %d; heap peak grew by %zu bytes (limit %ld KB); VmHWM %ld KB -> %ld KB\n",
              result, growth, limit, hwmBefore, HighWaterKilobytes());
  return result == installer::kUnzipOk && growth < static_cast<size_t>(limit) * 1024 ? 0 : 1;
}
