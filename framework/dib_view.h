// A locked, checked view of a DibImage for code that walks pixels directly.
//
// Opening a view locks the block and checks that the header, the colour table and
// stride x height rows all lie inside it; a view that fails the check is not usable
// (ok() is false) and unlocks nothing it did not lock.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"

class DibView {
 public:
  explicit DibView(DibImage image);
  ~DibView();
  DibView(const DibView&) = delete;
  DibView& operator=(const DibView&) = delete;

  bool ok() const { return header_ != nullptr; }

  DibHeader* header() const { return header_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int bits() const { return bits_; }
  uint32_t stride() const { return stride_; }
  // Colour table entries (blue, green, red, 0); null above 8 bits.
  uint8_t* colourTable() const { return table_; }
  int tableEntries() const { return tableEntries_; }
  uint8_t* pixels() const { return pixels_; }
  // Row `stored` in stored order (0 = bottom row of the picture).
  uint8_t* storedRow(int32_t stored) const { return pixels_ + static_cast<size_t>(stored) * stride_; }
  // Row y counted from the top of the picture.
  uint8_t* pictureRow(int32_t y) const { return storedRow(height_ - 1 - y); }
  bool contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // Pixel access with the semantics of GetDibPixel/SetDibPixel, without relocking.
  int32_t get(int32_t x, int32_t y) const;
  void set(int32_t x, int32_t y, int32_t value) const;

 private:
  DibImage image_ = nullptr;
  DibHeader* header_ = nullptr;
  uint8_t* table_ = nullptr;
  uint8_t* pixels_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int bits_ = 0;
  int tableEntries_ = 0;
  uint32_t stride_ = 0;
};
