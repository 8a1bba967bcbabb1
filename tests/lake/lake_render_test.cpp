#include "effects/lake/lake_render.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/dib_view.h"
#include "samples/scenes.h"
#include "tests/lake/lake_reference.h"
#include "tests/support/rendered_frames.h"

namespace {

// Row y of `image` equals row z of `other`.
bool SameRow(DibImage image, int32_t y, DibImage other, int32_t z) {
  DibView a(image), b(other);
  return a.ok() && b.ok() && a.width() == b.width() &&
         std::memcmp(a.pictureRow(y), b.pictureRow(z), static_cast<size_t>(a.width()) * 3) == 0;
}

int32_t Height(DibImage image) {
  int32_t width = 0, height = 0;
  GetDibImageInfo(image, &width, &height, nullptr, nullptr);
  return height;
}

TEST(LakeRender, RowShiftsOfA140RowReflectionIn12Frames) {
  // k = 10: shifts near the picture are about 2 rows, at the far end about 12.
  const int32_t rows[] = {0, 1, 10, 70, 139};
  const int32_t frame0[] = {-1, -1, -2, -2, 0};
  const int32_t frame3[] = {0, -1, 0, -6, 11};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(LakeRowShift(rows[i], 140, 0, 12), frame0[i]) << "row " << rows[i];
    EXPECT_EQ(LakeRowShift(rows[i], 140, 3, 12), frame3[i]) << "row " << rows[i];
  }
}

TEST(LakeRender, FramesTakeTheirRowsFromTheMirror) {
  Images images;
  DibImage picture = images.add(RenderScene(30, 140, 3));
  DibImage mirror = images.add(MakeMirror(picture));
  ASSERT_NE(mirror, nullptr);
  // The mirror flips the picture top to bottom.
  EXPECT_TRUE(SameRow(mirror, 0, picture, 139));
  EXPECT_TRUE(SameRow(mirror, 139, picture, 0));
  EXPECT_TRUE(SameRow(mirror, 50, picture, 89));

  DibImage first = images.add(LakeFrame(mirror, 0, 12));
  DibImage fourth = images.add(LakeFrame(mirror, 3, 12));
  ASSERT_TRUE(first && fourth);
  EXPECT_TRUE(SameRow(first, 0, mirror, 0));  // row 0 - 1 lies above: kept
  EXPECT_TRUE(SameRow(first, 10, mirror, 8));
  EXPECT_TRUE(SameRow(first, 70, mirror, 68));
  EXPECT_TRUE(SameRow(fourth, 70, mirror, 64));
  // 139 + 11 lies below the reflection: the row keeps the mirror's own.
  EXPECT_TRUE(SameRow(fourth, 139, mirror, 139));
  EXPECT_FALSE(SameRow(fourth, 139, mirror, 138));
}

TEST(LakeRender, MatchesThePlainVersionByteForByte) {
  // Odd widths give padded rows; heights below, at and well above 14.
  const int32_t sizes[][2] = {{1, 1}, {7, 13}, {13, 14}, {33, 97}, {64, 140}, {101, 211}};
  for (const auto& size : sizes) {
    Images images;
    DibImage picture = images.add(RenderScene(size[0], size[1], 11));
    DibImage mirror = images.add(MakeMirror(picture));
    DibImage expectedMirror = images.add(ReferenceMirror(picture));
    ASSERT_TRUE(SameBlock(mirror, expectedMirror)) << size[0] << " x " << size[1];
    for (int32_t count : {2, 7, 12, 32})
      for (int32_t frame = 0; frame < count; frame += 3) {
        DibImage actual = images.add(LakeFrame(mirror, frame, count));
        DibImage expected = images.add(ReferenceLakeFrame(mirror, frame, count));
        ASSERT_TRUE(SameBlock(actual, expected)) << size[0] << " x " << size[1] << " frame " << frame << " of " << count;
      }
    DibImage composed = images.add(ComposeLakeFrame(picture, mirror));
    EXPECT_TRUE(SameBlock(composed, images.add(ReferenceComposeLakeFrame(picture, mirror))));
  }
}

