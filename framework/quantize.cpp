#include "framework/quantize.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <vector>

#include "framework/dib_view.h"
#include "framework/parallel.h"
#include "framework/work_buffer.h"

namespace {

constexpr int kCellCount = 4096;
constexpr int kInsertionSortLimit = 8;  // chains shorter than this use the insertion sort

// One histogram cell: the top four bits of red, green and blue, its pixel count and the
// next cell of its box's chain (-1 ends the chain).
struct ColourCell {
  uint8_t nibble[3];
  uint32_t count;
  int32_t next;
};

// One box of the median cut. Bounds and extents are 8-bit values whose arithmetic wraps.
struct ColourBox {
  uint8_t lower[3];
  uint8_t extent[3];
  uint32_t cells;
  uint32_t total;
  int32_t head;
};

int CellOf(uint8_t red, uint8_t green, uint8_t blue) {
  return (red >> 4) * 256 + (green >> 4) * 16 + (blue >> 4);
}

uint32_t ExactSlot(uint32_t colour) { return (colour * 0x9E3779B1u) >> 22; }

// The distinct colours of one part of the pixels, in order of first appearance within
// the part, up to `capacity` (m + 1: one more than the palette holds, which is enough to
// know the whole animation has too many). `trailing` tells whether pixels of colours
// already listed follow the last listed one.
//
// A part's list stands for its pixels in CollectExactColours: that function changes its
// state only for a colour not yet listed, or for any pixel once its list is full. So
// feeding it each part's list in part order, plus one repeated colour for a part whose
// pixels go on past its last new colour, leaves it exactly as the pixels one by one
// would: the same colours in the same order, and -1 exactly when some pixel arrives
// after the list is full.
struct ColourRun {
  RgbColour* colours;  // capacity entries
  uint16_t* slots;     // kExactColourSlots entries: 0 empty, else list index + 1
  int32_t count;
  int32_t capacity;
  bool overflow;  // more than capacity - 1 colours: the animation has more than m
  bool trailing;
};

void CollectRunColour(ColourRun* run, uint32_t colour) {
  uint32_t slot = ExactSlot(colour);
  for (; run->slots[slot]; slot = (slot + 1) & (kExactColourSlots - 1)) {
    const RgbColour& c = run->colours[run->slots[slot] - 1];
    if (static_cast<uint32_t>(PackColour(c.red, c.green, c.blue)) == colour) {
      run->trailing = true;
      return;
    }
  }
  if (run->count == run->capacity) {
    run->overflow = true;
    return;
  }
  run->colours[run->count] = {static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
                              static_cast<uint8_t>(colour >> 16)};
  run->slots[slot] = static_cast<uint16_t>(++run->count);
  run->trailing = false;
}

// Adds stored rows [first, end) of a 24-bit frame to a part's histogram and, while
// `collect` holds, to its colour run.
void CountRows(const DibView& view, int32_t first, int32_t end, ColourRun* run, const std::atomic<bool>& anyOverflow,
               uint32_t* counts) {
  const int32_t width = view.width();
  for (int32_t row = first; row < end; ++row) {
    const uint8_t* p = view.storedRow(row);
    int32_t x = 0;
    if (!run->overflow && !anyOverflow.load(std::memory_order_relaxed)) {
      for (; x < width && !run->overflow; ++x, p += 3) {
        CollectRunColour(run, static_cast<uint32_t>(PackColour(p[2], p[1], p[0])));
        ++counts[CellOf(p[2], p[1], p[0])];
      }
    }
    // Once the colours overflow only the histogram is left to fill.
    for (; x < width; ++x, p += 3) ++counts[CellOf(p[2], p[1], p[0])];
  }
}

// Descending by the channel's nibble: each cell moves in front of every earlier cell
// whose value is equal or smaller.
void InsertionSort(const ColourCell* cells, int16_t* order, int count, int channel) {
  for (int i = 1; i < count; ++i) {
    int16_t cell = order[i];
    int value = cells[cell].nibble[channel];
    int j = i - 1;
    for (; j >= 0 && cells[order[j]].nibble[channel] <= value; --j) order[j + 1] = order[j];
    order[j + 1] = cell;
  }
}

// Descending by the channel's nibble, pivot at the middle cell. The two parts left by a
// partition are disjoint, so sorting the smaller by recursion and then looping on the
// larger gives the same order as sorting them in turn, with the stack kept shallow.
void QuickSort(const ColourCell* cells, int16_t* order, int lo, int hi, int channel) {
  while (lo < hi) {
    int pivot = cells[order[(lo + hi) / 2]].nibble[channel];
    int i = lo;
    int j = hi;
    while (i <= j) {
      while (cells[order[i]].nibble[channel] > pivot) ++i;
      while (cells[order[j]].nibble[channel] < pivot) --j;
      if (i <= j) {
        int16_t swap = order[i];
        order[i] = order[j];
        order[j] = swap;
        ++i;
        --j;
      }
    }
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(cells, order, lo, j, channel);
      lo = i;
    } else {
      if (i < hi) QuickSort(cells, order, i, hi, channel);
      hi = j;
    }
  }
}

