#include "framework/dib_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/dib_view.h"
#include "framework/palette.h"

namespace {

// Owns an image for the span of a test.
struct Image {
  DibImage handle;
  explicit Image(DibImage h) : handle(h) {}
  ~Image() { FreeDibImage(handle); }
  operator DibImage() const { return handle; }
};

DibHeader HeaderOf(DibImage image) {
  platform::BlockLock lock(image);
  DibHeader header{};
  std::memcpy(&header, lock.data(), sizeof header);
  return header;
}

TEST(DibImage, DepthAndColourCountRules) {
  const int depths[][2] = {{1, 1}, {2, 4}, {3, 4}, {4, 4}, {5, 8}, {8, 8}, {0, 24}, {9, 24}, {16, 24}, {32, 24}};
  for (auto& d : depths) EXPECT_EQ(DepthForBits(d[0]), d[1]) << d[0];
  const int counts[][2] = {{0, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {16, 4}, {17, 5}, {64, 6}, {128, 7}, {129, 8}, {256, 8}};
  for (auto& c : counts) EXPECT_EQ(BitsForColourCount(c[0]), c[1]) << c[0];
}

TEST(DibImage, HeaderStrideAndColourTableFollowTheDepth) {
  struct Case {
    int bits, width, stride, tableEntries, depth;
  } cases[] = {{24, 3, 12, 0, 24}, {1, 3, 4, 2, 1}, {1, 33, 8, 2, 1},  {2, 3, 4, 16, 4},
               {3, 9, 8, 16, 4},   {8, 5, 8, 256, 8}, {16, 1, 4, 0, 24}, {32, 2, 8, 0, 24}};
  for (const Case& c : cases) {
    Image image(CreateDibImage(c.width, 7, nullptr, c.bits));
    ASSERT_NE(image.handle, nullptr);
    DibHeader h = HeaderOf(image);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, c.depth) << c.bits;
    EXPECT_EQ(h.biSizeImage, static_cast<uint32_t>(c.stride * 7)) << c.bits;
    EXPECT_EQ(h.biClrUsed, static_cast<uint32_t>(c.tableEntries));
    EXPECT_EQ(h.biClrImportant, static_cast<uint32_t>(c.tableEntries));
    EXPECT_EQ(platform::BlockSize(image), 40u + 4u * c.tableEntries + c.stride * 7u);
  }
}

TEST(DibImage, CreationCopiesOnlyTheTableEntriesOfTheDepth) {
  RgbPalette palette{};
  for (int i = 0; i < 256; ++i) palette.entries[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
  Image image(CreateDibImage(4, 4, &palette, 3));
  RgbPalette read;
  int bits = 0;
  ASSERT_EQ(GetDibImageInfo(image, nullptr, nullptr, &bits, &read), 1);
  EXPECT_EQ(bits, 4);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(read.entries[i].red, i);
    EXPECT_EQ(read.entries[i].green, 255 - i);
    EXPECT_EQ(read.entries[i].blue, i / 2);
  }
  EXPECT_EQ(read.entries[16].red, 0);  // past the table: zero
}

TEST(DibImage, BadSizesGiveNoImage) {
  EXPECT_EQ(CreateDibImage(0, 5, nullptr, 24), nullptr);
  EXPECT_EQ(CreateDibImage(5, 0, nullptr, 24), nullptr);
  EXPECT_EQ(CreateDibImage(-3, 5, nullptr, 8), nullptr);
  EXPECT_EQ(CreateDibImage(5, -1, nullptr, 1), nullptr);
  // 65536 x 65536 at 24 bits needs 12 GiB of rows: refused before any allocation.
  EXPECT_EQ(CreateDibImage(65536, 65536, nullptr, 24), nullptr);
  EXPECT_EQ(CreateDibImage(0x7FFFFFFF, 2, nullptr, 24), nullptr);
}

TEST(DibImage, PixelAccessAtTheEdgesOfEveryDepth) {
  for (int bits : {1, 4, 8, 24}) {
    Image image(CreateDibImage(9, 3, nullptr, bits));
    int32_t value = bits == 24 ? PackColour(10, 20, 30) : (bits == 1 ? 1 : (1 << bits) - 1);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(GetDibPixel(image, x, y), 0);
    SetDibPixel(image, 8, 0, value);  // top-right: last stored row
    SetDibPixel(image, 0, 2, value);  // bottom-left: first stored row
    EXPECT_EQ(GetDibPixel(image, 8, 0), value) << bits;
    EXPECT_EQ(GetDibPixel(image, 0, 2), value) << bits;
    EXPECT_EQ(GetDibPixel(image, 7, 0), 0) << bits;  // neighbour untouched
    EXPECT_EQ(GetDibPixel(image, 1, 2), 0) << bits;
    // Outside: reads -1, writes ignored.
    EXPECT_EQ(GetDibPixel(image, 9, 0), -1);
    EXPECT_EQ(GetDibPixel(image, 0, -1), -1);
    EXPECT_EQ(GetDibPixel(image, -1, 0), -1);
    EXPECT_EQ(GetDibPixel(image, 0, 3), -1);
    SetDibPixel(image, 9, 0, value);
    SetDibPixel(image, 0, -1, value);
    SetDibPixel(image, 1, 0, -1);  // -1 is never stored
    EXPECT_EQ(GetDibPixel(image, 1, 0), 0);
  }
}

TEST(DibImage, StoredLayoutIsBottomUpWithHighBitsLeftmost) {
  Image mono(CreateDibImage(10, 2, nullptr, 1));
  SetDibPixel(mono, 0, 1, 5);  // any non-zero value sets the bit
  SetDibPixel(mono, 9, 0, 1);
  Image nibbles(CreateDibImage(3, 1, nullptr, 4));
  SetDibPixel(nibbles, 0, 0, 0x1A);  // only the low four bits are kept
  SetDibPixel(nibbles, 1, 0, 0x03);
  Image colour(CreateDibImage(1, 1, nullptr, 24));
  SetDibPixel(colour, 0, 0, PackColour(0x11, 0x22, 0x33));
  {
    DibView view(mono);
    EXPECT_EQ(view.storedRow(0)[0], 0x80);  // y = 1 is the first stored row
    EXPECT_EQ(view.storedRow(1)[1], 0x40);
  }
  {
    DibView view(nibbles);
    EXPECT_EQ(view.storedRow(0)[0], 0xA3);
  }
  {
    DibView view(colour);
    EXPECT_EQ(view.storedRow(0)[0], 0x33);  // blue, green, red
    EXPECT_EQ(view.storedRow(0)[2], 0x11);
  }
}

TEST(DibImage, HeadersThatLieAboutTheirSizeAreNotRead) {
  Image image(CreateDibImage(4, 4, nullptr, 24));
  {
    platform::BlockLock lock(image);
    static_cast<DibHeader*>(lock.data())->biHeight = 4000;  // rows past the block
  }
  EXPECT_EQ(GetDibPixel(image, 0, 0), -1);
  EXPECT_EQ(GetDibImageInfo(image, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ConvertToTrueColour(image), nullptr);
  EXPECT_EQ(FindUnusedImageColour(image, 0), -1);
  {
    platform::BlockLock lock(image);
    auto* h = static_cast<DibHeader*>(lock.data());
    h->biHeight = 4;
    h->biSize = 100000;  // header larger than the block
  }
  EXPECT_EQ(GetDibPixel(image, 0, 0), -1);
  SetDibPixel(image, 0, 0, 1);
  EXPECT_EQ(DuplicateDibImage(nullptr), nullptr);
}

TEST(DibImage, ConversionToTrueColourUsesTheColourTable) {
  RgbPalette palette{};
  palette.entries[0] = {1, 2, 3};
  palette.entries[1] = {200, 100, 50};
  palette.entries[15] = {9, 8, 7};
  palette.entries[255] = {255, 0, 255};
  struct Case {
    int bits;
    int32_t index;
  } cases[] = {{1, 1}, {4, 15}, {8, 255}};
  for (const Case& c : cases) {
    Image source(CreateDibImage(5, 2, &palette, c.bits));
    SetDibPixel(source, 4, 1, c.index);
    Image converted(ConvertToTrueColour(source));
    ASSERT_NE(converted.handle, nullptr);
    int bits = 0;
    GetDibImageInfo(converted, nullptr, nullptr, &bits, nullptr);
    EXPECT_EQ(bits, 24);
    const RgbColour& e = palette.entries[c.index];
    EXPECT_EQ(GetDibPixel(converted, 4, 1), PackColour(e.red, e.green, e.blue)) << c.bits;
    EXPECT_EQ(GetDibPixel(converted, 0, 0), PackColour(1, 2, 3)) << c.bits;
  }
  Image colour(CreateDibImage(2, 2, nullptr, 24));
  SetDibPixel(colour, 1, 0, 0x123456);
  Image same(ConvertToTrueColour(colour));
  EXPECT_EQ(GetDibPixel(same, 1, 0), 0x123456);
}

TEST(DibImage, PlaceOnCanvasFillsTheMarginsAndCutsTheOverhang) {
  Image picture(CreateDibImage(5, 3, nullptr, 24));
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) SetDibPixel(picture, x, y, PackColour(x, y, 200));
  const int32_t fill = PackColour(51, 0, 204);
  Image canvas(PlaceOnCanvas(picture, fill, 10, 10, 2, 3));
  ASSERT_NE(canvas.handle, nullptr);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      bool inside = x >= 2 && x <= 6 && y >= 3 && y <= 5;
      EXPECT_EQ(GetDibPixel(canvas, x, y), inside ? PackColour(x - 2, y - 3, 200) : fill) << x << "," << y;
    }
  // A picture larger than its canvas: only the overlapping part is copied.
  Image small(PlaceOnCanvas(picture, fill, 3, 2, 1, 0));
  EXPECT_EQ(GetDibPixel(small, 0, 0), fill);
  EXPECT_EQ(GetDibPixel(small, 1, 0), PackColour(0, 0, 200));
  EXPECT_EQ(GetDibPixel(small, 2, 1), PackColour(1, 1, 200));
}

