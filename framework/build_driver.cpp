#include "framework/build_driver.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "framework/dib_view.h"
#include "framework/dither.h"
#include "framework/messages.h"
#include "framework/palette.h"
#include "framework/parallel.h"
#include "framework/quantize.h"
#include "framework/remap.h"

const char* const kAnimationComment =
    "CREATED BY...\r\n\r\nThis animation was created by Varnel Quillon' Framewright Professional "
    "or Motionwright and the Kestrel #1 plugin set.\r\n\r\nSee\r\n\r\n    "
    "http://www.varnelquillon.example/kestrel/"
    "\r\n\r\nfor more information.";

namespace {

// One build from start to end. The destructor releases whatever is still held, so every
// early return of run() leaves nothing behind.
class Build {
 public:
  Build(Dialog& dialog, const Host& host, bool test, Effect& effect)
      : effect_(effect), settings_(effect.common()), context_{dialog, host, test, settings_, BuildThreadCount()} {}
  ~Build() { release(); }

  int run();

 private:
  bool fail(MessageId message) {
    ShowMessage(context_.dialog, message);
    return false;
  }
  void planColours();
  bool quantize();
  bool supercompress();
  bool supercompressAll(std::vector<FrameEntry>& entries);
  bool supercompressInOrder();
  bool remap();
  int deliver();
  void release();

  Effect& effect_;
  const CommonSettings& settings_;
  BuildContext context_;
  const Host& host() const { return context_.host; }

  FrameList frames_;
  DibImage composite_ = nullptr;
  bool released_ = false;

