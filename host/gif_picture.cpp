// GIF pictures through giflib, record by record: the first frame as a still picture, or
// every frame of an animation composed as a viewer shows it.
//
// The picture is the logical screen; a first frame reaching beyond it enlarges it, as
// browsers do for files whose screen is too small, and later frames are clipped to it.
// Pixels no frame has covered, and those of a frame's transparent index, are
// transparent: shown over white. A frame's disposal acts before the next frame is
// drawn: "background" clears its rectangle to transparent (the background colour is
// ignored, as browsers ignore it), "previous" puts back what was under it.
#include <gif_lib.h>

#include <cstring>
#include <functional>
#include <vector>

#include "host/decoder_memory.h"
#include "host/picture_canvas.h"
#include "host/picture_decoders.h"

namespace {

struct GifReader {
  const unsigned char* data;
  size_t size;
  size_t at;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int count) {
  auto* reader = static_cast<GifReader*>(gif->UserData);
  size_t left = reader->size - reader->at;
  size_t n = count > 0 && static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
  if (count <= 0) n = 0;
  std::memcpy(out, reader->data + reader->at, n);
  reader->at += n;
  return static_cast<int>(n);
}

// giflib's reason for `code`, in the user's terms: a read that failed at the end of the
// bytes is a file cut short, one that failed before it a damaged one.
std::string GifReason(int code, const GifReader& reader) {
  if (code == D_GIF_ERR_NOT_ENOUGH_MEM) return "not enough memory for the picture";
  if (code == D_GIF_ERR_READ_FAILED || code == D_GIF_ERR_EOF_TOO_SOON)
    return reader.at >= reader.size ? "damaged (the file is cut short)" : "damaged (unreadable GIF data)";
  const char* text = GifErrorString(code);
  return std::string("damaged (") + (text ? text : "unreadable") + ")";
}

// One image of the file, with what its graphics control block said.
struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  const ColorMapObject* table = nullptr;  // the frame's own or the global one
  int transparent = -1;
  int disposal = 0;
  int delay = 0;
};

// An open GIF, walked one record at a time.
class GifWalk {
 public:
  GifWalk(const unsigned char* data, size_t size) : reader_{data, size, 0} {}
  ~GifWalk() {
    int ignored;
    if (gif_) DGifCloseFile(gif_, &ignored);
  }

  bool open(std::string* error) {
    int code = 0;
    gif_ = DGifOpen(&reader_, ReadGifBytes, &code);
    if (!gif_) *error = GifReason(code, reader_);
    return gif_ != nullptr;
  }
  int screenWidth() const { return gif_->SWidth; }
  int screenHeight() const { return gif_->SHeight; }

