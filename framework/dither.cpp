#include "framework/dither.h"

#include <emmintrin.h>

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

// Colour error diffusion into a 4- or 8-bit output.
//
// Each pixel waits for the one to its left, so a row is one long chain of dependent
// steps. Up to four rows are therefore dithered together, each two pixels behind the
// one before: by then all the error a row passes down to a pixel has arrived. Every sum
// is the same as when the rows are done one after the other, so the result is too.
//
// Two rows of accumulators serve any number of rows in flight. Each row reads the error
// passed down to it from one buffer and writes the error it passes down into the other.
// The error for the pixel below x - 1 is complete once pixel x is done, so it is stored
// then, whole, at a place the row reading that buffer has already passed; until then
// the error for x - 1 and x is kept in registers, as is the error for the pixel to the
// right. A pixel takes four 16-bit values (blue, green, red and one unused), one 8-byte
// load or store. Values stay within -256..511, well inside 16 bits.
constexpr int kRowsInFlight = 4;
constexpr int kRowLag = 2;

struct DitherRow {
  const uint8_t* source;
  const int16_t* above;  // error passed down to this row
  int16_t* below;        // error this row passes down; null on the last row
  uint8_t* output;
  __m128i right;   // error for the next pixel of the row
  __m128i near;    // error gathered so far for below x - 1
  __m128i far;     // for below x
};

struct ColourDither {
  ColourLookup* lookup;
  const uint32_t* sourceKeys;  // colour keys of a 4- or 8-bit source's table
  int32_t width;
};

template <int SourceBits, int Depth, bool FastRemap>
__attribute__((always_inline)) inline void DitherPixel(const ColourDither& d, DitherRow& row, int32_t x) {
  const __m128i zero = _mm_setzero_si128();
  uint32_t sourceKey;
  if (SourceBits == 24) {
    const uint8_t* p = row.source + 3 * static_cast<size_t>(x);
    sourceKey = p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
  } else {
    sourceKey = d.sourceKeys[ReadIndexPixel(row.source, x, SourceBits)];
  }
  const __m128i source = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(sourceKey)), zero);
  const __m128i above = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.above + 4 * static_cast<size_t>(x)));
  __m128i colour = _mm_add_epi16(_mm_add_epi16(above, source), row.right);
  colour = _mm_min_epi16(_mm_max_epi16(colour, zero), _mm_set1_epi16(255));
  const uint32_t key = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(colour, zero))) & 0xFFFFFFu;
  const uint32_t record = FastRemap ? LookupFastRecord(d.lookup, key) : LookupNearestRecord(d.lookup, key);
  WriteIndexPixel(row.output, x, Depth, static_cast<int>(record >> 24));
  const __m128i chosen = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(record & 0xFFFFFFu)), zero);
  const __m128i error = _mm_sub_epi16(colour, chosen);
  // 3e, 5e and 7e by shifts and adds: no multiplier constants to keep in registers.
  const __m128i twice = _mm_add_epi16(error, error);
  const __m128i four = _mm_add_epi16(twice, twice);
  row.right = _mm_srai_epi16(_mm_sub_epi16(_mm_add_epi16(four, four), error), 4);
  if (!row.below) return;
  if (x >= 1) {
    __m128i done = row.near;  // below x - 1; pixel 1 passes nothing down-left
    if (x >= 2) done = _mm_add_epi16(done, _mm_srai_epi16(_mm_add_epi16(twice, error), 4));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row.below + 4 * static_cast<size_t>(x - 1)), done);
  }
  row.near = _mm_add_epi16(row.far, _mm_srai_epi16(_mm_add_epi16(four, error), 4));
  row.far = _mm_srai_epi16(error, 4);  // below x + 1; dropped after the last pixel
  if (x + 1 == d.width)
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row.below + 4 * static_cast<size_t>(x)), row.near);
}

