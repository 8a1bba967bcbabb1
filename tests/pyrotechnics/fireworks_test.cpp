#include "effects/pyrotechnics/fireworks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/dib_view.h"
#include "platform/memory.h"
#include "tests/pyrotechnics/fireworks_oracle.h"

namespace {

constexpr int32_t kRandom = static_cast<int32_t>(kRandomColourFlag);

// A scene with the stored defaults and every rocket random, on a surface of w x h.
struct SceneFixture {
  explicit SceneFixture(int32_t w = 64, int32_t h = 48, uint32_t seed = (8634u << 16) | 8634u) {
    random.SeedRandom(seed);
    scene.frames = &frames;
    scene.random = &random;
    scene.width = w;
    scene.height = h;
    for (int32_t& colour : scene.rocketColours) colour = kRandom;
  }
  ~SceneFixture() { FreeFrameList(&frames); }

  FrameList frames;
  RandomSource random;
  FireworksScene scene;
};

std::vector<uint8_t> Pixels(DibImage image) {
  DibView view(image);
  if (!view.ok()) return {};
  return std::vector<uint8_t>(view.pixels(), view.pixels() + static_cast<size_t>(view.stride()) * view.height());
}

std::vector<uint8_t> FramePixels(const FrameList& frames, int32_t index) {
  FrameEntry entry;
  if (!ReadFrameEntry(&frames, index, &entry)) return {};
  return Pixels(entry.image);
}

// The lifetime L the first draws of a seed give for energy N.
int32_t LifetimeOf(uint32_t seed, int32_t energy) {
  RandomSource random;
  random.SeedRandom(seed);
  for (int i = 0; i < 6; ++i) random.UnitDraw();  // four unused, u1, u2
  return static_cast<int32_t>(random.UnitDraw() * energy * 3 * 0.25) + energy / 4 + 1;
}

void ExpectSameAsOracle(const FireworksScene& scene, uint32_t seed, const FrameList& frames) {
  OracleSettings settings{scene.width,          scene.height,    scene.delay,   scene.rockets, scene.background,
                          scene.rocketColours, scene.explosion, scene.gravity, scene.energy,  seed};
  FrameList expected;
  ASSERT_EQ(OracleFireworks(settings, &expected), 1);
  ASSERT_EQ(frames.count, expected.count);
  for (int32_t i = 0; i < frames.count; ++i) {
    FrameEntry entry;
    ASSERT_TRUE(ReadFrameEntry(&frames, i, &entry));
    EXPECT_EQ(entry.delay, scene.delay);
    EXPECT_EQ(entry.transparentKey, -1);
    ASSERT_TRUE(FramePixels(frames, i) == FramePixels(expected, i)) << "frame " << i;
  }
  FreeFrameList(&expected);
}

TEST(Fireworks, DefaultSettingsGiveLPlusOneFramesFrom22To81TheLastRepeatingTheOneBefore) {
  int shortest = 1000, longest = 0;
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    SceneFixture f(32, 32, seed * 7919u);
    ASSERT_EQ(RenderFireworks(f.scene), 1);
    EXPECT_EQ(f.frames.count, LifetimeOf(seed * 7919u, 80) + 1);
    EXPECT_GE(f.frames.count, 22);
    EXPECT_LE(f.frames.count, 81);
    EXPECT_TRUE(FramePixels(f.frames, f.frames.count - 1) == FramePixels(f.frames, f.frames.count - 2));
    shortest = std::min(shortest, static_cast<int>(f.frames.count));
    longest = std::max(longest, static_cast<int>(f.frames.count));
  }
  EXPECT_LT(shortest, 40);  // the lifetime really is drawn
  EXPECT_GT(longest, 60);
}

