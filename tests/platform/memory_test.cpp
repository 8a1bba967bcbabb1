#include "platform/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(MemoryBlock, StartsZeroedAndKeepsItsSize) {
  platform::MemoryHandle block = platform::AllocateBlock(1000);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(platform::BlockSize(block), 1000u);
  auto* bytes = static_cast<unsigned char*>(platform::LockBlock(block));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(bytes[i], 0) << i;
  platform::UnlockBlock(block);
  platform::FreeBlock(block);
}

TEST(MemoryBlock, GrowthKeepsContentsAndZeroFillsTheRest) {
  platform::MemoryHandle block = platform::AllocateBlock(24);
  ASSERT_NE(block, nullptr);
  {
    platform::BlockLock lock(block);
    std::memset(lock.data(), 0xAB, 24);
  }
  // Grow several times so that the block really has to move at least once.
  for (size_t size = 48; size <= 24 * 1024; size *= 2) {
    platform::MemoryHandle grown = platform::ReallocateBlock(block, size);
    ASSERT_NE(grown, nullptr);
    block = grown;
    platform::BlockLock lock(block);
    auto* bytes = static_cast<unsigned char*>(lock.data());
    for (size_t i = 0; i < 24; ++i) ASSERT_EQ(bytes[i], 0xAB);
    for (size_t i = 24; i < size; ++i) ASSERT_EQ(bytes[i], 0) << "size " << size << " byte " << i;
  }
  platform::FreeBlock(block);
}

TEST(MemoryBlock, NullHandlesAreRefusedQuietly) {
  EXPECT_EQ(platform::LockBlock(nullptr), nullptr);
  EXPECT_EQ(platform::BlockSize(nullptr), 0u);
  EXPECT_EQ(platform::ReallocateBlock(nullptr, 10), nullptr);
  platform::UnlockBlock(nullptr);
  platform::FreeBlock(nullptr);
}

TEST(MemoryBlock, ABlockToFillHasItsSizeAndFailsLikeAnyOther) {
  platform::MemoryHandle block = platform::AllocateBlockToFill(5000);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(platform::BlockSize(block), 5000u);
  {
    platform::BlockLock lock(block);
    ASSERT_TRUE(lock);
    std::memset(lock.data(), 0x5A, 5000);
  }
  platform::MemoryHandle grown = platform::ReallocateBlock(block, 6000);  // growth is still cleared
  ASSERT_NE(grown, nullptr);
  {
    platform::BlockLock lock(grown);
    auto* bytes = static_cast<unsigned char*>(lock.data());
    EXPECT_EQ(bytes[4999], 0x5A);
    EXPECT_EQ(bytes[5000], 0);
  }
  platform::FailAllocationsAfter(0);
  EXPECT_EQ(platform::AllocateBlockToFill(16), nullptr);
  platform::FailAllocationsAfter(-1);
  platform::FreeBlock(grown);
}

TEST(MemoryBlock, InjectedFailuresLeaveTheOldBlockUsable) {
  platform::MemoryHandle block = platform::AllocateBlock(16);
  ASSERT_NE(block, nullptr);
  platform::FailAllocationsAfter(1);
  platform::MemoryHandle second = platform::AllocateBlock(16);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(platform::AllocateBlock(16), nullptr);
  EXPECT_EQ(platform::ReallocateBlock(block, 64), nullptr);
  platform::FailAllocationsAfter(-1);
  EXPECT_GE(platform::BlockSize(block), 16u);
  EXPECT_NE(platform::LockBlock(block), nullptr);
  platform::UnlockBlock(block);
  platform::FreeBlock(second);
  platform::FreeBlock(block);
}

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
// The kernel's transparent huge page mode ("always", "madvise" or "never"), or empty.
std::string HugePageMode() {
  std::FILE* file = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
  if (!file) return "";
  char line[128] = {};
  std::string text = std::fgets(line, sizeof line, file) ? line : "";
  std::fclose(file);
  size_t open = text.find('['), close = text.find(']');
  return open == std::string::npos || close == std::string::npos ? "" : text.substr(open + 1, close - open - 1);
}

// Kilobytes the kernel backs with huge pages in the mapping that holds `address`.
long HugeKibAt(const void* address) {
  std::FILE* maps = std::fopen("/proc/self/smaps", "r");
  if (!maps) return -1;
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  long result = -1;
  char line[512];
  while (std::fgets(line, sizeof line, maps)) {
    uintptr_t begin = 0, end = 0;
    char permissions[8] = "";
    // A mapping's first line: "begin-end perms offset device inode path".
    if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR " %7s", &begin, &end, permissions) == 3)
      inside = at >= begin && at < end;
    long kib = 0;
    if (inside && std::sscanf(line, "AnonHugePages: %ld kB", &kib) == 1) result = kib;
  }
  std::fclose(maps);
  return result;
}

// In a program that prepared its heap for frames, frame-sized blocks come from the heap,
// which is advised for huge pages as it grows: with huge pages on offer, forty frames'
// worth is backed by them. Blocks still come back cleared or as made to be filled.
TEST(MemoryBlocks, FrameSizedBlocksAreOnHugePagesInAPreparedHeap) {
  platform::PrepareHeapForFrames();
  constexpr size_t kFrame = 640 * 480 * 3;
  std::vector<platform::MemoryHandle> blocks;
  for (int i = 0; i < 40; ++i) {
    platform::MemoryHandle block = platform::AllocateBlockToFill(kFrame);
    ASSERT_NE(block, nullptr);
    platform::BlockLock lock(block);
    std::memset(lock.data(), i + 1, kFrame);
    blocks.push_back(block);
  }
  const std::string mode = HugePageMode();
  if (mode == "always" || mode == "madvise") {
    platform::BlockLock lock(blocks[20]);
    EXPECT_GT(HugeKibAt(lock.data()), 0) << "huge pages are offered (" << mode << ") but frames have none";
  }
  platform::FreeBlock(blocks[7]);
  blocks[7] = platform::AllocateBlock(kFrame);
  {
    platform::BlockLock lock(blocks[7]);
    const auto* bytes = static_cast<const unsigned char*>(lock.data());
    EXPECT_TRUE(std::all_of(bytes, bytes + kFrame, [](unsigned char b) { return b == 0; }));
  }
  for (platform::MemoryHandle block : blocks) platform::FreeBlock(block);
}
#endif

}  // namespace
