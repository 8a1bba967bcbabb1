#include "effects/pagecurl/curl_render.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "effects/pagecurl/curl_geometry.h"
#include "framework/dib_view.h"
#include "framework/portable_math.h"
#include "samples/scenes.h"
#include "tests/pagecurl/curl_oracle.h"

namespace {

constexpr int32_t kPaper = 13369395;
constexpr int32_t kDelay = 3;
constexpr int32_t kPause = 100;
const uint32_t kCorners[] = {kCurlUpperLeft, kCurlLowerLeft, kCurlUpperRight, kCurlLowerRight};

// A picture with no black pixel and none of the paper colour; salts 0 and 1 differ in
// every pixel.
DibImage Pattern(int32_t width, int32_t height, int salt) {
  DibImage image = CreateDibImage(width, height, nullptr, 24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      SetDibPixel(image, x, y, PackColour(30 + (x * 7) % 200, 40 + (y * 5) % 200, 60 + 90 * salt));
  return image;
}

struct Pictures {
  std::vector<DibImage> items;
  ~Pictures() {
    for (DibImage image : items) FreeDibImage(image);
  }
};

struct Rendering {
  FrameList frames;
  ~Rendering() { FreeFrameList(&frames); }
  FrameEntry at(int32_t i) const {
    FrameEntry entry{};
    ReadFrameEntry(&frames, i, &entry);
    return entry;
  }
};

CurlJob Job(const Pictures& pictures, int32_t step, uint32_t bits, FrameList* frames) {
  return {pictures.items.data(),
          static_cast<int32_t>(pictures.items.size()),
          kDelay,
          kPause,
          kPaper,
          step,
          bits,
          frames,
          nullptr,
          nullptr};
}

bool SamePixels(DibImage one, DibImage other) {
  DibView a(one), b(other);
  return a.ok() && b.ok() && a.stride() == b.stride() && a.height() == b.height() &&
         std::memcmp(a.pixels(), b.pixels(), size_t{a.stride()} * a.height()) == 0;
}

// Frames per transition, checking that only the last of each carries the pause and
// shows the next picture.
std::vector<int32_t> Transitions(const Rendering& r, const Pictures& pictures) {
  std::vector<int32_t> lengths{0};
  for (int32_t i = 0; i < r.frames.count; ++i) {
    const FrameEntry entry = r.at(i);
    ++lengths.back();
    const DibImage next = pictures.items[lengths.size() % pictures.items.size()];
    EXPECT_EQ(SamePixels(entry.image, next), entry.delay == kPause) << "frame " << i;
    if (entry.delay == kPause) lengths.push_back(0);
  }
  lengths.pop_back();
  return lengths;
}

TEST(CurlRender, FrameCountsForEveryCornerAndOrientation) {
  struct Case {
    int32_t width, height, step, vertical, horizontal;
  };
  for (const Case& c : {Case{20, 20, 5, 12, 12}, Case{40, 30, 15, 8, 7}, Case{40, 30, 6, 18, 17}})
    for (uint32_t corner : kCorners)
      for (uint32_t orientation : {0u, kCurlHorizontal}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " step " << c.step
                                        << " bits " << (corner | orientation));
        Pictures pictures{{Pattern(c.width, c.height, 0), Pattern(c.width, c.height, 1)}};
        Rendering r;
        ASSERT_EQ(RenderCurlFrames(Job(pictures, c.step, corner | orientation, &r.frames)), 1);
        const int32_t n = orientation ? c.horizontal : c.vertical;
        EXPECT_EQ(Transitions(r, pictures), (std::vector<int32_t>{n, n}));
        EXPECT_FALSE(SamePixels(r.at(0).image, pictures.items[0]));  // already curled
        EXPECT_EQ(r.at(0).delay, kDelay);
      }
}

TEST(CurlRender, IdenticalPicturesAndASinglePictureStillCurlFully) {
  for (uint32_t corner : kCorners) {
    Pictures same{{Pattern(20, 20, 0), Pattern(20, 20, 0)}};
    Pictures single{{Pattern(20, 20, 1)}};
    Rendering two, one;
    ASSERT_EQ(RenderCurlFrames(Job(same, 5, corner, &two.frames)), 1);
    ASSERT_EQ(RenderCurlFrames(Job(single, 5, corner | kCurlHorizontal, &one.frames)), 1);
    EXPECT_EQ(Transitions(two, same), (std::vector<int32_t>{12, 12}));
    EXPECT_EQ(Transitions(one, single), (std::vector<int32_t>{12}));
  }
}

TEST(CurlRender, AStepOfSixtyOrMoreGivesOneFramePerTransition) {
  for (int32_t step : {60, 61, 1000000}) {
    Pictures pictures{{Pattern(20, 20, 0), Pattern(20, 20, 1)}};
    Rendering r;
    ASSERT_EQ(RenderCurlFrames(Job(pictures, step, kCurlUpperRight, &r.frames)), 1);
    EXPECT_EQ(Transitions(r, pictures), (std::vector<int32_t>{1, 1}));
  }
}

TEST(CurlRender, RefusesWhatItCannotRenderWithoutAFrame) {
  Pictures good{{Pattern(8, 8, 0), Pattern(8, 8, 1)}};
  Pictures sizes{{Pattern(8, 8, 0), Pattern(8, 9, 1)}};
  Pictures depth{{Pattern(8, 8, 0), CreateDibImage(8, 8, nullptr, 8)}};
  for (auto [pictures, step] :
       {std::pair{&good, 0}, std::pair{&good, -6}, std::pair{&sizes, 5}, std::pair{&depth, 5}}) {
    Rendering r;
    EXPECT_EQ(RenderCurlFrames(Job(*pictures, step, 0, &r.frames)), 0);
    EXPECT_EQ(r.frames.count, 0);
  }
  Rendering r;
  CurlJob none = Job(good, 5, 0, &r.frames);
  none.count = 0;
  EXPECT_EQ(RenderCurlFrames(none), 0);
}

// Sizes from one pixel to non-square pictures with row padding, with curls far larger
// than the picture: every frame has the point-by-point rendering's bytes, padding
// included, so nothing is written outside the picture, and ends where it ends.
TEST(CurlRender, MatchesThePointByPointRenderingExactly) {
  struct Case {
    int32_t width, height, step;
  };
  for (const Case& c : {Case{1, 1, 1}, Case{3, 5, 2}, Case{7, 3, 1}, Case{17, 9, 4}, Case{9, 17, 7},
                        Case{40, 30, 3}, Case{20, 20, 13}})
    for (uint32_t corner : kCorners)
      for (uint32_t bits : {corner, corner | kCurlHorizontal}) {
        Pictures pictures{{Pattern(c.width, c.height, 0), RenderScene(c.width, c.height, 7)}};
        Rendering r;
        ASSERT_EQ(RenderCurlFrames(Job(pictures, c.step, bits, &r.frames)), 1);
        for (int32_t i = 0, transition = 0, position = c.step; i < r.frames.count; ++i) {
          int finished = 0;
          DibImage expected =
              OracleCurlFrame(pictures.items[transition], pictures.items[1 - transition], position,
                              bits, kPaper, &finished);
          EXPECT_TRUE(SamePixels(r.at(i).image, expected))
              << c.width << "x" << c.height << " bits " << bits << " P " << position;
          EXPECT_EQ(finished, r.at(i).delay == kPause);
          FreeDibImage(expected);
          position = finished ? c.step : position + c.step;
          transition += finished;
        }
      }
}

// On the fold diagonal the shading cosine can round to just above 1; those points must
// show the angle 0: A's own pixel where the curve is shaded, black on the sheet's back.
TEST(CurlRender, DiagonalPointsWhoseCosineRoundsPastOneTakeTheAngleZero) {
  const int32_t size = 130;
  Pictures pictures{{Pattern(size, size, 0), Pattern(size, size, 1)}};
  int unshaded = 0;
  for (int32_t position = 1; position <= size; ++position) {
    int done = 0;
    DibImage frame = RenderCurlFrame(pictures.items[0], pictures.items[1], position,
                                     kCurlLowerRight, kPaper, &done);
    const double l = position;
    for (int32_t t = 0; t < position; ++t) {
      const double v = t - l;
      const double cosine =
          (v * -l + v * -l) / (PortableSqrt(v * v + v * v) * PortableSqrt(l * l + l * l));
      if (!(cosine > 1)) continue;
      // Local (t, t) of the lower right corner, Vertical.
      const int32_t x = size - position + t, y = size - 1 - t;
      const int32_t pixel = GetDibPixel(frame, x, y);
      EXPECT_TRUE(pixel == GetDibPixel(pictures.items[0], x, y) || pixel == 0) << position;
      if (pixel != 0) ++unshaded;
    }
    FreeDibImage(frame);
  }
  EXPECT_GT(unshaded, 0);
}

TEST(CurlRender, AFailedAllocationEndsTheRenderingAndKeepsEarlierFrames) {
  Pictures pictures{{Pattern(20, 20, 0), Pattern(20, 20, 1)}};
  for (long allowed : {0L, 1L, 7L, 30L}) {
    Rendering r;
    platform::FailAllocationsAfter(allowed);
    const int result = RenderCurlFrames(Job(pictures, 5, 0, &r.frames));
    platform::FailAllocationsAfter(-1);
    EXPECT_EQ(result, 0);
    EXPECT_LT(r.frames.count, 24);
    for (int32_t i = 0; i < r.frames.count; ++i) EXPECT_NE(r.at(i).image, nullptr);
  }
}

// Frames are rendered a batch at a time on several threads and kept up to the end of
// each transition: the same frames, delays and bytes as one thread, for every corner and
// transitions of every length (a step of 1 against a batch of 4 or 14 frames).
TEST(CurlRender, ThreadsRenderTheSameFrames) {
  Pictures pictures{{RenderScene(37, 23, 5), RenderScene(37, 23, 6), Pattern(37, 23, 1)}};
  for (uint32_t corner : kCorners) {
    for (int32_t step : {1, 7, 40}) {
      const uint32_t bits = corner | (step == 7 ? kCurlHorizontal : 0u);
      Rendering single;
      ASSERT_EQ(RenderCurlFrames(Job(pictures, step, bits, &single.frames)), 1);
      for (int threads : {2, 7}) {
        Rendering shared;
        CurlJob job = Job(pictures, step, bits, &shared.frames);
        job.threads = threads;
        ASSERT_EQ(RenderCurlFrames(job), 1);
        ASSERT_EQ(shared.frames.count, single.frames.count) << corner << "/" << step << "/" << threads;
        for (int32_t i = 0; i < single.frames.count; ++i) {
          ASSERT_EQ(shared.at(i).delay, single.at(i).delay) << i;
          ASSERT_TRUE(SamePixels(shared.at(i).image, single.at(i).image)) << i;
        }
      }
    }
  }
}

TEST(CurlRender, AFailedAllocationOnAnyThreadEndsTheRendering) {
  Pictures pictures{{Pattern(20, 20, 0), Pattern(20, 20, 1)}};
  Rendering whole;
  ASSERT_EQ(RenderCurlFrames(Job(pictures, 5, 0, &whole.frames)), 1);
  for (long allowed = 0; allowed < 40; allowed += 3) {
    Rendering r;
    CurlJob job = Job(pictures, 5, 0, &r.frames);
    job.threads = 7;
    platform::FailAllocationsAfter(allowed);
    const int result = RenderCurlFrames(job);
    platform::FailAllocationsAfter(-1);
    // Either every frame, or a failure with the frames before it, in order (the
    // sanitizer build checks that the frames of the batch are not leaked).
    if (result) ASSERT_EQ(r.frames.count, whole.frames.count) << allowed;
    else ASSERT_LT(r.frames.count, whole.frames.count) << allowed;
    for (int32_t i = 0; i < r.frames.count; ++i) ASSERT_TRUE(SamePixels(r.at(i).image, whole.at(i).image)) << i;
  }
}

}  // namespace

// The same pictures give the same bytes on every target: a digest of whole animations.
TEST(CurlRender, BytesArePinnedOnEveryTarget) {
  Pictures pictures{{RenderScene(64, 40, 3), RenderScene(64, 40, 4)}};
  uint64_t digest = 1469598103934665603ull;  // FNV-1a over every frame's pixel bytes
  for (uint32_t bits : {kCurlUpperRight, kCurlLowerLeft | kCurlHorizontal}) {
    Rendering r;
    ASSERT_EQ(RenderCurlFrames(Job(pictures, 9, bits, &r.frames)), 1);
    for (int32_t i = 0; i < r.frames.count; ++i) {
      DibView frame(r.at(i).image);
      for (uint32_t k = 0; k < frame.stride() * frame.height(); ++k)
        digest = (digest ^ frame.pixels()[k]) * 1099511628211ull;
    }
  }
  EXPECT_EQ(digest, 0x9112704E3ECCB7A4ull);
}
