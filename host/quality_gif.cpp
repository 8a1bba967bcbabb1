#include "host/quality_gif.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/dib_image.h"
#include "framework/parallel.h"
#include "host/colour_quantizer.h"
#include "host/composed_frames.h"

namespace {

constexpr int kMaxColours = 255;  // and one transparent index after them
// A carried error is limited so that one bad match cannot smear across a row.
constexpr int kErrorLimit = 48;
// Changed pixels a frame needs before a palette of its own is weighed: below, its table
// would be a large share of its bytes.
constexpr uint64_t kOwnPaletteMinimumPixels = 4096;
// Frames whose palettes are chosen together, on the threads, per thread; at most this
// many threads (each counts colours in a histogram of 8 MiB), and at most this many
// bytes of screens and change marks at once.
constexpr int kFramesPerThread = 2;
constexpr int kMaxPaletteThreads = 8;
constexpr size_t kMaxBatchBytes = size_t{192} << 20;

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

// What a quality level asks of the reduction.
struct LevelSettings {
  int colours;       // most colours of a palette
  int refineRounds;  // rounds of k-means after the median cut
  int ditherShare;   // sixteenths of the quantizing error passed on to the neighbours
  int tolerance;     // squared distance from the truth a changed pixel may keep as shown
  // Squared error one byte of colour table must save for a frame to get a palette of its
  // own (0: whenever it has enough changed pixels).
  double errorPerTableByte;
};

// The palettes shrink with the level: from 255 colours at 100 by half every 40 levels
// down to 70, then by half every 12 (at least 4). Lower levels also keep still pixels
// further from the truth, and below 60 diffuse less of the error (flat areas code
// smaller). Level 100 refines its palettes longest and gives every frame that changes
// enough a palette of its own.
LevelSettings SettingsOf(int level) {
  const int q = Clamp(level, 1, 100);
  LevelSettings settings;
  // Plain multiplications, which every build rounds alike (a library's exp2 need not).
  double colours = kMaxColours;
  for (int l = 100; l > q; --l) colours *= l > 70 ? 0.98282059756 : 0.94387431268;  // 2^(-1/40), 2^(-1/12)
  settings.colours = std::max(4, static_cast<int>(colours + 0.5));
  settings.refineRounds = q >= 100 ? 8 : 3;
  // The full error spreads noise into smooth areas that costs more in PSNR than the
  // banding it hides: half of it is passed on.
  settings.ditherShare = q >= 60 ? 8 : q * 8 / 60;
  const double step = (100 - q) * 0.4;  // per channel
  settings.tolerance = static_cast<int>(3 * step * step);
  settings.errorPerTableByte = q >= 100 ? 0 : 300;
  return settings;
}

// Makes `bitmap` an 8-bit packed bitmap of the size with `palette` as its table (the
// rest of the table zero); the pixels are left for the reduction to write.
void MakeIndexBitmap(int32_t width, int32_t height, const std::vector<RgbColour>& palette,
                     std::vector<uint8_t>* bitmap) {
  *bitmap = MakePackedBitmap(width, height, 8);
  uint8_t* table = bitmap->data() + sizeof(DibHeader);
  for (size_t i = 0; i < palette.size(); ++i) {
    table[4 * i] = palette[i].blue;
    table[4 * i + 1] = palette[i].green;
    table[4 * i + 2] = palette[i].red;
  }
}

// Marks the pixels whose colour differs between the two screens; the rectangle that
// holds them (empty when none does).
FrameRegion MarkChanges(const uint8_t* screen, const uint8_t* previous, int32_t width, int32_t height,
                        uint8_t* changed) {
  int32_t left = width, right = -1, top = height, bottom = -1;
  for (int32_t y = 0; y < height; ++y) {
    const size_t rowStart = static_cast<size_t>(y) * width;
    if (std::memcmp(screen + 3 * rowStart, previous + 3 * rowStart, 3 * static_cast<size_t>(width)) == 0) {
      std::memset(changed + rowStart, 0, width);
      continue;
    }
    for (int32_t x = 0; x < width; ++x) {
      const size_t p = rowStart + x;
      changed[p] = std::memcmp(screen + 3 * p, previous + 3 * p, 3) != 0;
      if (!changed[p]) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = y;
    }
  }
  return right < 0 ? FrameRegion{0, 0, 0, 0} : FrameRegion{left, top, right - left + 1, bottom - top + 1};
}

// Squared error of the counted pixels against their nearest palette colours (each cell
// taken at its mean).
double PaletteError(const std::vector<ColourHistogram::Cell>& cells, NearestColour& nearest) {
  double error = 0;
  for (const ColourHistogram::Cell& cell : cells) {
    const int r = static_cast<int>(cell.red + 0.5f), g = static_cast<int>(cell.green + 0.5f),
              b = static_cast<int>(cell.blue + 0.5f);
    const RgbColour& c = nearest.palette()[static_cast<size_t>(nearest.find(r, g, b))];
    error += cell.weight * ColourDistance(r, g, b, c.red, c.green, c.blue);
  }
  return error;
}

// The palette of one frame and its nearest-colour search; the transparent index follows
// the colours.
struct FramePalette {
  explicit FramePalette(std::vector<RgbColour> colours) : nearest(colours), colours(std::move(colours)) {}
  NearestColour nearest;
  std::vector<RgbColour> colours;
  int transparent() const { return static_cast<int>(colours.size()); }
};

// Reduces the frames one by one, the changed pixels only, against what is shown.
class FrameReducer {
 public:
  FrameReducer(int32_t width, int32_t height, const LevelSettings& settings, bool dither)
      : width_(width), height_(height), settings_(settings), dither_(dither),
        shown_(static_cast<size_t>(width) * height * 3, 0), errors_(2 * (static_cast<size_t>(width) + 2) * 3, 0) {}