TEST(LakeRender, ShortPicturesHaveStillWater) {
  // Below 14 rows k is 0: every frame is the unmoved mirror.
  Images images;
  DibImage picture = images.add(RenderScene(40, 13, 5));
  Rendering r;
  ASSERT_EQ(RenderLake(picture, 6, 8, &r.frames), 1);
  DibImage mirror = images.add(MakeMirror(picture));
  ASSERT_EQ(r.frames.count, 6);
  for (int32_t i = 0; i < 6; ++i) EXPECT_TRUE(SameBlock(r.at(i), mirror)) << i;
}

TEST(LakeRender, FrameCountsAndTheLoop) {
  Images images;
  DibImage picture = images.add(RenderScene(20, 140, 8));
  for (int32_t count : {-3, 0, 1}) {
    Rendering r;
    EXPECT_EQ(RenderLake(picture, count, 8, &r.frames), 1);
    EXPECT_EQ(r.frames.count, count < 0 ? 0 : count);
  }

  // Two frames: the second has phase pi, so its waves are those of the first upside down.
  Rendering two;
  ASSERT_EQ(RenderLake(picture, 2, 8, &two.frames), 1);
  ASSERT_EQ(two.frames.count, 2);
  EXPECT_FALSE(SameBlock(two.at(0), two.at(1)));
  int opposite = 0;
  for (int32_t row = 0; row < 140; ++row) {
    int32_t a = LakeRowShift(row, 140, 0, 2), b = LakeRowShift(row, 140, 1, 2);
    opposite += (a == -b);
  }
  EXPECT_GE(opposite, 130);

  // The frame after the last would be frame 0 again: the animation loops without a jump.
  Rendering twelve;
  ASSERT_EQ(RenderLake(picture, 12, 8, &twelve.frames), 1);
  ASSERT_EQ(twelve.frames.count, 12);
  FrameEntry entry;
  ASSERT_TRUE(ReadFrameEntry(&twelve.frames, 5, &entry));
  EXPECT_EQ(entry.delay, 8);
  EXPECT_EQ(entry.transparentKey, -1);
  DibImage mirror = images.add(MakeMirror(picture));
  EXPECT_TRUE(SameBlock(images.add(LakeFrame(mirror, 12, 12)), twelve.at(0)));
  for (int32_t i = 1; i < 12; ++i) EXPECT_FALSE(SameBlock(twelve.at(i), twelve.at(0))) << i;
}

TEST(LakeRender, ComposingPutsThePictureAboveEveryReflection) {
  Images images;
  DibImage picture = images.add(RenderScene(21, 30, 2));
  Rendering r;
  ASSERT_EQ(RenderLake(picture, 6, 4, &r.frames), 1);
  std::vector<DibImage> reflections;
  for (int32_t i = 0; i < 6; ++i) reflections.push_back(images.add(DuplicateDibImage(r.at(i))));
  std::vector<int32_t> calls;
  auto progress = [](void* context, int32_t done, int32_t total) {
    static_cast<std::vector<int32_t>*>(context)->push_back(done * 100 + total);
  };
  ASSERT_EQ(ComposeLakeFrames(picture, &r.frames, progress, &calls), 1);
  EXPECT_EQ(calls, (std::vector<int32_t>{6, 106, 206, 306, 406, 506}));
  for (int32_t i = 0; i < 6; ++i) {
    int32_t width = 0, height = 0;
    ASSERT_TRUE(GetDibImageInfo(r.at(i), &width, &height, nullptr, nullptr));
    EXPECT_EQ(width, 21);
    EXPECT_EQ(height, 60);
    for (int32_t y = 0; y < 30; ++y) {
      ASSERT_TRUE(SameRow(r.at(i), y, picture, y)) << i;
      ASSERT_TRUE(SameRow(r.at(i), 30 + y, reflections[i], y)) << i;
    }
  }
}