  RgbPalette palette_{};
  int bits_ = 8;
  int colours_ = 256;         // n: palette entries the reduction may choose from
  int transparentSlot_ = -1;  // t: the palette slot reserved for unchanged pixels
  int32_t reservedColour_ = 0;
  bool supercompress_ = false;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

int Build::run() {
  context_.dialog.showWaitCursor();
  BuildPalette(&palette_, &bits_, settings_.mainPalette);
  supercompress_ = !context_.test && settings_.supercompress == 1;

  if (!effect_.prepareSources(context_)) return 0;
  host().setStatus("Building");
  int rendered = effect_.renderFrames(context_, &frames_);
  host().endProgress();
  if (!rendered || frames_.count < 2) return fail(kMsgMemoryError);
  if (!effect_.finishFrames(context_, &frames_)) return fail(kMsgMemoryError);

  if (!settings_.trueColour) {
    if (settings_.mainCustomPalette == 1) {
      if (!quantize()) return fail(kMsgMemoryError);
    } else {
      planColours();
    }
  }
  if (supercompress_ && !this->supercompress()) return fail(kMsgMemoryError);
  if (!remap()) return fail(kMsgMemoryError);
  return deliver();
}

// A fixed palette: unchanged pixels need a slot of their own that no pixel is mapped to.
// It is reserved right after the palette's colours when there is room for one (growing
// the frame depth if needed); the black-and-white palette keeps its two-level reduction
// and the full palettes have no room, so those build without Supercompress rather than
// deliver unchanged pixels as some other colour.
void Build::planColours() {
  if (!supercompress_) return;
  int count = BuildPalette(nullptr, nullptr, settings_.mainPalette);
  if (count >= 256 || bits_ == 1) {
    supercompress_ = false;
    return;
  }
  colours_ = count;
  transparentSlot_ = count;
  reservedColour_ = FindUnusedPaletteColour(&palette_, count);
  palette_.entries[count] = UnpackColour(reservedColour_);
  bits_ = BitsForColourCount(count + 1);
}

bool Build::quantize() {
  colours_ = supercompress_ ? 255 : 256;
  host().setStatus("Quantizing");
  if (!QuantizeFrames(&colours_, &palette_, &frames_, context_.threads)) return false;
  SortPaletteByLuminance(&palette_, colours_, 1);
  effect_.adjustOptimisedPalette(context_, &palette_, colours_);
  int slots = colours_;
  if (supercompress_) {
    transparentSlot_ = colours_;
    reservedColour_ = FindUnusedPaletteColour(&palette_, colours_);
    palette_.entries[transparentSlot_] = UnpackColour(reservedColour_);
    slots = colours_ + 1;  // the depth must hold the reserved slot too
  }
  bits_ = BitsForColourCount(slots);
  // One-bit reduction ignores the palette (light pixels become index 1); an optimised
  // palette is always looked up, so its frames have at least two bits.
  if (bits_ < 2) bits_ = 2;
  return true;
}

// Supercompress compares each frame with the composite of the frames before it: the
// picture left on screen when every earlier frame has been drawn with its unchanged
// pixels transparent. Drawing frame i leaves the composite equal to frame i everywhere
// (where a pixel changed it is copied in; where it did not, the composite already held
// frame i's value), so when all frames have the composite's size the composite before
// frame i is simply frame i - 1 as rendered. Each frame's mask then depends only on two
// rendered frames, and the frames can be compared independently, on several threads:
// first every mask is made from the untouched frames, then every frame's unchanged
// pixels receive its key.

// True when every frame is 24-bit and of frame 0's size.
bool UniformTrueColour(const std::vector<FrameEntry>& entries) {
  int32_t width = 0, height = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    int32_t w = 0, h = 0;
    int bits = 0;
    if (!GetDibImageInfo(entries[i].image, &w, &h, &bits, nullptr) || bits != 24) return false;
    if (i == 0) {
      width = w;
      height = h;
    } else if (w != width || h != height) {
      return false;
    }
  }
  return true;
}

// Fills the 1-bit `unchanged` (new, cleared) with 1 where `frame` equals `previous`; both
// 24-bit of its size. Eight pixels make one mask byte, stored whole.
void MarkUnchanged(const DibView& previous, const DibView& frame, const DibView& unchanged) {
  const int32_t width = frame.width();
  for (int32_t y = 0; y < frame.height(); ++y) {
    const uint8_t* f = frame.pictureRow(y);
    const uint8_t* c = previous.pictureRow(y);
    uint8_t* m = unchanged.pictureRow(y);
    for (int32_t x = 0; x < width; ++m) {
      uint8_t maskByte = 0;
      for (int bit = 0; bit < 8 && x < width; ++bit, ++x, f += 3, c += 3)
        if (f[0] == c[0] && f[1] == c[1] && f[2] == c[2]) maskByte = static_cast<uint8_t>(maskByte | (0x80 >> bit));
      *m = maskByte;
    }
  }
}

// Sets the 24-bit frame's pixels under set mask bits to the PackedColour `key`.
void KeyUnchanged(const DibView& frame, const DibView& unchanged, int32_t key) {
  const uint8_t keyBytes[3] = {static_cast<uint8_t>(PackedBlue(key)), static_cast<uint8_t>(PackedGreen(key)),
                               static_cast<uint8_t>(PackedRed(key))};
  const int32_t width = frame.width();
  for (int32_t y = 0; y < frame.height(); ++y) {
    uint8_t* f = frame.pictureRow(y);
    const uint8_t* m = unchanged.pictureRow(y);
    for (int32_t x = 0; x < width; x += 8, ++m, f += 24) {
      const uint8_t maskByte = *m;
      if (!maskByte) continue;  // eight changed pixels
      for (int bit = 0; bit < 8 && x + bit < width; ++bit)
        if (maskByte & (0x80 >> bit)) std::memcpy(f + 3 * bit, keyBytes, 3);
    }
  }
}

bool Build::supercompress() {
  host().setStatus("Supercompressing");
  std::vector<FrameEntry> entries(static_cast<size_t>(frames_.count));
  for (int32_t i = 0; i < frames_.count; ++i)
    if (!ReadFrameEntry(&frames_, i, &entries[i])) return false;
  const bool ok = UniformTrueColour(entries) ? supercompressAll(entries) : supercompressInOrder();
  host().endProgress();
  return ok;
}

// Every frame of the composite's form: masks from pairs of frames, on the build's threads.
bool Build::supercompressAll(std::vector<FrameEntry>& entries) {
  const int32_t count = frames_.count;
  std::vector<DibImage> masks(entries.size(), nullptr);
  std::vector<int32_t> keys(entries.size(), -1);
  std::atomic<int32_t> done{1};
  // Pass 1 reads the frames only: every mask, and every key from the untouched frame.
  bool ok = ParallelFor(context_.threads, count - 1, [&](int32_t k, int worker) {
    const int32_t i = k + 1;
    if (worker == 0) host().progress(done.load(), count);
    keys[i] = FindUnusedImageColour(entries[i].image, 0);
    DibView previous(entries[i - 1].image);
    DibView frame(entries[i].image);
    if (!previous.ok() || !frame.ok()) return false;
    masks[i] = CreateDibImage(frame.width(), frame.height(), &palette_, 1);
    DibView unchanged(masks[i]);
    if (!unchanged.ok()) return false;
    MarkUnchanged(previous, frame, unchanged);
    ++done;
    return true;
  });
  // The list takes every mask made, so it frees them whatever happens next.
  for (int32_t i = 1; i < count; ++i) {
    if (!masks[i]) continue;
    entries[i].unchangedMask = masks[i];
    entries[i].transparentKey = keys[i];
    if (!WriteFrameEntry(&frames_, i, entries[i])) {
      FreeDibImage(masks[i]);
      entries[i].unchangedMask = nullptr;
      ok = false;
    }
  }
  if (!ok) return false;
  // Pass 2: each frame's unchanged pixels take its key (a key of -1 leaves them).
  return ParallelFor(context_.threads, count - 1, [&](int32_t k, int) {
    const FrameEntry& entry = entries[k + 1];
    if (entry.transparentKey == -1) return true;
    DibView frame(entry.image);
    DibView unchanged(entry.unchangedMask);
    if (!frame.ok() || !unchanged.ok()) return false;
    KeyUnchanged(frame, unchanged, entry.transparentKey);
    return true;
  });
}

// Frames of other depths or sizes: the composite itself, frame by frame, pixel by pixel.
bool Build::supercompressInOrder() {
  for (int32_t i = 0; i < frames_.count; ++i) {
    host().progress(i, frames_.count);
    FrameEntry entry;
    if (!ReadFrameEntry(&frames_, i, &entry)) return false;
    if (i == 0) {
      composite_ = DuplicateDibImage(entry.image);
      if (!composite_) return false;
      continue;
    }
    int32_t width = 0, height = 0;
    if (!GetDibImageInfo(composite_, &width, &height, nullptr, nullptr)) return false;
    DibImage mask = CreateDibImage(width, height, &palette_, 1);
    if (!mask) return false;
    int32_t key = FindUnusedImageColour(entry.image, 0);
    entry.transparentKey = key;
    entry.unchangedMask = mask;
    if (!WriteFrameEntry(&frames_, i, entry)) {
      FreeDibImage(mask);
      return false;
    }
    DibView composite(composite_);
    DibView frame(entry.image);
    DibView unchanged(mask);
    if (!composite.ok() || !frame.ok() || !unchanged.ok()) return false;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        int32_t pixel = frame.get(x, y);
        if (composite.get(x, y) == pixel) {
          frame.set(x, y, key);
          unchanged.set(x, y, 1);
        } else {
          composite.set(x, y, pixel);
          unchanged.set(x, y, 0);
        }
      }
    }
  }
  return true;
}