TEST(Fireworks, EveryDrawAndPixelMatchesThePlainVersion) {
  struct Case {
    int32_t width, height, rockets, explosion, gravity, energy, background;
    bool fixedColours;
  };
  const Case cases[] = {
      {64, 48, 5, 850, 400, 80, 0, false},
      {33, 35, 32, 2000, 100, 40, PackColour(10, 20, 200), true},  // odd row padding, many rockets
      {100, 60, 3, 100, 1000, 400, PackColour(250, 250, 250), false},
      {40, 40, 1, 1200, 0, 120, PackColour(0, 0, 60), true},
  };
  uint32_t seed = 12345;
  for (const Case& c : cases) {
    SceneFixture f(c.width, c.height, seed);
    f.scene.rockets = c.rockets;
    f.scene.explosion = c.explosion;
    f.scene.gravity = c.gravity;
    f.scene.energy = c.energy;
    f.scene.background = c.background;
    f.scene.delay = 7;
    if (c.fixedColours)
      for (int i = 0; i < kMostRockets; ++i) f.scene.rocketColours[i] = i % 3 == 0 ? kRandom : PackColour(i * 8, 255 - i, 40);
    ASSERT_EQ(RenderFireworks(f.scene), 1);
    ExpectSameAsOracle(f.scene, seed, f.frames);
    seed = seed * 31 + 7;
  }
}

TEST(Fireworks, TheSameSeedGivesTheSameFramesAndAnotherSeedOthers) {
  SceneFixture a(64, 48, 99), b(64, 48, 99), c(64, 48, 100);
  ASSERT_EQ(RenderFireworks(a.scene), 1);
  ASSERT_EQ(RenderFireworks(b.scene), 1);
  ASSERT_EQ(RenderFireworks(c.scene), 1);
  ASSERT_EQ(a.frames.count, b.frames.count);
  for (int32_t i = 0; i < a.frames.count; ++i) ASSERT_TRUE(FramePixels(a.frames, i) == FramePixels(b.frames, i));
  EXPECT_FALSE(FramePixels(a.frames, 1) == FramePixels(c.frames, 1));
}

TEST(Fireworks, APureRedRocketStartsRedAndFlickersByLessThan33) {
  SceneFixture f;
  f.scene.rocketColours[0] = 255;
  DibImage image = CreateDibImage(64, 48, nullptr, 24);
  auto surface = CreateDrawSurface(nullptr, image);
  ASSERT_TRUE(surface);
  f.scene.surface = surface.get();
  Rocket rocket;
  rocket.width = 64;
  rocket.height = 48;
  ASSERT_EQ(LaunchRocket(f.scene, rocket, 400, 50, 30, 0), 1);
  EXPECT_EQ(rocket.red, 255);
  EXPECT_EQ(rocket.green, 0);
  EXPECT_EQ(rocket.blue, 0);
  EXPECT_EQ(rocket.particles, 50);
  // The burst lies in the middle half; every velocity in its range.
  EXPECT_GE(rocket.x0, 16);
  EXPECT_LT(rocket.x0, 48);
  EXPECT_GE(rocket.y0, 12);
  EXPECT_LT(rocket.y0, 36);
  for (int k = 0; k < 50; ++k) {
    EXPECT_GE(rocket.vx[k], -200);
    EXPECT_LT(rocket.vx[k], 200);
    EXPECT_GE(rocket.vy[k], -50);
    EXPECT_LT(rocket.vy[k], 300);
  }
  for (int step = 0; step < 30; ++step) {
    int32_t red = rocket.red, green = rocket.green, blue = rocket.blue;
    ASSERT_EQ(StepRocket(f.scene, rocket), 1);
    EXPECT_LE(std::abs(rocket.red - red), 32);
    EXPECT_LE(std::abs(rocket.green - green), 32);
    EXPECT_LE(std::abs(rocket.blue - blue), 32);
    EXPECT_TRUE(rocket.red >= 0 && rocket.red <= 255 && rocket.green >= 0 && rocket.green <= 255);
  }
  f.scene.surface = nullptr;
  surface.reset();
  FreeDibImage(image);

  // Its lifetime over, a rocket neither draws nor takes a draw.
  uint64_t state = f.random.state();
  image = CreateDibImage(64, 48, nullptr, 24);
  surface = CreateDrawSurface(nullptr, image);
  f.scene.surface = surface.get();
  surface->fill(PackColour(1, 2, 3));
  EXPECT_EQ(StepRocket(f.scene, rocket), 0);
  EXPECT_EQ(f.random.state(), state);
  DibImage copy = CreateDibImage(64, 48, nullptr, 24);
  ASSERT_EQ(surface->copyInto(copy), 1);
  EXPECT_EQ(GetDibPixel(copy, 32, 24), PackColour(1, 2, 3));
  f.scene.surface = nullptr;
  surface.reset();
  FreeDibImage(copy);
  FreeDibImage(image);
}

