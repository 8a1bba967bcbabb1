// The host's own colour reduction: the quantizer on known pictures, and GIFs made from
// true-colour deliveries read back as a viewer shows them.
#include "host/quality_gif.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "host/colour_quantizer.h"
#include "host/composed_frames.h"
#include "host/gif_file.h"
#include "samples/scenes.h"
#include "tests/host/delivery_support.h"
#include "tests/host/gif_decoder.h"

namespace {

// The pixels of a 24-bit picture as red, green, blue bytes, top row first.
std::vector<uint8_t> RgbBytes(DibImage image) {
  int32_t width = 0, height = 0;
  GetDibImageInfo(image, &width, &height, nullptr, nullptr);
  std::vector<uint8_t> bytes;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      RgbColour c = UnpackColour(GetDibPixel(image, x, y));
      bytes.insert(bytes.end(), {c.red, c.green, c.blue});
    }
  return bytes;
}

double Psnr(const std::vector<RgbColour>& a, const std::vector<RgbColour>& b) {
  double squares = 0;
  for (size_t i = 0; i < a.size(); ++i)
    squares += ColourDistance(a[i].red, a[i].green, a[i].blue, b[i].red, b[i].green, b[i].blue);
  return squares == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * 3.0 * static_cast<double>(a.size()) / squares);
}

int BruteNearest(const std::vector<RgbColour>& palette, int r, int g, int b) {
  int best = 0;
  for (size_t i = 1; i < palette.size(); ++i) {
    const RgbColour& p = palette[i];
    const RgbColour& q = palette[static_cast<size_t>(best)];
    if (ColourDistance(r, g, b, p.red, p.green, p.blue) < ColourDistance(r, g, b, q.red, q.green, q.blue))
      best = static_cast<int>(i);
  }
  return best;
}

TEST(ColourQuantizerTest, FewColoursAreThePaletteExactly) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 1000; ++i) pixels.insert(pixels.end(), {uint8_t(i % 7 * 30), uint8_t(i % 5 * 50), 9});
  ColourHistogram histogram;
  histogram.add(pixels.data(), 1000);
  std::vector<RgbColour> palette = ChoosePalette(histogram, 255);
  ASSERT_EQ(palette.size(), 35u);
  std::set<int32_t> expected, got;
  for (size_t i = 0; i < 1000; ++i) expected.insert(PackColour(pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]));
  for (const RgbColour& c : palette) got.insert(PackColour(c.red, c.green, c.blue));
  EXPECT_EQ(got, expected);
  // More colours than the palette may hold are approximated by at most that many.
  EXPECT_LE(ChoosePalette(histogram, 8).size(), 8u);
  EXPECT_TRUE(ChoosePalette(histogram, 0).empty());
  EXPECT_TRUE(ChoosePalette(histogram, 257).empty());
  EXPECT_TRUE(ChoosePalette(ColourHistogram(), 16).empty());
  // A masked add counts only the pixels asked for.
  ColourHistogram masked;
  std::vector<uint8_t> mask(1000, 0);
  mask[3] = mask[10] = 1;
  masked.add(pixels.data(), 1000, mask.data());
  EXPECT_EQ(masked.pixelCount(), 2u);
  EXPECT_EQ(ChoosePalette(masked, 255).size(), 2u);
}

TEST(ColourQuantizerTest, PhotographKeepsItsDetail) {
  DibImage scene = RenderScene(160, 120, 7);
  std::vector<uint8_t> pixels = RgbBytes(scene);
  FreeDibImage(scene);
  ColourHistogram histogram;
  histogram.add(pixels.data(), pixels.size() / 3);
  std::vector<RgbColour> exact;
  ASSERT_FALSE(histogram.exactColours(&exact));  // a real reduction, not a copy
  for (int colours : {255, 64, 16}) {
    std::vector<RgbColour> palette = ChoosePalette(histogram, colours);
    ASSERT_LE(palette.size(), static_cast<size_t>(colours));
    NearestColour nearest(palette);
    std::vector<RgbColour> truth, mapped;
    for (size_t i = 0; i < pixels.size(); i += 3) {
      truth.push_back({pixels[i], pixels[i + 1], pixels[i + 2]});
      mapped.push_back(palette[static_cast<size_t>(nearest.find(pixels[i], pixels[i + 1], pixels[i + 2]))]);
    }
    // Floors a few dB under what the quantizer reaches: a plain 6 x 6 x 6 cube gives
    // about 30 dB at 216 colours.
    double floor = colours == 255 ? 38.0 : colours == 64 ? 32.0 : 26.0;
    EXPECT_GE(Psnr(truth, mapped), floor) << colours << " colours";
  }
}

