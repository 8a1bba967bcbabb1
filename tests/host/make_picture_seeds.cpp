// Writes the picture seed corpus kept in tests/host/picture_seeds: small valid files of
// every format and kind the decoders read (valid-*), the same damaged in the ways hostile
// files are (damaged-*), and headers asking for pictures beyond the limits (hostile-*).
// The fuzz target starts from them, `ctest -R picture_fuzz_replay` replays them, and the
// Windows build's decoders are compared with the native ones on them.
//
//   make_picture_seeds DIRECTORY
#include <cstdio>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "samples/scenes.h"
#include "tests/host/picture_samples.h"
#include "tests/host/picture_writers.h"

namespace {

constexpr int kW = 16, kH = 12;

std::string g_directory;
int g_written = 0;

void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = g_directory + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "make_picture_seeds: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  ++g_written;
}

uint8_t R(int x, int y) { return static_cast<uint8_t>(30 + 13 * x + 2 * y); }
uint8_t G(int x, int y) { return static_cast<uint8_t>(20 + 15 * y + x); }
uint8_t B(int x, int y) { return static_cast<uint8_t>(220 - 6 * x - 7 * y); }
uint8_t A(int x, int y) { return static_cast<uint8_t>(x == 0 ? 0 : x == 1 ? 255 : (x * 37 + y * 11) % 256); }

std::vector<RgbColour> Table(int count) {
  std::vector<RgbColour> table;
  for (int i = 0; i < count; ++i)
    table.push_back(RgbColour{static_cast<uint8_t>(i * 255 / count), static_cast<uint8_t>(255 - 3 * i), static_cast<uint8_t>(i * 7)});
  return table;
}

PngSample Png(int colourType, int depth, bool interlaced) {
  PngSample png;
  png.width = kW;
  png.height = kH;
  png.colourType = colourType;
  png.depth = depth;
  png.interlaced = interlaced;
  const int top = depth == 16 ? 65535 : (1 << depth) - 1;
  auto scale = [top, depth](uint8_t v, int x) {
    return static_cast<uint16_t>(depth == 16 ? (v << 8 | ((x * 97) & 0xFF)) : v * top / 255);
  };
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      switch (colourType) {
        case 0: png.samples.push_back(scale(G(x, y), x)); break;
        case 2: png.samples.insert(png.samples.end(), {scale(R(x, y), x), scale(G(x, y), y), scale(B(x, y), x)}); break;
        case 3: png.samples.push_back(static_cast<uint16_t>((x + 3 * y) % (1 << (depth < 8 ? depth : 6)))); break;
        case 4: png.samples.insert(png.samples.end(), {scale(G(x, y), x), scale(A(x, y), y)}); break;
        case 6:
          png.samples.insert(png.samples.end(), {scale(R(x, y), x), scale(G(x, y), y), scale(B(x, y), x), scale(A(x, y), y)});
          break;
      }
    }
  if (colourType == 3) png.palette = Table(1 << (depth < 8 ? depth : 6));
  return png;
}

GifSampleFrame WholeFrame(int w, int h, int colours, bool interlaced) {
  GifSampleFrame frame;
  frame.width = w;
  frame.height = h;
  frame.interlaced = interlaced;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) frame.indexes.push_back(static_cast<uint8_t>((x + 3 * y) % colours));
  return frame;
}

GifSample Animation() {
  GifSample gif{kW, kH, Table(8), {}, true};
  for (int f = 0; f < 4; ++f) {
    GifSampleFrame frame;
    frame.left = 3 * f;
    frame.top = f;
    frame.width = 5;
    frame.height = 6;
    frame.disposal = f % 4;
    frame.delay = f == 1 ? 0 : 10 + 5 * f;
    frame.transparent = f == 2 ? 7 : -1;
    frame.interlaced = f == 3;
    for (int i = 0; i < 30; ++i) frame.indexes.push_back(static_cast<uint8_t>((i + f) % 8));
    gif.frames.push_back(frame);
  }
  return gif;
}

