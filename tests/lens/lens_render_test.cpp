#include "effects/lens/lens_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "framework/dib_view.h"
#include "samples/scenes.h"
#include "tests/lens/lens_reference.h"
#include "tests/support/rendered_frames.h"

namespace {

TEST(LensPath, PointsOfA200By160PictureIn100Steps) {
  // D = 35: hx = 65, hy = 45.
  const uint32_t steps[] = {0, 10, 30, 60};
  const LensPoint expected[] = {{100, 80}, {138, 122}, {161, 54}, {62, 122}};
  for (int i = 0; i < 4; ++i) {
    LensPoint p = LensPathPoint(steps[i], 100, 200, 160, 35);
    EXPECT_EQ(p.x, expected[i].x) << "point " << steps[i];
    EXPECT_EQ(p.y, expected[i].y) << "point " << steps[i];
  }
  platform::MemoryHandle path = MakeLensPath(100, 200, 160, 35);
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(platform::BlockSize(path), 100 * sizeof(LensPoint));
  {
    platform::BlockLock lock(path);
    const auto* points = static_cast<const LensPoint*>(lock.data());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(points[steps[i]].x, expected[i].x);
    // Every centre stays at least D inside every edge.
    for (int i = 0; i < 100; ++i) {
      EXPECT_GE(points[i].x, 35);
      EXPECT_LE(points[i].x, 200 - 35);
      EXPECT_GE(points[i].y, 35);
      EXPECT_LE(points[i].y, 160 - 35);
    }
  }
  platform::FreeBlock(path);
}

TEST(LensPath, StartsAtTheCentreAndNeedsPoints) {
  const int32_t sizes[][2] = {{64, 64}, {200, 160}, {641, 479}, {90, 300}};
  for (const auto& size : sizes) {
    const int32_t d = LensDiameter(35, size[0], size[1]);
    LensPoint p = LensPathPoint(0, 250, size[0], size[1], d);
    EXPECT_EQ(p.x, d + (size[0] - 2 * d) / 2);
    EXPECT_EQ(p.y, d + (size[1] - 2 * d) / 2);
  }
  EXPECT_EQ(MakeLensPath(0, 200, 160, 35), nullptr);
  platform::FailAllocationsAfter(0);
  EXPECT_EQ(MakeLensPath(25, 200, 160, 35), nullptr);
  platform::FailAllocationsAfter(-1);
}

TEST(LensDiameter, LimitedToAThirdOfEachSide) {
  EXPECT_EQ(LensDiameter(35, 200, 160), 35);
  EXPECT_EQ(LensDiameter(100, 64, 64), 21);
  EXPECT_EQ(LensDiameter(100, 300, 64), 21);
  EXPECT_EQ(LensDiameter(100, 64, 300), 21);
  // A number typed far past the up-down's range is taken as typed, then limited.
  EXPECT_EQ(LensDiameter(4294967295u, 600, 900), 200);
  EXPECT_EQ(LensDiameter(3, 600, 900), 3);
  EXPECT_EQ(LensDiameter(0, 600, 900), 0);
  EXPECT_EQ(LensDiameter(35, 2, 900), 0);
}

TEST(LensRadii, SeventeenRadiiOfA35PixelLens) {
  const double expected[] = {0,      3.483,  6.864,  10.057, 12.999, 15.652, 18.007, 20.071, 21.864,
                             23.414, 24.749, 25.898, 26.888, 27.742, 28.481, 29.122, 29.680};
  for (int i = 0; i < 17; ++i) EXPECT_NEAR(LensRadius(35, i), expected[i], 0.0005) << i;
  // r runs from 1 to 15; the outermost run ends below radius 16's value, at t = 29.
  Images images;
  DibImage picture = images.add(RenderScene(120, 120, 4));
  DibImage frame = images.add(RenderLensFrame(picture, 50, 50, 35));
  ASSERT_NE(frame, nullptr);
  int changedAt29 = 0, changedBeyond = 0;
  for (int32_t y = 0; y < 120; ++y)
    for (int32_t x = 0; x < 120; ++x) {
      if (GetDibPixel(frame, x, y) == GetDibPixel(picture, x, y)) continue;
      const double distance = std::hypot(x - 50.0, y - 50.0);
      changedBeyond += distance > 30.5;
      changedAt29 += distance > 28.5 && distance <= 30.5;
    }
  EXPECT_EQ(changedBeyond, 0);
  EXPECT_GT(changedAt29, 0);
}

TEST(LensRender, MatchesThePlainVersionByteForByte) {
  Images images;
  const int32_t sizes[][2] = {{64, 64}, {121, 97}, {200, 160}};
  for (const auto& size : sizes) {
    DibImage picture = images.add(RenderScene(size[0], size[1], 6));
    for (int32_t diameter : {6, 7, 21, 32, 35}) {
      if (diameter > LensDiameter(1000, size[0], size[1])) continue;
      // Centres in the middle, at the edges and beyond them (the sample then reaches
      // outside the picture, and so do the writes).
      const LensPoint centres[] = {{size[0] / 2, size[1] / 2}, {0, 0}, {size[0] - 3, size[1] - 5}, {-10, 7},
                                   {size[0] + 4, -6}};
      for (const LensPoint& c : centres) {
        DibImage actual = images.add(RenderLensFrame(picture, c.x, c.y, diameter));
        DibImage expected = images.add(ReferenceLensFrame(picture, c.x, c.y, diameter));
        ASSERT_TRUE(SameBlock(actual, expected))
            << size[0] << " x " << size[1] << " D " << diameter << " at " << c.x << "," << c.y;
      }
    }
  }
}

TEST(LensRender, OneFramePerPointWithTheLensWhereThePathSays) {
  Images images;
  DibImage picture = images.add(RenderScene(200, 160, 9));
  platform::MemoryHandle path = MakeLensPath(25, 200, 160, 35);
  ASSERT_NE(path, nullptr);
  std::vector<LensPoint> copy(25);
  {
    platform::BlockLock lock(path);
    std::memcpy(copy.data(), lock.data(), 25 * sizeof(LensPoint));
  }
  platform::FreeBlock(path);
  const LensPoint* points = copy.data();
  Rendering r;
  ASSERT_EQ(RenderLens({picture, points, 25, 35, 5, &r.frames}), 1);
  ASSERT_EQ(r.frames.count, 25);
  for (int32_t i = 0; i < 25; i += 6) {
    DibImage expected = images.add(ReferenceLensFrame(picture, points[i].x, points[i].y, 35));
    EXPECT_TRUE(SameBlock(r.at(i), expected)) << i;
    FrameEntry entry;
    ASSERT_TRUE(ReadFrameEntry(&r.frames, i, &entry));
    EXPECT_EQ(entry.delay, 5);
    EXPECT_EQ(entry.transparentKey, -1);
  }
  // Frame 0's lens sits on the centre; the picture's corners are untouched.
  EXPECT_NE(GetDibPixel(r.at(0), 100, 80), GetDibPixel(picture, 100, 80));
  EXPECT_EQ(GetDibPixel(r.at(0), 0, 0), GetDibPixel(picture, 0, 0));
}

TEST(LensRender, SmallDiametersDrawNoLensAndZeroFails) {
  Images images;
  DibImage picture = images.add(RenderScene(90, 90, 2));
  const LensPoint points[] = {{30, 30}, {45, 45}, {10, 60}};
  for (int32_t diameter = 1; diameter <= 5; ++diameter) {
    Rendering r;
    ASSERT_EQ(RenderLens({picture, points, 3, diameter, 5, &r.frames}), 1) << diameter;
    ASSERT_EQ(r.frames.count, 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_TRUE(SameBlock(r.at(i), picture)) << diameter;
  }
  Rendering none;
  EXPECT_EQ(RenderLens({picture, points, 3, 0, 5, &none.frames}), 0);
  EXPECT_EQ(none.frames.count, 0);
  // The smallest diameter that draws: r = 1 only.
  DibImage six = images.add(RenderLensFrame(picture, 30, 30, 6));
  EXPECT_FALSE(SameBlock(six, picture));

  DibImage paletted = images.add(CreateDibImage(90, 90, nullptr, 8));
  EXPECT_EQ(RenderLensFrame(paletted, 30, 30, 21), nullptr);
  Rendering failing;
  platform::FailAllocationsAfter(8);  // the tables, then two frames with their entries
  EXPECT_EQ(RenderLens({picture, points, 3, 21, 5, &failing.frames}), 0);
  platform::FailAllocationsAfter(-1);
  EXPECT_LT(failing.frames.count, 3);
}

}  // namespace

namespace {

// The path's frames are drawn on several threads, each with a sample of its own, and
// appended in order: the same frames as one thread, and a failure on any thread keeps
// the frames before it.
TEST(LensRender, ThreadsDrawTheSameFrames) {
  Images images;
  DibImage picture = images.add(RenderScene(90, 75, 4));
  const int32_t diameter = LensDiameter(35, 90, 75);
  std::vector<LensPoint> path;
  for (uint32_t i = 0; i < 37; ++i) path.push_back(LensPathPoint(i, 37, 90, 75, diameter));
  Rendering single;
  ASSERT_EQ(RenderLens({picture, path.data(), 37, diameter, 5, &single.frames}), 1);
  for (int threads : {2, 7}) {
    Rendering shared;
    LensJob job{picture, path.data(), 37, diameter, 5, &shared.frames};
    job.threads = threads;
    ASSERT_EQ(RenderLens(job), 1);
    ASSERT_EQ(shared.frames.count, 37);
    for (int32_t i = 0; i < 37; ++i) ASSERT_TRUE(SameBlock(shared.at(i), single.at(i))) << threads << "/" << i;
  }

  for (long allowed = 0; allowed < 60; allowed += 3) {
    Rendering r;
    LensJob job{picture, path.data(), 37, diameter, 5, &r.frames};
    job.threads = 7;
    platform::FailAllocationsAfter(allowed);
    const int result = RenderLens(job);
    platform::FailAllocationsAfter(-1);
    if (result) ASSERT_EQ(r.frames.count, 37) << allowed;
    else ASSERT_LT(r.frames.count, 37) << allowed;
    for (int32_t i = 0; i < r.frames.count; ++i) ASSERT_TRUE(SameBlock(r.at(i), single.at(i))) << allowed << "/" << i;
  }
}

}  // namespace
