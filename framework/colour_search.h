// Colour search shared by remapping and dithering: the exact match, the weighted
// nearest-colour search and the FastRemapTable shortcut, plus the per-call lookup that
// the pixel loops use.
#pragma once

#include <cstdint>

#include "framework/palette_types.h"

// The three integer settings colour reduction reads (plug-in settings, no dialog control).
struct ColourSettings {
  int32_t fastRemap = 1;          // 1: exact match, else the FastRemapTable cell
  int32_t ditherBrightness = 20;  // two-level dither: offset of the grey table
  int32_t ditherContrast = 20;    // two-level dither: steepness of the grey table
};

// The first index below n whose entry equals the colour (low 8 bits of each argument
// compared), or -1.
int ExactPaletteIndex(int red, int green, int blue, const RgbPalette* palette, int n);

// The exact match if there is one, otherwise the index below n minimising
// 3 dr^2 + 4 dg^2 + 2 db^2, the lowest index winning ties; 0 when n is 0.
int NearestPaletteIndex(int red, int green, int blue, const RgbPalette* palette, int n);

// FastRemapTable: for each cell of the top four bits of red, green and blue, the nearest
// palette index to the cell's low corner (16 r, 16 g, 16 b).
constexpr int kFastRemapCells = 4096;
inline int FastRemapCell(int red, int green, int blue) {
  return ((red & 0xFF) >> 4) + ((green & 0xFF) >> 4) * 16 + ((blue & 0xFF) >> 4) * 256;
}
struct FastRemapTable {
  uint8_t index[kFastRemapCells];
};
void BuildFastRemapTable(FastRemapTable* table, const RgbPalette* palette, int n);

// Nearest-colour search with the same result as NearestPaletteIndex for colours of
// 0..255, without measuring every entry: the entries are kept in green order and the
// scan in each direction stops once the green difference alone costs more than the best
// distance so far (an entry at exactly that cost is still measured, so ties still go
// to the lowest index).
struct NearestSearch {
  int count;
  uint8_t red[256], green[256], blue[256], index[256];
  uint16_t firstAtGreen[257];  // first sorted position whose green is >= g
};
void PrepareNearestSearch(NearestSearch* search, const RgbPalette* palette, int n);
int FindNearest(const NearestSearch* search, int red, int green, int blue);

// The colour lookup of one remapping or dithering call. With FastRemap on: the exact
// match, else the FastRemapTable entry of the colour's cell; with it off: the nearest
// colour. Exact matches are found through the palette entries that fall in the colour's
// cell, in index order, so the first equal entry still wins; nearest results are kept
// in a small direct-mapped cache. Large: allocate it with the call's work memory.
struct ColourLookup {
  int fastRemap;
  const RgbPalette* palette;
  NearestSearch nearest;
  FastRemapTable table;
  uint16_t cellStart[kFastRemapCells + 1];  // entries of cell c: cellStart[c] .. [c + 1]
  uint32_t cellColour[256];                 // packed red, green, blue
  uint8_t cellIndex[256];
  static constexpr uint32_t kCacheSize = 1u << 14;
  uint32_t cacheKey[kCacheSize];  // colour | kCacheValid, or 0 when empty
  uint8_t cacheIndex[kCacheSize];
  static constexpr uint32_t kCacheValid = 1u << 24;
};
void PrepareColourLookup(ColourLookup* lookup, const RgbPalette* palette, int n, int fastRemap);

// The lookup of a colour whose channels are 0..255.
inline int LookupColour(ColourLookup* lookup, int red, int green, int blue) {
  uint32_t colour = static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 |
                    static_cast<uint32_t>(blue) << 16;
  if (lookup->fastRemap) {
    int cell = FastRemapCell(red, green, blue);
    for (int k = lookup->cellStart[cell]; k < lookup->cellStart[cell + 1]; ++k)
      if (lookup->cellColour[k] == colour) return lookup->cellIndex[k];
    return lookup->table.index[cell];
  }
  uint32_t slot = (colour * 0x9E3779B1u) >> 18;
  if (lookup->cacheKey[slot] == (colour | ColourLookup::kCacheValid)) return lookup->cacheIndex[slot];
  int index = FindNearest(&lookup->nearest, red, green, blue);
  lookup->cacheKey[slot] = colour | ColourLookup::kCacheValid;
  lookup->cacheIndex[slot] = static_cast<uint8_t>(index);
  return index;
}

// Clamps a colour count to the 0..256 entries a palette has.
inline int PaletteCount(int n) { return n < 0 ? 0 : n > 256 ? 256 : n; }
