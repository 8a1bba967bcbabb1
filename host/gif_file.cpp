#include "host/gif_file.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "framework/parallel.h"
#include "host/output_file.h"

namespace {


int WriteToSink(GifFileType* gif, const GifByteType* bytes, int count) {
  const ByteSink* sink = static_cast<const ByteSink*>(gif->UserData);
  return (*sink)(bytes, static_cast<size_t>(count)) ? count : 0;
}

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapDeleter>;

// A colour map of the smallest power-of-two size (at least 2) holding `colours`.
ColourMap MakeMap(const std::vector<RgbColour>& colours) {
  int size = 2;
  while (size < static_cast<int>(colours.size())) size *= 2;
  std::vector<GifColorType> entries(size, GifColorType{0, 0, 0});
  for (size_t i = 0; i < colours.size(); ++i) entries[i] = {colours[i].red, colours[i].green, colours[i].blue};
  return ColourMap(GifMakeMapObject(size, entries.data()));
}

// One frame as GIF indexes over its region, with the colour map it needs (none: the
// global map) and its transparent index.
struct GifFrame {
  FrameRegion region;
  std::vector<GifPixelType> indexes;  // region.width x region.height, top row first
  std::vector<RgbColour> localColours;
  bool local = false;
  int transparent = NO_TRANSPARENT_COLOR;
};

bool PrepareFrame(const FramePicture& picture, const DeliveredImage& frame, bool first,
                  const std::vector<RgbColour>& global, int32_t screenWidth, int32_t screenHeight, GifFrame* out) {
  int32_t key = frame.transparentKey;
  out->region = first || key < 0 ? FrameRegion{0, 0, picture.width, picture.height} : VisibleRegion(picture, key);
  FrameRegion& r = out->region;
  // A frame never reaches past the logical screen.
  if (r.left >= screenWidth || r.top >= screenHeight) r = FrameRegion{0, 0, 1, 1};
  if (r.left + r.width > screenWidth) r.width = screenWidth - r.left;
  if (r.top + r.height > screenHeight) r.height = screenHeight - r.top;
  out->indexes.resize(static_cast<size_t>(r.width) * r.height);

  if (picture.bits <= 8) {
    int maxIndex = 0;
    GifPixelType* p = out->indexes.data();
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
      if (picture.bits == 8) {
        const uint8_t* row = picture.row(y) + r.left;
        for (int32_t x = 0; x < r.width; ++x) {
          if (row[x] > maxIndex) maxIndex = row[x];
          *p++ = row[x];
        }
        continue;
      }
      for (int32_t x = r.left; x < r.left + r.width; ++x) {
        int value = picture.pixel(x, y);
        if (value > maxIndex) maxIndex = value;
        *p++ = static_cast<GifPixelType>(value);
      }
    }
    bool matches = maxIndex < static_cast<int>(global.size());
    for (int i = 0; matches && i <= maxIndex; ++i) {
      const RgbColour& a = picture.table[i];
      const RgbColour& b = global[i];
      matches = a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    out->local = !matches;
    if (out->local) out->localColours.assign(picture.table.begin(), picture.table.begin() + maxIndex + 1);
    size_t tableSize = out->local ? out->localColours.size() : global.size();
    // A key past the table is a value no pixel of the region has.
    if (key >= 0 && static_cast<size_t>(key) < tableSize) out->transparent = key;
    return true;
  }

  // True colour: the frame's own colours, the key among them.
  std::vector<int32_t> colours;
  if (!CollectFrameColours(picture, r, 256, &colours)) return false;
  std::unordered_map<int32_t, int> index;
  for (size_t i = 0; i < colours.size(); ++i) {
    index.emplace(colours[i], static_cast<int>(i));
    out->localColours.push_back(UnpackColour(colours[i]));
    if (colours[i] == key) out->transparent = static_cast<int>(i);
  }
  out->local = true;
  GifPixelType* p = out->indexes.data();
  for (int32_t y = r.top; y < r.top + r.height; ++y)
    for (int32_t x = r.left; x < r.left + r.width; ++x) *p++ = static_cast<GifPixelType>(index[picture.pixel(x, y)]);
  return true;
}

// The looping block says how often the animation repeats after it has played once (0:
// for ever); an animation played once has none.
bool PutLoopBlock(GifFileType* gif, int plays) {
  if (plays == 1) return true;
  const int repeats = plays <= 0 ? 0 : std::min(plays - 1, 65535);
  const unsigned char kLoop[3] = {1, static_cast<unsigned char>(repeats & 0xFF), static_cast<unsigned char>(repeats >> 8)};
  return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, kLoop) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool PutFrame(GifFileType* gif, GifFrame& frame, int32_t delay) {
  GraphicsControlBlock control;
  control.DisposalMode = DISPOSE_DO_NOT;
  control.UserInputFlag = false;
  control.DelayTime = delay < 0 ? 0 : (delay > 65535 ? 65535 : delay);
  control.TransparentColor = frame.transparent;
  GifByteType extension[4];
  size_t length = EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK) return false;
  ColourMap local;
  if (frame.local) {
    local = MakeMap(frame.localColours);
    if (!local) return false;
  }
  // giflib drops the copy of the previous frame's local table without freeing it when
  // a frame has none: it is freed here first.
  if (!local && gif->Image.ColorMap) {
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
  }
  const FrameRegion& r = frame.region;
  if (EGifPutImageDesc(gif, r.left, r.top, r.width, r.height, false, local.get()) != GIF_OK) return false;
  for (int32_t y = 0; y < r.height; ++y)
    if (EGifPutLine(gif, frame.indexes.data() + static_cast<size_t>(y) * r.width, r.width) != GIF_OK) return false;
  return true;
}

