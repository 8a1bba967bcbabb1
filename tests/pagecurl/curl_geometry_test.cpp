#include "effects/pagecurl/curl_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace {

TEST(CurlGeometry, ValuesForACurlOfOneHundredPixels) {
  CurlGeometry g;
  ASSERT_EQ(ComputeCurlGeometry(100, kCurlLowerRight, 640, 480, 0, &g), 1);
  const double tolerance = 5e-5;
  EXPECT_NEAR(g.r, 41.2087, tolerance);
  EXPECT_NEAR(g.k.x, 38.0718, tolerance);
  EXPECT_NEAR(g.k.y, 15.7699, tolerance);
  EXPECT_EQ(g.rho, g.k.y);
  EXPECT_NEAR(g.d.x, 26.9209, tolerance);
  EXPECT_NEAR(g.d.y, 26.9209, tolerance);
  EXPECT_NEAR(g.g.x, 52.0410, tolerance);
  EXPECT_NEAR(g.g.y, 8.4519, tolerance);
  EXPECT_EQ(g.m1, 1.0);
  EXPECT_NEAR(g.m2, 0.52387, 5e-6);
  EXPECT_NEAR(g.m3, -0.73523, 5e-6);
  EXPECT_NEAR(g.m4, 0.61928, 5e-6);
  EXPECT_NEAR(g.alpha, 0.30284, 5e-6);
  EXPECT_EQ(g.l1, 100);
  EXPECT_EQ(g.l2, 100);
}

TEST(CurlGeometry, LengthsScaleWithTheCurlAndAnglesStay) {
  CurlGeometry big, small;
  ComputeCurlGeometry(100, kCurlLowerRight, 20, 20, 0, &big);
  ComputeCurlGeometry(7, kCurlUpperLeft | kCurlHorizontal, 300, 10, 0, &small);
  const double scale = 7.0 / 100.0;
  EXPECT_NEAR(small.r, big.r * scale, 1e-9);
  EXPECT_NEAR(small.k.x, big.k.x * scale, 1e-9);
  EXPECT_NEAR(small.g.y, big.g.y * scale, 1e-9);
  EXPECT_NEAR(small.m2, big.m2, 1e-12);
  EXPECT_NEAR(small.m3, big.m3, 1e-12);
  EXPECT_NEAR(small.alpha, big.alpha, 1e-12);
}

TEST(CurlGeometry, RefusesSizesBelowOne) {
  CurlGeometry g;
  EXPECT_EQ(ComputeCurlGeometry(0, 0, 10, 10, 0, &g), 0);
  EXPECT_EQ(ComputeCurlGeometry(5, 0, 0, 10, 0, &g), 0);
  EXPECT_EQ(ComputeCurlGeometry(5, 0, 10, -1, 0, &g), 0);
}

TEST(CurlGeometry, PaperColourBytes) {
  CurlGeometry g;
  ComputeCurlGeometry(10, 0, 10, 10, 13369395, &g);
  EXPECT_EQ(g.paperRed, 51);
  EXPECT_EQ(g.paperGreen, 0);
  EXPECT_EQ(g.paperBlue, 204);
}

struct CornerCase {
  uint32_t bits;
  int32_t x0, y0;            // region of a 6-pixel curl on a 10 x 8 picture
  int32_t cornerX, cornerY;  // where the peeled corner lands
  int32_t nextX, nextY;      // where its neighbour along the local x axis lands
};

// Vertical runs the local x axis along the corner's row; Horizontal along its column.
const CornerCase kCorners[] = {
    {kCurlUpperLeft, 0, 0, 0, 0, 1, 0},
    {kCurlLowerLeft, 0, 2, 0, 7, 1, 7},
    {kCurlUpperRight, 4, 0, 9, 0, 8, 0},
    {kCurlLowerRight, 4, 2, 9, 7, 8, 7},
    {kCurlUpperLeft | kCurlHorizontal, 0, 0, 0, 0, 0, 1},
    {kCurlLowerLeft | kCurlHorizontal, 0, 2, 0, 7, 0, 6},
    {kCurlUpperRight | kCurlHorizontal, 4, 0, 9, 0, 9, 1},
    {kCurlLowerRight | kCurlHorizontal, 4, 2, 9, 7, 9, 6},
    {0x02, 4, 2, 9, 7, 8, 7},  // no corner bit: lower right
};

TEST(CurlGeometry, MappingPutsThePeeledCornerOnTheChosenCorner) {
  for (const CornerCase& c : kCorners) {
    SCOPED_TRACE(c.bits);
    CurlGeometry g;
    ASSERT_EQ(ComputeCurlGeometry(6, c.bits, 10, 8, 0, &g), 1);
    EXPECT_EQ(g.x0, c.x0);
    EXPECT_EQ(g.y0, c.y0);
    EXPECT_EQ(g.x1 - g.x0, 6);
    EXPECT_EQ(g.y1 - g.y0, 6);
    int64_t x, y;
    MapCurlPoint(g, 5, 0, &x, &y);
    EXPECT_TRUE(x == c.cornerX && y == c.cornerY) << x << "," << y;
    MapCurlPoint(g, 4, 0, &x, &y);
    EXPECT_TRUE(x == c.nextX && y == c.nextY) << x << "," << y;
    // Every local point lands on its own pixel of the region.
    std::set<std::pair<int64_t, int64_t>> seen;
    for (int64_t ly = 0; ly < 6; ++ly)
      for (int64_t lx = 0; lx < 6; ++lx) {
        MapCurlPoint(g, lx, ly, &x, &y);
        EXPECT_TRUE(x >= g.x0 && x < g.x1 && y >= g.y0 && y < g.y1);
        seen.insert({x, y});
      }
    EXPECT_EQ(seen.size(), 36u);
  }
}

TEST(CurlGeometry, CosinesJustPastOneOrMinusOneGiveTheirAngle) {
  EXPECT_EQ(ClampedAcos(std::nextafter(1.0, 2.0)), 0.0);
  EXPECT_EQ(ClampedAcos(1.0), 0.0);
  EXPECT_NEAR(ClampedAcos(std::nextafter(-1.0, -2.0)), 3.141592653589793, 1e-15);
  EXPECT_EQ(ClampedAcos(std::nan("")), 0.0);
  EXPECT_NEAR(ClampedAcos(0.5), 1.0471975511965979, 1e-15);
}

}  // namespace
