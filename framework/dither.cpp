#include "framework/dither.h"

#include "framework/dib_view.h"
#include "framework/pixel_rows.h"
#include "framework/work_buffer.h"

// Error terms are divided by 16 with an arithmetic shift, rounding toward minus infinity.
static_assert((-1 >> 4) == -1, "right shifts of negative values must be arithmetic");

namespace {

int ClampByte(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }

// The source's colours as (red, green, blue) for each index of a palette source.
void ReadSourceColours(const DibView& in, RgbPalette* colours) {
  if (in.bits() <= 8) ReadDibPalette(in.header(), colours);
}

// Two-level dither on the image's greys into a 1-bit output (set bit = white).
bool DitherTwoLevels(const DibView& in, const DibView& out, const ColourSettings& settings) {
  const int32_t width = in.width();
  const int32_t height = in.height();
  WorkBuffer<uint8_t> grey(static_cast<size_t>(width) * static_cast<size_t>(height));
  if (!grey.ok()) return false;
  uint8_t table[256];
  BuildBrightnessContrastTable(table, settings.ditherBrightness, settings.ditherContrast);

  RgbPalette colours;
  ReadSourceColours(in, &colours);
  uint8_t indexGrey[256];
  for (int i = 0; i < 256; ++i) {
    const RgbColour& c = colours.entries[i];
    indexGrey[i] = static_cast<uint8_t>(Luminance(c.red, c.green, c.blue));
  }
  int lowest = 255;
  int highest = 0;
  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* src = in.storedRow(row);
    uint8_t* g = grey.data() + static_cast<size_t>(row) * width;
    for (int32_t x = 0; x < width; ++x) {
      int value = in.bits() == 24 ? Luminance(src[3 * x + 2], src[3 * x + 1], src[3 * x])
                                  : indexGrey[ReadIndexPixel(src, x, in.bits())];
      g[x] = static_cast<uint8_t>(value);
      if (value < lowest) lowest = value;
      if (value > highest) highest = value;
    }
  }
  const int threshold = (highest + lowest) / 2;

  for (int32_t row = 0; row < height; ++row) {
    uint8_t* g = grey.data() + static_cast<size_t>(row) * width;
    uint8_t* below = row + 1 < height ? g + width : nullptr;  // the next stored row
    uint8_t* dst = out.storedRow(row);
    for (int32_t x = 0; x < width; ++x) {
      int v = table[g[x]];
      int error;
      if (v > threshold) {
        dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        error = v - highest;
      } else {
        error = v - lowest;
      }
      const int s = error >> 4;
      if (below) {
        if (x + 1 < width) below[x + 1] = static_cast<uint8_t>(ClampByte(below[x + 1] + s));
        if (x >= 2) below[x - 1] = static_cast<uint8_t>(ClampByte(below[x - 1] + 3 * s));
        below[x] = static_cast<uint8_t>(ClampByte(below[x] + 5 * s));
      }
      if (x + 1 < width) g[x + 1] = static_cast<uint8_t>(ClampByte(g[x + 1] + 7 * s));
    }
  }
  return true;
}

