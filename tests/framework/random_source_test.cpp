#include "framework/random_source.h"

#include <gtest/gtest.h>

TEST(RandomSource, FirstDrawsAfterKnownSeeds) {
  RandomSource random;
  random.SeedRandom(1);
  EXPECT_EQ(random.RandomDraw(), 5540);
  EXPECT_EQ(random.RandomDraw(), 221838220);
  EXPECT_EQ(random.RandomDraw(), 695693412);

  // The effects' default seed: 8634 in both halves of a 32-bit value.
  random.SeedRandom((8634u << 16) | 8634u);
  EXPECT_EQ((8634u << 16) | 8634u, 565846458u);
  EXPECT_EQ(random.RandomDraw(), 1610737525);
}

TEST(RandomSource, ReseedingStartsTheSequenceAgainAndUnitDrawsStayBelowOne) {
  RandomSource a, b;
  a.SeedRandom(0xFFFFFFFFu);
  for (int i = 0; i < 1000; ++i) {
    double u = a.UnitDraw();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
  a.SeedRandom(77);
  b.SeedRandom(77);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(a.RandomDraw(), b.RandomDraw());
  // A unit draw is the draw's last six decimal digits as millionths.
  a.SeedRandom(1);
  EXPECT_DOUBLE_EQ(a.UnitDraw(), 5540 * 0.000001);
  EXPECT_DOUBLE_EQ(a.UnitDraw(), 838220 * 0.000001);
}
