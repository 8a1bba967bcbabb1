#include "effects/pagecurl/curl_geometry.h"

#include <gtest/gtest.h>

#include "framework/palette_types.h"

namespace {

TEST(CurlGeometry, ValuesForACurlOfOneHundredPixels) {
  CurlGeometry g;
  ASSERT_EQ(ComputeCurlGeometry(100, kCurlLowerRight, 640, 480, 13369395, &g), 1);
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
  EXPECT_EQ(PackColour(g.paperRed, g.paperGreen, g.paperBlue), 13369395);
  EXPECT_EQ(ComputeCurlGeometry(0, kCurlLowerRight, 640, 480, 0, &g), 0);
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
  }
}

}  // namespace
