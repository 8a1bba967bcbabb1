// Colour search shared by remapping and dithering: the exact match, the weighted
// nearest-colour search and the FastRemapTable shortcut, plus the per-call lookup that
// the pixel loops use.
#pragma once

#include <cstdint>

#include "framework/palette_types.h"

// The three integer settings colour reduction reads (plug-in settings, no dialog control).
struct ColourSettings {
  int32_t fastRemap = 1;          // 1: exact match, else the FastRemapTable; 0: nearest colour
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
// palette index to the cell's low corner (16 r, 16 g, 16 b). Entry k is the cell
// r = k & 15, g = (k >> 4) & 15, b = k >> 8.
constexpr int kFastRemapCells = 4096;
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
// colour. Colours are keys in the byte order of 24-bit pixels, blue | green << 8 |
// red << 16, and results are records: the chosen palette entry's key | index << 24.
//
// An exact match can only be a palette colour in the same cell. A cell holding one
// distinct palette colour keeps that colour's record beside the table's, and the choice
// between the two is a comparison without a branch (dithered colours crowd around the
// palette's, so a branch here would be mispredicted often). Cells with several distinct
// colours search their entries in index order, so the first equal entry still wins.
// A cell's FastRemapTable entry is found the first time a colour falls in the cell: an
// image meets a small part of the 4096 cells. Nearest results are kept in a small
// direct-mapped cache. Large: allocate it with the call's work memory.
struct ColourLookup {
  struct Cell {
    uint32_t exact;     // record of the cell's palette colour; a key of another cell if none
    uint32_t fallback;  // the FastRemapTable entry of the cell, as a record
  };
  int fastRemap;
  NearestSearch nearest;
  Cell cells[kFastRemapCells];  // indexed by KeyCell
  static constexpr uint8_t kCrowded = 1;  // several distinct palette colours in the cell
  static constexpr uint8_t kPending = 2;  // the cell's table entry is not found yet
  uint8_t state[kFastRemapCells];
  uint16_t entryStart[kFastRemapCells + 1];  // palette entries of cell c: [c] .. [c + 1]
  uint32_t entryKey[256];
  uint8_t entryIndex[256];
  uint32_t record[256];  // of each palette index
  static constexpr uint32_t kCacheSize = 1u << 14;
  static constexpr uint32_t kCacheValid = 1u << 24;
  uint32_t cacheKey[kCacheSize];  // key | kCacheValid, or 0 when empty
  uint32_t cacheRecord[kCacheSize];
};
void PrepareColourLookup(ColourLookup* lookup, const RgbPalette* palette, int n, int fastRemap);

inline uint32_t ColourKey(int red, int green, int blue) {
  return static_cast<uint32_t>(blue) | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(red) << 16;
}
// The cell of a key, blue's top bits lowest: blue4 | green4 << 4 | red4 << 8.
inline int KeyCell(uint32_t key) {
  return static_cast<int>(((key >> 4) & 0x00F) | ((key >> 8) & 0x0F0) | ((key >> 12) & 0xF00));
}

// The nearest colour, through the cache.
uint32_t LookupNearestRecord(ColourLookup* lookup, uint32_t key);
// The lookup of a key whose cell is crowded or pending.
uint32_t LookupCellRecord(ColourLookup* lookup, uint32_t key);

// The record of a colour key (channels 0..255) with FastRemap on.
inline uint32_t LookupFastRecord(ColourLookup* lookup, uint32_t key) {
  const int cell = KeyCell(key);
  if (lookup->state[cell]) return LookupCellRecord(lookup, key);
  const ColourLookup::Cell& c = lookup->cells[cell];
  return (c.exact & 0xFFFFFFu) == key ? c.exact : c.fallback;
}

// The record of a colour key (channels 0..255).
inline uint32_t LookupKeyRecord(ColourLookup* lookup, uint32_t key) {
  return lookup->fastRemap ? LookupFastRecord(lookup, key) : LookupNearestRecord(lookup, key);
}

// The palette index a colour is reduced to.
inline int LookupColour(ColourLookup* lookup, int red, int green, int blue) {
  return static_cast<int>(LookupKeyRecord(lookup, ColourKey(red, green, blue)) >> 24);
}

// Clamps a colour count to the 0..256 entries a palette has.
inline int PaletteCount(int n) { return n < 0 ? 0 : n > 256 ? 256 : n; }
