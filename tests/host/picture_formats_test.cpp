// Every kind of picture file fwhost reads, made by the field's own encoders from one
// reference picture, must arrive as a viewer shows it: exactly for the lossless formats
// (transparency over white, 16-bit samples by their high byte, grey as grey), close for
// the lossy ones, paletted files as 8-bit pictures of their own colours. Then the same
// files cut short or spoiled, hostile headers, and animations frame by frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "host/picture_canvas.h"
#include "host/picture_decoders.h"
#include "host/picture_file.h"
#include "platform/memory.h"
#include "tests/host/picture_samples.h"
#include "tests/host/picture_writers.h"

namespace {

constexpr int kWidth = 23, kHeight = 17;

// The reference: smooth colours (kind to JPEG) and an opacity that takes every kind of
// value, fully clear and fully opaque included.
struct Rgba {
  uint8_t r, g, b, a;
};
Rgba Reference(int x, int y) {
  return Rgba{static_cast<uint8_t>(40 + 8 * x), static_cast<uint8_t>(30 + 12 * y), static_cast<uint8_t>(200 - 4 * x - 3 * y),
              static_cast<uint8_t>(x == 0 ? 0 : x == 1 ? 255 : (x * 37 + y * 11) % 256)};
}

struct Case {
  Case(const char* n, std::vector<uint8_t> b, std::function<RgbColour(int, int)> s, int depth = 24, int t = 0,
       std::vector<RgbColour> p = {})
      : name(n), bytes(std::move(b)), shown(std::move(s)), bits(depth), tolerance(t), palette(std::move(p)) {}
  const char* name;
  std::vector<uint8_t> bytes;
  std::function<RgbColour(int, int)> shown;  // what a viewer shows at (x, y)
  int bits;
  int tolerance;  // the largest difference of a channel; lossy files are judged on average too
  std::vector<RgbColour> palette;  // the palette an 8-bit picture keeps
};

// A sample of opacity a over white, rounded to the nearest.
uint8_t Blend(int v, int a) { return static_cast<uint8_t>(std::lround((v * a + 255.0 * (255 - a)) / 255.0)); }
RgbColour OverWhiteOf(const Rgba& p) { return RgbColour{Blend(p.r, p.a), Blend(p.g, p.a), Blend(p.b, p.a)}; }
RgbColour Opaque(int x, int y) {
  const Rgba p = Reference(x, y);
  return RgbColour{p.r, p.g, p.b};
}

PngSample PngOf(int colourType, int depth, bool interlaced, const std::function<std::vector<uint16_t>(int, int)>& pixel) {
  PngSample png;
  png.width = kWidth;
  png.height = kHeight;
  png.colourType = colourType;
  png.depth = depth;
  png.interlaced = interlaced;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      for (uint16_t v : pixel(x, y)) png.samples.push_back(v);
  return png;
}

// A 16-bit sample whose high byte is v and whose low byte varies, so that only the high
// byte may decide.
uint16_t Wide(uint8_t v, int x) { return static_cast<uint16_t>(v << 8 | ((x * 97) & 0xFF)); }

std::vector<RgbColour> Palette(int count) {
  std::vector<RgbColour> palette;
  for (int i = 0; i < count; ++i)
    palette.push_back(RgbColour{static_cast<uint8_t>(i * 255 / count), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
  return palette;
}
int IndexAt(int x, int y, int count) { return (x + 3 * y) % count; }

std::vector<Case> LosslessCases() {
  std::vector<Case> cases;
  for (bool interlaced : {false, true}) {
    const char* suffix = interlaced ? " interlaced" : "";
    cases.push_back({interlaced ? "png rgb interlaced" : "png rgb",
                     PngFileBytes(PngOf(2, 8, interlaced, [](int x, int y) {
                       Rgba p = Reference(x, y);
                       return std::vector<uint16_t>{p.r, p.g, p.b};
                     })),
                     Opaque});
    cases.push_back({interlaced ? "png rgba interlaced" : "png rgba",
                     PngFileBytes(PngOf(6, 8, interlaced, [](int x, int y) {
                       Rgba p = Reference(x, y);
                       return std::vector<uint16_t>{p.r, p.g, p.b, p.a};
                     })),
                     [](int x, int y) { return OverWhiteOf(Reference(x, y)); }});
    (void)suffix;
  }
  cases.push_back({"png rgb 16-bit", PngFileBytes(PngOf(2, 16, false, [](int x, int y) {
                     Rgba p = Reference(x, y);
                     return std::vector<uint16_t>{Wide(p.r, x), Wide(p.g, y), Wide(p.b, x + y)};
                   })),
                   Opaque});
  cases.push_back({"png rgba 16-bit interlaced", PngFileBytes(PngOf(6, 16, true, [](int x, int y) {
                     Rgba p = Reference(x, y);
                     return std::vector<uint16_t>{Wide(p.r, x), Wide(p.g, y), Wide(p.b, x), Wide(p.a, y)};
                   })),
                   [](int x, int y) { return OverWhiteOf(Reference(x, y)); }});
  for (int depth : {1, 2, 4, 8, 16}) {
    const int levels = depth == 16 ? 256 : 1 << depth;
    auto grey = [levels](int x, int y) { return (x * 5 + y * 3) % levels; };
    auto shown = [grey, levels](int x, int y) {
      uint8_t g = static_cast<uint8_t>(grey(x, y) * 255 / (levels - 1));
      return RgbColour{g, g, g};
    };
    cases.push_back({depth == 1 ? "png grey 1-bit" : depth == 2 ? "png grey 2-bit" : depth == 4 ? "png grey 4-bit"
                     : depth == 8 ? "png grey 8-bit" : "png grey 16-bit",
                     PngFileBytes(PngOf(0, depth, depth == 2, [grey, depth](int x, int y) {
                       return std::vector<uint16_t>{static_cast<uint16_t>(depth == 16 ? Wide(grey(x, y), x) : grey(x, y))};
                     })),
                     shown});
  }
  cases.push_back({"png grey and alpha", PngFileBytes(PngOf(4, 8, false, [](int x, int y) {
                     Rgba p = Reference(x, y);
                     return std::vector<uint16_t>{p.g, p.a};
                   })),
                   [](int x, int y) {
                     Rgba p = Reference(x, y);
                     uint8_t g = Blend(p.g, p.a);
                     return RgbColour{g, g, g};
                   }});
  // Colour keys: the key colour is transparent, every other opaque.
  PngSample greyKey = PngOf(0, 8, false, [](int x, int y) { return std::vector<uint16_t>{static_cast<uint16_t>((x * 20) % 256)}; });
  greyKey.transparentGrey = 60;
  cases.push_back({"png grey with a transparent grey", PngFileBytes(greyKey), [](int x, int) {
                     uint8_t g = static_cast<uint8_t>((x * 20) % 256);
                     return g == 60 ? RgbColour{255, 255, 255} : RgbColour{g, g, g};
                   }});
  PngSample rgbKey = PngOf(2, 8, false, [](int x, int y) {
    Rgba p = Reference(x, y);
    return std::vector<uint16_t>{p.r, p.g, p.b};
  });
  const Rgba keyed = Reference(5, 4);
  rgbKey.transparentRgb[0] = keyed.r;
  rgbKey.transparentRgb[1] = keyed.g;
  rgbKey.transparentRgb[2] = keyed.b;
  cases.push_back({"png rgb with a transparent colour", PngFileBytes(rgbKey), [keyed](int x, int y) {
                     Rgba p = Reference(x, y);
                     bool key = p.r == keyed.r && p.g == keyed.g && p.b == keyed.b;
                     return key ? RgbColour{255, 255, 255} : RgbColour{p.r, p.g, p.b};
                   }});
  // Indexed colour: 8-bit pictures of the file's palette while every pixel is opaque.
  for (int depth : {1, 2, 4, 8}) {
    const int count = depth == 8 ? 200 : 1 << depth;
    PngSample png = PngOf(3, depth, depth == 4, [count](int x, int y) {
      return std::vector<uint16_t>{static_cast<uint16_t>(IndexAt(x, y, count))};
    });
    png.palette = Palette(count);
    const std::vector<RgbColour> palette = png.palette;
    cases.push_back({depth == 1 ? "png indexed 1-bit" : depth == 2 ? "png indexed 2-bit"
                     : depth == 4 ? "png indexed 4-bit interlaced" : "png indexed 8-bit",
                     PngFileBytes(png), [palette, count](int x, int y) { return palette[IndexAt(x, y, count)]; }, 8,
                     0, palette});
  }
  PngSample seeThrough = PngOf(3, 8, false, [](int x, int y) { return std::vector<uint16_t>{static_cast<uint16_t>(IndexAt(x, y, 16))}; });
  seeThrough.palette = Palette(16);
  for (int i = 0; i < 16; ++i) seeThrough.paletteAlpha.push_back(static_cast<uint8_t>(i == 3 ? 0 : i == 5 ? 128 : 255));
  const std::vector<RgbColour> palette16 = seeThrough.palette;
  const std::vector<uint8_t> alpha16 = seeThrough.paletteAlpha;
  cases.push_back({"png indexed with transparency", PngFileBytes(seeThrough), [palette16, alpha16](int x, int y) {
                     const int i = IndexAt(x, y, 16);
                     const RgbColour c = palette16[i];
                     return OverWhiteOf(Rgba{c.red, c.green, c.blue, alpha16[i]});
                   }});

  // GIF, interlaced: an 8-bit picture of its table.
  GifSample gif{kWidth, kHeight, Palette(64), {}};
  GifSampleFrame whole;
  whole.width = kWidth;
  whole.height = kHeight;
  whole.interlaced = true;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) whole.indexes.push_back(static_cast<uint8_t>(IndexAt(x, y, 64)));
  gif.frames.push_back(whole);
  const std::vector<RgbColour> palette64 = Palette(64);
  cases.push_back({"gif interlaced", GifBytes(gif), [palette64](int x, int y) { return palette64[IndexAt(x, y, 64)]; }, 8, 0,
                   palette64});

  // BMPs of every depth our reader takes.
  for (int bits : {1, 4, 8}) {
    BmpSample bmp;
    bmp.width = kWidth;
    bmp.height = kHeight;
    bmp.bits = bits;
    const int count = bits == 8 ? 100 : 1 << bits;
    bmp.table = Palette(count);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) bmp.pixels.push_back(static_cast<uint32_t>(IndexAt(x, y, count)));
    const std::vector<RgbColour> table = bmp.table;
    cases.push_back({bits == 1 ? "bmp 1-bit" : bits == 4 ? "bmp 4-bit" : "bmp 8-bit", BmpBytes(bmp),
                     [table, count](int x, int y) { return table[IndexAt(x, y, count)]; }, 8, 0, table});
  }
  auto masked = [](int bits, int compression, int headerSize, const uint32_t masks[4],
                   const std::function<uint32_t(const Rgba&)>& pack) {
    BmpSample bmp;
    bmp.headerSize = headerSize;
    bmp.width = kWidth;
    bmp.height = -kHeight;  // top row first
    bmp.bits = bits;
    bmp.compression = compression;
    std::memcpy(bmp.masks, masks, sizeof bmp.masks);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) bmp.pixels.push_back(pack(Reference(x, y)));
    return BmpBytes(bmp);
  };
  const uint32_t none[4] = {0, 0, 0, 0}, rgb565[4] = {0xF800, 0x07E0, 0x001F, 0},
                 argb[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000u};
  auto five = [](uint8_t v) { return static_cast<uint8_t>(((v >> 3) * 255 + 15) / 31); };
  auto six = [](uint8_t v) { return static_cast<uint8_t>(((v >> 2) * 255 + 31) / 63); };
  cases.push_back({"bmp 16-bit 555", masked(16, 0, 40, none, [](const Rgba& p) {
                     return static_cast<uint32_t>((p.r >> 3) << 10 | (p.g >> 3) << 5 | (p.b >> 3));
                   }),
                   [five](int x, int y) {
                     Rgba p = Reference(x, y);
                     return RgbColour{five(p.r), five(p.g), five(p.b)};
                   }});
  cases.push_back({"bmp 16-bit 565 masks", masked(16, 3, 40, rgb565, [](const Rgba& p) {
                     return static_cast<uint32_t>((p.r >> 3) << 11 | (p.g >> 2) << 5 | (p.b >> 3));
                   }),
                   [five, six](int x, int y) {
                     Rgba p = Reference(x, y);
                     return RgbColour{five(p.r), six(p.g), five(p.b)};
                   }});
  cases.push_back({"bmp 24-bit top row first", masked(24, 0, 40, none, [](const Rgba& p) {
                     return static_cast<uint32_t>(p.r << 16 | p.g << 8 | p.b);
                   }),
                   Opaque});
  cases.push_back({"bmp 32-bit without alpha", masked(32, 0, 40, none, [](const Rgba& p) {
                     return static_cast<uint32_t>(p.r << 16 | p.g << 8 | p.b);
                   }),
                   Opaque});
  cases.push_back({"bmp 32-bit with alpha (v5 header)", masked(32, 3, 124, argb, [](const Rgba& p) {
                     return static_cast<uint32_t>(p.a) << 24 | static_cast<uint32_t>(p.r << 16 | p.g << 8 | p.b);
                   }),
                   [](int x, int y) { return OverWhiteOf(Reference(x, y)); }});

