#include "framework/frame_list.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameList, AppendsReadsAndWritesBackWholeEntries) {
  FrameList list;
  for (int i = 0; i < 5; ++i) {
    DibImage image = CreateDibImage(2, 2, nullptr, 24);
    ASSERT_EQ(AppendFrame(&list, image, 10 + i), 1);
  }
  EXPECT_EQ(list.count, 5);
  EXPECT_EQ(platform::BlockSize(list.block), 5 * sizeof(FrameEntry));
  FrameEntry entry;
  ASSERT_EQ(ReadFrameEntry(&list, 3, &entry), 1);
  EXPECT_EQ(entry.delay, 13);
  EXPECT_EQ(entry.transparentKey, -1);
  EXPECT_EQ(entry.unchangedMask, nullptr);
  entry.transparentKey = 7;
  entry.unchangedMask = CreateDibImage(2, 2, nullptr, 1);
  ASSERT_EQ(WriteFrameEntry(&list, 3, entry), 1);
  FrameEntry again;
  ReadFrameEntry(&list, 3, &again);
  EXPECT_EQ(again.transparentKey, 7);
  EXPECT_EQ(again.unchangedMask, entry.unchangedMask);
  FreeFrameList(&list);  // frees images and the mask (checked by the sanitizer build)
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.block, nullptr);
}

TEST(FrameList, IndexesOutsideTheListFail) {
  FrameList list;
  FrameEntry entry{};
  EXPECT_EQ(ReadFrameEntry(&list, 0, &entry), 0);  // no block yet
  AppendFrame(&list, nullptr, 1);
  EXPECT_EQ(ReadFrameEntry(&list, 1, &entry), 0);
  EXPECT_EQ(ReadFrameEntry(&list, -1, &entry), 0);
  EXPECT_EQ(WriteFrameEntry(&list, 1, entry), 0);
  FreeFrameList(&list);
}

TEST(FrameList, AFailedGrowthKeepsTheCountAndTheEntries) {
  FrameList list;
  DibImage first = CreateDibImage(1, 1, nullptr, 24);
  ASSERT_EQ(AppendFrame(&list, first, 4), 1);
  platform::FailAllocationsAfter(0);
  DibImage second = CreateDibImage(1, 1, nullptr, 24);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(AppendFrame(&list, first, 5), 0);
  platform::FailAllocationsAfter(-1);
  EXPECT_EQ(list.count, 1);
  FrameEntry entry;
  ASSERT_EQ(ReadFrameEntry(&list, 0, &entry), 1);
  EXPECT_EQ(entry.image, first);
  FreeFrameList(&list);
}

}  // namespace