  // Fills the 8-bit rows of `bitmap` (bottom row first) for the next frame's truth;
  // `changed` marks the pixels whose true colour is new, all inside `area`.
  void reduce(const uint8_t* truth, const uint8_t* changed, const FrameRegion& area, bool first,
              FramePalette& palette, std::vector<uint8_t>* bitmap);

 private:
  int32_t width_, height_;
  LevelSettings settings_;
  bool dither_;
  std::vector<uint8_t> shown_;  // what the GIF shows so far
  // Two error rows (this one and the next), one pixel wider on each side so that the
  // neighbours of the edge pixels need no checks; three channels, in 1/16 units.
  std::vector<int> errors_;
};

void FrameReducer::reduce(const uint8_t* truth, const uint8_t* changed, const FrameRegion& area, bool first,
                          FramePalette& palette, std::vector<uint8_t>* bitmap) {
  const uint32_t stride = DibStride(width_, 8);
  uint8_t* rows = bitmap->data() + sizeof(DibHeader) + 4 * 256;
  const size_t rowErrors = (static_cast<size_t>(width_) + 2) * 3;
  const uint8_t transparent = static_cast<uint8_t>(palette.transparent());
  // Outside the area every pixel stays as shown; row padding is zero.
  std::memset(rows, 0, static_cast<size_t>(stride) * height_);
  for (int32_t y = 0; y < height_; ++y) std::memset(rows + static_cast<size_t>(y) * stride, transparent, width_);
  std::fill(errors_.begin(), errors_.end(), 0);
  const int share = dither_ ? settings_.ditherShare : 0;
  for (int32_t y = area.top; y < area.top + area.height; ++y) {
    const bool leftward = (y & 1) != 0;  // serpentine: every other row right to left
    int* here = errors_.data() + (y & 1) * rowErrors + 3;
    int* next = errors_.data() + ((y + 1) & 1) * rowErrors + 3;
    std::fill(next - 3, next - 3 + rowErrors, 0);
    uint8_t* out = rows + static_cast<size_t>(height_ - 1 - y) * stride;
    const int step = leftward ? -1 : 1;
    for (int32_t i = 0; i < area.width; ++i) {
      const int32_t x = leftward ? area.left + area.width - 1 - i : area.left + i;
      const size_t at = static_cast<size_t>(y) * width_ + x;
      if (!changed[at]) continue;  // still: keeps what is shown, carries no error
      const uint8_t* t = truth + 3 * at;
      uint8_t* s = shown_.data() + 3 * at;
      int* e = here + 3 * x;
      int target[3];
      for (int c = 0; c < 3; ++c) target[c] = Clamp(t[c] + e[c] / 16, 0, 255);
      int index = palette.nearest.find(target[0], target[1], target[2]);
      const RgbColour& p = palette.colours[static_cast<size_t>(index)];
      int chosen[3] = {p.red, p.green, p.blue};
      // What is shown stays when it is near enough the truth, or at least as near the
      // target as the palette colour.
      if (!first && (ColourDistance(s[0], s[1], s[2], t[0], t[1], t[2]) <= settings_.tolerance ||
                     ColourDistance(s[0], s[1], s[2], target[0], target[1], target[2]) <=
                         ColourDistance(chosen[0], chosen[1], chosen[2], target[0], target[1], target[2]))) {
        index = transparent;
        for (int c = 0; c < 3; ++c) chosen[c] = s[c];
      } else {
        for (int c = 0; c < 3; ++c) s[c] = static_cast<uint8_t>(chosen[c]);
      }
      out[x] = static_cast<uint8_t>(index);
      if (share == 0) continue;
      for (int c = 0; c < 3; ++c) {
        int error = Clamp((target[c] - chosen[c]) * share, -kErrorLimit * 16, kErrorLimit * 16);
        // Floyd-Steinberg: 7/16 ahead, 3/16 behind below, 5/16 below, 1/16 ahead below.
        e[3 * step + c] += error * 7 / 16;
        next[3 * (x - step) + c] += error * 3 / 16;
        next[3 * x + c] += error * 5 / 16;
        next[3 * (x + step) + c] += error / 16;
      }
    }
  }
}

// A palette of the frame's own for its changed pixels, or none to keep the animation's.
// Exactly the frame's colours when they fit and the animation's palette lacks some of
// them. Otherwise, when the frame changed enough pixels, a palette chosen for them, kept
// where the squared error it saves is worth more than its table.
std::unique_ptr<FramePalette> OwnPalette(const ColourHistogram& changed, const FramePalette& global,
                                         const LevelSettings& settings) {
  std::vector<RgbColour> exact;
  if (changed.exactColours(&exact) && exact.size() <= static_cast<size_t>(settings.colours)) {
    NearestColour nearest(global.colours);
    for (const RgbColour& c : exact) {
      const RgbColour& g = global.colours[static_cast<size_t>(nearest.find(c.red, c.green, c.blue))];
      if (g.red != c.red || g.green != c.green || g.blue != c.blue) return std::make_unique<FramePalette>(exact);
    }
    return nullptr;
  }
  if (changed.pixelCount() < kOwnPaletteMinimumPixels) return nullptr;
  std::vector<ColourHistogram::Cell> cells = changed.cells();
  NearestColour globalNearest(global.colours);
  const double globalError = PaletteError(cells, globalNearest);
  auto own = std::make_unique<FramePalette>(ChoosePalette(changed, settings.colours, settings.refineRounds));
  const double table = 3.0 * (1 << BitsForColourCount(own->transparent() + 1));
  if (globalError - PaletteError(cells, own->nearest) <= table * settings.errorPerTableByte) return nullptr;
  return own;
}

}  // namespace