TEST(Fireworks, RandomColoursStartWithEveryChannelFrom128To255) {
  SceneFixture f;
  int lowest = 255, highest = 0;
  for (int i = 0; i < 200; ++i) {
    Rocket rocket;
    rocket.width = 64;
    rocket.height = 48;
    ASSERT_EQ(LaunchRocket(f.scene, rocket, 100, 23, 10, i % kMostRockets), 1);
    for (int32_t channel : {rocket.red, rocket.green, rocket.blue}) {
      EXPECT_GE(channel, 128);
      EXPECT_LE(channel, 255);
      lowest = std::min(lowest, channel);
      highest = std::max(highest, channel);
    }
  }
  EXPECT_LT(lowest, 140);
  EXPECT_GT(highest, 245);
}

TEST(Fireworks, TheFirstFrameShowsTheRedBurstOverTheBackground) {
  SceneFixture f(80, 60, 4242);
  f.scene.rockets = 1;
  f.scene.rocketColours[0] = 255;
  f.scene.background = PackColour(0, 0, 60);
  ASSERT_EQ(RenderFireworks(f.scene), 1);
  FrameEntry first;
  ASSERT_TRUE(ReadFrameEntry(&f.frames, 0, &first));
  int burst = 0;
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 80; ++x) {
      int32_t pixel = GetDibPixel(first.image, x, y);
      if (pixel == PackColour(0, 0, 60)) continue;
      ++burst;
      EXPECT_GE(PackedRed(pixel), 223);
      EXPECT_LE(PackedGreen(pixel), 31);
      EXPECT_LE(PackedBlue(pixel), 31);
    }
  EXPECT_EQ(burst, 1);  // at step 0 every particle is at the launch point
  // The trails are wiped from their start: the last frame is all background.
  FrameEntry last;
  ASSERT_TRUE(ReadFrameEntry(&f.frames, f.frames.count - 1, &last));
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 80; ++x) ASSERT_EQ(GetDibPixel(last.image, x, y), PackColour(0, 0, 60));
}

TEST(Fireworks, ParticlesOffTheSurfaceAreClippedAndTheFrameCountStays) {
  // Fast bursts on a small surface: most particles leave it.
  const uint32_t seed = 777;
  SceneFixture f(32, 32, seed);
  f.scene.explosion = 2000;
  f.scene.gravity = 100;
  f.scene.rockets = 8;
  ASSERT_EQ(RenderFireworks(f.scene), 1);
  EXPECT_EQ(f.frames.count, LifetimeOf(seed, 80) + 1);
  ExpectSameAsOracle(f.scene, seed, f.frames);

  // The surface itself ignores every point outside it.
  DibImage image = CreateDibImage(5, 3, nullptr, 24);
  auto surface = CreateDrawSurface(nullptr, image);
  ASSERT_TRUE(surface);
  surface->fill(PackColour(9, 8, 7));
  for (auto [x, y] : {std::pair<int32_t, int32_t>{-1, 0}, {5, 0}, {0, -1}, {0, 3}, {INT32_MIN, 1}, {2, INT32_MAX}})
    surface->setPixel(x, y, PackColour(255, 255, 255));
  surface->setPixel(4, 2, PackColour(1, 2, 3));
  DibImage copy = CreateDibImage(5, 3, nullptr, 24);
  ASSERT_EQ(surface->copyInto(copy), 1);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x)
      EXPECT_EQ(GetDibPixel(copy, x, y), x == 4 && y == 2 ? PackColour(1, 2, 3) : PackColour(9, 8, 7));
  DibImage wrongSize = CreateDibImage(6, 3, nullptr, 24);
  EXPECT_EQ(surface->copyInto(wrongSize), 0);
  surface.reset();
  FreeDibImage(wrongSize);
  FreeDibImage(copy);
  FreeDibImage(image);
}