TEST(ColourQuantizerTest, NearestSearchAgreesWithTryingEveryColour) {
  std::mt19937 random(5);
  std::vector<RgbColour> palette;
  for (int i = 0; i < 200; ++i)
    palette.push_back({uint8_t(random() % 256), uint8_t(random() % 256), uint8_t(random() % 256)});
  palette.push_back(palette[17]);  // a repeated colour: the lower index answers
  for (int i = 0; i < 20; ++i) palette.push_back({uint8_t(i * 12), uint8_t(i * 12), uint8_t(i * 12)});  // greys: ties
  NearestColour nearest(palette);
  for (int i = 0; i < 20000; ++i) {
    int r = static_cast<int>(random() % 256), g = static_cast<int>(random() % 256), b = static_cast<int>(random() % 256);
    // The same entry, ties included: the pruned, cached search answers exactly as the
    // plain one would, so the bytes written do not depend on it.
    int found = nearest.find(r, g, b);
    ASSERT_EQ(found, BruteNearest(palette, r, g, b)) << r << "," << g << "," << b;
    ASSERT_NE(found, 200);
    ASSERT_EQ(nearest.find(r, g, b), found);  // the cached answer is the same
  }
}

// A true-colour delivery of photograph frames: a scene with a second one sliding in.
Delivery SlideDelivery(int32_t width, int32_t height, int frames) {
  Delivery delivery;
  delivery.width = width;
  delivery.height = height;
  delivery.bits = 8;
  delivery.hasComment = true;
  delivery.comment = "made here";
  DibImage back = RenderScene(width, height, 1);
  DibImage front = RenderScene(width, height, 4);
  for (int i = 0; i < frames; ++i) {
    DibImage frame = DuplicateDibImage(back);
    int edge = width * i / frames;
    if (edge > 0) CopyDibRect(frame, 0, 0, front, 0, 0, edge, height);
    delivery.frames.push_back(DeliveredFrame(frame, 5 + i, -1));
    FreeDibImage(frame);
  }
  FreeDibImage(back);
  FreeDibImage(front);
  return delivery;
}

// The GIF file of a delivery reduced with the options, the work on `threads` threads.
std::vector<uint8_t> QualityGifBytes(const Delivery& source, const QualityGifOptions& options,
                                     Delivery* reduced = nullptr) {
  Delivery local;
  Delivery* out = reduced ? reduced : &local;
  std::string error;
  EXPECT_TRUE(MakeQualityDelivery(source, options, out, &error)) << error;
  std::vector<uint8_t> bytes;
  ByteSink sink = [&bytes](const uint8_t* data, size_t count) {
    bytes.insert(bytes.end(), data, data + count);
    return true;
  };
  EXPECT_TRUE(WriteGifAnimation(*out, sink, &error, options.threads)) << error;
  return bytes;
}

DecodedGif QualityGif(const Delivery& source, bool dither, Delivery* reduced = nullptr) {
  std::vector<uint8_t> bytes = QualityGifBytes(source, QualityGifOptions{dither}, reduced);
  DecodedGif gif;
  std::string error;
  EXPECT_TRUE(DecodeGif(bytes, &gif, &error)) << error;
  return gif;
}

// PSNR of a decoded GIF against the composed truth, over all its frames.
double AnimationPsnr(const DecodedGif& gif, const std::vector<std::vector<RgbColour>>& truth) {
  std::vector<RgbColour> shown, all;
  for (size_t f = 0; f < truth.size() && f < gif.frames.size(); ++f) {
    shown.insert(shown.end(), gif.frames[f].screen.begin(), gif.frames[f].screen.end());
    all.insert(all.end(), truth[f].begin(), truth[f].end());
  }
  return Psnr(all, shown);
}

