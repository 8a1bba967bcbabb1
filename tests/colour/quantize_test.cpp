#include "framework/quantize.h"

#include <gtest/gtest.h>

#include "tests/colour/colour_reference.h"
#include "tests/colour/colour_test_support.h"

namespace {

using colour_test::Image;

// Owns a frame list for the span of a test.
struct Frames {
  FrameList list;
  ~Frames() { FreeFrameList(&list); }
  void Add(DibImage image) { ASSERT_EQ(AppendFrame(&list, image, 10), 1); }
};

// Sets the pixels of a 24-bit image in stored order (bottom row first, left to right).
void FillStored(DibImage image, const std::vector<RgbColour>& colours) {
  int32_t width = 0, height = 0;
  GetDibImageInfo(image, &width, &height, nullptr, nullptr);
  for (size_t i = 0; i < colours.size(); ++i) {
    int32_t x = static_cast<int32_t>(i % width), y = height - 1 - static_cast<int32_t>(i / width);
    SetDibPixel(image, x, y, PackColour(colours[i].red, colours[i].green, colours[i].blue));
  }
}

std::vector<RgbColour> DistinctColours(int count, uint32_t seed) {
  std::vector<RgbColour> colours;
  for (int i = 0; i < count; ++i)
    colours.push_back({uint8_t(i * 37 + seed), uint8_t(i), uint8_t(i * 11 ^ seed)});
  return colours;
}

void ExpectPalette(const RgbPalette& palette, int count, const std::vector<RgbColour>& expected) {
  ASSERT_EQ(count, static_cast<int>(expected.size()));
  for (int i = 0; i < 256; ++i) {
    RgbColour want = i < count ? expected[i] : RgbColour{0, 0, 0};
    const RgbColour& got = palette.entries[i];
    ASSERT_TRUE(got.red == want.red && got.green == want.green && got.blue == want.blue) << "entry " << i;
  }
}

TEST(Quantize, FewColoursGiveTheExactListInOrderOfFirstAppearance) {
  std::vector<RgbColour> colours = DistinctColours(40, 3);
  std::vector<RgbColour> first(colours.begin(), colours.begin() + 20), second(colours.begin() + 20, colours.end());
  first.insert(first.end(), {colours[0], colours[1], colours[2], colours[3]});
  second.insert(second.end(), {colours[5], colours[30], colours[8], colours[0]});
  Frames frames;
  for (auto* part : {&first, &second}) {
    DibImage frame = CreateDibImage(6, 4, nullptr, 24);
    FillStored(frame, *part);
    frames.Add(frame);
  }
  RgbPalette palette;
  int count = 256;
  ASSERT_EQ(QuantizeFrames(&count, &palette, &frames.list), 1);
  ExpectPalette(palette, count, colours);

  // One flat colour: a one-entry palette.
  Frames flat;
  DibImage frame = CreateDibImage(9, 5, nullptr, 24);
  FillStored(frame, std::vector<RgbColour>(45, RgbColour{12, 200, 7}));
  flat.Add(frame);
  count = 255;
  ASSERT_EQ(QuantizeFrames(&count, &palette, &flat.list), 1);
  ExpectPalette(palette, count, {{12, 200, 7}});
}

// m distinct colours stay exact only when the m-th new colour is the very last pixel:
// any pixel after a full list ends exact collection, even a colour already listed.
TEST(Quantize, TheColourLimitIsCheckedBeforeTheSearch) {
  for (int m : {256, 255, 2}) {
    std::vector<RgbColour> colours = DistinctColours(m, 9);
    Frames exact;
    DibImage frame = CreateDibImage(m, 1, nullptr, 24);
    FillStored(frame, colours);
    exact.Add(frame);
    RgbPalette palette;
    int count = m;
    ASSERT_EQ(QuantizeFrames(&count, &palette, &exact.list), 1);
    ExpectPalette(palette, count, colours);

    DibImage repeat = CreateDibImage(1, 1, nullptr, 24);
    FillStored(repeat, {colours[0]});
    exact.Add(repeat);
    count = m;
    ASSERT_EQ(QuantizeFrames(&count, &palette, &exact.list), 1);
    bool same = count == m;
    for (int i = 0; same && i < m; ++i) same = palette.entries[i].red == colours[i].red && palette.entries[i].blue == colours[i].blue;
    EXPECT_FALSE(same) << "the median cut must run for m " << m;
  }
}

// Means of 4-bit cells never exceed 240, so white is always missing; black is added only
// when no box averages to (0, 0, 0).
TEST(Quantize, MedianCutAddsWhiteThenBlackWhenThereIsRoom) {
  std::vector<RgbColour> colours;
  for (int i = 0; i < 300; ++i) colours.push_back({uint8_t(32 + i % 3), uint8_t(64 + (i / 3) % 16 * 16), uint8_t(i / 48)});
  Frames frames;
  DibImage frame = CreateDibImage(30, 10, nullptr, 24);
  FillStored(frame, colours);
  frames.Add(frame);
  RgbPalette palette;
  int count = 256;
  ASSERT_EQ(QuantizeFrames(&count, &palette, &frames.list), 1);
  ASSERT_EQ(count, 16 + 2);  // 16 used cells, then white and black
  for (int i = 0; i < 16; ++i) EXPECT_EQ(palette.entries[i].red, 32);
  EXPECT_TRUE(palette.entries[16].red == 255 && palette.entries[16].green == 255 && palette.entries[16].blue == 255);
  EXPECT_TRUE(palette.entries[17].red == 0 && palette.entries[17].green == 0 && palette.entries[17].blue == 0);

  colours[299] = {3, 4, 5};  // a cell of its own that averages to black
  FillStored(frame, colours);
  count = 256;
  ASSERT_EQ(QuantizeFrames(&count, &palette, &frames.list), 1);
  EXPECT_EQ(count, 17 + 1);  // white only
  EXPECT_EQ(palette.entries[17].red, 255);
}

// Random animations, from a handful of colours to thousands, against the plain version.
TEST(Quantize, MatchesTheReferenceOnRandomAnimations) {
  std::mt19937 random(11);
  for (int round = 0; round < 36; ++round) {
    const int m = std::vector<int>{1, 2, 16, 200, 255, 256}[round % 6];
    const int spread = std::vector<int>{3, 40, 300, 5000}[(round / 6) % 4];
    const int palettes = round % 4 == 0 ? m : 256;
    RgbPalette source = colour_test::RandomPalette(random, 256);
    // Some rounds crowd the colours into few cells on one channel.
    if (round % 3 == 1)
      for (auto& c : source.entries) c.blue = static_cast<uint8_t>(c.blue & 0x1F);
    Frames frames;
    const int frameCount = 1 + round % 3;
    for (int f = 0; f < frameCount; ++f) {
      int32_t width = 1 + random() % 60, height = 1 + random() % 40;
      DibImage frame = CreateDibImage(width, height, nullptr, 24);
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
          RgbColour c = source.entries[random() % palettes];
          if (static_cast<int>(random() % 5000) < spread) c.red = static_cast<uint8_t>(random());
          SetDibPixel(frame, x, y, PackColour(c.red, c.green, c.blue));
        }
      frames.Add(frame);
    }
    RgbPalette got, expected;
    int count = m, expectedCount = m;
    ASSERT_EQ(QuantizeFrames(&count, &got, &frames.list), 1);
    ASSERT_EQ(reference::QuantizeFrames(&expectedCount, &expected, &frames.list), 1);
    ASSERT_EQ(count, expectedCount) << "round " << round;
    ASSERT_EQ(0, std::memcmp(&got, &expected, sizeof got)) << "round " << round;
  }
}

