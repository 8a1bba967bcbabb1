#include "host/gif_file.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "host/picture_file.h"
#include "tests/host/delivery_support.h"
#include "tests/host/gif_decoder.h"

namespace {

RgbPalette TestPalette() {
  RgbPalette palette{};
  for (int i = 0; i < 256; ++i)
    palette.entries[i] = {static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 13)};
  return palette;
}

Delivery EmptyDelivery(int32_t width, int32_t height, int bits) {
  Delivery delivery;
  delivery.width = width;
  delivery.height = height;
  delivery.bits = bits;
  delivery.palette = TestPalette();
  delivery.finished = 1;
  return delivery;
}

// An 8-bit frame whose pixel (x, y) is fill(x, y).
template <typename Fill>
DibImage PalettedFrame(int32_t width, int32_t height, const RgbPalette& palette, Fill fill) {
  DibImage image = CreateDibImage(width, height, &palette, 8);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) SetDibPixel(image, x, y, fill(x, y));
  return image;
}

void AddFrame(Delivery* delivery, DibImage image, int32_t delay, int32_t key) {
  delivery->frames.push_back(DeliveredFrame(image, delay, key));
  FreeDibImage(image);
}

std::vector<uint8_t> WriteGif(const Delivery& delivery, int threads) {
  std::vector<uint8_t> bytes;
  std::string error;
  ByteSink sink = [&bytes](const uint8_t* data, size_t count) {
    bytes.insert(bytes.end(), data, data + count);
    return true;
  };
  EXPECT_TRUE(WriteGifAnimation(delivery, sink, &error, threads)) << error;
  return bytes;
}

// Written on one thread, and checked to be the same bytes when the frames are encoded
// on 2 and 7 threads (and the one-frame animation of a lone first frame).
DecodedGif WriteAndDecode(const Delivery& delivery) {
  std::vector<uint8_t> bytes = WriteGif(delivery, 1);
  EXPECT_TRUE(WriteGif(delivery, 2) == bytes);
  EXPECT_TRUE(WriteGif(delivery, 7) == bytes);
  Delivery first = delivery;
  first.frames.resize(1);
  EXPECT_TRUE(WriteGif(first, 2) == WriteGif(first, 1));
  std::string error;
  DecodedGif gif;
  EXPECT_TRUE(DecodeGif(bytes, &gif, &error)) << error;
  return gif;
}

void ExpectScreensMatch(const Delivery& delivery, const DecodedGif& gif) {
  std::vector<std::vector<RgbColour>> expected = ComposeDelivery(delivery);
  ASSERT_EQ(gif.frames.size(), expected.size());
  for (size_t f = 0; f < expected.size(); ++f)
    for (size_t p = 0; p < expected[f].size(); ++p)
      ASSERT_TRUE(SameColour(gif.frames[f].screen[p], expected[f][p])) << "frame " << f << " pixel " << p;
}

TEST(GifFileTest, SupercompressedFramesComposeToTheDeliveredPictures) {
  const int32_t key = 200;
  Delivery delivery = EmptyDelivery(20, 10, 8);
  delivery.hasComment = true;
  delivery.comment = "CREATED BY...\r\n\r\n" + std::string(300, 'x') + "\r\nend";
  RgbPalette palette = delivery.palette;
  AddFrame(&delivery, PalettedFrame(20, 10, palette, [](int x, int y) { return (x * 3 + y * 5) % 199; }), 7, -1);
  // Only a block of 4 x 3 pixels changes; the rest shows frame 0 through the key.
  AddFrame(&delivery,
           PalettedFrame(20, 10, palette, [](int x, int y) { return x >= 5 && x < 9 && y >= 2 && y < 5 ? 42 : key; }),
           3, key);
  AddFrame(&delivery, PalettedFrame(20, 10, palette, [](int, int) { return key; }), 250, key);

  DecodedGif gif = WriteAndDecode(delivery);
  EXPECT_EQ(gif.width, 20);
  EXPECT_EQ(gif.height, 10);
  EXPECT_EQ(gif.globalColours, 256);
  EXPECT_TRUE(gif.loops);
  ASSERT_EQ(gif.comments.size(), 1u);
  EXPECT_EQ(gif.comments[0], delivery.comment);
  ASSERT_EQ(gif.frames.size(), 3u);
  const int delays[] = {7, 3, 250}, transparent[] = {-1, key, key};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(gif.frames[i].delay, delays[i]);
    EXPECT_EQ(gif.frames[i].transparent, transparent[i]);
    EXPECT_EQ(gif.frames[i].disposal, DISPOSE_DO_NOT);
    EXPECT_FALSE(gif.frames[i].localTable);
  }
  // The changed block alone is stored.
  EXPECT_EQ(gif.frames[1].left, 5);
  EXPECT_EQ(gif.frames[1].top, 2);
  EXPECT_EQ(gif.frames[1].width, 4);
  EXPECT_EQ(gif.frames[1].height, 3);
  ExpectScreensMatch(delivery, gif);
}

TEST(GifFileTest, AFrameWhoseColoursDifferFromTheGlobalTableCarriesItsOwn) {
  Delivery delivery = EmptyDelivery(6, 4, 4);  // a global table of 16 colours
  RgbPalette palette = delivery.palette;
  AddFrame(&delivery, PalettedFrame(6, 4, palette, [](int x, int y) { return (x + y) % 16; }), 5, -1);
  RgbPalette changed = palette;
  changed.entries[3] = {1, 2, 3};
  AddFrame(&delivery, PalettedFrame(6, 4, changed, [](int x, int) { return x; }), 5, -1);
  AddFrame(&delivery, PalettedFrame(6, 4, palette, [](int, int y) { return 20 + y; }), 5, -1);  // past 16 colours

  DecodedGif gif = WriteAndDecode(delivery);
  ASSERT_EQ(gif.frames.size(), 3u);
  EXPECT_EQ(gif.globalColours, 16);
  EXPECT_FALSE(gif.frames[0].localTable);
  EXPECT_TRUE(gif.frames[1].localTable);
  EXPECT_TRUE(gif.frames[2].localTable);
  ExpectScreensMatch(delivery, gif);
}

