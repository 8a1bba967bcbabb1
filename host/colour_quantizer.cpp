#include "host/colour_quantizer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCellBits = 6;
constexpr size_t kCellCount = size_t{1} << (3 * kCellBits);
constexpr size_t kExactLimit = 256;
constexpr size_t kExactSlots = 1024;  // four times the limit keeps the probes short
constexpr size_t kCacheSize = size_t{1} << 16;

inline uint32_t CellOf(uint32_t red, uint32_t green, uint32_t blue) {
  constexpr int drop = 8 - kCellBits;
  return (red >> drop) << (2 * kCellBits) | (green >> drop) << kCellBits | (blue >> drop);
}

inline size_t HashOf(uint32_t colour, size_t size) {
  return static_cast<size_t>((colour * 2654435761u) >> 8) & (size - 1);
}

// A run of cells of the median cut with the sums that give its squared error.
struct Box {
  size_t begin, end;
  double weight;
  double sum[3];
  double squares[3];

  double error() const {
    double e = 0;
    for (int c = 0; c < 3; ++c) e += squares[c] - sum[c] * sum[c] / weight;
    return e;
  }
  double spread(int c) const { return squares[c] - sum[c] * sum[c] / weight; }
};

struct Point {
  float value[3];
  double weight;
};

Box MakeBox(const std::vector<Point>& points, size_t begin, size_t end) {
  Box box{begin, end, 0, {0, 0, 0}, {0, 0, 0}};
  for (size_t i = begin; i < end; ++i) {
    const Point& p = points[i];
    box.weight += p.weight;
    for (int c = 0; c < 3; ++c) {
      box.sum[c] += p.weight * p.value[c];
      box.squares[c] += p.weight * p.value[c] * p.value[c];
    }
  }
  return box;
}

// Splits a box of at least two cells where the two halves keep the least squared error.
void SplitBox(std::vector<Point>& points, const Box& box, Box* low, Box* high) {
  int axis = 0;
  for (int c = 1; c < 3; ++c)
    if (box.spread(c) > box.spread(axis)) axis = c;
  std::sort(points.begin() + static_cast<std::ptrdiff_t>(box.begin), points.begin() + static_cast<std::ptrdiff_t>(box.end),
            [axis](const Point& a, const Point& b) {
              // The other channels settle ties, so the order (and every sum) is the same
              // whatever the sort's own order of equal elements.
              for (int c : {axis, (axis + 1) % 3, (axis + 2) % 3})
                if (a.value[c] != b.value[c]) return a.value[c] < b.value[c];
              return a.weight < b.weight;
            });
  Box left{box.begin, box.begin, 0, {0, 0, 0}, {0, 0, 0}};
  double best = -1;
  size_t cut = box.begin + 1;
  for (size_t i = box.begin; i + 1 < box.end; ++i) {
    const Point& p = points[i];
    left.weight += p.weight;
    for (int c = 0; c < 3; ++c) {
      left.sum[c] += p.weight * p.value[c];
      left.squares[c] += p.weight * p.value[c] * p.value[c];
    }
    // Only between distinct values, so equal colours stay together.
    if (p.value[axis] == points[i + 1].value[axis]) continue;
    Box right = box;
    right.weight -= left.weight;
    for (int c = 0; c < 3; ++c) {
      right.sum[c] -= left.sum[c];
      right.squares[c] -= left.squares[c];
    }
    double e = left.error() + right.error();
    if (best < 0 || e < best) {
      best = e;
      cut = i + 1;
    }
  }
  *low = MakeBox(points, box.begin, cut);
  *high = MakeBox(points, cut, box.end);
}

uint8_t ToByte(double value) {
  long rounded = std::lround(value);
  return static_cast<uint8_t>(rounded < 0 ? 0 : (rounded > 255 ? 255 : rounded));
}

}  // namespace

ColourHistogram::ColourHistogram() : sums_(kCellCount, Sum{0, 0, 0, 0}), exactSlots_(kExactSlots, 0) {}

void ColourHistogram::noteExact(uint32_t colour) {
  for (size_t slot = HashOf(colour, kExactSlots);; slot = (slot + 1) & (kExactSlots - 1)) {
    if (exactSlots_[slot] == colour + 1) return;
    if (exactSlots_[slot] != 0) continue;
    if (exact_.size() == kExactLimit) {
      overflow_ = true;
      return;
    }
    exactSlots_[slot] = colour + 1;
    exact_.push_back(colour);
    return;
  }
}

void ColourHistogram::add(const uint8_t* rgb, size_t count, const uint8_t* mask) {
  uint32_t last = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; ++i, rgb += 3) {
    if (mask && !mask[i]) continue;
    uint32_t cell = CellOf(rgb[0], rgb[1], rgb[2]);
    Sum& sum = sums_[cell];
    if (sum.count == 0) touched_.push_back(cell);
    ++sum.count;
    sum.red += rgb[0];
    sum.green += rgb[1];
    sum.blue += rgb[2];
    if (!overflow_) {
      uint32_t colour = static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8 | rgb[2];
      if (colour != last) noteExact(colour);
      last = colour;
    }
  }
  total_ += mask ? 0 : count;
  if (mask)
    for (size_t i = 0; i < count; ++i) total_ += mask[i] != 0;
}

