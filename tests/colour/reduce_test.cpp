// Remapping and dithering: the listed behaviours and randomised comparisons with the
// plain version.
#include <gtest/gtest.h>

#include "framework/dither.h"
#include "framework/palette.h"
#include "framework/remap.h"
#include "tests/colour/colour_reference.h"
#include "tests/colour/colour_test_support.h"

namespace {

using colour_test::Bytes;
using colour_test::Image;

DibImage FlatImage(int32_t width, int32_t height, int red, int green, int blue) {
  DibImage image = CreateDibImage(width, height, nullptr, 24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) SetDibPixel(image, x, y, PackColour(red, green, blue));
  return image;
}

TEST(Remap, OneBitOutputIsSetWhereLuminanceExceeds128) {
  RgbPalette palette;
  int n = BuildPalette(&palette, nullptr, 0);
  const int greys[] = {0, 128, 129, 130, 255};  // luminances 0, 127, 128, 129, 255
  Image image(CreateDibImage(5, 1, nullptr, 24));
  for (int x = 0; x < 5; ++x) SetDibPixel(image, x, 0, PackColour(greys[x], greys[x], greys[x]));
  Image out(RemapToPalette(image, &palette, 1, n, ColourSettings{}));
  ASSERT_NE(out.handle, nullptr);
  const int expected[] = {0, 0, 0, 1, 1};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(GetDibPixel(out, x, 0), expected[x]) << x;
}

// With FastRemap a colour missing from the palette takes the entry nearest to its cell's
// low corner: (200, 30, 30) lies in cell (12, 1, 1), corner (192, 16, 16).
TEST(Reduce, FastRemapTakesTheCellCornersNearestColour) {
  RgbPalette palette{};
  palette.entries[1] = {200, 32, 32};
  palette.entries[2] = {190, 14, 14};
  Image image(FlatImage(1, 1, 200, 30, 30));
  for (int fast : {1, 0}) {
    Image remapped(RemapToPalette(image, &palette, 8, 3, ColourSettings{fast, 20, 20}));
    Image dithered(DitherToPalette(image, &palette, 4, 3, ColourSettings{fast, 20, 20}));
    EXPECT_EQ(GetDibPixel(remapped, 0, 0), fast ? 2 : 1);
    EXPECT_EQ(GetDibPixel(dithered, 0, 0), fast ? 2 : 1);
  }
}

TEST(Dither, RefusesOneBitSourcesAndBadArguments) {
  RgbPalette palette;
  BuildPalette(&palette, nullptr, 6);
  Image mono(CreateDibImage(4, 4, &palette, 1));
  EXPECT_EQ(DitherToPalette(mono, &palette, 8, 256, ColourSettings{}), nullptr);
  Image image(FlatImage(4, 4, 1, 2, 3));
  for (int bits : {0, 9, 24}) {
    EXPECT_EQ(DitherToPalette(image, &palette, bits, 256, ColourSettings{}), nullptr) << bits;
    EXPECT_EQ(RemapToPalette(image, &palette, bits, 256, ColourSettings{}), nullptr) << bits;
  }
  EXPECT_EQ(DitherToPalette(image, nullptr, 8, 256, ColourSettings{}), nullptr);
  EXPECT_EQ(RemapToPalette(nullptr, &palette, 8, 256, ColourSettings{}), nullptr);
}

// min = max = T: grey 100 reads as 118 > T, so every pixel is white and the errors only
// raise the greys further.
TEST(Dither, UniformGreyComesOutWhite) {
  RgbPalette palette;
  BuildPalette(&palette, nullptr, 0);
  Image image(FlatImage(37, 23, 100, 100, 100));
  Image out(DitherToPalette(image, &palette, 1, 2, ColourSettings{}));
  ASSERT_NE(out.handle, nullptr);
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 37; ++x) ASSERT_EQ(GetDibPixel(out, x, y), 1) << x << "," << y;
}