  // The next frame; false at the trailer (with `error` empty) or on a damaged record.
  // A file that simply ends after a whole frame counts as ended once a frame was read.
  bool next(GifFrame* frame, std::string* error) {
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    error->clear();
    while (true) {
      GifRecordType type;
      if (DGifGetRecordType(gif_, &type) == GIF_ERROR) {
        if (frames_ > 0 && reader_.at == reader_.size) return false;  // no trailer
        *error = GifReason(gif_->Error, reader_);
        return false;
      }
      if (type == TERMINATE_RECORD_TYPE) return false;
      if (type == EXTENSION_RECORD_TYPE) {
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) {
          *error = GifReason(gif_->Error, reader_);
          return false;
        }
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) DGifExtensionToGCB(4, block + 1, &control);
        while (block) {
          if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) {
            *error = GifReason(gif_->Error, reader_);
            return false;
          }
        }
        continue;
      }
      if (type != IMAGE_DESC_RECORD_TYPE) {
        *error = GifReason(D_GIF_ERR_WRONG_RECORD, reader_);
        return false;
      }
      // The frame's size is looked at before giflib counts its pixels: no frame may be
      // larger than a picture can be.
      if (reader_.size - reader_.at >= 8) {
        const unsigned char* d = reader_.data + reader_.at;
        const int width = d[4] | (d[5] << 8), height = d[6] | (d[7] << 8);
        if (width > kMaxPictureSide || height > kMaxPictureSide) {
          *error = "damaged (a frame of " + std::to_string(width) + " x " + std::to_string(height) + " pixels)";
          return false;
        }
      }
      if (DGifGetImageDesc(gif_) == GIF_ERROR) {
        *error = GifReason(gif_->Error, reader_);
        return false;
      }
      const GifImageDesc& image = gif_->Image;
      frame->left = image.Left;
      frame->top = image.Top;
      frame->width = image.Width;
      frame->height = image.Height;
      frame->interlaced = image.Interlace;
      frame->table = image.ColorMap ? image.ColorMap : gif_->SColorMap;
      frame->transparent = control.TransparentColor;
      frame->disposal = control.DisposalMode;
      frame->delay = control.DelayTime;
      if (!frame->table) {
        *error = "damaged (a frame without a colour table)";
        return false;
      }
      ++frames_;
      return true;
    }
  }

  // Reads the frame's rows in the order they are stored, handing each to `row` with its
  // row number from the top of the frame; false when the data is damaged.
  bool readRows(const GifFrame& frame, const std::function<void(int, const uint8_t*)>& row, std::string* error) {
    if (frame.width == 0 || frame.height == 0) {
      // No pixels: the frame's data is skipped.
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(gif_, &codeSize, &block) == GIF_ERROR) return fail(error);
      while (block)
        if (DGifGetCodeNext(gif_, &block) == GIF_ERROR) return fail(error);
      return true;
    }
    DecoderBuffer line(static_cast<size_t>(frame.width));
    if (!line) {
      *error = "not enough memory for the picture";
      return false;
    }
    static const int kStarts[4] = {0, 4, 2, 1}, kSteps[4] = {8, 8, 4, 2};
    const int passes = frame.interlaced ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const int start = frame.interlaced ? kStarts[pass] : 0, step = frame.interlaced ? kSteps[pass] : 1;
      for (int y = start; y < frame.height; y += step) {
        if (DGifGetLine(gif_, line.data(), frame.width) == GIF_ERROR) return fail(error);
        row(y, line.data());
      }
    }
    return true;
  }

 private:
  bool fail(std::string* error) {
    *error = GifReason(gif_->Error, reader_);
    return false;
  }

  GifReader reader_;
  GifFileType* gif_ = nullptr;
  int frames_ = 0;
};

// The table's colours, the transparent index clear.
std::vector<TableColour> TableOf(const GifFrame& frame) {
  std::vector<TableColour> table;
  for (int i = 0; i < frame.table->ColorCount && i < 256; ++i) {
    const GifColorType& c = frame.table->Colors[i];
    table.push_back(TableColour{c.Red, c.Green, c.Blue, static_cast<uint8_t>(i == frame.transparent ? 0 : 255)});
  }
  return table;
}

// The screen: enlarged to hold a first frame that reaches beyond it.
bool ScreenOf(const GifWalk& walk, const GifFrame& first, int* width, int* height, std::string* error) {
  *width = walk.screenWidth() > first.left + first.width ? walk.screenWidth() : first.left + first.width;
  *height = walk.screenHeight() > first.top + first.height ? walk.screenHeight() : first.top + first.height;
  *error = CheckPictureSize(*width, *height);
  return error->empty();
}

}  // namespace

DibImage DecodeGifPicture(const unsigned char* data, size_t size, std::string* error) {
  GifWalk walk(data, size);
  GifFrame frame;
  if (!walk.open(error)) return nullptr;
  if (!walk.next(&frame, error)) {
    if (error->empty()) *error = "damaged (the GIF holds no picture)";
    return nullptr;
  }
  int width = 0, height = 0;
  if (!ScreenOf(walk, frame, &width, &height, error)) return nullptr;
  const std::vector<TableColour> table = TableOf(frame);
  PictureCanvas canvas;
  bool ok;
  if (frame.left == 0 && frame.top == 0 && frame.width == width && frame.height == height) {
    // The frame is the whole picture: its indexes are the picture's.
    ok = canvas.startIndexed(width, height, table);
    if (!ok) *error = "not enough memory for the picture";
    ok = ok && walk.readRows(frame, [&](int y, const uint8_t* row) { canvas.putIndexes(y, row, width); }, error);
  } else {
    // A frame on part of the screen: the rest is transparent.
    ok = canvas.startTrueColour(width, height, true);
    if (!ok) *error = "not enough memory for the picture";
    ok = ok && walk.readRows(frame, [&](int y, const uint8_t* row) {
      uint8_t* out = canvas.row(frame.top + y) + 3 * static_cast<size_t>(frame.left);
      for (int x = 0; x < frame.width; ++x, out += 3) {
        if (row[x] == frame.transparent) continue;
        const TableColour c = row[x] < table.size() ? table[row[x]] : TableColour{0, 0, 0, 255};
        out[0] = c.blue;
        out[1] = c.green;
        out[2] = c.red;
      }
    }, error);
  }
  if (!ok) return nullptr;
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}