TEST(DibImage, PlaceOnCanvasKeepsDepthAndPalette) {
  RgbPalette palette{};
  BuildPalette(&palette, nullptr, 1);
  Image picture(CreateDibImage(2, 2, &palette, 4));
  SetDibPixel(picture, 1, 1, 9);
  Image canvas(PlaceOnCanvas(picture, 3, 4, 4, 1, 1));
  int bits = 0;
  RgbPalette read;
  GetDibImageInfo(canvas, nullptr, nullptr, &bits, &read);
  EXPECT_EQ(bits, 4);
  EXPECT_EQ(std::memcmp(&read.entries[0], &palette.entries[0], 16 * 3), 0);
  EXPECT_EQ(GetDibPixel(canvas, 0, 0), 3);
  EXPECT_EQ(GetDibPixel(canvas, 2, 2), 9);
}

TEST(DibImage, DuplicateIsAnIndependentCopy) {
  Image image(CreateDibImage(3, 3, nullptr, 8));
  SetDibPixel(image, 1, 1, 77);
  Image copy(DuplicateDibImage(image));
  ASSERT_NE(copy.handle, nullptr);
  EXPECT_EQ(platform::BlockSize(copy), platform::BlockSize(image));
  SetDibPixel(image, 1, 1, 5);
  EXPECT_EQ(GetDibPixel(copy, 1, 1), 77);
}

