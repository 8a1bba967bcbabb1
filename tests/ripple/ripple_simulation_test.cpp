#include "effects/ripple/ripple_simulation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "framework/dib_view.h"
#include "platform/memory.h"
#include "samples/scenes.h"
#include "tests/ripple/ripple_oracle.h"

namespace {

constexpr uint32_t kDefaultSeed = 565846458;  // "&Use seed" with 8634

struct Frames {
  FrameList list;
  ~Frames() { FreeFrameList(&list); }
  DibImage at(int32_t i) const {
    FrameEntry entry{};
    ReadFrameEntry(&list, i, &entry);
    return entry.image;
  }
};

bool SamePixels(DibImage one, DibImage other) {
  DibView a(one), b(other);
  return a.ok() && b.ok() && a.width() == b.width() && a.height() == b.height() && a.bits() == b.bits() &&
         std::memcmp(a.pixels(), b.pixels(), static_cast<size_t>(a.stride()) * a.height()) == 0;
}

int32_t Animate(DibImage picture, uint32_t seed, Frames* frames, int32_t cap = kRippleFrameCap) {
  RandomSource random;
  random.SeedRandom(seed);
  EXPECT_EQ(RunRipple(picture, &random, 5, &frames->list, cap), 1);
  return frames->list.count;
}

TEST(RippleSeed, ByRandomType) {
  EXPECT_EQ(RippleSeed(0, 8634, nullptr, 99), kDefaultSeed);
  EXPECT_EQ(RippleSeed(7, 8634, nullptr, 99), kDefaultSeed);  // any other type: the typed seed
  EXPECT_EQ(RippleSeed(0, 0x12345, nullptr, 99), 0x23450000u | 0x12345u);  // 32 bits kept
  EXPECT_EQ(RippleSeed(2, 8634, nullptr, 99), 99u);
  // Survey: red 200 in every one of 70 x 64 pixels, added to the seed with wrapping.
  DibImage picture = CreateDibImage(70, 64, nullptr, 24);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 70; ++x) SetDibPixel(picture, x, y, PackColour(200, 77, 99));
  EXPECT_EQ(RippleSeed(1, 10, picture, 99), 10u + 200u * 70u * 64u);
  EXPECT_EQ(RippleSeed(1, -1, picture, 99), 200u * 70u * 64u - 1u);
  FreeDibImage(picture);

  RandomSource random;
  random.SeedRandom(kDefaultSeed);
  EXPECT_EQ(random.RandomDraw(), 1610737525);
}

TEST(RippleWater, TheDefaultSeedGivesTheSameSixteenKindsWhateverTheSize) {
  const int32_t expected[kRippleDropCount] = {3, 3, 0, 0, 2, 2, 2, 0, 2, 3, 4, 1, 3, 1, 2, 0};
  uint64_t stateAfter[2];
  int32_t sizes[2][2] = {{64, 64}, {640, 480}};
  for (int s = 0; s < 2; ++s) {
    RandomSource random;
    random.SeedRandom(kDefaultSeed);
    RippleWater water;
    ASSERT_TRUE(water.start(sizes[s][0], sizes[s][1], &random));
    for (int i = 0; i < kRippleDropCount; ++i) {
      EXPECT_EQ(water.drop(i).kind, expected[i]) << i;
      EXPECT_FALSE(water.drop(i).fallen);
    }
    stateAfter[s] = random.state();
  }
  EXPECT_EQ(stateAfter[0], stateAfter[1]);  // the draws taken depend only on the kinds
}