  // WebP lossless, with transparency.
  std::vector<uint8_t> rgba;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      Rgba p = Reference(x, y);
      rgba.insert(rgba.end(), {p.r, p.g, p.b, p.a});
    }
  cases.push_back({"webp lossless", WebpFileBytes(rgba, kWidth, kHeight, -1),
                   [](int x, int y) { return OverWhiteOf(Reference(x, y)); }});
  return cases;
}

std::vector<Case> LossyCases() {
  std::vector<Case> cases;
  std::vector<uint8_t> rgb, grey, cmyk, rgba;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      Rgba p = Reference(x, y);
      rgb.insert(rgb.end(), {p.r, p.g, p.b});
      grey.push_back(p.g);
      // Adobe files store CMYK inverted: no ink is 255. Half the black comes from K.
      cmyk.insert(cmyk.end(), {static_cast<uint8_t>(std::min(255, p.r * 2)), static_cast<uint8_t>(std::min(255, p.g * 2)),
                               static_cast<uint8_t>(std::min(255, p.b * 2)), 128});
      rgba.insert(rgba.end(), {p.r, p.g, p.b, 255});
    }
  JpegOptions progressive, greyOptions, cmykOptions;
  progressive.progressive = true;
  greyOptions.grey = true;
  cmykOptions.cmyk = true;
  cases.push_back({"jpeg", JpegFileBytes(rgb, kWidth, kHeight, JpegOptions()), Opaque, 24, 24});
  cases.push_back({"jpeg progressive", JpegFileBytes(rgb, kWidth, kHeight, progressive), Opaque, 24, 24});
  cases.push_back({"jpeg grey", JpegFileBytes(grey, kWidth, kHeight, greyOptions),
                   [](int x, int y) {
                     uint8_t g = Reference(x, y).g;
                     return RgbColour{g, g, g};
                   },
                   24, 8});
  cases.push_back({"jpeg cmyk", JpegFileBytes(cmyk, kWidth, kHeight, cmykOptions),
                   [](int x, int y) {
                     Rgba p = Reference(x, y);
                     auto half = [](int v) { return static_cast<uint8_t>((std::min(255, v * 2) * 128 + 127) / 255); };
                     return RgbColour{half(p.r), half(p.g), half(p.b)};
                   },
                   24, 24});
  cases.push_back({"webp lossy", WebpFileBytes(rgba, kWidth, kHeight, 95), Opaque, 24, 24});
  return cases;
}

