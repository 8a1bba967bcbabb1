#include "host/quality_gif.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/dib_image.h"
#include "host/colour_quantizer.h"
#include "host/composed_frames.h"

namespace {

constexpr int kMaxColours = 255;  // and one transparent index after them
// Share of the quantizing error passed on to the neighbours: the full error spreads
// noise into smooth areas that costs more in PSNR than the banding it hides.
constexpr int kDitherNumerator = 7;
constexpr int kDitherDenominator = 8;
// A carried error is limited so that one bad match cannot smear across a row.
constexpr int kErrorLimit = 48;
// Changed pixels a frame needs before a palette of its own is weighed.
constexpr uint64_t kOwnPaletteMinimumPixels = 64 * 256;
// Trying palettes of their own costs frames a palette and two more reductions each; an
// animation whose frames lost this many trials in a row tries again only every
// kOwnPaletteRetry-th frame, until a trial is won.
constexpr int kOwnPaletteTrials = 4;
constexpr size_t kOwnPaletteRetry = 8;
// The sizes of the palettes of its own a frame may try.
constexpr int kOwnPaletteSizes[] = {kMaxColours, 63};

// Makes `bitmap` an 8-bit packed bitmap of the size with `palette` as its table (the
// rest of the table zero); the pixels are left for the reduction to write.
void MakeIndexBitmap(int32_t width, int32_t height, const std::vector<RgbColour>& palette,
                     std::vector<uint8_t>* bitmap) {
  const uint32_t stride = DibStride(width, 8);
  DibHeader header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biSizeImage = stride * static_cast<uint32_t>(height);
  header.biClrUsed = 256;
  bitmap->resize(sizeof header + 4 * 256 + static_cast<size_t>(stride) * height);
  std::memcpy(bitmap->data(), &header, sizeof header);
  uint8_t* table = bitmap->data() + sizeof header;
  std::memset(table, 0, 4 * 256);
  for (size_t i = 0; i < palette.size(); ++i) {
    table[4 * i] = palette[i].blue;
    table[4 * i + 1] = palette[i].green;
    table[4 * i + 2] = palette[i].red;
  }
}

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

// The bytes GIF's LZW coding gives the frame's indexes inside the rectangle of its
// visible pixels (all of them for the first frame; none lie outside `area`), with `bits`-bit codes to start, as
// the writer will code them: a code per longest known string, codes growing to 12 bits,
// the table cleared when full, sub-blocks of 255 bytes.
size_t CodedBytes(const std::vector<uint8_t>& bitmap, int32_t width, int32_t height, const FrameRegion& area,
                  int transparent, int bits) {
  const uint32_t stride = DibStride(width, 8);
  const uint8_t* rows = bitmap.data() + sizeof(DibHeader) + 4 * 256;
  auto row = [&](int32_t y) { return rows + static_cast<size_t>(height - 1 - y) * stride; };
  int32_t left = width, right = -1, top = height, bottom = -1;
  for (int32_t y = area.top; y < area.top + area.height; ++y) {
    const uint8_t* r = row(y);
    for (int32_t x = area.left; x < area.left + area.width; ++x)
      if (transparent < 0 || r[x] != transparent) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = y;
      }
  }
  if (right < 0) return 4;
  const int minimum = std::max(2, bits);
  const uint32_t clear = 1u << minimum;
  std::vector<uint32_t> keys(8192), codes(8192);  // open hash: (prefix << 8 | index) + 1
  uint32_t next = clear + 2;
  int codeSize = minimum + 1;
  uint64_t total = static_cast<uint64_t>(codeSize);  // the opening clear code
  int64_t prefix = -1;
  for (int32_t y = top; y <= bottom; ++y) {
    const uint8_t* r = row(y);
    for (int32_t x = left; x <= right; ++x) {
      if (prefix < 0) {
        prefix = r[x];
        continue;
      }
      const uint32_t key = (static_cast<uint32_t>(prefix) << 8 | r[x]) + 1;
      size_t slot = (key * 2654435761u) >> 19;
      while (keys[slot] != 0 && keys[slot] != key) slot = (slot + 1) & 8191;
      if (keys[slot] == key) {
        prefix = codes[slot];
        continue;
      }
      total += static_cast<uint64_t>(codeSize);
      if (next < 4096) {
        keys[slot] = key;
        codes[slot] = next;
        if (next == (1u << codeSize) && codeSize < 12) ++codeSize;
        ++next;
      } else {
        total += static_cast<uint64_t>(codeSize);  // a clear code
        std::fill(keys.begin(), keys.end(), 0);
        next = clear + 2;
        codeSize = minimum + 1;
      }
      prefix = r[x];
    }
  }
  total += 2 * static_cast<uint64_t>(codeSize);  // the last string and the end code
  const size_t bytes = static_cast<size_t>((total + 7) / 8);
  return bytes + bytes / 255 + 2;
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
  FrameReducer(int32_t width, int32_t height, bool dither)
      : width_(width), height_(height), dither_(dither), shown_(static_cast<size_t>(width) * height * 3, 0),
        errors_(2 * (static_cast<size_t>(width) + 2) * 3, 0) {}