TEST(QualityGifTest, PhotographFramesAreCloseAndStillPartsStayStill) {
  Delivery source = SlideDelivery(96, 64, 8);
  Delivery reduced;
  DecodedGif gif = QualityGif(source, true, &reduced);
  std::vector<std::vector<RgbColour>> truth = ComposeDelivery(source);
  ASSERT_EQ(gif.frames.size(), truth.size());
  EXPECT_LE(gif.globalColours, 256);
  EXPECT_TRUE(gif.loops);
  ASSERT_EQ(gif.comments.size(), 1u);
  EXPECT_EQ(gif.comments[0], "made here");
  // What the reduction meant to show is what a viewer shows: every transparent pixel
  // shows exactly the colour composed so far.
  std::vector<std::vector<RgbColour>> meant = ComposeDelivery(reduced);
  for (size_t f = 0; f < truth.size(); ++f) {
    EXPECT_EQ(gif.frames[f].delay, 5 + static_cast<int>(f));
    EXPECT_FALSE(gif.frames[f].localTable);
    for (size_t p = 0; p < meant[f].size(); ++p)
      ASSERT_TRUE(SameColour(gif.frames[f].screen[p], meant[f][p])) << "frame " << f << " pixel " << p;
    EXPECT_GE(Psnr(truth[f], gif.frames[f].screen), 36.0) << "frame " << f;
    if (f == 0) continue;
    // Pixels whose true colour stays keep what was shown: no shimmer from dithering.
    for (size_t p = 0; p < truth[f].size(); ++p) {
      if (!SameColour(truth[f][p], truth[f - 1][p])) continue;
      ASSERT_TRUE(SameColour(gif.frames[f].screen[p], gif.frames[f - 1].screen[p])) << "frame " << f << " pixel " << p;
    }
    // Only the band that changed is written.
    EXPECT_GE(gif.frames[f].left, 96 * static_cast<int>(f - 1) / 8) << "frame " << f;
    EXPECT_LE(gif.frames[f].left + gif.frames[f].width, 96 * static_cast<int>(f) / 8) << "frame " << f;
  }
}

TEST(QualityGifTest, KeyedTrueColourFramesShowThePicturesComposed) {
  // A true-colour delivery with a transparent key, as Supercompress makes it: the key
  // colour stands for "as before" and must never be shown.
  const int32_t key = PackColour(255, 0, 255);
  Delivery source;
  source.width = 40;
  source.height = 30;
  source.bits = 8;
  DibImage first = RenderScene(40, 30, 2);
  source.frames.push_back(DeliveredFrame(first, 10, -1));
  DibImage second = CreateDibImage(40, 30, nullptr, 24);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) SetDibPixel(second, x, y, x >= 10 && x < 20 ? PackColour(x * 6, y * 8, 40) : key);
  source.frames.push_back(DeliveredFrame(second, 10, key));
  FreeDibImage(first);
  FreeDibImage(second);

  DecodedGif gif = QualityGif(source, true);
  std::vector<std::vector<RgbColour>> truth = ComposeDelivery(source);
  ASSERT_EQ(gif.frames.size(), 2u);
  for (size_t f = 0; f < 2; ++f) EXPECT_GE(Psnr(truth[f], gif.frames[f].screen), 36.0) << "frame " << f;
  for (const RgbColour& c : gif.frames[1].screen) ASSERT_FALSE(c.red == 255 && c.green == 0 && c.blue == 255);
  EXPECT_EQ(gif.frames[1].left, 10);
  EXPECT_EQ(gif.frames[1].width, 10);
}

