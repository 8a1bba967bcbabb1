#include "framework/colour_search.h"

#include <gtest/gtest.h>

#include "tests/colour/colour_reference.h"
#include "tests/colour/colour_test_support.h"

namespace {

TEST(ColourSearch, ExactAndNearestFollowTheFirstIndexRule) {
  RgbPalette palette{};
  palette.entries[0] = {0, 0, 0};
  palette.entries[1] = {20, 20, 20};
  palette.entries[2] = {7, 8, 9};
  palette.entries[3] = {7, 8, 9};
  EXPECT_EQ(NearestPaletteIndex(10, 10, 10, &palette, 2), 0);  // equal distances
  EXPECT_EQ(NearestPaletteIndex(11, 10, 10, &palette, 2), 1);
  EXPECT_EQ(ExactPaletteIndex(7, 8, 9, &palette, 4), 2);
  EXPECT_EQ(ExactPaletteIndex(7 + 256, 8 - 256, 9, &palette, 4), 2);  // low 8 bits compared
  EXPECT_EQ(ExactPaletteIndex(7, 8, 9, &palette, 2), -1);              // only the first n
  EXPECT_EQ(NearestPaletteIndex(7, 8, 9, &palette, 0), 0);
  // Weights 3, 4, 2: a green difference costs more than the same red or blue one.
  palette.entries[0] = {100, 110, 100};
  palette.entries[1] = {110, 100, 100};
  palette.entries[2] = {100, 100, 110};
  EXPECT_EQ(NearestPaletteIndex(100, 100, 100, &palette, 2), 1);
  EXPECT_EQ(NearestPaletteIndex(100, 100, 100, &palette, 3), 2);
}

// The pruned nearest search and the table built with it give exactly the plain search's
// answers, duplicates and ties included.
TEST(ColourSearch, FastSearchesMatchThePlainSearch) {
  std::mt19937 random(7);
  for (int n : {0, 1, 2, 3, 16, 200, 255, 256}) {
    for (int round = 0; round < 3; ++round) {
      RgbPalette palette = colour_test::RandomPalette(random, n);
      if (round == 2)  // few green levels: many entries share a green value
        for (int i = 0; i < n; ++i) palette.entries[i].green = static_cast<uint8_t>(palette.entries[i].green & 0xC0);
      NearestSearch search;
      PrepareNearestSearch(&search, &palette, n);
      for (int k = 0; k < 3000; ++k) {
        int r = random() & 255, g = random() & 255, b = random() & 255;
        ASSERT_EQ(FindNearest(&search, r, g, b), reference::Nearest(r, g, b, &palette, n))
            << "n " << n << " colour " << r << "," << g << "," << b;
      }
      FastRemapTable table;
      uint8_t expected[4096];
      BuildFastRemapTable(&table, &palette, n);
      reference::BuildFastRemapTable(expected, &palette, n);
      ASSERT_EQ(0, std::memcmp(table.index, expected, sizeof expected)) << "n " << n;
    }
  }
}

}  // namespace