  // Fills the 8-bit rows of `bitmap` (bottom row first) for the next frame's truth;
  // `changed` marks the pixels whose true colour is new, all inside `area`. Returns the
  // squared error of the changed pixels as shown afterwards.
  double reduce(const uint8_t* truth, const uint8_t* changed, const FrameRegion& area, bool first,
                FramePalette& palette, std::vector<uint8_t>* bitmap);
  // What the GIF shows so far, to try a frame two ways and keep one.
  std::vector<uint8_t>& shown() { return shown_; }

 private:
  int32_t width_, height_;
  bool dither_;
  std::vector<uint8_t> shown_;  // what the GIF shows so far
  // Two error rows (this one and the next), one pixel wider on each side so that the
  // neighbours of the edge pixels need no checks; three channels, in 1/16 units.
  std::vector<int> errors_;
};

double FrameReducer::reduce(const uint8_t* truth, const uint8_t* changed, const FrameRegion& area, bool first,
                            FramePalette& palette, std::vector<uint8_t>* bitmap) {
  double squares = 0;
  const uint32_t stride = DibStride(width_, 8);
  uint8_t* rows = bitmap->data() + sizeof(DibHeader) + 4 * 256;
  const size_t rowErrors = (static_cast<size_t>(width_) + 2) * 3;
  const uint8_t transparent = static_cast<uint8_t>(palette.transparent());
  // Outside the area every pixel stays as shown; row padding is zero.
  std::memset(rows, 0, static_cast<size_t>(stride) * height_);
  for (int32_t y = 0; y < height_; ++y) std::memset(rows + static_cast<size_t>(y) * stride, transparent, width_);
  std::fill(errors_.begin(), errors_.end(), 0);
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
      for (int c = 0; c < 3; ++c) target[c] = Clamp(t[c] + (dither_ ? e[c] / 16 : 0), 0, 255);
      int index = palette.nearest.find(target[0], target[1], target[2]);
      const RgbColour& p = palette.colours[static_cast<size_t>(index)];
      int chosen[3] = {p.red, p.green, p.blue};
      if (!first && ColourDistance(s[0], s[1], s[2], target[0], target[1], target[2]) <=
                        ColourDistance(chosen[0], chosen[1], chosen[2], target[0], target[1], target[2])) {
        index = transparent;
        for (int c = 0; c < 3; ++c) chosen[c] = s[c];
      } else {
        for (int c = 0; c < 3; ++c) s[c] = static_cast<uint8_t>(chosen[c]);
      }
      out[x] = static_cast<uint8_t>(index);
      squares += ColourDistance(t[0], t[1], t[2], chosen[0], chosen[1], chosen[2]);
      if (!dither_) continue;
      for (int c = 0; c < 3; ++c) {
        int error = Clamp((target[c] - chosen[c]) * kDitherNumerator * 16 / kDitherDenominator, -kErrorLimit * 16,
                          kErrorLimit * 16);
        // Floyd-Steinberg: 7/16 ahead, 3/16 behind below, 5/16 below, 1/16 ahead below.
        e[3 * step + c] += error * 7 / 16;
        next[3 * (x - step) + c] += error * 3 / 16;
        next[3 * x + c] += error * 5 / 16;
        next[3 * (x + step) + c] += error / 16;
      }
    }
  }
  return squares;
}