// Sorts box `k` on the channel and splits it at half its pixel total into itself and
// the new box `fresh`.
void SplitBox(ColourCell* cells, ColourBox* boxes, int16_t* order, int k, int fresh, int channel) {
  ColourBox& box = boxes[k];
  int count = 0;
  for (int32_t c = box.head; c >= 0; c = cells[c].next) order[count++] = static_cast<int16_t>(c);
  if (count < kInsertionSortLimit) InsertionSort(cells, order, count, channel);
  else QuickSort(cells, order, 0, count - 1, channel);
  for (int i = 0; i + 1 < count; ++i) cells[order[i]].next = order[i + 1];
  cells[order[count - 1]].next = -1;
  box.head = order[0];

  // The first part takes cells while they fit in half the total; the last cell never.
  int64_t rest = static_cast<int64_t>(box.total / 2) - cells[order[0]].count;
  uint32_t firstTotal = cells[order[0]].count;
  int last = 0;
  for (;;) {
    int next = last + 1;
    rest -= cells[order[next]].count;
    if (rest < 0 || next == count - 1) break;
    last = next;
    firstTotal += cells[order[next]].count;
  }
  const uint8_t f = cells[order[last]].nibble[channel];
  const uint8_t g = cells[order[last + 1]].nibble[channel];
  cells[order[last]].next = -1;

  ColourBox& split = boxes[fresh];
  split = box;
  split.head = order[last + 1];
  split.cells = static_cast<uint32_t>(count - last - 1);
  split.total = box.total - firstTotal;
  split.extent[channel] = static_cast<uint8_t>(box.lower[channel] + box.extent[channel] - 16 * g);
  split.lower[channel] = static_cast<uint8_t>(16 * g);
  box.extent[channel] = static_cast<uint8_t>(16 * f - box.lower[channel]);
  box.cells = static_cast<uint32_t>(last + 1);
  box.total = firstTotal;
}

bool PaletteHolds(const RgbPalette* palette, int count, uint8_t red, uint8_t green, uint8_t blue) {
  for (int i = 0; i < count; ++i) {
    const RgbColour& c = palette->entries[i];
    if (c.red == red && c.green == green && c.blue == blue) return true;
  }
  return false;
}

