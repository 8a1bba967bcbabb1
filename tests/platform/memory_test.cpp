#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

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

#ifdef LARGE_PAGES_PROBE
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // the sanitizer's allocator replaces the C library's
#else
constexpr bool kSanitized = false;
#endif

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

// The probe's report (key=value lines), run with GLIBC_TUNABLES set to `tunables`, or
// unset for null.
std::map<std::string, std::string> RunProbe(const char* tunables) {
  std::string command = tunables ? std::string("env GLIBC_TUNABLES='") + tunables + "' " : "env -u GLIBC_TUNABLES ";
  command += "'" LARGE_PAGES_PROBE "' 'two words'";
  std::map<std::string, std::string> report;
  std::FILE* probe = popen(command.c_str(), "r");
  if (!probe) return report;
  char line[512];
  while (std::fgets(line, sizeof line, probe)) {
    std::string text(line);
    size_t equals = text.find('=');
    if (equals != std::string::npos) report[text.substr(0, equals)] = text.substr(equals + 1, text.find('\n') - equals - 1);
  }
  EXPECT_EQ(pclose(probe), 0) << command;
  return report;
}

TEST(LargePages, TheRestartKeepsTheArgumentsAndTheUsersEnvironment) {
  for (const char* tunables : {static_cast<const char*>(nullptr), "glibc.rtld.nns=3", "glibc.malloc.hugetlb=0"}) {
    std::map<std::string, std::string> report = RunProbe(tunables);
    EXPECT_EQ(report["tunables"], tunables ? tunables : "(none)");
    EXPECT_EQ(report["marker"], "gone");
    EXPECT_EQ(report["argument"], "two words");
  }
}

TEST(LargePages, FrameSizedBlocksGetHugePagesUnlessTheUserChoseOtherwise) {
  const std::string mode = HugePageMode();
  if (kSanitized || (mode != "always" && mode != "madvise"))
    GTEST_SKIP() << "huge pages are not offered here (mode '" << mode << "') or the sanitizer's allocator is in use";
  EXPECT_GT(std::stol(RunProbe(nullptr)["huge_kib"]), 0);
  EXPECT_GT(std::stol(RunProbe("glibc.rtld.nns=3")["huge_kib"]), 0);
  if (mode == "madvise") EXPECT_EQ(std::stol(RunProbe("glibc.malloc.hugetlb=0")["huge_kib"]), 0);
}
#endif

}  // namespace
