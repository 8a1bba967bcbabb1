#include "framework/colour_search.h"

#include <cstring>

namespace {

// Larger than any weighted distance between two colours (9 x 255^2 = 585225).
constexpr int kFarAway = 1000000;

int Distance(int dr, int dg, int db) { return 3 * dr * dr + 4 * dg * dg + 2 * db * db; }

}  // namespace

int ExactPaletteIndex(int red, int green, int blue, const RgbPalette* palette, int n) {
  n = PaletteCount(n);
  for (int i = 0; i < n; ++i) {
    const RgbColour& c = palette->entries[i];
    if (c.red == (red & 0xFF) && c.green == (green & 0xFF) && c.blue == (blue & 0xFF)) return i;
  }
  return -1;
}

int NearestPaletteIndex(int red, int green, int blue, const RgbPalette* palette, int n) {
  n = PaletteCount(n);
  int exact = ExactPaletteIndex(red, green, blue, palette, n);
  if (exact >= 0) return exact;
  int best = kFarAway;
  int bestIndex = 0;
  for (int i = 0; i < n; ++i) {
    const RgbColour& c = palette->entries[i];
    int d = Distance(red - c.red, green - c.green, blue - c.blue);
    if (d < best) {
      best = d;
      bestIndex = i;
    }
  }
  return bestIndex;
}

void PrepareNearestSearch(NearestSearch* search, const RgbPalette* palette, int n) {
  n = PaletteCount(n);
  search->count = n;
  // Counting sort by green; entries of equal green stay in index order.
  int start[257] = {};
  for (int i = 0; i < n; ++i) ++start[palette->entries[i].green + 1];
  for (int g = 0; g < 256; ++g) start[g + 1] += start[g];
  for (int g = 0; g <= 256; ++g) search->firstAtGreen[g] = static_cast<uint16_t>(start[g]);
  for (int i = 0; i < n; ++i) {
    const RgbColour& c = palette->entries[i];
    int at = start[c.green]++;
    search->red[at] = c.red;
    search->green[at] = c.green;
    search->blue[at] = c.blue;
    search->index[at] = static_cast<uint8_t>(i);
  }
}

int FindNearest(const NearestSearch* search, int red, int green, int blue) {
  int best = kFarAway;
  int bestIndex = search->count ? 256 : 0;
  auto consider = [&](int at) {
    int d = Distance(red - search->red[at], green - search->green[at], blue - search->blue[at]);
    if (d < best || (d == best && search->index[at] < bestIndex)) {
      best = d;
      bestIndex = search->index[at];
    }
  };
  int origin = search->firstAtGreen[green];
  for (int at = origin; at < search->count; ++at) {
    int dg = search->green[at] - green;
    if (4 * dg * dg > best) break;
    consider(at);
  }
  for (int at = origin - 1; at >= 0; --at) {
    int dg = green - search->green[at];
    if (4 * dg * dg > best) break;
    consider(at);
  }
  return bestIndex;
}

namespace {

// Each cell's entry is the nearest colour to the cell's low corner.
void FillFastRemapTable(FastRemapTable* table, const NearestSearch* search) {
  for (int k = 0; k < kFastRemapCells; ++k)
    table->index[k] = static_cast<uint8_t>(
        FindNearest(search, 16 * (k & 15), 16 * ((k >> 4) & 15), 16 * (k >> 8)));
}

}  // namespace

void BuildFastRemapTable(FastRemapTable* table, const RgbPalette* palette, int n) {
  NearestSearch search;
  PrepareNearestSearch(&search, palette, n);
  FillFastRemapTable(table, &search);
}

void PrepareColourLookup(ColourLookup* lookup, const RgbPalette* palette, int n, int fastRemap) {
  n = PaletteCount(n);
  lookup->fastRemap = fastRemap;
  PrepareNearestSearch(&lookup->nearest, palette, n);
  for (int i = 0; i < 256; ++i) {
    const RgbColour& c = palette->entries[i];
    lookup->entryRecord[i] = static_cast<uint32_t>(c.red) | static_cast<uint32_t>(c.green) << 8 |
                             static_cast<uint32_t>(c.blue) << 16 | static_cast<uint32_t>(i) << 24;
  }
  if (!fastRemap) {
    std::memset(lookup->cacheKey, 0, sizeof lookup->cacheKey);
    return;
  }
  FastRemapTable table;
  FillFastRemapTable(&table, &lookup->nearest);
  for (int k = 0; k < kFastRemapCells; ++k) {
    lookup->cells[k].fallback = lookup->entryRecord[table.index[k]];
    lookup->cells[k].exact = k == 0 ? 0xFFFFFFu : 0u;  // black lies in cell 0 only
    lookup->crowded[k] = 0;
  }
  // Entries bucketed by cell, each bucket in index order.
  std::memset(lookup->cellStart, 0, sizeof lookup->cellStart);
  for (int i = 0; i < n; ++i) {
    const RgbColour& c = palette->entries[i];
    ++lookup->cellStart[FastRemapCell(c.red, c.green, c.blue) + 1];
  }
  for (int k = 0; k < kFastRemapCells; ++k) lookup->cellStart[k + 1] += lookup->cellStart[k];
  uint16_t next[kFastRemapCells];
  std::memcpy(next, lookup->cellStart, sizeof next);
  for (int i = 0; i < n; ++i) {
    int at = next[FastRemapCell(palette->entries[i].red, palette->entries[i].green, palette->entries[i].blue)]++;
    lookup->cellColour[at] = lookup->entryRecord[i] & 0xFFFFFFu;
    lookup->cellIndex[at] = static_cast<uint8_t>(i);
  }
  for (int k = 0; k < kFastRemapCells; ++k) {
    const int first = lookup->cellStart[k];
    if (first == lookup->cellStart[k + 1]) continue;
    lookup->cells[k].exact = lookup->cellColour[first] | static_cast<uint32_t>(lookup->cellIndex[first]) << 24;
    for (int at = first + 1; at < lookup->cellStart[k + 1]; ++at)
      if (lookup->cellColour[at] != lookup->cellColour[first]) lookup->crowded[k] = 1;
  }
}