TEST(RippleWater, ALastRingStopsEveryLaterDrop) {
  // Default seed: drop 10 is the LastRing; nudges 0, 1 and 9 fall before it, and the
  // nudge at 12 (which would fall at once) never does.
  RandomSource random;
  random.SeedRandom(kDefaultSeed);
  RippleWater water;
  ASSERT_TRUE(water.start(200, 150, &random));
  std::vector<int> fell;
  for (int step = 0; step < 400; ++step) {
    int i = water.dropStep();
    if (i >= 0) fell.push_back(i);
  }
  ASSERT_FALSE(fell.empty());
  EXPECT_EQ(fell.back(), 10);
  for (int i : fell) EXPECT_LE(i, 10);
  for (int i : {0, 1, 9, 10}) EXPECT_TRUE(water.drop(i).fallen) << i;
  EXPECT_FALSE(water.drop(12).fallen);
  // Fallen on the radius-32 circle about the centre.
  const RippleDrop& last = water.drop(10);
  int32_t dx = last.x - 100, dy = last.y - 75;
  EXPECT_LE(dx * dx + dy * dy, 32 * 32);
  EXPECT_GE(dx * dx + dy * dy, 30 * 30);
}

TEST(RippleWater, SplashesAndWaveStepsFollowTheHeightRules) {
  RandomSource random;
  RippleWater water;
  ASSERT_TRUE(water.start(7, 7, &random));
  water.splash(3, 3);
  const int32_t* h = water.current();
  EXPECT_EQ(h[3 * 7 + 3], 255);
  EXPECT_EQ(h[3 * 7 + 4], 191);
  EXPECT_EQ(h[2 * 7 + 2], 127);
  EXPECT_TRUE(water.waveStep());
  h = water.current();
  EXPECT_EQ(h[3 * 7 + 3], 359);  // (4 x 191) / 2 = 382, less 382 / 16
  EXPECT_EQ(h[2 * 7 + 2], 180);  // (191 + 191) / 2 = 191, less 11
  EXPECT_EQ(h[0], 0);            // the border is never written
  // Second step: (2,3) = ((90 + 359 + 180 + 180) >> 1) - 191 = 213, less 13.
  EXPECT_TRUE(water.waveStep());
  EXPECT_EQ(water.current()[3 * 7 + 2], 200);
}

TEST(RippleWater, ASplashNeverWritesTheOutermostCells) {
  RandomSource random;
  RippleWater water;
  ASSERT_TRUE(water.start(64, 64, &random));
  water.splash(0, 0);
  water.splash(64, 30);  // the 3 x 3 stamp reaches past the map
  const int32_t* h = water.current();
  EXPECT_EQ(h[0], 0);
  EXPECT_EQ(h[1], 0);
  EXPECT_EQ(h[64], 0);
  EXPECT_EQ(h[64 + 1], 127);  // (1, 1), the stamp's corner
  EXPECT_EQ(h[30 * 64 + 63], 0);
  EXPECT_EQ(h[29 * 64 + 63], 0);
  EXPECT_EQ(h[31 * 64 + 63], 0);
  EXPECT_EQ(h[30 * 64 + 62], 0);  // (63, 30)'s neighbour is outside the stamp
}

TEST(RunRipple, FramesMatchThePlainVersionByteForByte) {
  struct Case {
    int32_t width, height;
    uint32_t seed;
  } cases[] = {{64, 64, kDefaultSeed}, {65, 65, kDefaultSeed}, {66, 67, kDefaultSeed},
               {97, 80, 12345},        {160, 120, 1},          {120, 90, 0xBEEF}};
  for (const Case& c : cases) {
    DibImage picture = RenderScene(c.width, c.height, c.seed);
    Frames fast, plain;
    int32_t count = Animate(picture, c.seed, &fast);
    ASSERT_EQ(OracleRunRipple(picture, c.seed, 5, kRippleFrameCap, &plain.list), 1);
    ASSERT_EQ(count, plain.list.count) << c.width << " x " << c.height;
    EXPECT_LT(count, kRippleFrameCap);  // the surface calmed
    for (int32_t i = 0; i < count; ++i) ASSERT_TRUE(SamePixels(fast.at(i), plain.at(i))) << "frame " << i;
    FreeDibImage(picture);
  }
}

