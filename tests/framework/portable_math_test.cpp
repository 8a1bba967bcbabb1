#include "framework/portable_math.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

uint64_t Bits(double d) {
  uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

// FNV-1a over the bit patterns of the results: one number that pins every bit of a few
// thousand results, the same on every target.
struct Digest {
  uint64_t value = 1469598103934665603ull;
  void add(double d) {
    uint64_t bits = Bits(d);
    for (int i = 0; i < 8; ++i) {
      value ^= (bits >> (8 * i)) & 0xFF;
      value *= 1099511628211ull;
    }
  }
};

// Arguments spread over the ranges the effects use: angles of a few turns, cosines of
// -1 to 1, slopes from 0 to large.
double Argument(int i, double low, double high) { return low + (high - low) * (i + 0.5) / 4096.0; }

TEST(PortableMath, ResultsArePinnedOnEveryTarget) {
  Digest sinDigest, cosDigest, atanDigest, acosDigest, sqrtDigest;
  for (int i = 0; i < 4096; ++i) {
    double angle = Argument(i, -13.0, 26.0);
    sinDigest.add(PortableSin(angle));
    cosDigest.add(PortableCos(angle));
    atanDigest.add(PortableAtan(Argument(i, -50.0, 1000.0)));
    acosDigest.add(PortableAcos(Argument(i, -1.0, 1.0)));
    sqrtDigest.add(PortableSqrt(Argument(i, 0.0, 200000.0)));
  }
  EXPECT_EQ(sinDigest.value, 0xD49EA4B24CCF91C4ull);
  EXPECT_EQ(cosDigest.value, 0xA717FA992F7AEE4Cull);
  EXPECT_EQ(atanDigest.value, 0xDA7FAA353723BB87ull);
  EXPECT_EQ(acosDigest.value, 0x0430C67EA279FEBCull);
  EXPECT_EQ(sqrtDigest.value, 0x98BE138DE7176C68ull);
}

TEST(PortableMath, KnownValues) {
  EXPECT_EQ(PortableAtan(1.0), 0.78539816339744828);  // pi/4 rounded
  EXPECT_EQ(PortableAcos(1.0), 0.0);
  EXPECT_EQ(PortableAcos(-1.0), 3.141592653589793);
  EXPECT_EQ(PortableAcos(0.0), 1.5707963267948966);
  EXPECT_EQ(PortableSin(0.0), 0.0);
  EXPECT_EQ(PortableCos(0.0), 1.0);
  EXPECT_TRUE(std::isnan(PortableAcos(1.0000000000000002)));
  EXPECT_TRUE(std::isnan(PortableSin(INFINITY)));
}

// Within one unit in the last place of the runtime's own functions (which are
// themselves accurate to about that).
TEST(PortableMath, CloseToTheRuntimeFunctions) {
  for (int i = 0; i < 20000; ++i) {
    double angle = -100.0 + i * 0.01;
    double slope = -300.0 + i * 0.03;
    double cosine = -1.0 + i * 0.0001;
    EXPECT_NEAR(PortableSin(angle), std::sin(angle), 2.3e-16);
    EXPECT_NEAR(PortableCos(angle), std::cos(angle), 2.3e-16);
    EXPECT_NEAR(PortableAtan(slope), std::atan(slope), 4.5e-16);
    EXPECT_NEAR(PortableAcos(cosine), std::acos(cosine), 4.5e-16);
  }
}

}  // namespace