void ExpectShown(const Case& c, DibImage image) {
  int32_t width = 0, height = 0;
  int bits = 0;
  RgbPalette palette{};
  ASSERT_TRUE(GetDibImageInfo(image, &width, &height, &bits, &palette)) << c.name;
  ASSERT_EQ(width, kWidth) << c.name;
  ASSERT_EQ(height, kHeight) << c.name;
  EXPECT_EQ(bits, c.bits) << c.name;
  for (size_t i = 0; i < c.palette.size(); ++i)
    EXPECT_TRUE(palette.entries[i].red == c.palette[i].red && palette.entries[i].green == c.palette[i].green &&
                palette.entries[i].blue == c.palette[i].blue)
        << c.name << " palette " << i;
  long total = 0;
  int worst = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      int32_t value = GetDibPixel(image, x, y);
      RgbColour got = bits == 8 ? palette.entries[value]
                                : RgbColour{static_cast<uint8_t>(PackedRed(value)), static_cast<uint8_t>(PackedGreen(value)),
                                            static_cast<uint8_t>(PackedBlue(value))};
      RgbColour want = c.shown(x, y);
      for (int d : {got.red - want.red, got.green - want.green, got.blue - want.blue}) {
        total += std::abs(d);
        worst = std::max(worst, std::abs(d));
      }
      if (c.tolerance == 0) {
        ASSERT_TRUE(got.red == want.red && got.green == want.green && got.blue == want.blue)
            << c.name << " at " << x << "," << y << ": " << int(got.red) << " " << int(got.green) << " " << int(got.blue)
            << " for " << int(want.red) << " " << int(want.green) << " " << int(want.blue);
      }
    }
  EXPECT_LE(worst, c.tolerance) << c.name;
  EXPECT_LE(total, 2L * kWidth * kHeight * 3 * c.tolerance / 24) << c.name << ": more than 2 a channel on average";
}