// A picture made to be filled has the header, colour table and row padding of a cleared
// one even where its memory held other bytes before.
TEST(DibImage, APictureToFillHasACleanHeaderTableAndPadding) {
  RgbPalette palette{};
  for (int i = 0; i < 256; ++i) palette.entries[i] = {static_cast<uint8_t>(i), 9, static_cast<uint8_t>(255 - i)};
  for (auto [width, bits] : {std::pair<int32_t, int>{5, 24}, {7, 8}, {13, 4}, {9, 1}, {4, 24}}) {
    const int32_t height = 6;
    Image cleared(CreateDibImage(width, height, &palette, bits));
    const size_t size = platform::BlockSize(cleared);
    {
      // Leave other bytes in memory of this size, for the next block to find.
      DibImage dirty = platform::AllocateBlockToFill(size);
      std::memset(platform::LockBlock(dirty), 0xAB, size);
      platform::UnlockBlock(dirty);
      platform::FreeBlock(dirty);
    }
    Image filled(CreateDibImageToFill(width, height, &palette, bits));
    ASSERT_NE(filled.handle, nullptr);
    ASSERT_EQ(platform::BlockSize(filled), size);
    DibView a(cleared), b(filled);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(std::memcmp(a.header(), b.header(), a.pixels() - reinterpret_cast<uint8_t*>(a.header())), 0)
        << width << " x " << bits;
    const size_t used = (static_cast<size_t>(width) * a.bits() + 7) / 8;
    for (int32_t row = 0; row < height; ++row)
      for (size_t i = used; i < a.stride(); ++i) ASSERT_EQ(b.storedRow(row)[i], 0) << width << " x " << bits;
  }
}

