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

// An 8-bit packed bitmap with `palette` as its table, pixels zero.
std::vector<uint8_t> MakeIndexBitmap(int32_t width, int32_t height, const std::vector<RgbColour>& palette) {
  const uint32_t stride = DibStride(width, 8);
  DibHeader header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biSizeImage = stride * static_cast<uint32_t>(height);
  header.biClrUsed = 256;
  std::vector<uint8_t> bitmap(sizeof header + 4 * 256 + static_cast<size_t>(stride) * height, 0);
  std::memcpy(bitmap.data(), &header, sizeof header);
  for (size_t i = 0; i < palette.size(); ++i) {
    uint8_t* entry = bitmap.data() + sizeof header + 4 * i;
    entry[0] = palette[i].blue;
    entry[1] = palette[i].green;
    entry[2] = palette[i].red;
  }
  return bitmap;
}

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

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
  // `changed` marks the pixels whose true colour is new.
  void reduce(const uint8_t* truth, const uint8_t* changed, bool first, FramePalette& palette,
              std::vector<uint8_t>* bitmap);

 private:
  int32_t width_, height_;
  bool dither_;
  std::vector<uint8_t> shown_;  // what the GIF shows so far
  // Two error rows (this one and the next), one pixel wider on each side so that the
  // neighbours of the edge pixels need no checks; three channels, in 1/16 units.
  std::vector<int> errors_;
};

void FrameReducer::reduce(const uint8_t* truth, const uint8_t* changed, bool first, FramePalette& palette,
                          std::vector<uint8_t>* bitmap) {
  const uint32_t stride = DibStride(width_, 8);
  uint8_t* rows = bitmap->data() + sizeof(DibHeader) + 4 * 256;
  const size_t rowErrors = (static_cast<size_t>(width_) + 2) * 3;
  const uint8_t transparent = static_cast<uint8_t>(palette.transparent());
  std::fill(errors_.begin(), errors_.end(), 0);
  for (int32_t y = 0; y < height_; ++y) {
    const bool leftward = (y & 1) != 0;  // serpentine: every other row right to left
    int* here = errors_.data() + (y & 1) * rowErrors + 3;
    int* next = errors_.data() + ((y + 1) & 1) * rowErrors + 3;
    std::fill(next - 3, next - 3 + rowErrors, 0);
    uint8_t* out = rows + static_cast<size_t>(height_ - 1 - y) * stride;
    const int step = leftward ? -1 : 1;
    for (int32_t i = 0; i < width_; ++i) {
      const int32_t x = leftward ? width_ - 1 - i : i;
      const size_t at = static_cast<size_t>(y) * width_ + x;
      if (!changed[at]) {
        out[x] = transparent;
        continue;  // still: keeps what is shown, carries no error
      }
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
}

// A palette of the frame's own when it is better for the changed pixels than the
// animation's; null to keep the animation's. Exactly the frame's colours when they fit
// and the animation's palette lacks some of them (exact, and no larger); otherwise
// a palette of its own only when the frame changed enough pixels for a table's 768
// bytes to be a small share and it at least halves their squared error.
std::unique_ptr<FramePalette> OwnPalette(const ColourHistogram& changed, FramePalette& global) {
  std::vector<RgbColour> exact;
  if (changed.exactColours(&exact) && exact.size() <= static_cast<size_t>(kMaxColours)) {
    for (const RgbColour& c : exact) {
      const RgbColour& g = global.colours[static_cast<size_t>(global.nearest.find(c.red, c.green, c.blue))];
      if (g.red != c.red || g.green != c.green || g.blue != c.blue) return std::make_unique<FramePalette>(exact);
    }
    return nullptr;
  }
  if (changed.pixelCount() < kOwnPaletteMinimumPixels) return nullptr;
  auto own = std::make_unique<FramePalette>(ChoosePalette(changed, kMaxColours));
  std::vector<ColourHistogram::Cell> cells = changed.cells();
  return 2 * PaletteError(cells, own->nearest) <= PaletteError(cells, global.nearest) ? std::move(own) : nullptr;
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
  for (size_t i = 0; i < source.frames.size(); ++i) {
    truth.draw(source.frames[i]);
    const uint8_t* screen = truth.screen();
    if (i > 0)
      for (size_t p = 0; p < pixels; ++p) changed[p] = std::memcmp(screen + 3 * p, previous.data() + 3 * p, 3) != 0;
    histogram.clear();
    histogram.add(screen, pixels, changed.data());
    std::unique_ptr<FramePalette> own = OwnPalette(histogram, global);
    FramePalette& palette = own ? *own : global;

    DeliveredImage frame;
    frame.recordSize = source.frames[i].recordSize;
    frame.version = source.frames[i].version;
    frame.imageSet = true;
    frame.delay = source.frames[i].delay;
    frame.frameNumber = source.frames[i].frameNumber;
    frame.transparentKey = i == 0 ? -1 : palette.transparent();
    frame.bitmap = MakeIndexBitmap(source.width, source.height, palette.colours);
    reducer.reduce(screen, changed.data(), i == 0, palette, &frame.bitmap);
    out->frames.push_back(std::move(frame));
    std::memcpy(previous.data(), screen, previous.size());
  }
  return true;
}