// The median cut over the filled histogram; returns the number of palette entries.
int MedianCut(ColourCell* cells, ColourBox* boxes, int16_t* order, int m, uint32_t total,
              RgbPalette* palette) {
  for (int k = 0; k < m; ++k) {
    for (int c = 0; c < 3; ++c) {
      boxes[k].lower[c] = 0;
      boxes[k].extent[c] = static_cast<uint8_t>(m);
    }
    boxes[k].head = -1;
  }
  // Box 0 chains every used cell in cell order.
  int32_t* link = &boxes[0].head;
  for (int c = 0; c < kCellCount; ++c) {
    if (cells[c].count == 0) continue;
    *link = c;
    link = &cells[c].next;
    ++boxes[0].cells;
  }
  *link = -1;
  boxes[0].total = total;

  int used = 1;
  while (used < m) {
    int chosen = -1;
    int channel = 0;
    int widest = -1;
    for (int k = 0; k < used; ++k) {
      if (boxes[k].cells <= 1) continue;
      for (int c = 0; c < 3; ++c) {
        if (boxes[k].extent[c] > widest) {
          widest = boxes[k].extent[c];
          chosen = k;
          channel = c;
        }
      }
    }
    if (chosen < 0) break;
    SplitBox(cells, boxes, order, chosen, used, channel);
    ++used;
  }

  // Each box's colour is the unweighted mean of its cells.
  for (int k = 0; k < used; ++k) {
    if (boxes[k].cells == 0) continue;
    uint32_t sum[3] = {0, 0, 0};
    for (int32_t c = boxes[k].head; c >= 0; c = cells[c].next)
      for (int ch = 0; ch < 3; ++ch) sum[ch] += cells[c].nibble[ch];
    palette->entries[k] = {static_cast<uint8_t>(16 * sum[0] / boxes[k].cells),
                           static_cast<uint8_t>(16 * sum[1] / boxes[k].cells),
                           static_cast<uint8_t>(16 * sum[2] / boxes[k].cells)};
  }
  if (used < m && !PaletteHolds(palette, used, 255, 255, 255)) palette->entries[used++] = {255, 255, 255};
  if (used < m && !PaletteHolds(palette, used, 0, 0, 0)) palette->entries[used++] = {0, 0, 0};
  return used;
}

}  // namespace

void CollectExactColours(ExactColourList* list, int32_t pixel) {
  if (list->count == -1) return;
  if (list->count >= list->capacity) {
    list->count = -1;
    return;
  }
  const uint32_t colour = static_cast<uint32_t>(pixel) & 0xFFFFFFu;
  uint32_t slot = ExactSlot(colour);
  for (; list->slots[slot]; slot = (slot + 1) & (kExactColourSlots - 1)) {
    const RgbColour& c = list->colours[list->slots[slot] - 1];
    if (static_cast<uint32_t>(PackColour(c.red, c.green, c.blue)) == colour) return;
  }
  list->colours[list->count] = {static_cast<uint8_t>(PackedRed(pixel)),
                                static_cast<uint8_t>(PackedGreen(pixel)),
                                static_cast<uint8_t>(PackedBlue(pixel))};
  list->slots[slot] = static_cast<uint16_t>(++list->count);
}

namespace {

// Fills the histogram and the exact colour list from every pixel of the frames, on up
// to `threads` threads. The stored rows of all frames, in order, are cut into parts; each
// part counts into its own histogram and colour run, and the parts are merged in order.
// False when memory cannot be had or a frame is not a readable 24-bit image.
bool CountFrames(const std::vector<DibImage>& images, int threads, ColourCell* cells, ExactColourList* exact,
                 uint32_t* total) {
  std::vector<int32_t> rowsBefore(images.size() + 1, 0);  // stored rows of the frames before
  for (size_t i = 0; i < images.size(); ++i) {
    int32_t width = 0, height = 0;
    int bits = 0;
    if (!GetDibImageInfo(images[i], &width, &height, &bits, nullptr) || bits != 24) return false;
    if (height > INT32_MAX - rowsBefore[i]) return false;
    rowsBefore[i + 1] = rowsBefore[i] + height;
    *total += static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
  }
  const int32_t rows = rowsBefore.back();
  const int parts = parallel_detail::Workers(threads, rows);
  const int capacity = exact->capacity + 1;
  WorkBuffer<uint32_t> counts(static_cast<size_t>(kCellCount) * parts);
  WorkBuffer<RgbColour> colours(static_cast<size_t>(capacity) * parts);
  WorkBuffer<uint16_t> slots(static_cast<size_t>(kExactColourSlots) * parts);
  WorkBuffer<ColourRun> runs(static_cast<size_t>(parts));
  if (!counts.ok() || !colours.ok() || !slots.ok() || !runs.ok()) return false;
  std::atomic<bool> anyOverflow{false};
  const bool counted = ParallelParts(parts, rows, [&](int part, int32_t begin, int32_t end) {
    ColourRun* run = &runs[part];
    *run = ColourRun{colours.data() + static_cast<size_t>(capacity) * part,
                     slots.data() + static_cast<size_t>(kExactColourSlots) * part, 0, capacity, false, false};
    uint32_t* partCounts = counts.data() + static_cast<size_t>(kCellCount) * part;
    size_t frame = 0;
    while (rowsBefore[frame + 1] <= begin) ++frame;
    for (int32_t at = begin; at < end; ++frame) {
      DibView view(images[frame]);
      if (!view.ok() || view.bits() != 24) return false;
      const int32_t stop = end < rowsBefore[frame + 1] ? end : rowsBefore[frame + 1];
      CountRows(view, at - rowsBefore[frame], stop - rowsBefore[frame], run, anyOverflow, partCounts);
      at = stop;
    }
    if (run->overflow) anyOverflow.store(true, std::memory_order_relaxed);
    return true;
  });
  if (!counted) return false;

  for (int part = 0; part < parts; ++part) {
    const uint32_t* partCounts = counts.data() + static_cast<size_t>(kCellCount) * part;
    for (int c = 0; c < kCellCount; ++c) cells[c].count += partCounts[c];
  }
  for (int part = 0; part < parts && exact->count != -1; ++part) {
    const ColourRun& run = runs[part];
    if (run.overflow || anyOverflow.load()) {
      exact->count = -1;
      break;
    }
    for (int32_t k = 0; k < run.count; ++k)
      CollectExactColours(exact, PackColour(run.colours[k].red, run.colours[k].green, run.colours[k].blue));
    if (run.trailing)  // a colour already listed stands for the pixels after the last new one
      CollectExactColours(exact, PackColour(run.colours[0].red, run.colours[0].green, run.colours[0].blue));
  }
  return true;
}

}  // namespace