std::vector<uint8_t> Rgb() {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) rgb.insert(rgb.end(), {R(x, y), G(x, y), B(x, y)});
  return rgb;
}

std::vector<uint8_t> Rgba(bool alpha) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) rgba.insert(rgba.end(), {R(x, y), G(x, y), B(x, y), alpha ? A(x, y) : uint8_t{255}});
  return rgba;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t keep) {
  bytes.resize(keep < bytes.size() ? keep : bytes.size());
  return bytes;
}

std::vector<uint8_t> Flip(std::vector<uint8_t> bytes, size_t at, uint8_t mask) {
  if (at < bytes.size()) bytes[at] ^= mask;
  return bytes;
}

// The first frame header segment of a JPEG, found by its marker.
size_t FrameHeaderAt(const std::vector<uint8_t>& jpeg) {
  for (size_t at = 2; at + 1 < jpeg.size(); ++at)
    if (jpeg[at] == 0xFF && (jpeg[at + 1] == 0xC0 || jpeg[at + 1] == 0xC2)) return at;
  return 0;
}

void BmpSeeds() {
  for (int bits : {1, 4, 8}) {
    BmpSample bmp;
    bmp.width = kW;
    bmp.height = kH;
    bmp.bits = bits;
    bmp.table = Table(bits == 8 ? 40 : 1 << bits);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) bmp.pixels.push_back(static_cast<uint32_t>((x + 3 * y) % bmp.table.size()));
    Write("valid-" + std::to_string(bits) + "bit.bmp", BmpBytes(bmp));
    if (bits == 8) {
      bmp.headerSize = 12;
      bmp.table = Table(256);
      Write("valid-8bit-core-header.bmp", BmpBytes(bmp));
      // A colour table shorter than the indexes need.
      bmp.headerSize = 40;
      bmp.table = Table(2);
      Write("damaged-short-colour-table.bmp", BmpBytes(bmp));
    }
  }
  auto packed = [](int bits, int compression, int headerSize, int height, std::vector<uint32_t> masks,
                   uint32_t (*pack)(int, int)) {
    BmpSample bmp;
    bmp.headerSize = headerSize;
    bmp.width = kW;
    bmp.height = height;
    bmp.bits = bits;
    bmp.compression = compression;
    for (size_t i = 0; i < masks.size(); ++i) bmp.masks[i] = masks[i];
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) bmp.pixels.push_back(pack(x, y));
    return BmpBytes(bmp);
  };
  Write("valid-16bit-555.bmp", packed(16, 0, 40, kH, {}, [](int x, int y) {
          return static_cast<uint32_t>((R(x, y) >> 3) << 10 | (G(x, y) >> 3) << 5 | B(x, y) >> 3);
        }));
  Write("valid-16bit-565-masks.bmp", packed(16, 3, 40, kH, {0xF800, 0x07E0, 0x001F}, [](int x, int y) {
          return static_cast<uint32_t>((R(x, y) >> 3) << 11 | (G(x, y) >> 2) << 5 | B(x, y) >> 3);
        }));
  auto rgb = [](int x, int y) { return static_cast<uint32_t>(R(x, y) << 16 | G(x, y) << 8 | B(x, y)); };
  std::vector<uint8_t> plain = packed(24, 0, 40, kH, {}, rgb);
  Write("valid-24bit.bmp", plain);
  Write("valid-24bit-top-row-first.bmp", packed(24, 0, 40, -kH, {}, rgb));
  Write("valid-32bit.bmp", packed(32, 0, 40, kH, {}, rgb));
  Write("valid-32bit-alpha-v5.bmp", packed(32, 3, 124, kH, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, [](int x, int y) {
          return static_cast<uint32_t>(A(x, y)) << 24 | static_cast<uint32_t>(R(x, y) << 16 | G(x, y) << 8 | B(x, y));
        }));
  Write("damaged-cut-short.bmp", Cut(plain, plain.size() - 7));
  std::vector<uint8_t> rle = plain;
  rle[30] = 1;  // run-length compression
  Write("damaged-run-length.bmp", rle);
  std::vector<uint8_t> huge = plain;
  huge[18] = 0x00, huge[19] = 0x40, huge[20] = 0, huge[21] = 0;  // 16384 wide, 12 high: rows cut short
  Write("damaged-rows-missing.bmp", huge);
  std::vector<uint8_t> wide = plain;
  for (int i = 0; i < 4; ++i) wide[18 + i] = wide[22 + i] = static_cast<uint8_t>(i == 0 ? 0xA0 : i == 1 ? 0x86 : i == 2 ? 1 : 0);
  Write("hostile-100000-a-side.bmp", wide);
}

