#include "host/picture_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "framework/dib_view.h"
#include "host/png_file.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "samples/bmp_file.h"
#include "samples/scenes.h"
#include "tests/host/delivery_support.h"
#include "tests/host/picture_samples.h"

namespace {

std::vector<unsigned char> FileBytes(DibImage image) {
  // A name of its own, so that test programs running side by side never share the file.
  std::string path = platform::UniqueTemporaryFile(platform::TemporaryDirectory(), "kpt");
  EXPECT_FALSE(path.empty());
  EXPECT_TRUE(WriteBmpFile(path.c_str(), image));
  std::vector<unsigned char> bytes;
  std::string error;
  EXPECT_TRUE(ReadWholeFile(path, 1 << 24, &bytes, &error)) << error;
  std::remove(path.c_str());
  return bytes;
}

void ExpectSamePixels(DibImage a, DibImage b) {
  int32_t w1, h1, w2, h2;
  ASSERT_TRUE(GetDibImageInfo(a, &w1, &h1, nullptr, nullptr));
  ASSERT_TRUE(GetDibImageInfo(b, &w2, &h2, nullptr, nullptr));
  ASSERT_EQ(w1, w2);
  ASSERT_EQ(h1, h2);
  for (int32_t y = 0; y < h1; ++y)
    for (int32_t x = 0; x < w1; ++x) ASSERT_EQ(GetDibPixel(a, x, y), GetDibPixel(b, x, y)) << x << "," << y;
}

DibImage Decode(const std::vector<unsigned char>& bytes, std::string* error) {
  return DecodePictureFile(bytes.data(), bytes.size(), error);
}

TEST(PictureFileTest, TrueColourBmpComesBackPixelForPixel) {
  DibImage scene = RenderScene(37, 23, 5);
  std::string error;
  DibImage loaded = Decode(FileBytes(scene), &error);
  ASSERT_TRUE(loaded) << error;
  int bits = 0;
  GetDibImageInfo(loaded, nullptr, nullptr, &bits, nullptr);
  EXPECT_EQ(bits, 24);
  ExpectSamePixels(scene, loaded);
  FreeDibImage(scene);
  FreeDibImage(loaded);
}

TEST(PictureFileTest, PalettedBmpKeepsItsPaletteAndIndexes) {
  RgbPalette palette{};
  for (int i = 0; i < 256; ++i) palette.entries[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i / 2), 77};
  DibImage indexed = CreateDibImage(9, 5, &palette, 8);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) SetDibPixel(indexed, x, y, (x * 31 + y * 7) % 256);
  std::string error;
  DibImage loaded = Decode(FileBytes(indexed), &error);
  ASSERT_TRUE(loaded) << error;
  int bits = 0;
  RgbPalette read{};
  GetDibImageInfo(loaded, nullptr, nullptr, &bits, &read);
  EXPECT_EQ(bits, 8);
  EXPECT_EQ(std::memcmp(&read, &palette, sizeof palette), 0);
  ExpectSamePixels(indexed, loaded);
  FreeDibImage(indexed);
  FreeDibImage(loaded);
}

// The picture as a PNG animation of `frames` frames, written by the host.
std::vector<unsigned char> PngBytes(DibImage scene, int frames) {
  Delivery delivery;
  GetDibImageInfo(scene, &delivery.width, &delivery.height, nullptr, nullptr);
  for (int i = 0; i < frames; ++i) delivery.frames.push_back(DeliveredFrame(scene, 5, i ? PackColour(1, 2, 3) : -1));
  std::vector<unsigned char> png;
  std::string error;
  ByteSink sink = [&png](const uint8_t* data, size_t count) {
    png.insert(png.end(), data, data + count);
    return true;
  };
  EXPECT_TRUE(WriteApngAnimation(delivery, sink, &error)) << error;
  return png;
}

TEST(PictureFileTest, APngWrittenByTheHostReadsBackAsItsFirstFrame) {
  DibImage scene = RenderScene(21, 14, 9);
  std::vector<unsigned char> png = PngBytes(scene, 2);
  std::string error;
  std::string text(png.begin(), png.end());
  size_t controls = 0;
  for (size_t at = text.find("fcTL"); at != std::string::npos; at = text.find("fcTL", at + 1)) ++controls;
  EXPECT_EQ(controls, 2u);
  DibImage loaded = Decode(png, &error);
  ASSERT_TRUE(loaded) << error;
  ExpectSamePixels(scene, loaded);
  FreeDibImage(scene);
  FreeDibImage(loaded);
}