template <int SourceBits, int Depth, bool FastRemap>
void DitherRows(const ColourDither& d, const DibView& in, const DibView& out, int16_t* first, int16_t* second) {
  const int32_t width = d.width;
  const int32_t height = in.height();
  int16_t* buffers[2] = {first, second};
  for (int32_t top = 0; top < height; top += kRowsInFlight) {
    const int count = height - top < kRowsInFlight ? height - top : kRowsInFlight;
    DitherRow rows[kRowsInFlight];
    for (int k = 0; k < count; ++k) {
      const int32_t row = top + k;
      rows[k] = {in.storedRow(row), buffers[k & 1], row + 1 < height ? buffers[(k + 1) & 1] : nullptr,
                 out.storedRow(row), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    }
    const int32_t steps = width + kRowLag * (count - 1);
    auto anyStep = [&](int32_t step) {
      for (int k = 0; k < count; ++k) {
        const int32_t x = step - kRowLag * k;
        if (x >= 0 && x < width) DitherPixel<SourceBits, Depth, FastRemap>(d, rows[k], x);
      }
    };
    int32_t step = 0;
    const int32_t allStarted = kRowLag * (kRowsInFlight - 1);
    if (count == kRowsInFlight && width > allStarted) {
      for (; step < allStarted; ++step) anyStep(step);
      // All four rows under way: plain locals, so they live in registers.
      DitherRow r0 = rows[0], r1 = rows[1], r2 = rows[2], r3 = rows[3];
      for (; step < width; ++step) {
        DitherPixel<SourceBits, Depth, FastRemap>(d, r0, step);
        DitherPixel<SourceBits, Depth, FastRemap>(d, r1, step - kRowLag);
        DitherPixel<SourceBits, Depth, FastRemap>(d, r2, step - 2 * kRowLag);
        DitherPixel<SourceBits, Depth, FastRemap>(d, r3, step - 3 * kRowLag);
      }
      rows[0] = r0, rows[1] = r1, rows[2] = r2, rows[3] = r3;
    }
    for (; step < steps; ++step) anyStep(step);
  }
}

template <int SourceBits, bool FastRemap>
void DitherRowsTo(int depth, const ColourDither& d, const DibView& in, const DibView& out, int16_t* first,
                  int16_t* second) {
  if (depth == 4) DitherRows<SourceBits, 4, FastRemap>(d, in, out, first, second);
  else DitherRows<SourceBits, 8, FastRemap>(d, in, out, first, second);
}

template <bool FastRemap>
void DitherRowsFrom(int sourceBits, int depth, const ColourDither& d, const DibView& in, const DibView& out,
                    int16_t* first, int16_t* second) {
  if (sourceBits == 24) DitherRowsTo<24, FastRemap>(depth, d, in, out, first, second);
  else if (sourceBits == 8) DitherRowsTo<8, FastRemap>(depth, d, in, out, first, second);
  else DitherRowsTo<4, FastRemap>(depth, d, in, out, first, second);
}

bool DitherColours(const DibView& in, const DibView& out, const RgbPalette* palette, int n,
                   const ColourSettings& settings) {
  const size_t rowValues = 4 * static_cast<size_t>(in.width());
  WorkBuffer<ColourLookup> lookup(1);
  WorkBuffer<int16_t> rows(2 * rowValues);
  if (!lookup.ok() || !rows.ok()) return false;
  PrepareColourLookup(lookup.data(), palette, n, settings.fastRemap != 0);
  RgbPalette colours;
  ReadSourceColours(in, &colours);
  uint32_t sourceKeys[256];
  for (int i = 0; i < 256; ++i) sourceKeys[i] = ColourKey(colours.entries[i].red, colours.entries[i].green, colours.entries[i].blue);
  const ColourDither d{lookup.data(), sourceKeys, in.width()};
  int16_t* first = rows.data();  // the first row reads zeros here
  int16_t* second = rows.data() + rowValues;
  if (settings.fastRemap) DitherRowsFrom<true>(in.bits(), out.bits(), d, in, out, first, second);
  else DitherRowsFrom<false>(in.bits(), out.bits(), d, in, out, first, second);
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
  int32_t width = 0;
  int32_t height = 0;
  int sourceBits = 0;
  if (!ReadReductionSource(image, palette, bits, &width, &height, &sourceBits) || sourceBits == 1) return nullptr;
  n = PaletteCount(n);
  OwnedDib result(CreateDibImage(width, height, palette, bits));
  DibView in(image);
  DibView out(result.get());
  if (!in.ok() || !out.ok()) return nullptr;
  const bool done = bits == 1 ? DitherTwoLevels(in, out, settings) : DitherColours(in, out, palette, n, settings);
  return done ? result.release() : nullptr;
}