// Colour error diffusion into a 4- or 8-bit output. Only two rows of accumulators are
// kept, red, green, blue per pixel: the current row, which receives the source pixels
// and the error passed to the right, and the next row, which receives the error passed
// down. Values stay within -256..511, well inside 16 bits.
bool DitherColours(const DibView& in, const DibView& out, const RgbPalette* palette, int n,
                   const ColourSettings& settings) {
  const int32_t width = in.width();
  const int32_t height = in.height();
  const size_t rowValues = 3 * static_cast<size_t>(width);
  WorkBuffer<ColourLookup> lookup(1);
  WorkBuffer<int16_t> rows(2 * rowValues);
  if (!lookup.ok() || !rows.ok()) return false;
  PrepareColourLookup(lookup.data(), palette, n, settings.fastRemap != 0);
  RgbPalette colours;
  ReadSourceColours(in, &colours);
  int16_t* current = rows.data();
  int16_t* next = rows.data() + rowValues;
  const int depth = out.bits();

  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* src = in.storedRow(row);
    if (in.bits() == 24) {
      for (int32_t x = 0; x < width; ++x) {
        current[3 * x] = static_cast<int16_t>(current[3 * x] + src[3 * x + 2]);
        current[3 * x + 1] = static_cast<int16_t>(current[3 * x + 1] + src[3 * x + 1]);
        current[3 * x + 2] = static_cast<int16_t>(current[3 * x + 2] + src[3 * x]);
      }
    } else {
      for (int32_t x = 0; x < width; ++x) {
        const RgbColour& c = colours.entries[ReadIndexPixel(src, x, in.bits())];
        current[3 * x] = static_cast<int16_t>(current[3 * x] + c.red);
        current[3 * x + 1] = static_cast<int16_t>(current[3 * x + 1] + c.green);
        current[3 * x + 2] = static_cast<int16_t>(current[3 * x + 2] + c.blue);
      }
    }
    const bool lastRow = row + 1 == height;
    uint8_t* dst = out.storedRow(row);
    for (int32_t x = 0; x < width; ++x) {
      int16_t* here = current + 3 * x;
      const int r = ClampByte(here[0]);
      const int g = ClampByte(here[1]);
      const int b = ClampByte(here[2]);
      const int index = LookupColour(lookup.data(), r, g, b);
      WriteIndexPixel(dst, x, depth, index);
      const RgbColour& chosen = palette->entries[index];
      const int errors[3] = {r - chosen.red, g - chosen.green, b - chosen.blue};
      const bool hasRight = x + 1 < width;
      for (int c = 0; c < 3; ++c) {
        const int e = errors[c];
        if (hasRight) here[3 + c] = static_cast<int16_t>(here[3 + c] + ((7 * e) >> 4));
        if (lastRow) continue;
        int16_t* down = next + 3 * x + c;
        if (x >= 2) down[-3] = static_cast<int16_t>(down[-3] + ((3 * e) >> 4));
        if (hasRight) down[3] = static_cast<int16_t>(down[3] + (e >> 4));
        down[0] = static_cast<int16_t>(down[0] + ((5 * e) >> 4));
      }
    }
    // The next row becomes the current one; the old current row is cleared for reuse.
    int16_t* swap = current;
    current = next;
    next = swap;
    for (size_t i = 0; i < rowValues; ++i) next[i] = 0;
  }
  return true;
}

}  // namespace

void BuildBrightnessContrastTable(uint8_t table[256], int32_t brightness, int32_t contrast) {
  if (contrast > kSteepestDitherContrast) contrast = kSteepestDitherContrast;
  const double step = 256.0 / (256.0 - 2.0 * contrast);
  double v = static_cast<double>(brightness) - static_cast<double>(contrast);
  for (int i = 0; i < 256; ++i) {
    table[i] = v > 254 ? 254 : v < 1 ? 1 : static_cast<uint8_t>(v);
    v += step;
  }
}

DibImage DitherToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                         const ColourSettings& settings) {
  if (!palette || bits < 1 || bits > 8) return nullptr;
  n = PaletteCount(n);
  int32_t width = 0;
  int32_t height = 0;
  int sourceBits = 0;
  if (!GetDibImageInfo(image, &width, &height, &sourceBits, nullptr) || sourceBits == 1 ||
      !IsReducibleDepth(sourceBits))
    return nullptr;
  DibImage result = CreateDibImage(width, height, palette, bits);
  if (!result) return nullptr;
  bool done = false;
  {
    DibView in(image);
    DibView out(result);
    if (in.ok() && out.ok())
      done = bits == 1 ? DitherTwoLevels(in, out, settings) : DitherColours(in, out, palette, n, settings);
  }
  if (done) return result;
  FreeDibImage(result);
  return nullptr;
}
