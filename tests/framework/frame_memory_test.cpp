#include "framework/frame_memory.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "framework/frame_list.h"

namespace {

TEST(FrameMemory, AFrameTakesItsBitmapAndItsListEntry) {
  // 10 pixels of 3 bytes pad to 32 bytes a row.
  EXPECT_EQ(TrueColourFrameBytes(10, 4), 40u + 4 * 32 + sizeof(FrameEntry));
  EXPECT_EQ(TrueColourFrameBytes(0, 4), 0u);
  EXPECT_EQ(TrueColourFrameBytes(10, -1), 0u);
  // A bitmap beyond 4 GiB cannot be made at all.
  EXPECT_EQ(TrueColourFrameBytes(40000, 40000), 0u);
}

TEST(FrameMemory, FramesMustFitInHalfTheUsableMemory) {
  const uint64_t frame = TrueColourFrameBytes(100, 100);
  const uint64_t usable = 2 * 10 * frame;
  EXPECT_TRUE(FramesFitInMemory(10, 100, 100, 0, usable));
  EXPECT_FALSE(FramesFitInMemory(11, 100, 100, 0, usable));
  EXPECT_TRUE(FramesFitInMemory(9, 100, 100, frame, usable));
  EXPECT_FALSE(FramesFitInMemory(10, 100, 100, 1, usable));
  EXPECT_FALSE(FramesFitInMemory(0, 100, 100, usable, usable));
  // Counts and sizes whose product overflows 64 bits are refused, not wrapped.
  EXPECT_FALSE(FramesFitInMemory(UINT64_MAX, 100, 100, 0, UINT64_MAX));
  EXPECT_FALSE(FramesFitInMemory(1, 40000, 40000, 0, UINT64_MAX));
  // On this machine: a short animation fits, four billion frames never do.
  EXPECT_TRUE(FramesFitInMemory(12, 640, 480));
  EXPECT_FALSE(FramesFitInMemory(4294967295u, 640, 480));
}

}  // namespace