TEST(LakeRender, FailuresLeaveTheListWhole) {
  Images images;
  DibImage picture = images.add(RenderScene(16, 28, 1));
  DibImage paletted = images.add(CreateDibImage(16, 28, nullptr, 8));
  EXPECT_EQ(MakeMirror(paletted), nullptr);
  EXPECT_EQ(MakeMirror(nullptr), nullptr);
  DibImage other = images.add(RenderScene(16, 27, 1));
  EXPECT_EQ(ComposeLakeFrame(picture, other), nullptr);
  DibImage mirror = images.add(MakeMirror(picture));
  EXPECT_EQ(LakeFrame(mirror, 0, 0), nullptr);  // no frame count, no phase

  // Out of memory after the mirror and three frames: the three stay in the list.
  Rendering r;
  platform::FailAllocationsAfter(4);
  EXPECT_EQ(RenderLake(picture, 12, 8, &r.frames), 0);
  platform::FailAllocationsAfter(-1);
  EXPECT_GE(r.frames.count, 1);
  EXPECT_LT(r.frames.count, 12);
  for (int32_t i = 0; i < r.frames.count; ++i) EXPECT_EQ(Height(r.at(i)), 28);

  // Composing that fails half way leaves every entry with one image of its own.
  Rendering c;
  ASSERT_EQ(RenderLake(picture, 6, 8, &c.frames), 1);
  platform::FailAllocationsAfter(3);
  EXPECT_EQ(ComposeLakeFrames(picture, &c.frames, nullptr, nullptr), 0);
  platform::FailAllocationsAfter(-1);
  EXPECT_EQ(Height(c.at(0)), 56);
  EXPECT_EQ(Height(c.at(5)), 28);
}

}  // namespace

namespace {

// Reflections and compositions are made on several threads and put in the list in
// order: the same frames as one thread, progress reported for every frame in order, and
// a failure on any thread keeps the frames before it whole.
TEST(LakeRender, ThreadsMakeTheSameFrames) {
  Images images;
  DibImage picture = images.add(RenderScene(23, 31, 6));
  Rendering single;
  ASSERT_EQ(RenderLake(picture, 13, 8, &single.frames), 1);
  ASSERT_EQ(ComposeLakeFrames(picture, &single.frames, nullptr, nullptr), 1);
  for (int threads : {2, 7}) {
    Rendering shared;
    ASSERT_EQ(RenderLake(picture, 13, 8, &shared.frames, threads), 1);
    std::vector<int32_t> reported;
    auto progress = [](void* context, int32_t done, int32_t total) {
      EXPECT_EQ(total, 13);
      static_cast<std::vector<int32_t>*>(context)->push_back(done);
    };
    ASSERT_EQ(ComposeLakeFrames(picture, &shared.frames, progress, &reported, threads), 1);
    EXPECT_EQ(reported, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ASSERT_EQ(shared.frames.count, 13);
    for (int32_t i = 0; i < 13; ++i) EXPECT_TRUE(SameBlock(shared.at(i), single.at(i))) << threads << "/" << i;
  }
}

TEST(LakeRender, AFailureOnAnyThreadKeepsTheFramesBeforeIt) {
  Images images;
  DibImage picture = images.add(RenderScene(16, 28, 1));
  Rendering whole;
  ASSERT_EQ(RenderLake(picture, 12, 8, &whole.frames), 1);
  for (long allowed = 0; allowed < 30; allowed += 2) {
    Rendering r;
    platform::FailAllocationsAfter(allowed);
    const int result = RenderLake(picture, 12, 8, &r.frames, 7);
    platform::FailAllocationsAfter(-1);
    if (result) ASSERT_EQ(r.frames.count, 12) << allowed;
    else ASSERT_LT(r.frames.count, 12) << allowed;
    for (int32_t i = 0; i < r.frames.count; ++i) ASSERT_TRUE(SameBlock(r.at(i), whole.at(i))) << allowed << "/" << i;

    // Composing that fails part way: the frames before the failure composed, the rest
    // still reflections, each entry with one image of its own.
    Rendering c;
    ASSERT_EQ(RenderLake(picture, 12, 8, &c.frames), 1);
    platform::FailAllocationsAfter(allowed / 2);
    const int composed = ComposeLakeFrames(picture, &c.frames, nullptr, nullptr, 7);
    platform::FailAllocationsAfter(-1);
    int32_t done = 0;
    while (done < 12 && Height(c.at(done)) == 56) ++done;
    for (int32_t i = done; i < 12; ++i) ASSERT_TRUE(SameBlock(c.at(i), whole.at(i))) << allowed << "/" << i;
    EXPECT_EQ(composed != 0, done == 12) << allowed;
  }
}

}  // namespace
