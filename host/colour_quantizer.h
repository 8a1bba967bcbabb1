// The host's own colour quantizer, for GIFs made from true-colour frames: a palette of
// up to 256 colours chosen for a weighted set of pixels, and a fast search for the
// nearest palette colour.
//
// The palette is chosen in two steps. A variance-based median cut splits the colour
// space, always splitting the box with the largest squared error at the point along its
// widest axis that leaves the least squared error in the two halves; then a few rounds
// of k-means move every colour to the mean of the pixels nearest to it. Distances are
// plain squared differences of red, green and blue, the measure of PSNR.
//
// Pixels are counted in a histogram of 6 bits per channel whose cells keep the sum of
// their exact colours, so a cell stands for the mean of its pixels, not for its centre.
// Alongside, the histogram notes the first 256 distinct colours exactly: when the pixels
// hold no more colours than the palette may, those colours are the palette and nothing
// is approximated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/palette_types.h"

class ColourHistogram {
 public:
  ColourHistogram();

  // Counts `count` pixels of red, green, blue bytes. With a mask, only the pixels whose
  // mask byte is not zero.
  void add(const uint8_t* rgb, size_t count, const uint8_t* mask = nullptr);
  void clear();

  uint64_t pixelCount() const { return total_; }
  // The distinct colours counted, in order of first appearance, when there are at most
  // 256 of them; false otherwise.
  bool exactColours(std::vector<RgbColour>* colours) const;

  // One non-empty cell: its pixel count and the mean of its colours.
  struct Cell {
    double weight;
    float red, green, blue;
  };
  std::vector<Cell> cells() const;

 private:
  void noteExact(uint32_t colour);

  struct Sum {
    uint64_t red, green, blue;
    uint32_t count;
  };
  std::vector<Sum> sums_;           // 2^18 cells
  std::vector<uint32_t> touched_;   // cells that are not empty, in order of first use
  uint64_t total_ = 0;
  std::vector<uint32_t> exact_;     // the distinct colours while there are at most 256
  std::vector<uint32_t> exactSlots_;  // open hash of exact_ (0 empty, else colour + 1)
  bool overflow_ = false;
};

// At most `maxColours` (1 to 256) colours for the pixels counted: their exact colours
// when they fit, otherwise the median cut refined by `refineRounds` rounds of k-means.
// Empty for no pixels.
std::vector<RgbColour> ChoosePalette(const ColourHistogram& histogram, int maxColours, int refineRounds = 3);

// The nearest palette colour of any colour (least squared distance; of equal ones the
// lowest index). Keeps a cache of recent answers, so it is meant for one thread.
class NearestColour {
 public:
  explicit NearestColour(const std::vector<RgbColour>& palette);
  int find(int red, int green, int blue);
  const std::vector<RgbColour>& palette() const { return palette_; }

 private:
  int search(int red, int green, int blue) const;

  std::vector<RgbColour> palette_;
  // The palette sorted by red, with the entries' indexes: the search walks outwards from
  // the query's red and stops once the red difference alone is larger than the best.
  std::vector<RgbColour> byRed_;
  std::vector<int> byRedIndex_;
  std::vector<uint64_t> cache_;  // 0 empty, else 1 << 32 | colour << 8 | index
};

inline int ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
  return (r1 - r2) * (r1 - r2) + (g1 - g2) * (g1 - g2) + (b1 - b2) * (b1 - b2);
}
