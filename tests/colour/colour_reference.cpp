#include "tests/colour/colour_reference.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace reference {
namespace {

int Lum(const RgbColour& c) { return c.red * 30 / 100 + c.green * 59 / 100 + c.blue * 11 / 100; }
int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
RgbColour Unpack(int32_t p) { return {uint8_t(p & 255), uint8_t((p >> 8) & 255), uint8_t((p >> 16) & 255)}; }

// The colour of pixel (x, stored row) of a 4-, 8- or 24-bit image.
RgbColour ColourAt(DibImage image, const RgbPalette& table, int bits, int x, int y) {
  int32_t value = GetDibPixel(image, x, y);
  return bits == 24 ? Unpack(value) : table.entries[value];
}

int Lookup(int r, int g, int b, const RgbPalette* palette, int n, bool fast, const uint8_t* table) {
  if (!fast) return Nearest(r, g, b, palette, n);
  int i = Exact(r, g, b, palette, n);
  return i >= 0 ? i : table[(r >> 4) + (g >> 4) * 16 + (b >> 4) * 256];
}

struct Box {
  uint8_t lower[3], extent[3];
  std::vector<int> chain;  // cell indices in chain order
  uint32_t total;
};

int Nib(int cell, int ch) { return ch == 0 ? cell >> 8 : ch == 1 ? (cell >> 4) & 15 : cell & 15; }

void Quick(std::vector<int>& a, int lo, int hi, int ch) {
  int pivot = Nib(a[(lo + hi) / 2], ch), i = lo, j = hi;
  while (i <= j) {
    while (Nib(a[i], ch) > pivot) ++i;
    while (Nib(a[j], ch) < pivot) --j;
    if (i <= j) std::swap(a[i++], a[j--]);
  }
  if (lo < j) Quick(a, lo, j, ch);
  if (i < hi) Quick(a, i, hi, ch);
}

}  // namespace

int Exact(int red, int green, int blue, const RgbPalette* palette, int n) {
  for (int i = 0; i < n; ++i) {
    const RgbColour& c = palette->entries[i];
    if (c.red == (red & 255) && c.green == (green & 255) && c.blue == (blue & 255)) return i;
  }
  return -1;
}

int Nearest(int red, int green, int blue, const RgbPalette* palette, int n) {
  int exact = Exact(red, green, blue, palette, n);
  if (exact >= 0) return exact;
  int best = 1000000, index = 0;
  for (int i = 0; i < n; ++i) {
    const RgbColour& c = palette->entries[i];
    int dr = red - c.red, dg = green - c.green, db = blue - c.blue;
    int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (d < best) best = d, index = i;
  }
  return index;
}

void BuildFastRemapTable(uint8_t table[4096], const RgbPalette* palette, int n) {
  for (int k = 0; k < 4096; ++k)
    table[k] = uint8_t(Nearest(16 * (k & 15), 16 * ((k >> 4) & 15), 16 * (k >> 8), palette, n));
}