TEST(RunRipple, TheSameSeedGivesTheSameFramesAndTheEdgesKeepTheSource) {
  DibImage picture = RenderScene(150, 100, 7);
  std::unique_ptr<void, void (*)(DibImage)> owner(picture, FreeDibImage);  // outlives the view below
  Frames one, two;
  int32_t count = Animate(picture, 4242, &one);
  ASSERT_EQ(Animate(picture, 4242, &two), count);
  ASSERT_GE(count, 2);
  DibView source(picture);
  bool moved = false;
  for (int32_t i = 0; i < count; ++i) {
    ASSERT_TRUE(SamePixels(one.at(i), two.at(i))) << i;
    DibView frame(one.at(i));
    FrameEntry entry{};
    ReadFrameEntry(&one.list, i, &entry);
    EXPECT_EQ(entry.delay, 5);
    EXPECT_EQ(entry.transparentKey, -1);
    for (int32_t x = 0; x < 150; ++x)
      for (int32_t y : {0, 99}) ASSERT_EQ(frame.get(x, y), source.get(x, y)) << i << ": " << x << "," << y;
    for (int32_t y = 0; y < 100; ++y)
      for (int32_t x : {0, 149}) ASSERT_EQ(frame.get(x, y), source.get(x, y)) << i << ": " << x << "," << y;
    if (!SamePixels(one.at(i), picture)) moved = true;
  }
  EXPECT_TRUE(moved);
}

TEST(RunRipple, SmallPicturesCalmAndEnd) {
  // Splashes on the circle of radius 32 reach the outermost cells of pictures of 64 to
  // 68 pixels; kept off them, the surface calms as on larger pictures.
  for (int32_t side : {64, 65, 66, 67, 68}) {
    DibImage picture = RenderScene(side, side, 3);
    Frames frames;
    int32_t count = Animate(picture, kDefaultSeed, &frames);
    EXPECT_GE(count, 2) << side;
    EXPECT_LT(count, 1000) << side;
    FreeDibImage(picture);
  }
}

TEST(RunRipple, TheFrameCapEndsTheAnimationWithTheFramesMade) {
  DibImage picture = RenderScene(100, 100, 3);
  Frames frames;
  EXPECT_EQ(Animate(picture, kDefaultSeed, &frames, 3), 3);
  FreeDibImage(picture);
}

TEST(RunRipple, APalettedPictureIsReadAsTrueColour) {
  RgbPalette palette{};
  palette.entries[1] = {10, 20, 30};
  DibImage paletted = CreateDibImage(80, 80, &palette, 8);
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 80; ++x) SetDibPixel(paletted, x, y, (x / 4 + y / 4) & 1);
  DibImage trueColour = ConvertToTrueColour(paletted);
  Frames a, b;
  int32_t count = Animate(paletted, 99, &a);
  ASSERT_EQ(Animate(trueColour, 99, &b), count);
  for (int32_t i = 0; i < count; ++i) ASSERT_TRUE(SamePixels(a.at(i), b.at(i))) << i;
  FreeDibImage(paletted);
  FreeDibImage(trueColour);
}

TEST(RunRipple, AFrameThatCannotBeMadeEndsTheAnimationWithTheFramesMade) {
  DibImage picture = RenderScene(80, 70, 4);
  Frames whole;
  int32_t count = Animate(picture, kDefaultSeed, &whole);
  for (long allowed : {0L, 1L, 6L, 25L}) {
    Frames part;
    RandomSource random;
    random.SeedRandom(kDefaultSeed);
    platform::FailAllocationsAfter(allowed);
    const int result = RunRipple(picture, &random, 5, &part.list);
    platform::FailAllocationsAfter(-1);
    EXPECT_EQ(result, 1) << allowed;
    EXPECT_LT(part.list.count, count);
    for (int32_t i = 0; i < part.list.count; ++i) ASSERT_TRUE(SamePixels(part.at(i), whole.at(i))) << allowed;
  }
  FreeDibImage(picture);
}