TEST(DibImage, CopyRectSkipsPointsOutsideTheSource) {
  Image from(CreateDibImage(2, 2, nullptr, 24));
  Image to(CreateDibImage(4, 4, nullptr, 24));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) SetDibPixel(to, x, y, 0x0000FF);
  SetDibPixel(from, 1, 1, 0x00FF00);
  EXPECT_EQ(CopyDibRect(to, 1, 1, from, 0, 0, 3, 3), 1);
  EXPECT_EQ(GetDibPixel(to, 2, 2), 0x00FF00);
  EXPECT_EQ(GetDibPixel(to, 1, 1), 0);
  EXPECT_EQ(GetDibPixel(to, 3, 3), 0x0000FF);  // source (2, 2) is outside: skipped
}

TEST(DibImage, UnusedImageColourOfTrueColourImages) {
  Image image(CreateDibImage(2, 1, nullptr, 24));
  EXPECT_EQ(FindUnusedImageColour(image, 0), 1);  // black present, (1, 0, 0) absent
  SetDibPixel(image, 0, 0, 1);
  SetDibPixel(image, 1, 0, 2);
  EXPECT_EQ(FindUnusedImageColour(image, 0), 0);  // no black
}

TEST(DibImage, UnusedImageColourAfterAHundredThousandColours) {
  // Colours 0 to 99,999 in a 400 x 250 picture: the answer is 100,000, found in one pass.
  Image image(CreateDibImage(400, 250, nullptr, 24));
  for (int32_t v = 0; v < 100000; ++v) SetDibPixel(image, v % 400, v / 400, v);
  EXPECT_EQ(FindUnusedImageColour(image, 0), 100000);
  SetDibPixel(image, 7, 0, 99999);  // colour 7 now missing
  EXPECT_EQ(FindUnusedImageColour(image, 0), 7);
}

TEST(DibImage, UnusedImageColourOfPalettedImagesLooksAtTheFirstEntries) {
  RgbPalette palette{};
  BuildPalette(&palette, nullptr, 0);  // black, white
  Image image(CreateDibImage(1, 1, &palette, 1));
  EXPECT_EQ(FindUnusedImageColour(image, 0), 0);
  EXPECT_EQ(FindUnusedImageColour(image, 2), 1);
  EXPECT_EQ(FindUnusedImageColour(image, 1000), 1);  // no more entries than the table has
}

TEST(DibImage, UnusedPaletteColour) {
  RgbPalette palette{};
  BuildPalette(&palette, nullptr, 0);
  EXPECT_EQ(FindUnusedPaletteColour(&palette, 2), 1);
  EXPECT_EQ(FindUnusedPaletteColour(&palette, 0), 0);
  for (int i = 0; i < 256; ++i) palette.entries[i] = {uint8_t(i), 0, 0};
  EXPECT_EQ(FindUnusedPaletteColour(&palette, 256), 256);  // (0, 1, 0)
}

TEST(DibImage, PreviewLayout) {
  // 400 x 100 in an area 200 wide and 100 high: reduced by 2, centred vertically.
  PreviewLayout a = ComputePreviewLayout(400, 100, 200, 100);
  EXPECT_EQ(a.factor, 2);
  EXPECT_EQ(a.width, 200);
  EXPECT_EQ(a.height, 50);
  EXPECT_EQ(a.left, 0);
  EXPECT_EQ(a.top, 25);
  // Smaller than the area in both directions: own size, centred, halves truncated.
  PreviewLayout b = ComputePreviewLayout(31, 10, 100, 94);
  EXPECT_EQ(b.factor, 1);
  EXPECT_EQ(b.width, 31);
  EXPECT_EQ(b.left, 34);
  EXPECT_EQ(b.top, 42);
  // Equal to the area in one direction counts as not fitting: factor 1 by rounding up.
  PreviewLayout c = ComputePreviewLayout(100, 50, 100, 94);
  EXPECT_EQ(c.factor, 1);
  EXPECT_EQ(c.width, 100);
  PreviewLayout d = ComputePreviewLayout(301, 90, 100, 94);
  EXPECT_EQ(d.factor, 4);
  EXPECT_EQ(d.width, 75);
  EXPECT_EQ(d.height, 22);
  // A degenerate area draws nothing rather than dividing by zero.
  PreviewLayout e = ComputePreviewLayout(50, 50, 0, 10);
  EXPECT_EQ(e.width, 0);
}

}  // namespace