TEST(Dither, BrightnessContrastTableAndItsSteepestForm) {
  uint8_t table[256], steepest[256], beyond[256];
  BuildBrightnessContrastTable(table, 20, 20);
  EXPECT_EQ(table[1], 1);
  EXPECT_EQ(table[100], 118);
  EXPECT_EQ(table[214], 253);
  EXPECT_EQ(table[215], 254);
  // A contrast of 128 or more would divide by zero or less; it acts as 127.
  BuildBrightnessContrastTable(steepest, 20, 127);
  EXPECT_EQ(steepest[1], 21);  // 20 - 127 + 128
  EXPECT_EQ(steepest[3], 254);
  for (int32_t contrast : {128, 200, INT32_MAX}) {
    BuildBrightnessContrastTable(beyond, 20, contrast);
    EXPECT_EQ(0, std::memcmp(steepest, beyond, 256)) << contrast;
  }
  RgbPalette palette;
  BuildPalette(&palette, nullptr, 0);
  std::mt19937 random(3);
  Image image(colour_test::RandomTrueColourImage(random, 20, 9, palette, 0));
  Image a(DitherToPalette(image, &palette, 1, 2, ColourSettings{1, 20, 127}));
  Image b(DitherToPalette(image, &palette, 1, 2, ColourSettings{1, 20, 128}));
  ASSERT_NE(b.handle, nullptr);
  EXPECT_EQ(Bytes(a), Bytes(b));
}

// Every source depth, palette size, FastRemap setting and output depth, at widths from
// 1 to 700, byte for byte against the plain version.
TEST(Reduce, MatchesTheReferenceOnRandomImages) {
  std::mt19937 random(1);
  const int widths[] = {1, 2, 3, 7, 8, 9, 31, 33, 699, 700};
  int widthPick = 0;
  for (int sourceBits : {1, 4, 8, 24}) {
    for (int n : {2, 16, 200, 255, 256}) {
      for (int fast : {1, 0}) {
        for (int bits : {1, 4, 8, 2 + static_cast<int>(random() % 5)}) {
          const int32_t width = widthPick < 10 ? widths[widthPick] : 1 + random() % 700;
          widthPick = (widthPick + 1) % 14;
          const int32_t height = 1 + random() % (2400 / width + 1);
          RgbPalette palette = colour_test::RandomPalette(random, n);
          Image image(sourceBits == 24 ? colour_test::RandomTrueColourImage(random, width, height, palette, n)
                                       : colour_test::RandomIndexedImage(random, width, height, sourceBits));
          const std::vector<uint8_t> before = Bytes(image);
          ColourSettings settings{fast, static_cast<int32_t>(random() % 60) - 10, static_cast<int32_t>(random() % 60)};
          SCOPED_TRACE(::testing::Message() << "source " << sourceBits << " n " << n << " fast " << fast
                                            << " bits " << bits << " size " << width << "x" << height);
          Image remapped(RemapToPalette(image, &palette, bits, n, settings));
          Image remappedRef(reference::RemapToPalette(image, &palette, bits, n, settings));
          ASSERT_NE(remapped.handle, nullptr);
          ASSERT_EQ(Bytes(remapped), Bytes(remappedRef));
          Image dithered(DitherToPalette(image, &palette, bits, n, settings));
          Image ditheredRef(reference::DitherToPalette(image, &palette, bits, n, settings));
          ASSERT_EQ(Bytes(dithered), Bytes(ditheredRef));
          ASSERT_EQ(dithered.handle == nullptr, sourceBits == 1);
          ASSERT_EQ(Bytes(image), before);
        }
      }
    }
  }
}

TEST(Reduce, FailuresReleaseEverythingAndKeepTheInput) {
  std::mt19937 random(9);
  RgbPalette palette = colour_test::RandomPalette(random, 256);
  Image image(colour_test::RandomTrueColourImage(random, 50, 20, palette, 256));
  const std::vector<uint8_t> before = Bytes(image);
  for (int bits : {1, 8}) {
    for (bool dither : {false, true}) {
      int allowed = 0;
      for (;; ++allowed) {
        platform::FailAllocationsAfter(allowed);
        DibImage result = dither ? DitherToPalette(image, &palette, bits, 256, ColourSettings{})
                                 : RemapToPalette(image, &palette, bits, 256, ColourSettings{});
        platform::FailAllocationsAfter(-1);
        if (result) {
          FreeDibImage(result);
          break;
        }
        ASSERT_LT(allowed, 5);
      }
      EXPECT_GT(allowed, 0);
      EXPECT_EQ(Bytes(image), before);
    }
  }
}

}  // namespace