// The same picture and seed give the same bytes on every target: a digest of whole
// animations (drop placement uses sines and cosines).
TEST(RunRipple, BytesArePinnedOnEveryTarget) {
  uint64_t digest = 1469598103934665603ull;  // FNV-1a over every frame's pixel bytes
  for (uint32_t seed : {kDefaultSeed, 77u, 123456789u}) {
    DibImage picture = RenderScene(96, 80, seed);
    Frames frames;
    Animate(picture, seed, &frames);
    for (int32_t i = 0; i < frames.list.count; ++i) {
      DibView frame(frames.at(i));
      for (uint32_t k = 0; k < frame.stride() * frame.height(); ++k)
        digest = (digest ^ frame.pixels()[k]) * 1099511628211ull;
    }
    FreeDibImage(picture);
  }
  EXPECT_EQ(digest, 0xA747A248CA25DA2Bull);
}

}  // namespace

namespace {

// Pictures from kRippleThreadedCells up share the rows of every step among the threads;
// smaller ones keep to one.
TEST(RippleThreads, OnlyLargePicturesShareTheirRows) {
  EXPECT_EQ(RippleRowThreads(7, 1024, 127), 1);
  EXPECT_EQ(RippleRowThreads(7, 1024, 128), 7);
  EXPECT_EQ(RippleRowThreads(2, 640, 480), 2);
  EXPECT_EQ(RippleRowThreads(1, 2000, 2000), 1);
  EXPECT_EQ(RippleRowThreads(0, 2000, 2000), 1);
}

// The rows of a wave step are shared: the same heights as one thread, and the surface is
// alive when only the last rows (the last thread's) move.
TEST(RippleThreads, WaveStepsGiveTheSameHeightsAndAliveFlagOnAnyThreadCount) {
  constexpr int32_t kWidth = 1024, kHeight = 512;
  for (int threads : {2, 7}) {
    RandomSource oneRandom, sharedRandom;
    oneRandom.SeedRandom(kDefaultSeed);
    sharedRandom.SeedRandom(kDefaultSeed);
    RippleWater one, shared;
    ASSERT_TRUE(one.start(kWidth, kHeight, &oneRandom));
    ASSERT_TRUE(shared.start(kWidth, kHeight, &sharedRandom));
    one.splash(150, kHeight - 3);
    shared.splash(150, kHeight - 3);
    bool everAlive = false;
    for (int step = 0; step < 12; ++step) {
      const bool alive = one.waveStep(1);
      everAlive = everAlive || alive;
      ASSERT_EQ(shared.waveStep(threads), alive) << threads << "/" << step;
      ASSERT_EQ(std::memcmp(one.current(), shared.current(), sizeof(int32_t) * kWidth * kHeight), 0)
          << threads << "/" << step;
    }
    EXPECT_TRUE(everAlive);
  }
}

// Whole animations of a picture large enough to share its rows: the same frames at any
// thread count as the plain version's.
TEST(RippleThreads, AnimationsAreTheSameOnAnyThreadCount) {
  DibImage picture = RenderScene(1000, 530, 9);
  std::unique_ptr<void, void (*)(DibImage)> owner(picture, FreeDibImage);
  Frames plain;
  ASSERT_EQ(OracleRunRipple(picture, kDefaultSeed, 5, 12, &plain.list), 1);
  ASSERT_EQ(plain.list.count, 12);
  for (int threads : {1, 2, 7}) {
    Frames frames;
    RandomSource random;
    random.SeedRandom(kDefaultSeed);
    ASSERT_EQ(RunRipple(picture, &random, 5, &frames.list, 12, threads), 1);
    ASSERT_EQ(frames.list.count, plain.list.count) << threads;
    for (int32_t i = 0; i < frames.list.count; ++i)
      ASSERT_TRUE(SamePixels(frames.at(i), plain.at(i))) << threads << " threads, frame " << i;
  }
}

}  // namespace