// Sets every pixel whose mask bit is set to `value`.
bool FillUnchanged(DibImage image, DibImage mask, int32_t value) {
  DibView frame(image);
  DibView unchanged(mask);
  if (!frame.ok() || !unchanged.ok()) return false;
  if (frame.bits() == 8 && unchanged.bits() == 1 && value != -1 && frame.width() == unchanged.width() &&
      frame.height() == unchanged.height()) {
    // The usual paletted frame: whole rows at a time, as the loop below would set them.
    const int32_t width = frame.width();
    for (int32_t y = 0; y < frame.height(); ++y) {
      uint8_t* row = frame.pictureRow(y);
      const uint8_t* bits = unchanged.pictureRow(y);
      for (int32_t x = 0; x < width; x += 8) {
        const uint8_t maskByte = bits[x >> 3];
        if (!maskByte) continue;  // eight changed pixels: nothing to fill
        for (int32_t k = 0; k < 8 && x + k < width; ++k)
          if (maskByte & (0x80 >> k)) row[x + k] = static_cast<uint8_t>(value);
      }
    }
    return true;
  }
  for (int32_t y = 0; y < unchanged.height(); ++y)
    for (int32_t x = 0; x < unchanged.width(); ++x)
      if (unchanged.get(x, y) == 1) frame.set(x, y, value);
  return true;
}

// Sets colour-table entry `slot` of a paletted image to a PackedColour.
bool SetTableEntry(DibImage image, int slot, int32_t colour) {
  DibView frame(image);
  if (!frame.ok() || slot < 0 || slot >= frame.tableEntries()) return false;
  uint8_t* entry = frame.colourTable() + 4 * slot;
  entry[0] = static_cast<uint8_t>(PackedBlue(colour));
  entry[1] = static_cast<uint8_t>(PackedGreen(colour));
  entry[2] = static_cast<uint8_t>(PackedRed(colour));
  entry[3] = 0;
  return true;
}