int QuantizeFrames(int* count, RgbPalette* palette, const FrameList* frames, int threads) {
  if (!count || !palette || !frames) return 0;
  std::memset(palette, 0, sizeof *palette);
  const int m = *count;
  if (m < 1 || m > 256) return 0;

  WorkBuffer<ColourCell> cells(kCellCount);
  WorkBuffer<ColourBox> boxes(m);
  WorkBuffer<int16_t> order(kCellCount);
  WorkBuffer<RgbColour> exactColours(m);
  WorkBuffer<uint16_t> exactSlots(kExactColourSlots);
  if (!cells.ok() || !boxes.ok() || !order.ok() || !exactColours.ok() || !exactSlots.ok()) return 0;
  for (int c = 0; c < kCellCount; ++c) {
    cells[c].nibble[0] = static_cast<uint8_t>(c >> 8);
    cells[c].nibble[1] = static_cast<uint8_t>((c >> 4) & 15);
    cells[c].nibble[2] = static_cast<uint8_t>(c & 15);
    cells[c].next = -1;
  }
  std::vector<DibImage> images(static_cast<size_t>(frames->count > 0 ? frames->count : 0));
  for (int32_t i = 0; i < frames->count; ++i) {
    FrameEntry entry;
    if (!ReadFrameEntry(frames, i, &entry)) return 0;
    images[i] = entry.image;
  }
  ExactColourList exact{exactColours.data(), exactSlots.data(), 0, m};
  uint32_t total = 0;
  if (!CountFrames(images, threads, cells.data(), &exact, &total)) return 0;

  if (exact.count != -1) {
    std::memcpy(palette->entries, exact.colours, sizeof(RgbColour) * exact.count);
    *count = exact.count;
    return 1;
  }
  *count = MedianCut(cells.data(), boxes.data(), order.data(), m, total, palette);
  return 1;
}

void SortPaletteByLuminance(RgbPalette* palette, int count, int ascending) {
  count = count < 0 ? 0 : count > 256 ? 256 : count;
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (int i = 0; i + 1 < count; ++i) {
      const RgbColour& a = palette->entries[i];
      const RgbColour& b = palette->entries[i + 1];
      int first = Luminance(a.red, a.green, a.blue);
      int second = Luminance(b.red, b.green, b.blue);
      if (ascending ? second < first : second > first) {
        RgbColour swap = palette->entries[i];
        palette->entries[i] = palette->entries[i + 1];
        palette->entries[i + 1] = swap;
        swapped = true;
      }
    }
  }
}