// Counted on several threads, the rows are cut into parts that each list their own
// colours. Animations of few rows and about m colours put the m-th new colour, and the
// repeats after it, on every side of the cuts; the palette must not change.
TEST(Quantize, ThreadsGiveTheSamePaletteWhereverThePartsSplit) {
  std::mt19937 random(23);
  int exactRounds = 0, cutRounds = 0;
  for (int round = 0; round < 400; ++round) {
    const int m = 2 + static_cast<int>(random() % 7);
    const int distinct = m - 1 + static_cast<int>(random() % 3);  // m - 1, m or m + 1
    std::vector<RgbColour> colours = DistinctColours(distinct, static_cast<uint32_t>(round));
    Frames frames;
    const int frameCount = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < frameCount; ++f) {
      const int32_t width = 1 + static_cast<int32_t>(random() % 3), height = 1 + static_cast<int32_t>(random() % 4);
      std::vector<RgbColour> pixels;
      for (int32_t i = 0; i < width * height; ++i) {
        // Mostly colours met already, so that new ones arrive late and often last.
        const int limit = random() % 3 ? 1 + static_cast<int>(random() % distinct) : distinct;
        pixels.push_back(colours[random() % limit]);
      }
      DibImage frame = CreateDibImage(width, height, nullptr, 24);
      FillStored(frame, pixels);
      frames.Add(frame);
    }
    RgbPalette expected;
    int expectedCount = m;
    ASSERT_EQ(reference::QuantizeFrames(&expectedCount, &expected, &frames.list), 1);
    (expectedCount <= m && expected.entries[0].red == colours[0].red ? exactRounds : cutRounds)++;
    for (int threads : {1, 2, 3, 7}) {
      RgbPalette got;
      int count = m;
      ASSERT_EQ(QuantizeFrames(&count, &got, &frames.list, threads), 1);
      ASSERT_EQ(count, expectedCount) << "round " << round << ", " << threads << " threads";
      ASSERT_EQ(0, std::memcmp(&got, &expected, sizeof got)) << "round " << round << ", " << threads << " threads";
    }
  }
  EXPECT_GT(exactRounds, 50);  // both outcomes are well represented
  EXPECT_GT(cutRounds, 50);
}