TEST(PictureFormats, EveryKindOfFileArrivesAsAViewerShowsIt) {
  std::vector<Case> cases = LosslessCases();
  for (Case& c : LossyCases()) cases.push_back(std::move(c));
  for (const Case& c : cases) {
    ASSERT_FALSE(c.bytes.empty()) << c.name;
    std::string error;
    DibImage image = DecodePictureFile(c.bytes.data(), c.bytes.size(), &error);
    ASSERT_NE(image, nullptr) << c.name << ": " << error;
    ExpectShown(c, image);
    FreeDibImage(image);
  }
}

// Every prefix of every file, and every file with bytes spoiled, is either read or
// refused with a reason; nothing is read outside the bytes (the sanitizers watch).
TEST(PictureFormats, DamagedFilesAreReadOrRefusedButNeverOverrun) {
  std::vector<Case> cases = LosslessCases();
  for (Case& c : LossyCases()) cases.push_back(std::move(c));
  for (const Case& c : cases) {
    for (size_t cut = 0; cut < c.bytes.size(); cut += 1 + cut / 16) {
      std::vector<uint8_t> part(c.bytes.begin(), c.bytes.begin() + cut);
      std::string error;
      DibImage image = DecodePictureFile(part.data(), part.size(), &error);
      EXPECT_TRUE(image || !error.empty()) << c.name << " cut at " << cut;
      FreeDibImage(image);
    }
    uint32_t state = 12345;
    for (int trial = 0; trial < 40; ++trial) {
      std::vector<uint8_t> spoiled = c.bytes;
      for (int k = 0; k < 3; ++k) {
        state = state * 1103515245u + 12345u;
        spoiled[(state >> 8) % spoiled.size()] ^= static_cast<uint8_t>(1u << (state >> 28) % 8);
      }
      std::string error;
      DibImage image = DecodePictureFile(spoiled.data(), spoiled.size(), &error);
      EXPECT_TRUE(image || !error.empty()) << c.name << " spoiled " << trial;
      FreeDibImage(image);
    }
  }
}

