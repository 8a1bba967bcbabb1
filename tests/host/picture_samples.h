// Picture files made byte by byte for the decoder tests: GIFs written with giflib (every
// target), BMPs laid out by hand, so that a test can name exactly what a file holds,
// damaged parts included.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/palette_types.h"

struct GifSampleFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indexes;       // width x height, top row first
  std::vector<RgbColour> localTable;  // empty: the global table
  int transparent = -1;               // the transparent index, -1 none
  int disposal = 0;                   // 0 unspecified, 1 leave, 2 background, 3 previous
  int delay = 0;                      // hundredths of a second
  bool interlaced = false;
  bool control = true;                // write a graphics control block
};

struct GifSample {
  int width = 0, height = 0;
  std::vector<RgbColour> globalTable;  // a power of two from 2 to 256 entries, or empty
  std::vector<GifSampleFrame> frames;
  bool loops = false;
};

// The GIF file of the sample.
std::vector<uint8_t> GifBytes(const GifSample& sample);

// A BMP with an info header of 40 bytes, `bits` 1, 4 or 8, the colour table as given
// (biClrUsed its size) and `indexes` (width x height, top row first) stored bottom-up.
std::vector<uint8_t> IndexedBmpBytes(int width, int height, int bits, const std::vector<RgbColour>& table,
                                     const std::vector<uint8_t>& indexes);

// Any uncompressed or masked BMP: the header of `headerSize` bytes (12, 40, 56, 108, 124),
// the masks after a 40-byte header when `compression` is 3, the table, then the pixel
// values (width x height, top row first; indexes, or packed values of `bits`) stored in
// the order the height's sign says.
struct BmpSample {
  int headerSize = 40;
  int width = 0, height = 0;  // a negative height stores the top row first
  int bits = 24;
  int compression = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  std::vector<RgbColour> table;
  std::vector<uint32_t> pixels;
};
std::vector<uint8_t> BmpBytes(const BmpSample& sample);
