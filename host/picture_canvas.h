// The picture a decoder fills, row by row: a 24-bit picture, or an 8-bit picture of the
// file's own colour table. The canvas owns the picture until finish() hands it over, so
// a decoder that gives up part-way only returns and nothing leaks; the canvas's view of
// the picture is always closed before the picture is freed or handed on.
//
// Pixels with transparency are shown over white. An indexed canvas stays 8-bit when
// every pixel is an opaque colour of its table (a colour the table repeats takes its
// first index); otherwise it becomes a 24-bit picture of the colours shown, an index
// beyond the table showing black.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "framework/dib_image.h"
#include "framework/dib_view.h"

// A colour of a file's table, with its opacity (255 opaque, 0 transparent).
struct TableColour {
  uint8_t red = 0, green = 0, blue = 0, alpha = 255;
};

// The colour a pixel of `value` (0 to 255) with opacity `alpha` shows over white.
inline uint8_t OverWhite(unsigned value, unsigned alpha) {
  return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

class PictureCanvas {
 public:
  PictureCanvas() = default;
  ~PictureCanvas();
  PictureCanvas(const PictureCanvas&) = delete;
  PictureCanvas& operator=(const PictureCanvas&) = delete;

  // A 24-bit canvas; with `white`, every pixel starts white (for decoders that leave
  // parts of it unwritten), otherwise the decoder writes every pixel. False when the
  // picture cannot be had.
  bool startTrueColour(int32_t width, int32_t height, bool white);
  // An 8-bit canvas of indexes into `table` (up to 256 entries); all pixels start at 0.
  bool startIndexed(int32_t width, int32_t height, const std::vector<TableColour>& table);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  bool indexed() const { return indexed_; }

  // Row y counted from the top: blue, green, red per pixel (24-bit) or one index.
  uint8_t* row(int32_t y) const { return view_->pictureRow(y); }

  // Writes `count` pixels of red, green, blue, alpha to row y of a 24-bit canvas, the
  // first at column x and each next `step` columns on (rows of an interlaced pass).
  void putRgba(int32_t y, const uint8_t* rgba, int32_t count, int32_t x = 0, int32_t step = 1) const;
  // The same for indexes of an indexed canvas.
  void putIndexes(int32_t y, const uint8_t* indexes, int32_t count, int32_t x = 0, int32_t step = 1) const;

  // The finished picture, the caller's to free; null when memory ran out. The canvas is
  // empty afterwards.
  DibImage finish();

 private:
  void close();

  DibImage image_ = nullptr;
  std::optional<DibView> view_;  // open while the canvas is written
  std::vector<TableColour> table_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool indexed_ = false;
};