int QuantizeFrames(int* count, RgbPalette* palette, const FrameList* frames) {
  *palette = RgbPalette{};
  const int m = *count;
  std::vector<RgbColour> exact;
  int n = 0;
  std::vector<uint32_t> cells(4096, 0);
  uint32_t total = 0;
  for (int f = 0; f < frames->count; ++f) {
    FrameEntry entry;
    int32_t w, h;
    if (!ReadFrameEntry(frames, f, &entry) || !GetDibImageInfo(entry.image, &w, &h, nullptr, nullptr)) return 0;
    total += uint32_t(w * h);
    for (int y = h - 1; y >= 0; --y)
      for (int x = 0; x < w; ++x) {
        RgbColour c = Unpack(GetDibPixel(entry.image, x, y));
        if (n >= m) n = -1;
        bool listed = false;
        for (const RgbColour& e : exact) listed |= e.red == c.red && e.green == c.green && e.blue == c.blue;
        if (n != -1 && !listed) {
          exact.push_back(c);
          ++n;
        }
        ++cells[(c.red >> 4) * 256 + (c.green >> 4) * 16 + (c.blue >> 4)];
      }
  }
  if (n != -1) {
    for (int i = 0; i < n; ++i) palette->entries[i] = exact[i];
    *count = n;
    return 1;
  }
  std::vector<Box> boxes(m);
  for (Box& b : boxes)
    for (int ch = 0; ch < 3; ++ch) b.lower[ch] = 0, b.extent[ch] = uint8_t(m);
  for (int c = 0; c < 4096; ++c)
    if (cells[c] > 0) boxes[0].chain.push_back(c);
  boxes[0].total = total;
  int u = 1;
  while (u < m) {
    int k = -1, ch = 0, widest = -1;
    for (int b = 0; b < u; ++b)
      for (int c = 0; c < 3; ++c)
        if (boxes[b].chain.size() > 1 && boxes[b].extent[c] > widest) widest = boxes[b].extent[c], k = b, ch = c;
    if (k < 0) break;
    Box& box = boxes[k];
    std::vector<int>& a = box.chain;
    if (a.size() < 8) {
      for (size_t i = 1; i < a.size(); ++i)
        for (size_t j = i; j > 0 && Nib(a[j - 1], ch) <= Nib(a[j], ch); --j) std::swap(a[j - 1], a[j]);
    } else {
      Quick(a, 0, int(a.size()) - 1, ch);
    }
    long long r = (long long)(box.total / 2) - cells[a[0]];
    size_t firstSize = 1;
    uint32_t firstTotal = cells[a[0]];
    while (true) {
      r -= cells[a[firstSize]];
      if (r < 0 || firstSize + 1 == a.size()) break;
      firstTotal += cells[a[firstSize++]];
    }
    int f = Nib(a[firstSize - 1], ch), g = Nib(a[firstSize], ch);
    Box& fresh = boxes[u];
    for (int c = 0; c < 3; ++c) fresh.lower[c] = box.lower[c], fresh.extent[c] = box.extent[c];
    fresh.chain.assign(a.begin() + long(firstSize), a.end());
    fresh.total = box.total - firstTotal;
    fresh.extent[ch] = uint8_t(box.lower[ch] + box.extent[ch] - 16 * g);
    fresh.lower[ch] = uint8_t(16 * g);
    box.extent[ch] = uint8_t(16 * f - box.lower[ch]);
    a.resize(firstSize);
    box.total = firstTotal;
    ++u;
  }
  for (int k = 0; k < u; ++k) {
    const std::vector<int>& a = boxes[k].chain;
    if (a.empty()) continue;
    int sum[3] = {0, 0, 0};
    for (int c : a)
      for (int ch = 0; ch < 3; ++ch) sum[ch] += Nib(c, ch);
    int size = int(a.size());
    palette->entries[k] = {uint8_t(16 * sum[0] / size), uint8_t(16 * sum[1] / size), uint8_t(16 * sum[2] / size)};
  }
  if (u < m && Exact(255, 255, 255, palette, u) < 0) palette->entries[u++] = {255, 255, 255};
  if (u < m && Exact(0, 0, 0, palette, u) < 0) palette->entries[u++] = {0, 0, 0};
  *count = u;
  return 1;
}

DibImage RemapToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                        const ColourSettings& settings) {
  int32_t w, h;
  int sourceBits;
  RgbPalette source;
  if (!GetDibImageInfo(image, &w, &h, &sourceBits, &source)) return nullptr;
  int mapped[256];
  for (int i = 0; sourceBits <= 8 && i < (1 << sourceBits); ++i)
    mapped[i] = Nearest(source.entries[i].red, source.entries[i].green, source.entries[i].blue, palette, n);
  uint8_t table[4096];
  BuildFastRemapTable(table, palette, n);
  const bool fast = settings.fastRemap != 0;
  int white = Nearest(255, 255, 255, palette, n), black = Nearest(0, 0, 0, palette, n);
  if (fast) {
    white = Exact(255, 255, 255, palette, n) >= 0 ? Exact(255, 255, 255, palette, n) : table[4095];
    black = Exact(0, 0, 0, palette, n) >= 0 ? Exact(0, 0, 0, palette, n) : table[0];
  }
  const int depth = DepthForBits(bits);
  DibImage out = CreateDibImage(w, h, palette, bits);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      int32_t p = GetDibPixel(image, x, y);
      int v;
      if (sourceBits == 1) {
        v = depth == 1 ? p : p ? white : black;
      } else {
        RgbColour c = sourceBits == 24 ? Unpack(p) : source.entries[p];
        if (depth == 1) v = Lum(c) > 128;
        else v = sourceBits == 24 ? Lookup(c.red, c.green, c.blue, palette, n, fast, table) : mapped[p];
      }
      SetDibPixel(out, x, y, v);
    }
  return out;
}