bool Build::remap() {
  host().setStatus("Remapping");
  const ColourSettings colourSettings{settings_.fastRemap, settings_.ditherBrightness,
                                      settings_.ditherContrast};
  const int32_t count = frames_.count;
  std::vector<FrameEntry> entries(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    if (!ReadFrameEntry(&frames_, i, &entries[i])) return false;
  // Each frame is reduced on its own, on the build's threads, into a new image; the list
  // keeps the old ones until every frame has been reduced.
  std::vector<OwnedDib> reduced(entries.size());
  std::atomic<int32_t> done{0};
  bool ok = ParallelFor(context_.threads, count, [&](int32_t i, int worker) {
    if (worker == 0) host().progress(done.load(), count);
    FrameEntry& entry = entries[i];
    DibImage image = entry.image;
    if (!settings_.trueColour) {
      reduced[i].reset(settings_.mainDither == 1
                           ? DitherToPalette(entry.image, &palette_, bits_, colours_, colourSettings)
                           : RemapToPalette(entry.image, &palette_, bits_, colours_, colourSettings));
      if (!reduced[i]) return false;
      image = reduced[i].get();
    }
    if (supercompress_ && entry.unchangedMask) {
      // True-colour frames get a key colour of their own; paletted frames the reserved
      // slot, whose colour-table entry shows the reserved colour.
      int32_t key = settings_.trueColour ? FindUnusedImageColour(image, 0) : transparentSlot_;
      if (!FillUnchanged(image, entry.unchangedMask, key)) return false;
      entry.transparentKey = key;
      if (!settings_.trueColour && !SetTableEntry(image, transparentSlot_, reservedColour_)) return false;
    }
    ++done;
    return true;
  });
  // Back into the list in order; an old image is freed only once the list holds the new.
  for (int32_t i = 0; i < count; ++i) {
    FrameEntry& entry = entries[i];
    if (!ok) continue;  // the owners free what was made
    DibImage old = entry.image;
    if (reduced[i]) entry.image = reduced[i].get();
    if (!WriteFrameEntry(&frames_, i, entry)) {
      ok = false;
      continue;
    }
    if (reduced[i]) {
      reduced[i].release();  // the list's now
      FreeDibImage(old);
    }
    int32_t width = 0, height = 0;
    if (GetDibImageInfo(entry.image, &width, &height, nullptr, nullptr)) {
      if (width > width_) width_ = width;
      if (height > height_) height_ = height;
    }
  }
  host().endProgress();
  return ok;
}

int Build::deliver() {
  NewTaskRecord task;
  std::memset(&task, 0, sizeof task);
  task.size = sizeof task;
  task.version = kInterfaceVersion;
  task.window = context_.dialog.window();
  task.width = width_;
  task.height = height_;
  task.bitsPerPixel = bits_;
  task.palette = palette_;
  task.frameCount = frames_.count;
  HostOperation create = context_.test ? HostOpCreateTestTask : HostOpCreateTask;
  if (!host().call(nullptr, create, 0, reinterpret_cast<intptr_t>(&task))) {
    ShowMessage(context_.dialog, kCreateTaskError);
    return 0;
  }
  for (int32_t i = 0; i < frames_.count; ++i) {
    FrameEntry entry;
    if (!ReadFrameEntry(&frames_, i, &entry)) continue;
    AddImageRecord record;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    record.version = kInterfaceVersion;
    record.image = entry.image;
    record.delay = entry.delay;
    record.frameNumber = i;
    record.transparentKey = entry.transparentKey;
    if (!host().call(&task, HostOpAddImage, 0, reinterpret_cast<intptr_t>(&record))) {
      ShowMessage(context_.dialog, kAddImageError);
      release();
      host().call(&task, HostOpFinishTask, 0, 0);
      return 0;
    }
  }
  if (settings_.addComment == 1)
    host().call(&task, HostOpAddComment, 0, reinterpret_cast<intptr_t>(kAnimationComment));
  host().call(&task, HostOpFinishTask, 1, 0);
  return 1;
}

void Build::release() {
  if (released_) return;
  released_ = true;
  FreeDibImage(composite_);
  composite_ = nullptr;
  effect_.releaseBuild(context_);
  FreeFrameList(&frames_);
  context_.dialog.restoreCursor();
}

}  // namespace

int RunBuild(Dialog& dialog, const Host& host, bool test, Effect& effect) {
  Build build(dialog, host, test, effect);
  return build.run();
}