// A header asking for a picture beyond the limits is refused before any memory is given
// to its pixels: with every allocation failing, the answer is still the size.
TEST(PictureFormats, HostileSizesAreRefusedFromTheHeader) {
  std::vector<uint8_t> png = PngFileBytes(PngOf(2, 8, false, [](int, int) { return std::vector<uint16_t>{1, 2, 3}; }));
  std::vector<uint8_t> jpeg = JpegFileBytes(std::vector<uint8_t>(3 * kWidth * kHeight, 90), kWidth, kHeight, JpegOptions());
  std::vector<uint8_t> webp = WebpFileBytes(std::vector<uint8_t>(4 * kWidth * kHeight, 200), kWidth, kHeight, -1);
  auto setPng = [&](uint32_t w, uint32_t h) {
    std::vector<uint8_t> b = png;
    for (int i = 0; i < 4; ++i) b[16 + i] = static_cast<uint8_t>(w >> (24 - 8 * i)), b[20 + i] = static_cast<uint8_t>(h >> (24 - 8 * i));
    return b;
  };
  auto setJpeg = [&](uint16_t w, uint16_t h) {
    std::vector<uint8_t> b = jpeg;
    for (size_t at = 2; at + 9 < b.size(); ++at)
      if (b[at] == 0xFF && b[at + 1] == 0xC0) {
        b[at + 5] = static_cast<uint8_t>(h >> 8), b[at + 6] = static_cast<uint8_t>(h);
        b[at + 7] = static_cast<uint8_t>(w >> 8), b[at + 8] = static_cast<uint8_t>(w);
        break;
      }
    return b;
  };
  GifSample gif{60000, 60000, Palette(4), {}};
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
  } hostile[] = {
      {"png 20000 x 20000", setPng(20000, 20000), "pixels a side"},
      {"png 16000 x 16000", setPng(16000, 16000), "MiB"},
      {"png 0 wide", setPng(0, 10), "damaged"},
      {"jpeg 65535 x 65535", setJpeg(65535, 65535), "pixels a side"},
      {"jpeg 12000 x 12000", setJpeg(12000, 12000), "MiB"},
      {"gif 60000 x 60000", GifBytes(gif), "pixels a side"},
      {"webp 16383 x 16383 lossless", [&] {
         std::vector<uint8_t> b = webp;
         const uint32_t bits = 0x3FFFu | 0x3FFFu << 14 | (b[24] & 0xF0u) << 24;
         for (int i = 0; i < 4; ++i) b[21 + i] = static_cast<uint8_t>(bits >> (8 * i));
         return b;
       }(), "MiB"},
  };
  for (const auto& h : hostile) {
    platform::FailAllocationsAfter(0);
    std::string error;
    DibImage image = DecodePictureFile(h.bytes.data(), h.bytes.size(), &error);
    platform::FailAllocationsAfter(-1);
    EXPECT_EQ(image, nullptr) << h.name;
    EXPECT_NE(error.find(h.reason), std::string::npos) << h.name << ": " << error;
    FreeDibImage(image);
  }
}