TEST(QualityGifTest, FramesOfFewColoursAreExact) {
  Delivery source;
  source.width = 30;
  source.height = 20;
  source.bits = 8;
  for (int i = 0; i < 3; ++i) {
    DibImage frame = CreateDibImage(30, 20, nullptr, 24);
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 30; ++x) SetDibPixel(frame, x, y, PackColour((x + i) % 10 * 25, y * 12, i * 100));
    source.frames.push_back(DeliveredFrame(frame, 4, -1));
    FreeDibImage(frame);
  }
  std::vector<std::vector<RgbColour>> truth = ComposeDelivery(source);
  for (bool dither : {true, false}) {
    DecodedGif gif = QualityGif(source, dither);
    ASSERT_EQ(gif.frames.size(), 3u);
    // 600 colours in all, 200 in each frame: each frame is exact with a table of its own.
    for (size_t f = 0; f < 3; ++f) EXPECT_TRUE(gif.frames[f].localTable) << "frame " << f;
    for (size_t f = 0; f < 3; ++f)
      for (size_t p = 0; p < truth[f].size(); ++p)
        ASSERT_TRUE(SameColour(gif.frames[f].screen[p], truth[f][p])) << "frame " << f << " pixel " << p;
  }
}

TEST(QualityGifTest, AFrameGetsAPaletteOfItsOwnOnlyWhereItIsWorthItsTable) {
  // Thirty frames of a landscape, then a grainy violet of about 300 colours, then the
  // landscape again. The animation's palette, chosen mostly for the landscape, serves
  // the violet badly: that frame gets a palette of its own. The landscape coming back
  // changes as many pixels, but the animation's palette serves it as well as one of its
  // own would: it keeps the animation's.
  Delivery source;
  source.width = 200;
  source.height = 150;
  source.bits = 8;
  DibImage scene = RenderScene(200, 150, 3);
  for (int i = 0; i < 30; ++i) source.frames.push_back(DeliveredFrame(scene, 10, -1));
  std::mt19937 random(11);
  DibImage grain = CreateDibImage(200, 150, nullptr, 24);
  for (int32_t y = 0; y < 150; ++y)
    for (int32_t x = 0; x < 200; ++x)
      SetDibPixel(grain, x, y, PackColour(200 + random() % 7, 50 + random() % 7, 220 + random() % 7));
  source.frames.push_back(DeliveredFrame(grain, 10, -1));
  FreeDibImage(grain);
  source.frames.push_back(DeliveredFrame(scene, 10, -1));
  FreeDibImage(scene);

  DecodedGif gif = QualityGif(source, true);
  std::vector<std::vector<RgbColour>> truth = ComposeDelivery(source);
  ASSERT_EQ(gif.frames.size(), 32u);
  EXPECT_FALSE(gif.frames[1].localTable);  // nothing changed: one transparent pixel
  EXPECT_EQ(gif.frames[1].width * gif.frames[1].height, 1);
  EXPECT_TRUE(gif.frames[30].localTable);
  EXPECT_FALSE(gif.frames[31].localTable);
  for (size_t f : {0, 30, 31}) EXPECT_GE(Psnr(truth[f], gif.frames[f].screen), 38.0) << "frame " << f;
}

TEST(QualityGifTest, LevelsTradeBytesForFidelityOnPhotographs) {
  // One landscape wiped by another, a band of columns a frame: enough changed pixels for
  // frames to weigh palettes of their own.
  Delivery source = SlideDelivery(320, 240, 11);
  std::vector<std::vector<RgbColour>> truth = ComposeDelivery(source);
  // Floors and ceilings a little outside what each level gives on these frames (about
  // 1 dB and 15 %).
  struct Expected {
    int level;
    double psnr;
    size_t bytes;
  };
  const Expected levels[] = {
      {1, 22.5, 7300}, {30, 33.5, 24000}, {60, 39.8, 61000}, {kDefaultQualityLevel, 43.0, 74000}, {100, 45.2, 113000}};
  double lastPsnr = 0;
  size_t lastBytes = 0;
  for (const Expected& expected : levels) {
    QualityGifOptions options;
    options.level = expected.level;
    std::vector<uint8_t> bytes = QualityGifBytes(source, options);
    DecodedGif gif;
    std::string error;
    ASSERT_TRUE(DecodeGif(bytes, &gif, &error)) << error;
    ASSERT_EQ(gif.frames.size(), truth.size());
    const double psnr = AnimationPsnr(gif, truth);
    EXPECT_GE(psnr, expected.psnr) << "level " << expected.level;
    EXPECT_LE(bytes.size(), expected.bytes) << "level " << expected.level;
    // A higher level is closer to the frames for more bytes.
    EXPECT_GT(psnr, lastPsnr) << "level " << expected.level;
    EXPECT_GT(bytes.size(), lastBytes) << "level " << expected.level;
    lastPsnr = psnr;
    lastBytes = bytes.size();
  }
  Delivery out;
  std::string error;
  QualityGifOptions outside;
  for (int level : {0, 101}) {
    outside.level = level;
    EXPECT_FALSE(MakeQualityDelivery(source, outside, &out, &error)) << level;
    EXPECT_NE(error.find("1 to 100"), std::string::npos) << error;
  }
}