TEST(GifFileTest, TrueColourFramesGetLocalTablesWhileTheyHoldAtMost256Colours) {
  Delivery delivery = EmptyDelivery(16, 16, 8);
  DibImage first = CreateDibImage(16, 16, nullptr, 24);
  DibImage second = CreateDibImage(16, 16, nullptr, 24);
  const int32_t key = PackColour(1, 2, 3);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      SetDibPixel(first, x, y, PackColour(x * 16, y * 16, 99));  // 256 colours
      SetDibPixel(second, x, y, x < 8 || (x == 10 && y == 5) ? key : PackColour(200, x, y));
    }
  AddFrame(&delivery, first, 4, -1);
  AddFrame(&delivery, second, 4, key);
  ASSERT_TRUE(GifCanHold(delivery));
  DecodedGif gif = WriteAndDecode(delivery);
  ASSERT_EQ(gif.frames.size(), 2u);
  EXPECT_TRUE(gif.frames[0].localTable);
  EXPECT_NE(gif.frames[1].transparent, NO_TRANSPARENT_COLOR);
  EXPECT_EQ(gif.frames[1].left, 8);
  ExpectScreensMatch(delivery, gif);

  DibImage many = CreateDibImage(20, 20, nullptr, 24);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) SetDibPixel(many, x, y, PackColour(x, y, 7));  // 400 colours
  AddFrame(&delivery, many, 4, -1);
  EXPECT_FALSE(GifCanHold(delivery));
}

TEST(GifFileTest, AGifReadAsAPictureKeepsItsPaletteAndIndexes) {
  Delivery delivery = EmptyDelivery(7, 5, 8);
  AddFrame(&delivery, PalettedFrame(7, 5, delivery.palette, [](int x, int y) { return x * 9 + y; }), 1, -1);
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(WriteGifAnimation(delivery, [&bytes](const uint8_t* data, size_t count) {
    bytes.insert(bytes.end(), data, data + count);
    return true;
  }, &error));
  DibImage picture = DecodePictureFile(bytes.data(), bytes.size(), &error);
  ASSERT_TRUE(picture) << error;
  int bits = 0;
  RgbPalette palette{};
  GetDibImageInfo(picture, nullptr, nullptr, &bits, &palette);
  EXPECT_EQ(bits, 8);
  EXPECT_TRUE(SameColour(palette.entries[100], delivery.palette.entries[100]));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(GetDibPixel(picture, x, y), x * 9 + y);
  FreeDibImage(picture);
}

TEST(GifFileTest, RefusesWhatAGifCannotDescribe) {
  Delivery delivery = EmptyDelivery(4, 4, 9);
  std::string error;
  ByteSink sink = [](const uint8_t*, size_t) { return true; };
  EXPECT_FALSE(WriteGifAnimation(delivery, sink, &error));
  delivery.bits = 8;
  delivery.width = 70000;
  EXPECT_FALSE(WriteGifAnimation(delivery, sink, &error));
  // A sink that refuses the bytes fails the writing.
  delivery = EmptyDelivery(4, 4, 8);
  AddFrame(&delivery, PalettedFrame(4, 4, delivery.palette, [](int, int) { return 1; }), 1, -1);
  ByteSink full = [](const uint8_t*, size_t) { return false; };
  EXPECT_FALSE(WriteGifAnimation(delivery, full, &error));
}

}  // namespace

// The visible region of an 8-bit frame, against a pixel-by-pixel search, for widths
// around the eight-pixel steps and for visible pixels at every distance from the ends.
TEST(GifFileTest, TheVisibleRegionOfAnIndexedFrameIsItsBoundingBox) {
  for (int32_t width : {1, 7, 8, 9, 16, 17, 33}) {
    for (int32_t at = -1; at < width; ++at) {
      const int32_t height = 3;
      FramePicture picture;
      picture.width = width;
      picture.height = height;
      picture.bits = 8;
      picture.stride = static_cast<uint32_t>((width + 3) & ~3);
      std::vector<uint8_t> pixels(picture.stride * height, 9);  // 9 is the key
      // One visible pixel at `at` in the middle row, and one further right when there is room.
      if (at >= 0) pixels[picture.stride + at] = 4;
      if (at >= 0 && at + 5 < width) pixels[picture.stride + at + 5] = 200;
      picture.pixels = pixels.data();
      FrameRegion region = VisibleRegion(picture, 9);
      if (at < 0) {
        EXPECT_EQ(region.width, 1) << width;  // nothing visible: a single pixel
        EXPECT_EQ(region.height, 1) << width;
        continue;
      }
      EXPECT_EQ(region.left, at) << width;
      EXPECT_EQ(region.width, at + 5 < width ? 6 : 1) << width << " " << at;
      EXPECT_EQ(region.top, 1);
      EXPECT_EQ(region.height, 1);
      // A key no index can hold leaves the whole frame visible.
      FrameRegion all = VisibleRegion(picture, -1);
      EXPECT_EQ(all.width, width);
      EXPECT_EQ(all.height, height);
    }
  }
}