TEST(Fireworks, ASizeTheSurfaceCannotHaveFailsBeforeAnyFrame) {
  for (auto [w, h] : {std::pair<int32_t, int32_t>{0, 128}, {128, 0}, {-5, 40}, {40, -1}, {100000, 100000},
                      {INT32_MAX, 2}, {2, INT32_MAX}}) {
    SceneFixture f(w, h);
    EXPECT_EQ(RenderFireworks(f.scene), 0) << w << " x " << h;
    EXPECT_EQ(f.frames.count, 0);
  }
  // An animation whose frames together would pass the limit fails before its first.
  SceneFixture longLived(800, 800);
  longLived.scene.energy = 2000000;
  EXPECT_EQ(RenderFireworks(longLived.scene), 0);
  EXPECT_EQ(longLived.frames.count, 0);
}

TEST(Fireworks, HostileSpeedsAndLifetimesStayWholeNumbers) {
  // Values a settings file may hold: every product is held to whole numbers, nothing
  // overflows (the sanitizer build checks), and the surface clips what it cannot show.
  SceneFixture f(32, 32, 5);
  f.scene.explosion = INT32_MAX;
  f.scene.gravity = INT32_MIN;
  f.scene.energy = 60;
  EXPECT_EQ(RenderFireworks(f.scene), 1);
  SceneFixture g(32, 32, 5);
  g.scene.energy = -100;  // no lifetime: the first frame and its repeat
  EXPECT_EQ(RenderFireworks(g.scene), 1);
  EXPECT_EQ(g.frames.count, 2);
  EXPECT_EQ(TruncateWhole(-2.9), -2);
  EXPECT_EQ(TruncateWhole(1e300), INT32_MAX);
  EXPECT_EQ(TruncateWhole(-1e300), INT32_MIN);
}

// On several threads the frames are made a batch at a time from the steps' pixels: the
// same frames as the plain version at every thread count, over several batches and a
// last one cut short, with odd row padding, particles off the surface and many rockets.
TEST(FireworksThreads, EveryThreadCountGivesThePlainVersionsFrames) {
  for (int threads : {2, 7}) {
    uint32_t seed = 777;
    for (auto [w, h, rockets, energy] : {std::tuple<int32_t, int32_t, int32_t, int32_t>{64, 48, 5, 80},
                                         {33, 35, 32, 200}, {7, 5, 3, 40}, {120, 90, 12, 2}}) {
      SceneFixture f(w, h, seed);
      f.scene.rockets = rockets;
      f.scene.energy = energy;
      f.scene.background = PackColour(10, 20, 200);
      f.scene.threads = threads;
      ASSERT_EQ(RenderFireworks(f.scene), 1) << threads << " threads, " << w << " x " << h;
      ExpectSameAsOracle(f.scene, seed, f.frames);
      seed = seed * 31 + 7;
    }
  }
}

// A frame that cannot be had on any thread, at any point of the animation, ends the
// render with 0; every frame made is the list's or freed (the sanitizer build checks).
TEST(FireworksThreads, AFailedAllocationOnAnyThreadEndsTheRender) {
  SceneFixture whole(40, 30, 4242);
  whole.scene.energy = 120;
  ASSERT_EQ(RenderFireworks(whole.scene), 1);
  const int32_t frames = whole.frames.count;
  for (long successes : {0L, 1L, 5L, static_cast<long>(frames) / 2, static_cast<long>(frames) - 2}) {
    SceneFixture f(40, 30, 4242);
    f.scene.energy = 120;
    f.scene.threads = 2;
    platform::FailAllocationsAfter(successes);
    const int result = RenderFireworks(f.scene);
    platform::FailAllocationsAfter(-1);
    EXPECT_EQ(result, 0) << successes;
    EXPECT_LT(f.frames.count, frames) << successes;
    for (int32_t i = 0; i < f.frames.count; ++i)
      ASSERT_TRUE(FramePixels(f.frames, i) == FramePixels(whole.frames, i)) << successes << ", frame " << i;
  }
}

}  // namespace