bool MakeQualityDelivery(const Delivery& source, const QualityGifOptions& options, Delivery* out, std::string* error) {
  if (!ComposableSize(source.width, source.height)) {
    *error = "the animation's size does not fit a GIF";
    return false;
  }
  if (source.frames.empty()) {
    *error = "no frames were delivered";
    return false;
  }
  if (options.level < 1 || options.level > 100) {
    *error = "the quality level is " + std::to_string(options.level) + "; it must be 1 to 100";
    return false;
  }
  const LevelSettings settings = SettingsOf(options.level);
  // Every pixel of every shown frame counts towards the animation's palette.
  const size_t pixels = static_cast<size_t>(source.width) * source.height;
  ColourHistogram histogram;
  {
    FrameComposer composer(source.width, source.height);
    for (size_t i = 0; i < source.frames.size(); ++i) {
      if (!composer.draw(source.frames[i])) {
        *error = "frame " + std::to_string(i) + " cannot be read";
        return false;
      }
      histogram.add(composer.screen(), pixels);
    }
  }
  FramePalette global(ChoosePalette(histogram, settings.colours, settings.refineRounds));
  // Frames whose colours all fit the palette are written exactly, with nothing to diffuse.
  std::vector<RgbColour> exact;
  const bool dither = options.dither && !(histogram.exactColours(&exact) && exact.size() <= global.colours.size());

  *out = Delivery();
  out->test = source.test;
  out->recordSize = source.recordSize;
  out->version = source.version;
  out->windowSet = source.windowSet;
  out->width = source.width;
  out->height = source.height;
  out->bits = BitsForColourCount(global.transparent() + 1);
  for (size_t i = 0; i < global.colours.size(); ++i) out->palette.entries[i] = global.colours[i];
  out->frameCount = static_cast<int32_t>(source.frames.size());
  out->hasComment = source.hasComment;
  out->comment = source.comment;
  out->finished = source.finished;
  out->sequence = source.sequence;

  // A batch of frames is composed in order, their changes found and their palettes
  // chosen on the threads (none of that depends on what is shown), then reduced in order.
  const int threads = Clamp(options.threads, 1, kMaxPaletteThreads);
  const size_t batch =
      std::max<size_t>(1, std::min<size_t>(static_cast<size_t>(threads) * kFramesPerThread, kMaxBatchBytes / (4 * pixels)));
  std::vector<std::vector<uint8_t>> screens(batch + 1, std::vector<uint8_t>(pixels * 3, 0));
  std::vector<std::vector<uint8_t>> changed(batch, std::vector<uint8_t>(pixels, 1));
  std::vector<FrameRegion> areas(batch);
  std::vector<std::unique_ptr<FramePalette>> own(batch);
  std::vector<std::unique_ptr<ColourHistogram>> histograms(static_cast<size_t>(threads));
  FrameComposer truth(source.width, source.height);
  FrameReducer reducer(source.width, source.height, settings, dither);
  for (size_t first = 0; first < source.frames.size(); first += batch) {
    const size_t count = std::min(batch, source.frames.size() - first);
    // screens[0] holds the frame before the batch, screens[k + 1] its k-th frame.
    if (first > 0) screens[0].swap(screens[batch]);
    for (size_t k = 0; k < count; ++k) {
      truth.draw(source.frames[first + k]);
      std::memcpy(screens[k + 1].data(), truth.screen(), pixels * 3);
    }
    const bool found = ParallelFor(threads, static_cast<int32_t>(count), [&](int32_t k, int worker) {
      const size_t i = first + static_cast<size_t>(k);
      const uint8_t* screen = screens[k + 1].data();
      areas[k] = FrameRegion{0, 0, source.width, source.height};
      if (i > 0) areas[k] = MarkChanges(screen, screens[k].data(), source.width, source.height, changed[k].data());
      std::unique_ptr<ColourHistogram>& h = histograms[static_cast<size_t>(worker)];
      if (!h) h = std::make_unique<ColourHistogram>();
      h->clear();
      h->add(screen, pixels, changed[k].data());
      own[k] = OwnPalette(*h, global, settings);
      return true;
    });
    if (!found) {
      *error = "there is not enough memory to choose the frames' palettes";
      return false;
    }
    for (size_t k = 0; k < count; ++k) {
      const size_t i = first + k;
      const DeliveredImage& delivered = source.frames[i];
      DeliveredImage frame;
      frame.recordSize = delivered.recordSize;
      frame.version = delivered.version;
      frame.imageSet = true;
      frame.delay = delivered.delay;
      frame.frameNumber = delivered.frameNumber;
      FramePalette& palette = own[k] ? *own[k] : global;
      MakeIndexBitmap(source.width, source.height, palette.colours, &frame.bitmap);
      reducer.reduce(screens[k + 1].data(), changed[k].data(), areas[k], i == 0, palette, &frame.bitmap);
      frame.transparentKey = i == 0 ? -1 : palette.transparent();
      out->frames.push_back(std::move(frame));
    }
  }
  return true;
}