void GifSeeds() {
  GifSample still{kW, kH, Table(16), {}};
  still.frames.push_back(WholeFrame(kW, kH, 16, false));
  std::vector<uint8_t> stillBytes = GifBytes(still);
  Write("valid-still.gif", stillBytes);
  still.frames[0] = WholeFrame(kW, kH, 16, true);
  Write("valid-interlaced.gif", GifBytes(still));
  still.frames[0].transparent = 5;
  Write("valid-transparent.gif", GifBytes(still));
  GifSample part{kW, kH, Table(4), {}};
  GifSampleFrame corner = WholeFrame(6, 5, 4, false);
  corner.left = 4;
  corner.top = 3;
  part.frames.push_back(corner);
  Write("valid-first-frame-on-part.gif", GifBytes(part));
  GifSample beyond{4, 4, Table(4), {}};
  beyond.frames.push_back(WholeFrame(kW, kH, 4, false));
  Write("valid-first-frame-beyond-the-screen.gif", GifBytes(beyond));
  Write("valid-animated.gif", GifBytes(Animation()));
  // An index beyond the 4 colours of the table (the code size still allows 16).
  GifSample outside{kW, kH, Table(4), {}};
  outside.frames.push_back(WholeFrame(kW, kH, 16, false));
  std::vector<uint8_t> outsideBytes = GifBytes(outside);
  Write("damaged-index-beyond-palette.gif", outsideBytes);
  // The LZW code size of the first frame out of range: after the screen (13 bytes), the
  // 48-byte table, the control block (8) and the image descriptor (10).
  std::vector<uint8_t> codeSize = stillBytes;
  codeSize[13 + 48 + 8 + 10] = 12;
  Write("damaged-lzw-code-size.gif", codeSize);
  Write("damaged-cut-short.gif", Cut(stillBytes, stillBytes.size() - 20));
  std::vector<uint8_t> animation = GifBytes(Animation());
  Write("damaged-animation-cut-short.gif", Cut(animation, animation.size() * 2 / 3));
  Write("damaged-no-trailer.gif", Cut(animation, animation.size() - 1));
  GifSample huge{60000, 60000, Table(4), {}};
  Write("hostile-60000-a-side.gif", GifBytes(huge));
}

