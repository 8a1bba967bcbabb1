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

// What every pixel of a colour dither reads.
struct ColourDither {
  ColourLookup* lookup;
  const RgbPalette* sourceColours;  // colour table of a 4- or 8-bit source
  int sourceBits;
  int32_t width;
};

// One row being dithered. Its accumulators hold, red, green, blue per pixel, the error
// passed down from the row before; each pixel's are cleared once read, so the buffer can
// take the error for the row after next. The error passed to the right is the carry.
struct DitherRow {
  const uint8_t* source;
  int16_t* accumulators;
  int16_t* below;  // the next row's accumulators; null on the last row
  uint8_t* output;
  int carry[3];
};

// Inlined into a loop specialised for the source and output depths, so that the carry
// stays in registers and the depth tests disappear from the pixel loop.
template <int SourceBits, int Depth>
__attribute__((always_inline)) inline void DitherPixel(const ColourDither& d, DitherRow& row, int32_t x) {
  int sr, sg, sb;
  if (SourceBits == 24) {
    const uint8_t* p = row.source + 3 * static_cast<size_t>(x);
    sr = p[2], sg = p[1], sb = p[0];
  } else {
    const RgbColour& c = d.sourceColours->entries[ReadIndexPixel(row.source, x, SourceBits)];
    sr = c.red, sg = c.green, sb = c.blue;
  }
  int16_t* a = row.accumulators + 3 * static_cast<size_t>(x);
  const int r = ClampByte(a[0] + sr + row.carry[0]);
  const int g = ClampByte(a[1] + sg + row.carry[1]);
  const int b = ClampByte(a[2] + sb + row.carry[2]);
  a[0] = a[1] = a[2] = 0;
  const uint32_t record = LookupColourRecord(d.lookup, r, g, b);
  WriteIndexPixel(row.output, x, Depth, static_cast<int>(record >> 24));
  const int er = r - static_cast<int>(record & 0xFF);
  const int eg = g - static_cast<int>((record >> 8) & 0xFF);
  const int eb = b - static_cast<int>((record >> 16) & 0xFF);
  row.carry[0] = (7 * er) >> 4;
  row.carry[1] = (7 * eg) >> 4;
  row.carry[2] = (7 * eb) >> 4;
  if (!row.below) return;
  int16_t* down = row.below + 3 * static_cast<size_t>(x);
  auto add = [](int16_t* at, int value) { *at = static_cast<int16_t>(*at + value); };
  if (x >= 2) {
    add(down - 3, (3 * er) >> 4);
    add(down - 2, (3 * eg) >> 4);
    add(down - 1, (3 * eb) >> 4);
  }
  if (x + 1 < d.width) {
    add(down + 3, er >> 4);
    add(down + 4, eg >> 4);
    add(down + 5, eb >> 4);
  }
  add(down, (5 * er) >> 4);
  add(down + 1, (5 * eg) >> 4);
  add(down + 2, (5 * eb) >> 4);
}

// Colour error diffusion into a 4- or 8-bit output, with two rows of accumulators.
// Accumulated values stay within -256..511, well inside 16 bits.
//
// Each pixel waits for the one to its left, so a row is one long chain of dependent
// steps. Rows are therefore dithered in pairs, the second two pixels behind the first:
// by then all the error the first row passes to a pixel of the second has arrived, and
// the second row passes its own error down into the first buffer at places the first
// row has already read. The two chains interleave, and every sum is the same as row by
// row, so the result is too.
template <int SourceBits, int Depth>
void DitherRows(const ColourDither& d, const DibView& in, const DibView& out, int16_t* first, int16_t* second) {
  const int32_t width = d.width;
  const int32_t height = in.height();

  int32_t row = 0;
  for (; row + 1 < height; row += 2) {
    DitherRow upper{in.storedRow(row), first, second, out.storedRow(row), {0, 0, 0}};
    DitherRow lower{in.storedRow(row + 1), second, row + 2 < height ? first : nullptr,
                    out.storedRow(row + 1), {0, 0, 0}};
    for (int32_t x = 0; x < width; ++x) {
      DitherPixel<SourceBits, Depth>(d, upper, x);
      if (x >= 2) DitherPixel<SourceBits, Depth>(d, lower, x - 2);
    }
    for (int32_t x = width >= 2 ? width - 2 : 0; x < width; ++x) DitherPixel<SourceBits, Depth>(d, lower, x);
  }
  if (row < height) {
    DitherRow last{in.storedRow(row), first, nullptr, out.storedRow(row), {0, 0, 0}};
    for (int32_t x = 0; x < width; ++x) DitherPixel<SourceBits, Depth>(d, last, x);
  }
}

template <int SourceBits>
void DitherRowsTo(int depth, const ColourDither& d, const DibView& in, const DibView& out, int16_t* first,
                  int16_t* second) {
  if (depth == 4) DitherRows<SourceBits, 4>(d, in, out, first, second);
  else DitherRows<SourceBits, 8>(d, in, out, first, second);
}

bool DitherColours(const DibView& in, const DibView& out, const RgbPalette* palette, int n,
                   const ColourSettings& settings) {
  const size_t rowValues = 3 * static_cast<size_t>(in.width());
  WorkBuffer<ColourLookup> lookup(1);
  WorkBuffer<int16_t> rows(2 * rowValues);
  if (!lookup.ok() || !rows.ok()) return false;
  PrepareColourLookup(lookup.data(), palette, n, settings.fastRemap != 0);
  RgbPalette colours;
  ReadSourceColours(in, &colours);
  const ColourDither d{lookup.data(), &colours, in.bits(), in.width()};
  int16_t* first = rows.data();
  int16_t* second = rows.data() + rowValues;
  if (in.bits() == 24) DitherRowsTo<24>(out.bits(), d, in, out, first, second);
  else if (in.bits() == 8) DitherRowsTo<8>(out.bits(), d, in, out, first, second);
  else DitherRowsTo<4>(out.bits(), d, in, out, first, second);
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
