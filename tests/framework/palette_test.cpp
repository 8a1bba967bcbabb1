#include "framework/palette.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void ExpectEntry(const RgbPalette& p, int index, int r, int g, int b) {
  EXPECT_EQ(p.entries[index].red, r) << "entry " << index;
  EXPECT_EQ(p.entries[index].green, g) << "entry " << index;
  EXPECT_EQ(p.entries[index].blue, b) << "entry " << index;
}

TEST(Palette, CountsAndBitsOfEveryKind) {
  const int expected[][2] = {{2, 1},   {16, 4},  {32, 5},  {64, 6}, {128, 7},
                             {216, 8}, {256, 8}, {256, 8}, {256, 8}};
  for (int kind = 0; kind < 9; ++kind) {
    int bits = 0;
    EXPECT_EQ(BuildPalette(nullptr, &bits, kind), expected[kind][0]) << kind;
    EXPECT_EQ(bits, expected[kind][1]) << kind;
  }
  EXPECT_EQ(BuildPalette(nullptr, nullptr, 1), 16);  // nothing to fill, nothing touched
}

TEST(Palette, OrthogonalKindsTakeTheirLevelsInRedGreenBlueOrder) {
  RgbPalette p;
  BuildPalette(&p, nullptr, 2);
  ExpectEntry(p, 13, 85, 170, 255);
  ExpectEntry(p, 31, 255, 255, 255);
  ExpectEntry(p, 32, 0, 0, 0);  // past the count
  BuildPalette(&p, nullptr, 3);
  ExpectEntry(p, 63, 255, 255, 255);
  ExpectEntry(p, 1, 0, 0, 85);
  BuildPalette(&p, nullptr, 4);
  ExpectEntry(p, 127, 255, 255, 255);
  ExpectEntry(p, 4, 0, 36, 0);
  BuildPalette(&p, nullptr, 6);
  ExpectEntry(p, 255, 255, 255, 255);
  ExpectEntry(p, 33, 36, 0, 85);
}

TEST(Palette, FixedTablesAndGreys) {
  RgbPalette p;
  std::memset(&p, 0x5A, sizeof p);
  BuildPalette(&p, nullptr, 0);
  ExpectEntry(p, 0, 0, 0, 0);
  ExpectEntry(p, 1, 255, 255, 255);
  ExpectEntry(p, 2, 0, 0, 0);  // the rest is cleared
  ExpectEntry(p, 255, 0, 0, 0);
  BuildPalette(&p, nullptr, 1);
  ExpectEntry(p, 7, 128, 128, 128);
  ExpectEntry(p, 8, 192, 192, 192);
  ExpectEntry(p, 14, 0, 255, 255);
  BuildPalette(&p, nullptr, 8);
  for (int i = 0; i < 256; ++i) ExpectEntry(p, i, i, i, i);
}

TEST(Palette, ResourcePalettes) {
  RgbPalette p;
  EXPECT_EQ(BuildPalette(&p, nullptr, 5), 216);
  ExpectEntry(p, 0, 0, 0, 0);
  ExpectEntry(p, 1, 0, 0, 51);
  ExpectEntry(p, 6, 0, 51, 0);
  ExpectEntry(p, 36, 51, 0, 0);
  ExpectEntry(p, 215, 255, 255, 255);
  for (int i = 216; i < 256; ++i) ExpectEntry(p, i, 0, 0, 0);
  EXPECT_EQ(BuildPalette(&p, nullptr, 7), 256);
  ExpectEntry(p, 112, 1, 1, 1);
  ExpectEntry(p, 143, 254, 254, 254);
  ExpectEntry(p, 144, 128, 146, 0);
  ExpectEntry(p, 111, 128, 109, 255);
  ExpectEntry(p, 255, 255, 255, 255);
}

TEST(Palette, KindsOutsideTheRangeBehaveAsTheDefault) {
  RgbPalette six, other;
  BuildPalette(&six, nullptr, 6);
  for (int kind : {9, 12, 1000, -1}) {
    int bits = 0;
    EXPECT_EQ(BuildPalette(&other, &bits, kind), 256);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(std::memcmp(&six, &other, sizeof six), 0) << kind;
  }
}

TEST(Palette, KindNamesComeFromTheStringTable) {
  EXPECT_STREQ(PaletteKindName(0), "Black and white");
  EXPECT_STREQ(PaletteKindName(5), "216-colour safe");
  EXPECT_STREQ(PaletteKindName(8), "256 grey levels");
  EXPECT_STREQ(PaletteKindName(9), "String table error - this application may be damaged");
}

}  // namespace