TEST(Quantize, ThreadsGiveTheSamePaletteOnLargeAnimations) {
  std::mt19937 random(31);
  RgbPalette source = colour_test::RandomPalette(random, 256);
  for (int spread : {0, 5000}) {
    Frames frames;
    for (int f = 0; f < 9; ++f)
      frames.Add(colour_test::RandomTrueColourImage(random, 50 + f, 31, source, spread ? 256 : 200));
    RgbPalette expected;
    int expectedCount = 256;
    ASSERT_EQ(reference::QuantizeFrames(&expectedCount, &expected, &frames.list), 1);
    for (int threads : {2, 7}) {
      RgbPalette got;
      int count = 256;
      ASSERT_EQ(QuantizeFrames(&count, &got, &frames.list, threads), 1);
      ASSERT_EQ(count, expectedCount);
      ASSERT_EQ(0, std::memcmp(&got, &expected, sizeof got)) << threads << " threads";
    }
  }
}

TEST(Quantize, FailuresReportZeroAndReleaseTheWorkMemory) {
  Frames frames;
  std::mt19937 random(5);
  RgbPalette none{};
  frames.Add(colour_test::RandomTrueColourImage(random, 40, 30, none, 0));
  RgbPalette palette;
  int succeededAfter = -1;
  for (int allowed = 0; allowed < 10 && succeededAfter < 0; ++allowed) {
    int count = 200;
    platform::FailAllocationsAfter(allowed);
    int result = QuantizeFrames(&count, &palette, &frames.list);
    platform::FailAllocationsAfter(-1);
    if (result) succeededAfter = allowed;
    else EXPECT_EQ(count, 200);
  }
  EXPECT_GT(succeededAfter, 0);  // leaks on the failing paths show in the sanitizer build
  for (int allowed = 0; allowed < 12; ++allowed) {  // the same on seven threads
    int count = 200;
    platform::FailAllocationsAfter(allowed);
    int result = QuantizeFrames(&count, &palette, &frames.list, 7);
    platform::FailAllocationsAfter(-1);
    if (!result) {
      EXPECT_EQ(count, 200);
    }
  }

  int count = 0;
  EXPECT_EQ(QuantizeFrames(&count, &palette, &frames.list), 0);  // m out of range
  count = 257;
  EXPECT_EQ(QuantizeFrames(&count, &palette, &frames.list), 0);
  RgbPalette grey{};
  frames.Add(CreateDibImage(4, 4, &grey, 8));  // not a true-colour frame
  count = 256;
  EXPECT_EQ(QuantizeFrames(&count, &palette, &frames.list), 0);
}

TEST(Quantize, SortByLuminanceKeepsTheOrderOfEqualLuminances) {
  RgbPalette palette{};
  palette.entries[0] = {200, 200, 200};
  palette.entries[1] = {0, 100, 0};  // luminance 59
  palette.entries[2] = {10, 10, 10};
  palette.entries[3] = {0, 0, 0};
  palette.entries[4] = {197, 0, 0};  // luminance 59, after entry 1
  palette.entries[5] = {255, 255, 255};  // past the count: stays
  SortPaletteByLuminance(&palette, 5, 1);
  const int ascending[] = {0, 10, 0, 197, 200, 255};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(palette.entries[i].red, ascending[i]) << i;
  SortPaletteByLuminance(&palette, 5, 0);
  const int descending[] = {200, 0, 197, 10, 0, 255};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(palette.entries[i].red, descending[i]) << i;
}

}  // namespace
