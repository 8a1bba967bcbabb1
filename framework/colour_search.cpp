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

namespace {

// The sorted position of the nearest entry. A hint (a position, or -1) is measured first:
// a good one makes the scan stop early.
int NearestPosition(const NearestSearch* search, int red, int green, int blue, int hint) {
  int best = kFarAway;
  int bestIndex = 256;
  int bestAt = 0;
  auto consider = [&](int at) {
    int d = Distance(red - search->red[at], green - search->green[at], blue - search->blue[at]);
    if (d < best || (d == best && search->index[at] < bestIndex)) {
      best = d;
      bestIndex = search->index[at];
      bestAt = at;
    }
  };
  if (hint >= 0) consider(hint);
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
  return bestAt;
}

}  // namespace

int FindNearest(const NearestSearch* search, int red, int green, int blue) {
  if (search->count == 0) return 0;
  return search->index[NearestPosition(search, red, green, blue, -1)];
}

namespace {

// Each cell's entry is the nearest colour to the cell's low corner.
// Neighbouring corners usually share their nearest colour, so each search starts from
// the answer of the corner before.
void FillFastRemapTable(FastRemapTable* table, const NearestSearch* search) {
  if (search->count == 0) {
    std::memset(table->index, 0, sizeof table->index);
    return;
  }
  int hint = -1;
  for (int k = 0; k < kFastRemapCells; ++k) {
    hint = NearestPosition(search, 16 * (k & 15), 16 * ((k >> 4) & 15), 16 * (k >> 8), hint);
    table->index[k] = search->index[hint];
  }
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
    lookup->record[i] = ColourKey(c.red, c.green, c.blue) | static_cast<uint32_t>(i) << 24;
  }
  if (!fastRemap) {
    std::memset(lookup->cacheKey, 0, sizeof lookup->cacheKey);
    return;
  }
  for (int k = 0; k < kFastRemapCells; ++k) {
    lookup->cells[k].exact = k == 0 ? 0xFFFFFFu : 0u;  // black lies in cell 0 only
    lookup->state[k] = ColourLookup::kPending;
  }
  // Palette entries bucketed by cell, each bucket in index order.
  std::memset(lookup->entryStart, 0, sizeof lookup->entryStart);
  for (int i = 0; i < n; ++i) ++lookup->entryStart[KeyCell(lookup->record[i]) + 1];
  for (int k = 0; k < kFastRemapCells; ++k) lookup->entryStart[k + 1] += lookup->entryStart[k];
  uint16_t next[kFastRemapCells];
  std::memcpy(next, lookup->entryStart, sizeof next);
  for (int i = 0; i < n; ++i) {
    const int at = next[KeyCell(lookup->record[i])]++;
    lookup->entryKey[at] = lookup->record[i] & 0xFFFFFFu;
    lookup->entryIndex[at] = static_cast<uint8_t>(i);
  }
  for (int k = 0; k < kFastRemapCells; ++k) {
    const int first = lookup->entryStart[k];
    if (first == lookup->entryStart[k + 1]) continue;
    lookup->cells[k].exact = lookup->record[lookup->entryIndex[first]];
    for (int at = first + 1; at < lookup->entryStart[k + 1]; ++at)
      if (lookup->entryKey[at] != lookup->entryKey[first]) lookup->state[k] |= ColourLookup::kCrowded;
  }
}

uint32_t LookupCellRecord(ColourLookup* lookup, uint32_t key) {
  const int cell = KeyCell(key);
  ColourLookup::Cell& c = lookup->cells[cell];
  if (lookup->state[cell] & ColourLookup::kPending) {
    // The nearest colour to the cell's low corner.
    const int red = 16 * (cell >> 8), green = 16 * ((cell >> 4) & 15), blue = 16 * (cell & 15);
    c.fallback = lookup->record[FindNearest(&lookup->nearest, red, green, blue)];
    lookup->state[cell] &= static_cast<uint8_t>(~ColourLookup::kPending);
  }
  if (lookup->state[cell] & ColourLookup::kCrowded) {
    for (int k = lookup->entryStart[cell]; k < lookup->entryStart[cell + 1]; ++k)
      if (lookup->entryKey[k] == key) return key | static_cast<uint32_t>(lookup->entryIndex[k]) << 24;
    return c.fallback;
  }
  return (c.exact & 0xFFFFFFu) == key ? c.exact : c.fallback;
}

uint32_t LookupNearestRecord(ColourLookup* lookup, uint32_t key) {
  const uint32_t slot = (key * 0x9E3779B1u) >> 18;
  if (lookup->cacheKey[slot] == (key | ColourLookup::kCacheValid)) return lookup->cacheRecord[slot];
  const int index = FindNearest(&lookup->nearest, (key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF);
  lookup->cacheKey[slot] = key | ColourLookup::kCacheValid;
  lookup->cacheRecord[slot] = lookup->record[index];
  return lookup->cacheRecord[slot];
}
