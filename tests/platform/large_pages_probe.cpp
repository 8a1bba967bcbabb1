// Starts as fwhost does, then reports what it finds: its GLIBC_TUNABLES, whether the
// restart's own variable is still set, its first argument, and how much of forty frames'
// worth of heap blocks the kernel backs with huge pages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/memory.h"

int main(int argc, char** argv) {
  platform::UseLargePagesForHeap(argv);
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  std::printf("tunables=%s\n", tunables ? tunables : "(none)");
  std::printf("marker=%s\n", std::getenv("KESTREL_HEAP_RESTARTED") ? "left" : "gone");
  std::printf("argument=%s\n", argc > 1 ? argv[1] : "");
  std::vector<char*> blocks;
  for (int i = 0; i < 40; ++i) {
    char* block = static_cast<char*>(std::malloc(640 * 480 * 3));
    if (!block) return 1;
    std::memset(block, i + 1, 640 * 480 * 3);
    blocks.push_back(block);
  }
  long hugeKib = 0;
  if (std::FILE* maps = std::fopen("/proc/self/smaps", "r")) {
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, maps))
      if (std::sscanf(line, "AnonHugePages: %ld kB", &kib) == 1) hugeKib += kib;
    std::fclose(maps);
  }
  std::printf("huge_kib=%ld\n", hugeKib);
  for (char* block : blocks) std::free(block);
  return 0;
}