// The GIF an animation test reads: four frames over a 6 x 4 screen of a 4-colour table,
// each frame of its own kind.
GifSample AnimatedGif() {
  GifSample gif{6, 4, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}}, {}, true};
  auto frame = [](int left, int top, int width, int height, uint8_t index, int disposal, int delay) {
    GifSampleFrame f;
    f.left = left, f.top = top, f.width = width, f.height = height, f.disposal = disposal, f.delay = delay;
    f.indexes.assign(static_cast<size_t>(width) * height, index);
    return f;
  };
  gif.frames.push_back(frame(0, 0, 4, 4, 0, 1, 20));  // red on the left, the rest uncovered
  GifSampleFrame second = frame(2, 1, 3, 2, 1, 2, 0);  // green, cleared after; a transparent hole
  second.indexes[1] = 3;
  second.transparent = 3;
  gif.frames.push_back(second);
  gif.frames.push_back(frame(3, 0, 3, 4, 2, 3, 1));  // blue, then what was under it comes back
  GifSampleFrame last = frame(0, 2, 6, 2, 3, 0, 7);   // grey, interlaced
  last.interlaced = true;
  gif.frames.push_back(last);
  return gif;
}

TEST(PictureFormats, AnimatedGifFramesAreShownWithDisposalAndTheirDelays) {
  const char* kShown[] = {
      "RRRRWW"
      "RRRRWW"
      "RRRRWW"
      "RRRRWW",
      "RRRRWW"
      "RRGRGW"
      "RRGGGW"
      "RRRRWW",
      "RRRBBB"  // the green rectangle cleared to transparent, then blue drawn
      "RRWBBB"
      "RRWBBB"
      "RRRBBB",
      "RRRRWW"  // blue gone: what was under it is back
      "RRWWWW"
      "KKKKKK"
      "KKKKKK",
  };
  const std::vector<uint8_t> bytes = GifBytes(AnimatedGif());
  FrameBudget budget(1 << 20);
  PictureFrames frames;
  std::string error;
  ASSERT_TRUE(DecodePictureFrames(bytes.data(), bytes.size(), budget, &frames, &error)) << error;
  ASSERT_EQ(frames.size(), 4u);
  const int delays[] = {20, 10, 10, 7};  // 0 and 1 show as 10
  for (size_t f = 0; f < 4; ++f) {
    EXPECT_EQ(frames[f].delay, delays[f]) << "frame " << f;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        const char c = kShown[f][y * 6 + x];
        const int32_t want = c == 'R' ? PackColour(255, 0, 0) : c == 'G' ? PackColour(0, 255, 0) : c == 'B' ? PackColour(0, 0, 255)
                             : c == 'K' ? PackColour(9, 9, 9) : PackColour(255, 255, 255);
        EXPECT_EQ(GetDibPixel(frames[f].image, x, y), want) << "frame " << f << " at " << x << "," << y;
      }
  }
  // The still picture is the first frame.
  DibImage still = DecodePictureFile(bytes.data(), bytes.size(), &error);
  ASSERT_NE(still, nullptr) << error;
  for (int x = 0; x < 6; ++x) EXPECT_EQ(GetDibPixel(still, x, 0), GetDibPixel(frames[0].image, x, 0));
  FreeDibImage(still);

  // Frames beyond the budget are refused, not made.
  FrameBudget small(3 * FrameBytes(6, 4));
  PictureFrames some;
  EXPECT_FALSE(DecodePictureFrames(bytes.data(), bytes.size(), small, &some, &error));
  EXPECT_NE(error.find("more memory"), std::string::npos) << error;
}