// A BMP header (file and info header) for a 24-bit picture of the given size, with
// `pixelBytes` bytes of pixels after it.
std::vector<unsigned char> BmpHeader(int32_t width, int32_t height, size_t pixelBytes) {
  std::vector<unsigned char> bytes(54 + pixelBytes, 0x55);
  auto put32 = [&bytes](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(6, 0);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[27] = 0;
  bytes[28] = 24;
  bytes[29] = 0;
  for (size_t i = 30; i < 54; ++i) bytes[i] = 0;
  return bytes;
}

TEST(PictureFileTest, HostileFilesAreRefusedWithinTheMemoryCap) {
  const unsigned char png[] = {137, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                               0,   0,   0x4E, 0x20, 0,  0,  0x4E, 0x20, 8, 2, 0, 0, 0, 0, 0, 0, 0};
  const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0xF7, 0, 0, 0x2C};
  const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 1, 2, 3};
  std::vector<std::vector<unsigned char>> hostile = {
      {},
      {'B', 'M'},
      std::vector<unsigned char>(1000, 0xAB),
      BmpHeader(100000, 100000, 16),    // larger than the side limit
      BmpHeader(16000, 16000, 16),      // within the sides, but 768 MB of pixels
      BmpHeader(-5, 10, 16),
      std::vector<unsigned char>(png, png + sizeof png),  // 20000 x 20000
      std::vector<unsigned char>(gif, gif + sizeof gif),  // 65535 x 65535, cut short
      std::vector<unsigned char>(jpeg, jpeg + sizeof jpeg),
  };
  ResetDecoderPeakMemory();
  for (size_t i = 0; i < hostile.size(); ++i) {
    std::string error;
    DibImage image = Decode(hostile[i], &error);
    EXPECT_EQ(image, nullptr) << "file " << i;
    EXPECT_FALSE(error.empty()) << "file " << i;
    FreeDibImage(image);
  }
  EXPECT_LE(DecoderPeakMemory(), kDecoderMemoryCap);

  // A truncated picture never reads past its bytes, whatever it decodes to.
  DibImage scene = RenderScene(64, 64, 3);
  std::vector<unsigned char> bytes = FileBytes(scene);
  for (size_t cut : {size_t{20}, size_t{54}, size_t{60}, bytes.size() / 2}) {
    std::vector<unsigned char> part(bytes.begin(), bytes.begin() + cut);
    std::string error;
    FreeDibImage(Decode(part, &error));
  }
  FreeDibImage(scene);
}

TEST(PictureFileTest, TheDecoderNeverHoldsMoreThanItsCap) {
  DibImage scene = RenderScene(300, 200, 4);
  std::vector<unsigned char> bytes = PngBytes(scene, 1);
  std::string error;
  // Less than the decoder works in: inflating keeps a 32 KiB window (and a decoder that
  // holds all 180 000 bytes of decoded pixels needs more still).
  SetDecoderMemoryCap(16 * 1024);
  ResetDecoderPeakMemory();
  DibImage refused = Decode(bytes, &error);
  size_t peak = DecoderPeakMemory();
  SetDecoderMemoryCap(0);
  EXPECT_EQ(refused, nullptr);
  EXPECT_NE(error.find("memory"), std::string::npos) << error;
  EXPECT_LE(peak, 16u * 1024u);
  DibImage loaded = Decode(bytes, &error);
  EXPECT_NE(loaded, nullptr) << error;
  FreeDibImage(refused);
  FreeDibImage(loaded);
  FreeDibImage(scene);
}

// Uncompressed 24-bit BMPs are copied rather than decoded: rows in either order, with
// padding bytes in the file that must not reach the picture, and a colour table or a
// larger header before the pixels.
TEST(PictureFileTest, PlainBmpRowsArriveInOrderWithCleanPadding) {
  const int32_t width = 5, height = 3;
  const size_t stride = DibStride(width, 24);
  auto colour = [](int32_t x, int32_t y) { return PackColour(40 * x + 1, 60 * y + 2, 7 * x + 11 * y); };
  for (int32_t signedHeight : {height, -height})
    for (uint32_t headerSize : {40u, 124u})
      for (uint32_t tableBytes : {0u, 8u}) {
        std::vector<unsigned char> bytes = BmpHeader(width, signedHeight, 0);
        bytes.resize(14 + headerSize + tableBytes, 0);
        bytes[14] = static_cast<unsigned char>(headerSize);
        bytes[10] = static_cast<unsigned char>(bytes.size());
        for (int32_t stored = 0; stored < height; ++stored) {
          int32_t y = signedHeight > 0 ? height - 1 - stored : stored;
          for (int32_t x = 0; x < width; ++x) {
            int32_t c = colour(x, y);
            bytes.push_back(static_cast<unsigned char>(c >> 16));  // blue
            bytes.push_back(static_cast<unsigned char>(c >> 8));
            bytes.push_back(static_cast<unsigned char>(c));
          }
          bytes.insert(bytes.end(), stride - 3 * width, 0xEE);
        }
        std::string error;
        DibImage loaded = Decode(bytes, &error);
        ASSERT_TRUE(loaded) << error << " height " << signedHeight << " header " << headerSize;
        for (int32_t y = 0; y < height; ++y)
          for (int32_t x = 0; x < width; ++x) EXPECT_EQ(GetDibPixel(loaded, x, y), colour(x, y)) << x << "," << y;
        {
          DibView view(loaded);
          ASSERT_TRUE(view.ok());
          for (int32_t y = 0; y < height; ++y)
            for (size_t i = 3 * width; i < stride; ++i) EXPECT_EQ(view.pictureRow(y)[i], 0) << "padding of row " << y;
        }
        FreeDibImage(loaded);
      }
}