TEST(QualityGifTest, TheSameBytesAtAnyThreadCount) {
  // Frames that take every path: palettes of their own (the wipe), a keyed true-colour
  // frame, a frame of few colours (exact), an unchanged frame; 13 frames fill no batch
  // of 7 threads and leave the last batch of 2 threads part full.
  Delivery source = SlideDelivery(320, 240, 10);
  DibImage few = CreateDibImage(320, 240, nullptr, 24);
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 320; ++x) SetDibPixel(few, x, y, PackColour(x / 32 * 25, y / 24 * 25, 90));
  source.frames.push_back(DeliveredFrame(few, 7, -1));
  source.frames.push_back(DeliveredFrame(few, 7, -1));
  FreeDibImage(few);
  const int32_t key = PackColour(255, 0, 255);
  DibImage keyed = RenderScene(320, 240, 5);
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 320; ++x)
      if ((x / 40 + y / 40) % 2) SetDibPixel(keyed, x, y, key);
  source.frames.push_back(DeliveredFrame(keyed, 7, key));
  FreeDibImage(keyed);

  for (int level : {20, kDefaultQualityLevel, 100}) {
    QualityGifOptions options;
    options.level = level;
    options.threads = 1;
    Delivery reduced;
    const std::vector<uint8_t> one = QualityGifBytes(source, options, &reduced);
    // Not a trivial animation: some frames do have palettes of their own.
    size_t own = 0;
    for (const DeliveredImage& frame : reduced.frames) {
      FramePicture picture;
      ASSERT_TRUE(ReadFramePicture(frame.bitmap, &picture));
      bool differs = false;
      for (size_t i = 0; i < picture.table.size(); ++i) differs |= !SameColour(picture.table[i], reduced.palette.entries[i]);
      own += differs;
    }
    EXPECT_GE(own, 3u) << "level " << level;
    for (int threads : {2, 7}) {
      options.threads = threads;
      EXPECT_TRUE(QualityGifBytes(source, options) == one) << "level " << level << ", " << threads << " threads";
    }
  }
}

TEST(QualityGifTest, ComposerMatchesAViewer) {
  // Paletted and true-colour frames, keys, and a frame smaller than the screen.
  Delivery source = SlideDelivery(20, 12, 2);
  RgbPalette palette{};
  for (int i = 0; i < 256; ++i) palette.entries[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
  DibImage small = CreateDibImage(8, 5, &palette, 8);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 8; ++x) SetDibPixel(small, x, y, (x + y) % 3 == 0 ? 77 : x * 20 + y);
  source.frames.push_back(DeliveredFrame(small, 3, 77));
  FreeDibImage(small);
  std::vector<std::vector<RgbColour>> expected = ComposeDelivery(source);
  FrameComposer composer(20, 12);
  for (size_t f = 0; f < source.frames.size(); ++f) {
    ASSERT_TRUE(composer.draw(source.frames[f]));
    for (size_t p = 0; p < expected[f].size(); ++p) {
      const uint8_t* s = composer.screen() + 3 * p;
      ASSERT_TRUE(SameColour({s[0], s[1], s[2]}, expected[f][p])) << "frame " << f << " pixel " << p;
    }
  }
  DeliveredImage damaged;
  damaged.bitmap.assign(10, 0);
  EXPECT_FALSE(composer.draw(damaged));
  Delivery empty;
  empty.width = 5;
  empty.height = 5;
  Delivery out;
  std::string error;
  EXPECT_FALSE(MakeQualityDelivery(empty, QualityGifOptions{}, &out, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