// Palettes of the frame's own that may serve its changed pixels better than the
// animation's; none to keep the animation's. Exactly the frame's colours (`exact` set)
// when they fit and the animation's palette lacks some of them. Otherwise, when the
// frame changed enough pixels for a table to be a small share, palettes of 255 and of
// 63 colours chosen for them, each only if it at least halves their squared error:
// candidates, which the frame is then reduced with to keep one only where it is both
// smaller and better.
std::vector<std::unique_ptr<FramePalette>> OwnPalettes(const ColourHistogram& changed, FramePalette& global,
                                                       bool tryChosen, bool* exactFit) {
  std::vector<std::unique_ptr<FramePalette>> own;
  std::vector<RgbColour> exact;
  *exactFit = false;
  if (changed.exactColours(&exact) && exact.size() <= static_cast<size_t>(kMaxColours)) {
    *exactFit = true;
    for (const RgbColour& c : exact) {
      const RgbColour& g = global.colours[static_cast<size_t>(global.nearest.find(c.red, c.green, c.blue))];
      if (g.red == c.red && g.green == c.green && g.blue == c.blue) continue;
      own.push_back(std::make_unique<FramePalette>(exact));
      break;
    }
    return own;
  }
  if (!tryChosen || changed.pixelCount() < kOwnPaletteMinimumPixels) return own;
  std::vector<ColourHistogram::Cell> cells = changed.cells();
  const double globalError = PaletteError(cells, global.nearest);
  size_t previous = 0;
  for (int colours : kOwnPaletteSizes) {
    auto candidate = std::make_unique<FramePalette>(ChoosePalette(changed, colours));
    const size_t size = candidate->colours.size();
    if (size == previous) continue;  // fewer colours than asked: the same palette again
    previous = size;
    if (2 * PaletteError(cells, candidate->nearest) <= globalError) own.push_back(std::move(candidate));
  }
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
  // Every pixel of every shown frame counts towards the palette.
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
  FramePalette global(ChoosePalette(histogram, kMaxColours));
  // Frames whose colours all fit the palette are written exactly, with nothing to diffuse.
  std::vector<RgbColour> exact;
  const bool dither =
      options.dither && !(histogram.exactColours(&exact) && exact.size() <= static_cast<size_t>(kMaxColours));

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

  FrameComposer truth(source.width, source.height);
  std::vector<uint8_t> previous(pixels * 3, 0);
  std::vector<uint8_t> changed(pixels, 1);
  FrameReducer reducer(source.width, source.height, dither);
  std::vector<uint8_t> before, kept, trial;  // kept from frame to frame: no new memory each time
  int trialsLost = 0;  // frames in a row that tried palettes of their own and kept none
  for (size_t i = 0; i < source.frames.size(); ++i) {
    truth.draw(source.frames[i]);
    const uint8_t* screen = truth.screen();
    FrameRegion area{0, 0, source.width, source.height};
    if (i > 0) area = MarkChanges(screen, previous.data(), source.width, source.height, changed.data());
    histogram.clear();
    histogram.add(screen, pixels, changed.data());
    bool exactFit = false;
    std::vector<std::unique_ptr<FramePalette>> own =
        OwnPalettes(histogram, global, trialsLost < kOwnPaletteTrials || i % kOwnPaletteRetry == 0, &exactFit);
    const bool first = i == 0;

    DeliveredImage frame;
    frame.recordSize = source.frames[i].recordSize;
    frame.version = source.frames[i].version;
    frame.imageSet = true;
    frame.delay = source.frames[i].delay;
    frame.frameNumber = source.frames[i].frameNumber;
    FramePalette* palette = exactFit && !own.empty() ? own[0].get() : &global;
    if (!exactFit && !own.empty()) before = reducer.shown();
    MakeIndexBitmap(source.width, source.height, palette->colours, &frame.bitmap);
    double error = reducer.reduce(screen, changed.data(), area, first, *palette, &frame.bitmap);
    if (!exactFit && !own.empty()) {
      // A palette of the frame's own only where it is smaller and better, its table
      // counted; of several such, the better.
      const size_t globalBytes =
          CodedBytes(frame.bitmap, source.width, source.height, area, first ? -1 : global.transparent(), out->bits);
      kept = reducer.shown();
      for (std::unique_ptr<FramePalette>& candidate : own) {
        reducer.shown() = before;
        MakeIndexBitmap(source.width, source.height, candidate->colours, &trial);
        double candidateError = reducer.reduce(screen, changed.data(), area, first, *candidate, &trial);
        const int bits = BitsForColourCount(candidate->transparent() + 1);
        size_t candidateBytes =
            CodedBytes(trial, source.width, source.height, area, first ? -1 : candidate->transparent(), bits) +
            3 * (size_t{1} << bits);
        if (candidateError < error && candidateBytes <= globalBytes) {
          palette = candidate.get();
          error = candidateError;
          frame.bitmap.swap(trial);
          kept = reducer.shown();
        }
      }
      reducer.shown().swap(kept);
      trialsLost = palette == &global ? trialsLost + 1 : 0;
    }
    frame.transparentKey = first ? -1 : palette->transparent();
    out->frames.push_back(std::move(frame));
    std::memcpy(previous.data(), screen, previous.size());
  }
  return true;
}
