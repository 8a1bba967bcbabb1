#include "framework/remap.h"

#include "framework/dib_view.h"
#include "framework/pixel_rows.h"
#include "framework/work_buffer.h"

namespace {

// Luminance above which a pixel becomes a set bit at 1-bit output.
constexpr int kBrightLuminance = 128;

// Fills `out` (zeroed, depth 1, 4 or 8) from `in` (1, 4, 8 or 24 bits).
void RemapRows(const DibView& in, const DibView& out, const RgbPalette* palette, int n,
               int fastRemap, ColourLookup* lookup) {
  const int sourceBits = in.bits();
  const int depth = out.bits();
  const int32_t width = in.width();
  // Palette sources: each colour-table entry mapped once, always by the full search.
  int mapped[256] = {};
  bool bright[256] = {};
  if (sourceBits <= 8) {
    RgbPalette source;
    int entries = ReadDibPalette(in.header(), &source);
    for (int i = 0; i < entries; ++i) {
      const RgbColour& c = source.entries[i];
      mapped[i] = NearestPaletteIndex(c.red, c.green, c.blue, palette, n);
      bright[i] = Luminance(c.red, c.green, c.blue) > kBrightLuminance;
    }
  }
  // 1-bit sources at more than 1 bit: white and black. With FastRemap the white found by
  // the table is the nearest colour to its last cell's corner (240, 240, 240).
  int white = NearestPaletteIndex(255, 255, 255, palette, n);
  if (fastRemap && ExactPaletteIndex(255, 255, 255, palette, n) < 0)
    white = NearestPaletteIndex(240, 240, 240, palette, n);
  const int black = NearestPaletteIndex(0, 0, 0, palette, n);

  for (int32_t row = 0; row < in.height(); ++row) {
    const uint8_t* src = in.storedRow(row);
    uint8_t* dst = out.storedRow(row);
    if (sourceBits == 24 && depth == 8) {  // the common case, kept tight
      for (int32_t x = 0; x < width; ++x, src += 3) {
        const uint32_t key = src[0] | static_cast<uint32_t>(src[1]) << 8 | static_cast<uint32_t>(src[2]) << 16;
        dst[x] = static_cast<uint8_t>(LookupKeyRecord(lookup, key) >> 24);
      }
      continue;
    }
    for (int32_t x = 0; x < width; ++x) {
      int value;
      if (sourceBits == 24) {
        const uint8_t* p = src + 3 * static_cast<size_t>(x);
        value = depth == 1 ? Luminance(p[2], p[1], p[0]) > kBrightLuminance
                           : LookupColour(lookup, p[2], p[1], p[0]);
      } else {
        int index = ReadIndexPixel(src, x, sourceBits);
        if (sourceBits == 1) value = depth == 1 ? index : (index ? white : black);
        else value = depth == 1 ? bright[index] : mapped[index];
      }
      WriteIndexPixel(dst, x, depth, value);
    }
  }
}

}  // namespace

DibImage RemapToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                        const ColourSettings& settings) {
  int32_t width = 0;
  int32_t height = 0;
  int sourceBits = 0;
  if (!ReadReductionSource(image, palette, bits, &width, &height, &sourceBits)) return nullptr;
  n = PaletteCount(n);
  const int fastRemap = settings.fastRemap != 0;
  // Only true-colour pixels at more than 1 bit go through the colour lookup.
  const bool needsLookup = sourceBits == 24 && DepthForBits(bits) > 1;
  WorkBuffer<ColourLookup> lookup(needsLookup ? 1 : 0);
  if (needsLookup && !lookup.ok()) return nullptr;
  if (needsLookup) PrepareColourLookup(lookup.data(), palette, n, fastRemap);

  OwnedDib result(CreateDibImage(width, height, palette, bits));
  DibView in(image);
  DibView out(result.get());
  if (!in.ok() || !out.ok()) return nullptr;
  RemapRows(in, out, palette, n, fastRemap, lookup.data());
  return result.release();
}