void PngSeeds() {
  Write("valid-rgb.png", PngFileBytes(Png(2, 8, false)));
  Write("valid-rgba.png", PngFileBytes(Png(6, 8, false)));
  Write("valid-rgba-interlaced.png", PngFileBytes(Png(6, 8, true)));
  Write("valid-rgb-16bit.png", PngFileBytes(Png(2, 16, false)));
  Write("valid-rgba-16bit-interlaced.png", PngFileBytes(Png(6, 16, true)));
  for (int depth : {1, 2, 4, 8, 16})
    Write("valid-grey-" + std::to_string(depth) + "bit.png", PngFileBytes(Png(0, depth, depth == 4)));
  Write("valid-grey-alpha.png", PngFileBytes(Png(4, 8, false)));
  Write("valid-grey-alpha-16bit.png", PngFileBytes(Png(4, 16, false)));
  PngSample greyKey = Png(0, 8, false);
  greyKey.transparentGrey = G(3, 2);
  Write("valid-grey-transparent-key.png", PngFileBytes(greyKey));
  PngSample greyKey2 = Png(0, 2, false);
  greyKey2.transparentGrey = 1;
  Write("valid-grey-2bit-transparent-key.png", PngFileBytes(greyKey2));
  PngSample rgbKey = Png(2, 8, false);
  rgbKey.transparentRgb[0] = R(5, 4), rgbKey.transparentRgb[1] = G(5, 4), rgbKey.transparentRgb[2] = B(5, 4);
  Write("valid-rgb-transparent-key.png", PngFileBytes(rgbKey));
  for (int depth : {1, 2, 4, 8})
    Write("valid-indexed-" + std::to_string(depth) + "bit.png", PngFileBytes(Png(3, depth, depth == 2)));
  PngSample seeThrough = Png(3, 8, false);
  for (int i = 0; i < 64; ++i) seeThrough.paletteAlpha.push_back(static_cast<uint8_t>(i % 3 == 0 ? 0 : i % 3 == 1 ? 128 : 255));
  Write("valid-indexed-transparent.png", PngFileBytes(seeThrough));
  PngSample repeated = Png(3, 8, false);
  repeated.palette[9] = repeated.palette[2];
  Write("valid-indexed-repeated-colour.png", PngFileBytes(repeated));
  std::vector<uint8_t> rgba = PngFileBytes(Png(6, 8, false));
  Write("damaged-cut-short.png", Cut(rgba, rgba.size() - 30));
  Write("damaged-idat-crc.png", Flip(rgba, rgba.size() - 20, 0x10));
  Write("damaged-header-crc.png", Flip(rgba, 29, 0x01));
  std::vector<uint8_t> big = rgba;
  big[16] = 0, big[17] = 0, big[18] = 0x4E, big[19] = 0x20, big[20] = 0, big[21] = 0, big[22] = 0x4E, big[23] = 0x20;
  Write("hostile-20000-a-side.png", big);
  std::vector<uint8_t> heavy = rgba;
  heavy[18] = 0x3E, heavy[19] = 0x80, heavy[22] = 0x3E, heavy[23] = 0x80;  // 16000 x 16000
  Write("hostile-768-mib.png", heavy);
}