// Frames are encoded ahead on several threads, this many per thread at a time.
constexpr int kFramesPerThread = 4;

// One frame's blocks (graphics control, image descriptor, local colour table, image
// data) exactly as the animation's own encoder would write them: each frame's blocks
// depend only on the frame and the global colour map (whose size sets the data's code
// size), so a second encoder with the same screen writes the same bytes, and they can
// be copied into the animation in order.
bool EncodeFrame(const Delivery& delivery, const std::vector<RgbColour>& global, ColorMapObject* globalMap,
                 size_t i, std::vector<uint8_t>* blocks, std::string* error) {
  const DeliveredImage& frame = delivery.frames[i];
  FramePicture picture;
  GifFrame prepared;
  if (!ReadFramePicture(frame.bitmap, &picture) ||
      !PrepareFrame(picture, frame, i == 0, global, delivery.width, delivery.height, &prepared)) {
    *error = "frame " + std::to_string(i) + " cannot be written as a GIF frame";
    return false;
  }
  std::vector<uint8_t> bytes;
  ByteSink memory = [&bytes](const uint8_t* data, size_t count) {
    bytes.insert(bytes.end(), data, data + count);
    return true;
  };
  int status = 0;
  GifFileType* gif = EGifOpen(&memory, WriteToSink, &status);
  if (!gif) {
    *error = GifErrorString(status);
    return false;
  }
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, delivery.width, delivery.height, delivery.bits, 0, globalMap) == GIF_OK;
  const size_t start = bytes.size();
  ok = ok && PutFrame(gif, prepared, frame.delay);
  if (ok) blocks->assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
  else *error = GifErrorString(gif->Error ? gif->Error : E_GIF_ERR_WRITE_FAILED);
  EGifCloseFile(gif, &status);  // its trailer is not part of the blocks
  return ok;
}