// A paletted file some of whose pixels are not opaque colours of its table (a transparent
// index, a frame smaller than the screen) arrives in true colour, those pixels over
// white; the paletted picture first tried is given up without touching it afterwards.
TEST(PictureFileTest, APalettedFileWithPixelsOutsideItsTableArrivesInTrueColour) {
  const std::vector<RgbColour> table = {{200, 10, 20}, {30, 180, 40}, {50, 60, 170}, {90, 90, 90}};
  GifSample transparent{3, 2, table, {}};
  GifSampleFrame whole;
  whole.width = 3;
  whole.height = 2;
  whole.indexes = {0, 1, 2, 3, 2, 1};
  whole.transparent = 3;
  transparent.frames.push_back(whole);
  GifSample uncovered{3, 2, table, {}};
  GifSampleFrame part;
  part.left = 1;
  part.width = 2;
  part.height = 1;
  part.indexes = {2, 0};
  uncovered.frames.push_back(part);
  const RgbColour white{255, 255, 255};
  const std::vector<std::vector<RgbColour>> shown = {
      {table[0], table[1], table[2], white, table[2], table[1]},
      {white, table[2], table[0], white, white, white},
  };
  const GifSample* samples[] = {&transparent, &uncovered};
  for (size_t i = 0; i < 2; ++i) {
    std::string error;
    DibImage loaded = Decode(GifBytes(*samples[i]), &error);
    ASSERT_TRUE(loaded) << "sample " << i << ": " << error;
    int bits = 0;
    GetDibImageInfo(loaded, nullptr, nullptr, &bits, nullptr);
    EXPECT_EQ(bits, 24) << "sample " << i;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const RgbColour& c = shown[i][y * 3 + x];
        EXPECT_EQ(GetDibPixel(loaded, x, y), PackColour(c.red, c.green, c.blue)) << "sample " << i << " " << x << "," << y;
      }
    FreeDibImage(loaded);
  }
}

// Pixels a file's table does not hold (a BMP's table shorter than its indexes need, a
// GIF index beyond its table) show black, so the picture is 24-bit; the colours the
// table holds are kept. A GIF cut short, or with an LZW code size beyond 8 bits, is
// refused as damaged.
TEST(PictureFileTest, IndexesBeyondTheTableShowBlackAndDamagedGifsAreRefused) {
  const std::vector<RgbColour> two = {{200, 100, 50}, {10, 220, 30}};
  const std::vector<uint8_t> indexes = {0, 1, 7, 1, 255, 0};
  GifSample gif{3, 2, {two[0], two[1]}, {}};
  GifSampleFrame frame;
  frame.width = 3;
  frame.height = 2;
  frame.indexes = indexes;
  gif.frames.push_back(frame);
  const std::vector<uint8_t> gifBytes = GifBytes(gif);
  const std::vector<std::vector<uint8_t>> files = {IndexedBmpBytes(3, 2, 8, two, indexes), gifBytes};
  for (size_t f = 0; f < files.size(); ++f) {
    std::string error;
    DibImage loaded = Decode(files[f], &error);
    ASSERT_TRUE(loaded) << "file " << f << ": " << error;
    int bits = 0;
    GetDibImageInfo(loaded, nullptr, nullptr, &bits, nullptr);
    EXPECT_EQ(bits, 24) << "file " << f;
    for (int i = 0; i < 6; ++i) {
      const RgbColour c = indexes[i] < 2 ? two[indexes[i]] : RgbColour{0, 0, 0};
      EXPECT_EQ(GetDibPixel(loaded, i % 3, i / 3), PackColour(c.red, c.green, c.blue)) << "file " << f << " pixel " << i;
    }
    FreeDibImage(loaded);
  }
  std::vector<uint8_t> cut(gifBytes.begin(), gifBytes.end() - 6);
  std::vector<uint8_t> codeSize = gifBytes;
  codeSize[13 + 6 + 8 + 10] = 11;  // after the screen, the table, the control block and the descriptor
  for (const auto& damaged : {cut, codeSize}) {
    std::string error;
    DibImage loaded = Decode(damaged, &error);
    EXPECT_EQ(loaded, nullptr);
    EXPECT_EQ(error.rfind("damaged", 0), 0u) << error;
    FreeDibImage(loaded);
  }
}

TEST(PictureFileTest, AMissingFileIsReportedAsSuch) {
  std::string error;
  EXPECT_EQ(LoadPictureFile(platform::JoinPath(platform::TemporaryDirectory(), "no-such-picture.bmp"), &error),
            nullptr);
  EXPECT_EQ(error, "cannot be opened");
}

}  // namespace
