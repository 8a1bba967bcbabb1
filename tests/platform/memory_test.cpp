#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