DibImage DitherToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                         const ColourSettings& settings) {
  int32_t w, h;
  int sourceBits;
  RgbPalette source;
  if (!GetDibImageInfo(image, &w, &h, &sourceBits, &source) || sourceBits == 1) return nullptr;
  DibImage out = CreateDibImage(w, h, palette, bits);
  if (bits == 1) {
    int k = settings.ditherContrast > 127 ? 127 : settings.ditherContrast;
    double step = 256.0 / (256.0 - 2.0 * k), v = double(settings.ditherBrightness) - k;
    int table[256];
    for (int i = 0; i < 256; ++i, v += step) table[i] = v > 254 ? 254 : v < 1 ? 1 : int(v);
    std::vector<std::vector<int>> grey(h, std::vector<int>(w));  // [stored row][x]
    int lo = 255, hi = 0;
    for (int s = 0; s < h; ++s)
      for (int x = 0; x < w; ++x) {
        grey[s][x] = Lum(ColourAt(image, source, sourceBits, x, h - 1 - s));
        lo = std::min(lo, grey[s][x]), hi = std::max(hi, grey[s][x]);
      }
    int t = (hi + lo) / 2;
    auto add = [&](int x, int s, int d) { grey[s][x] = Clamp(grey[s][x] + d); };
    for (int s = 0; s < h; ++s)
      for (int x = 0; x < w; ++x) {
        int v = table[grey[s][x]], e = v > t ? v - hi : v - lo;
        SetDibPixel(out, x, h - 1 - s, v > t);
        int q = e >> 4;
        if (x + 1 < w && s + 1 < h) add(x + 1, s + 1, q);
        if (x >= 2 && s + 1 < h) add(x - 1, s + 1, 3 * q);
        if (s + 1 < h) add(x, s + 1, 5 * q);
        if (x + 1 < w) add(x + 1, s, 7 * q);
      }
    return out;
  }
  uint8_t table[4096];
  BuildFastRemapTable(table, palette, n);
  std::vector<uint8_t> work(size_t(w) * h * 3);  // red, green, blue, stored rows
  for (int s = 0; s < h; ++s)
    for (int x = 0; x < w; ++x) {
      RgbColour c = ColourAt(image, source, sourceBits, x, h - 1 - s);
      uint8_t* p = &work[(size_t(s) * w + x) * 3];
      p[0] = c.red, p[1] = c.green, p[2] = c.blue;
    }
  std::vector<int> cur(3 * w, 0), next(3 * w, 0);
  for (int s = 0; s < h; ++s) {
    for (int i = 0; i < 3 * w; ++i) cur[i] += work[size_t(s) * w * 3 + i];
    for (int x = 0; x < w; ++x) {
      int r = Clamp(cur[3 * x]), g = Clamp(cur[3 * x + 1]), b = Clamp(cur[3 * x + 2]);
      int i = Lookup(r, g, b, palette, n, settings.fastRemap != 0, table);
      SetDibPixel(out, x, h - 1 - s, i);
      const RgbColour& c = palette->entries[i];
      int errors[3] = {r - c.red, g - c.green, b - c.blue};
      for (int ch = 0; ch < 3; ++ch) {
        int e = errors[ch];
        if (x + 1 < w) cur[3 * (x + 1) + ch] += (7 * e) >> 4;
        if (x >= 2 && s + 1 < h) next[3 * (x - 1) + ch] += (3 * e) >> 4;
        if (x + 1 < w && s + 1 < h) next[3 * (x + 1) + ch] += e >> 4;
        if (s + 1 < h) next[3 * x + ch] += (5 * e) >> 4;
      }
    }
    cur = next;
    std::fill(next.begin(), next.end(), 0);
  }
  return out;
}

}  // namespace reference