// The frames on `threads` threads, a batch at a time, copied to the sink in order.
bool PutFramesEncodedAhead(const Delivery& delivery, const std::vector<RgbColour>& global,
                           ColorMapObject* globalMap, const ByteSink& sink, int threads, std::string* error) {
  const size_t count = delivery.frames.size();
  const size_t batch = static_cast<size_t>(threads) * kFramesPerThread;
  std::vector<std::vector<uint8_t>> blocks(batch);
  std::vector<std::string> errors(batch);
  std::vector<char> failed(batch);
  for (size_t first = 0; first < count; first += batch) {
    const int32_t size = static_cast<int32_t>(count - first < batch ? count - first : batch);
    ParallelFor(threads, size, [&](int32_t k, int) {
      failed[k] = !EncodeFrame(delivery, global, globalMap, first + k, &blocks[k], &errors[k]);
      return true;  // every frame of the batch is tried: the first failure is the one told
    });
    for (int32_t k = 0; k < size; ++k) {
      if (failed[k]) {
        *error = errors[k];
        return false;
      }
      if (!sink(blocks[k].data(), blocks[k].size())) {
        *error = GifErrorString(E_GIF_ERR_WRITE_FAILED);
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool GifCanHold(const Delivery& delivery) {
  for (const DeliveredImage& frame : delivery.frames) {
    FramePicture picture;
    if (!ReadFramePicture(frame.bitmap, &picture)) return false;
    if (picture.bits <= 8) continue;
    FrameRegion region = frame.transparentKey >= 0 && &frame != &delivery.frames[0]
                             ? VisibleRegion(picture, frame.transparentKey)
                             : FrameRegion{0, 0, picture.width, picture.height};
    std::vector<int32_t> colours;
    if (!CollectFrameColours(picture, region, 256, &colours)) return false;
  }
  return true;
}

bool WriteGifAnimation(const Delivery& delivery, const ByteSink& sink, std::string* error, int threads, int plays) {
  if (delivery.width < 1 || delivery.height < 1 || delivery.width > 65535 || delivery.height > 65535) {
    *error = "the animation's size does not fit a GIF";
    return false;
  }
  if (delivery.bits < 1 || delivery.bits > 8) {
    *error = "the task's palette has " + std::to_string(delivery.bits) + " bits; a GIF needs 1 to 8";
    return false;
  }
  std::vector<RgbColour> global(delivery.palette.entries, delivery.palette.entries + (1 << delivery.bits));
  int status = 0;
  GifFileType* gif = EGifOpen(const_cast<ByteSink*>(&sink), WriteToSink, &status);
  if (!gif) {
    *error = GifErrorString(status);
    return false;
  }
  EGifSetGifVersion(gif, true);
  ColourMap globalMap = MakeMap(global);
  bool ok = globalMap && EGifPutScreenDesc(gif, delivery.width, delivery.height, delivery.bits, 0,
                                           globalMap.get()) == GIF_OK;
  ok = ok && PutLoopBlock(gif, plays);
  if (ok && delivery.hasComment && !delivery.comment.empty()) ok = EGifPutComment(gif, delivery.comment.c_str()) == GIF_OK;
  const bool ahead = threads > 1 && delivery.frames.size() > 1;
  if (ok && ahead) {
    if (!PutFramesEncodedAhead(delivery, global, globalMap.get(), sink, threads, error)) {
      EGifCloseFile(gif, &status);
      return false;
    }
  }
  for (size_t i = 0; ok && !ahead && i < delivery.frames.size(); ++i) {
    const DeliveredImage& frame = delivery.frames[i];
    FramePicture picture;
    GifFrame prepared;
    if (!ReadFramePicture(frame.bitmap, &picture) ||
        !PrepareFrame(picture, frame, i == 0, global, delivery.width, delivery.height, &prepared)) {
      *error = "frame " + std::to_string(i) + " cannot be written as a GIF frame";
      EGifCloseFile(gif, &status);
      return false;
    }
    ok = PutFrame(gif, prepared, frame.delay);
  }
  int closeStatus = 0;
  if (!ok) {
    *error = GifErrorString(gif->Error ? gif->Error : E_GIF_ERR_WRITE_FAILED);
    EGifCloseFile(gif, &closeStatus);
    return false;
  }
  if (EGifCloseFile(gif, &closeStatus) != GIF_OK) {
    *error = GifErrorString(closeStatus);
    return false;
  }
  return true;
}

bool WriteGifFile(const Delivery& delivery, const std::string& path, std::string* error, int threads) {
  return WriteOutputFile(path, error,
                         [&](OutputFile& file) { return WriteGifAnimation(delivery, file.sink(), error, threads); });
}