void JpegSeeds() {
  const std::vector<uint8_t> rgb = Rgb();
  std::vector<uint8_t> grey, cmyk;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      grey.push_back(G(x, y));
      cmyk.insert(cmyk.end(), {R(x, y), G(x, y), B(x, y), static_cast<uint8_t>(160 + 5 * x)});
    }
  JpegOptions plain, progressive, greyOptions, cmykOptions, turned;
  progressive.progressive = true;
  greyOptions.grey = true;
  cmykOptions.cmyk = true;
  turned.orientation = 6;
  const std::vector<uint8_t> baseline = JpegFileBytes(rgb, kW, kH, plain);
  Write("valid-baseline.jpg", baseline);
  Write("valid-progressive.jpg", JpegFileBytes(rgb, kW, kH, progressive));
  Write("valid-grey.jpg", JpegFileBytes(grey, kW, kH, greyOptions));
  Write("valid-cmyk-adobe.jpg", JpegFileBytes(cmyk, kW, kH, cmykOptions));
  Write("valid-turned-a-quarter.jpg", JpegFileBytes(rgb, kW, kH, turned));
  // A photograph-like scene with sharp edges, its colour planes halved both ways.
  DibImage scene = RenderScene(64, 48, 7);
  std::vector<uint8_t> photo;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const int32_t c = GetDibPixel(scene, x, y);
      photo.insert(photo.end(), {static_cast<uint8_t>(PackedRed(c)), static_cast<uint8_t>(PackedGreen(c)),
                                 static_cast<uint8_t>(PackedBlue(c))});
    }
  FreeDibImage(scene);
  JpegOptions photoOptions;
  photoOptions.quality = 85;
  Write("valid-photograph.jpg", JpegFileBytes(photo, 64, 48, photoOptions));
  Write("damaged-cut-short.jpg", Cut(baseline, baseline.size() * 3 / 4));
  Write("damaged-no-frame-header.jpg", Cut(baseline, FrameHeaderAt(baseline)));
  std::vector<uint8_t> big = baseline;
  const size_t frame = FrameHeaderAt(baseline);
  big[frame + 5] = big[frame + 6] = big[frame + 7] = big[frame + 8] = 0xFF;
  Write("hostile-65535-a-side.jpg", big);
  // 149 bytes: a Huffman table whose counts declare more codes than the segment holds.
  std::vector<uint8_t> table = {0xFF, 0xD8,
                                0xFF, 0xDB, 0x00, 0x43, 0x00};
  for (int i = 0; i < 64; ++i) table.push_back(1);
  table.insert(table.end(), {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00});
  table.insert(table.end(), {0xFF, 0xC4, 0x00, 0x1F, 0x00});
  for (int i = 0; i < 16; ++i) table.push_back(i < 8 ? 0xFF : 0);  // counts: far more than 12 values
  for (int i = 0; i < 12; ++i) table.push_back(static_cast<uint8_t>(i));
  table.insert(table.end(), {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
  while (table.size() < 147) table.push_back(0x55);
  table.insert(table.end(), {0xFF, 0xD9});
  Write("damaged-huffman-table-overrun.jpg", table);
}

void WebpSeeds() {
  Write("valid-lossless.webp", WebpFileBytes(Rgba(false), kW, kH, -1));
  Write("valid-lossless-alpha.webp", WebpFileBytes(Rgba(true), kW, kH, -1));
  const std::vector<uint8_t> lossy = WebpFileBytes(Rgba(false), kW, kH, 90);
  Write("valid-lossy.webp", lossy);
  Write("valid-lossy-alpha.webp", WebpFileBytes(Rgba(true), kW, kH, 90));
  std::vector<std::vector<uint8_t>> frames;
  for (int f = 0; f < 3; ++f) {
    std::vector<uint8_t> canvas = Rgba(f == 1);
    for (int y = 2; y < 6; ++y)
      for (int x = 3 * f; x < 3 * f + 4; ++x) canvas[(static_cast<size_t>(y) * kW + x) * 4] = 250;
    frames.push_back(canvas);
  }
  std::vector<uint8_t> animation = WebpAnimationBytes(frames, {100, 5, 250}, kW, kH, true);
  Write("valid-animated-lossless.webp", animation);
  Write("valid-animated-lossy.webp", WebpAnimationBytes(frames, {40, 40, 40}, kW, kH, false));
  Write("damaged-cut-short.webp", Cut(lossy, lossy.size() - 9));
  Write("damaged-animation-cut-short.webp", Cut(animation, animation.size() * 2 / 3));
  std::vector<uint8_t> huge = WebpFileBytes(Rgba(false), kW, kH, -1);
  const uint32_t bits = 0x3FFFu | 0x3FFFu << 14 | (huge[24] & 0xF0u) << 24;
  for (int i = 0; i < 4; ++i) huge[21 + i] = static_cast<uint8_t>(bits >> (8 * i));
  Write("hostile-16384-a-side.webp", huge);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_picture_seeds DIRECTORY\n");
    return 2;
  }
  g_directory = argv[1];
  BmpSeeds();
  GifSeeds();
  PngSeeds();
  JpegSeeds();
  WebpSeeds();
  Write("damaged-not-a-picture.txt", std::vector<uint8_t>{'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  std::printf("make_picture_seeds: %d files in %s\n", g_written, g_directory.c_str());
  return 0;
}