void ColourHistogram::clear() {
  for (uint32_t cell : touched_) sums_[cell] = Sum{0, 0, 0, 0};
  touched_.clear();
  total_ = 0;
  exact_.clear();
  std::fill(exactSlots_.begin(), exactSlots_.end(), 0);
  overflow_ = false;
}

bool ColourHistogram::exactColours(std::vector<RgbColour>* colours) const {
  if (overflow_) return false;
  colours->clear();
  for (uint32_t c : exact_)
    colours->push_back({static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
  return true;
}

std::vector<ColourHistogram::Cell> ColourHistogram::cells() const {
  std::vector<Cell> out;
  out.reserve(touched_.size());
  for (uint32_t cell : touched_) {
    const Sum& s = sums_[cell];
    double n = s.count;
    out.push_back(Cell{n, static_cast<float>(s.red / n), static_cast<float>(s.green / n), static_cast<float>(s.blue / n)});
  }
  return out;
}

std::vector<RgbColour> ChoosePalette(const ColourHistogram& histogram, int maxColours, int refineRounds) {
  std::vector<RgbColour> palette;
  if (maxColours < 1 || maxColours > 256 || histogram.pixelCount() == 0) return palette;
  if (histogram.exactColours(&palette) && palette.size() <= static_cast<size_t>(maxColours)) return palette;
  palette.clear();

  std::vector<Point> points;
  for (const ColourHistogram::Cell& cell : histogram.cells())
    points.push_back(Point{{cell.red, cell.green, cell.blue}, cell.weight});
  std::vector<Box> boxes{MakeBox(points, 0, points.size())};
  while (boxes.size() < static_cast<size_t>(maxColours)) {
    size_t worst = boxes.size();
    double worstError = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      double e = boxes[i].end - boxes[i].begin > 1 ? boxes[i].error() : 0;
      if (e > worstError) {
        worstError = e;
        worst = i;
      }
    }
    if (worst == boxes.size()) break;  // every box is one colour
    Box low, high;
    SplitBox(points, boxes[worst], &low, &high);
    boxes[worst] = low;
    boxes.push_back(high);
  }
  for (const Box& box : boxes)
    palette.push_back({ToByte(box.sum[0] / box.weight), ToByte(box.sum[1] / box.weight), ToByte(box.sum[2] / box.weight)});

  // k-means: each colour moves to the mean of the cells nearest to it.
  for (int round = 0; round < refineRounds; ++round) {
    NearestColour nearest(palette);
    std::vector<double> sums(palette.size() * 4, 0.0);
    for (const Point& p : points) {
      int i = nearest.find(ToByte(p.value[0]), ToByte(p.value[1]), ToByte(p.value[2]));
      double* s = &sums[static_cast<size_t>(i) * 4];
      s[0] += p.weight;
      for (int c = 0; c < 3; ++c) s[c + 1] += p.weight * p.value[c];
    }
    for (size_t i = 0; i < palette.size(); ++i) {
      const double* s = &sums[i * 4];
      if (s[0] > 0) palette[i] = {ToByte(s[1] / s[0]), ToByte(s[2] / s[0]), ToByte(s[3] / s[0])};
    }
  }
  return palette;
}

NearestColour::NearestColour(const std::vector<RgbColour>& palette) : palette_(palette), cache_(kCacheSize, 0) {
  std::vector<int> order(palette.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return palette[a].red < palette[b].red; });
  for (int i : order) {
    byRed_.push_back(palette[i]);
    byRedIndex_.push_back(i);
  }
}

int NearestColour::find(int red, int green, int blue) {
  uint32_t colour = static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue);
  uint64_t& slot = cache_[HashOf(colour, kCacheSize)];
  if ((slot >> 32) != 0 && static_cast<uint32_t>(slot >> 8 & 0xFFFFFF) == colour) return static_cast<int>(slot & 0xFF);
  int index = search(red, green, blue);
  slot = uint64_t{1} << 32 | uint64_t{colour} << 8 | static_cast<uint64_t>(index);
  return index;
}

int NearestColour::search(int red, int green, int blue) const {
  if (byRed_.empty()) return 0;
  // First entry whose red is not below the query's.
  size_t start = static_cast<size_t>(
      std::lower_bound(byRed_.begin(), byRed_.end(), red, [](const RgbColour& c, int r) { return c.red < r; }) -
      byRed_.begin());
  int best = -1, bestDistance = 0;
  auto consider = [&](size_t k) {
    const RgbColour& c = byRed_[k];
    int d = ColourDistance(red, green, blue, c.red, c.green, c.blue);
    if (best < 0 || d < bestDistance || (d == bestDistance && byRedIndex_[k] < best)) {
      best = byRedIndex_[k];
      bestDistance = d;
    }
  };
  size_t up = start, down = start;
  while (up < byRed_.size() || down > 0) {
    if (up < byRed_.size()) {
      int dr = byRed_[up].red - red;
      if (best >= 0 && dr * dr > bestDistance) up = byRed_.size();
      else consider(up++);
    }
    if (down > 0) {
      int dr = red - byRed_[down - 1].red;
      if (best >= 0 && dr * dr > bestDistance) down = 0;
      else consider(--down);
    }
  }
  return best;
}