bool DecodeGifFrames(const unsigned char* data, size_t size, FrameBudget& budget, PictureFrames* frames,
                     std::string* error) {
  GifWalk walk(data, size);
  if (!walk.open(error)) return false;
  GifFrame frame;
  int width = 0, height = 0;
  DecoderBuffer screen, saved;  // red, green, blue, alpha; `saved` for "previous" disposal
  GifFrame pending;             // the frame before, whose disposal is still to act
  bool first = true;
  while (walk.next(&frame, error)) {
    if (first) {
      if (!ScreenOf(walk, frame, &width, &height, error)) return false;
      screen = DecoderBuffer(static_cast<size_t>(width) * height * 4);
      if (!screen) {
        *error = OverDecoderCap();
        return false;
      }
      std::memset(screen.data(), 0, screen.size());
    }
    auto clip = [&](const GifFrame& f, int* x0, int* y0, int* x1, int* y1) {
      *x0 = f.left < width ? f.left : width;
      *y0 = f.top < height ? f.top : height;
      *x1 = f.left + f.width < width ? f.left + f.width : width;
      *y1 = f.top + f.height < height ? f.top + f.height : height;
    };
    if (!first && pending.disposal == DISPOSE_BACKGROUND) {
      int x0, y0, x1, y1;
      clip(pending, &x0, &y0, &x1, &y1);
      for (int y = y0; y < y1; ++y)
        std::memset(screen.data() + (static_cast<size_t>(y) * width + x0) * 4, 0, static_cast<size_t>(x1 - x0) * 4);
    } else if (!first && pending.disposal == DISPOSE_PREVIOUS && saved) {
      std::memcpy(screen.data(), saved.data(), screen.size());
    }
    if (frame.disposal == DISPOSE_PREVIOUS) {
      if (!saved) saved = DecoderBuffer(screen.size());
      if (!saved) {
        *error = OverDecoderCap();
        return false;
      }
      std::memcpy(saved.data(), screen.data(), screen.size());
    }
    const std::vector<TableColour> table = TableOf(frame);
    bool read = walk.readRows(frame, [&](int y, const uint8_t* row) {
      const int screenY = frame.top + y;
      if (screenY >= height) return;
      uint8_t* out = screen.data() + (static_cast<size_t>(screenY) * width + frame.left) * 4;
      for (int x = 0; x < frame.width && frame.left + x < width; ++x, out += 4) {
        if (row[x] == frame.transparent) continue;
        const TableColour c = row[x] < table.size() ? table[row[x]] : TableColour{0, 0, 0, 255};
        out[0] = c.red;
        out[1] = c.green;
        out[2] = c.blue;
        out[3] = 255;
      }
    }, error);
    if (!read) return false;
    if (!budget.take(FrameBytes(width, height))) {
      *error = OverBudget(frames->size() + 1, width, height);
      return false;
    }
    PictureCanvas shown;
    if (!shown.startTrueColour(width, height, false)) {
      *error = "not enough memory for the picture";
      return false;
    }
    for (int y = 0; y < height; ++y) shown.putRgba(y, screen.data() + static_cast<size_t>(y) * width * 4, width);
    if (!frames->add(shown.finish(), ShownDelay(frame.delay))) {
      *error = "not enough memory for the picture";
      return false;
    }
    pending = frame;
    first = false;
  }
  if (!error->empty()) return false;
  if (first) {
    *error = "damaged (the GIF holds no picture)";
    return false;
  }
  return true;
}