TEST(PictureFormats, AnimatedWebpFramesAreWholeCanvasesWithTheirDurations) {
  const int width = 8, height = 6;
  std::vector<std::vector<uint8_t>> canvases;
  for (int f = 0; f < 3; ++f) {
    std::vector<uint8_t> canvas;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const bool moved = x >= 2 * f && x < 2 * f + 3 && y >= 1 && y < 4;  // a square walking right
        canvas.insert(canvas.end(), {static_cast<uint8_t>(moved ? 250 : 10), static_cast<uint8_t>(20 * f),
                                     static_cast<uint8_t>(30 + x), static_cast<uint8_t>(y == 5 ? 100 : 255)});
      }
    canvases.push_back(canvas);
  }
  const std::vector<uint8_t> bytes = WebpAnimationBytes(canvases, {120, 8, 70}, width, height, true);
  FrameBudget budget(1 << 20);
  PictureFrames frames;
  std::string error;
  ASSERT_TRUE(DecodePictureFrames(bytes.data(), bytes.size(), budget, &frames, &error)) << error;
  ASSERT_EQ(frames.size(), 3u);
  const int delays[] = {12, 10, 7};  // 8 ms shows as 100 ms
  for (size_t f = 0; f < 3; ++f) {
    EXPECT_EQ(frames[f].delay, delays[f]) << "frame " << f;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = &canvases[f][(static_cast<size_t>(y) * width + x) * 4];
        EXPECT_EQ(GetDibPixel(frames[f].image, x, y), PackColour(Blend(p[0], p[3]), Blend(p[1], p[3]), Blend(p[2], p[3])))
            << "frame " << f << " at " << x << "," << y;
      }
  }
  DibImage still = DecodePictureFile(bytes.data(), bytes.size(), &error);
  ASSERT_NE(still, nullptr) << error;
  EXPECT_EQ(GetDibPixel(still, 3, 2), GetDibPixel(frames[0].image, 3, 2));
  FreeDibImage(still);
}

}  // namespace
