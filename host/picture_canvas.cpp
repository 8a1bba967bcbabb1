#include "host/picture_canvas.h"

#include <cstring>

PictureCanvas::~PictureCanvas() { close(); }

void PictureCanvas::close() {
  view_.reset();  // unlocks the picture before it may be freed
  FreeDibImage(image_);
  image_ = nullptr;
}

bool PictureCanvas::startTrueColour(int32_t width, int32_t height, bool white) {
  close();
  image_ = white ? CreateDibImage(width, height, nullptr, 24) : CreateDibImageToFill(width, height, nullptr, 24);
  if (!image_) return false;
  view_.emplace(image_);
  if (!view_->ok()) {
    close();
    return false;
  }
  width_ = width;
  height_ = height;
  indexed_ = false;
  if (white)
    for (int32_t y = 0; y < height; ++y) std::memset(row(y), 255, static_cast<size_t>(width) * 3);
  return true;
}

bool PictureCanvas::startIndexed(int32_t width, int32_t height, const std::vector<TableColour>& table) {
  close();
  image_ = CreateDibImage(width, height, nullptr, 8);
  if (!image_) return false;
  view_.emplace(image_);
  if (!view_->ok()) {
    close();
    return false;
  }
  width_ = width;
  height_ = height;
  indexed_ = true;
  table_.assign(table.begin(), table.begin() + (table.size() < 256 ? table.size() : 256));
  return true;
}

void PictureCanvas::putRgba(int32_t y, const uint8_t* rgba, int32_t count, int32_t x, int32_t step) const {
  uint8_t* out = row(y) + 3 * static_cast<size_t>(x);
  const size_t advance = 3 * static_cast<size_t>(step);
  for (int32_t i = 0; i < count; ++i, rgba += 4, out += advance) {
    const unsigned alpha = rgba[3];
    if (alpha == 255) {
      out[0] = rgba[2];
      out[1] = rgba[1];
      out[2] = rgba[0];
    } else {
      out[0] = OverWhite(rgba[2], alpha);
      out[1] = OverWhite(rgba[1], alpha);
      out[2] = OverWhite(rgba[0], alpha);
    }
  }
}

void PictureCanvas::putIndexes(int32_t y, const uint8_t* indexes, int32_t count, int32_t x, int32_t step) const {
  uint8_t* out = row(y) + x;
  for (int32_t i = 0; i < count; ++i, out += step) *out = indexes[i];
}

DibImage PictureCanvas::finish() {
  if (!image_) return nullptr;
  if (!indexed_) {
    view_.reset();
    DibImage done = image_;
    image_ = nullptr;
    return done;
  }
  // Which indexes the picture uses.
  bool used[256] = {};
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* in = row(y);
    for (int32_t x = 0; x < width_; ++x) used[in[x]] = true;
  }
  bool opaque = true;
  for (int i = 0; i < 256 && opaque; ++i)
    if (used[i]) opaque = static_cast<size_t>(i) < table_.size() && table_[i].alpha == 255;

  if (opaque) {
    // A colour the table repeats is shown by its first index.
    uint8_t first[256];
    bool remap = false;
    for (size_t i = 0; i < table_.size(); ++i) {
      first[i] = static_cast<uint8_t>(i);
      for (size_t j = 0; j < i; ++j)
        if (table_[j].red == table_[i].red && table_[j].green == table_[i].green && table_[j].blue == table_[i].blue) {
          first[i] = static_cast<uint8_t>(j);
          remap = remap || used[i];
          break;
        }
    }
    if (remap)
      for (int32_t y = 0; y < height_; ++y) {
        uint8_t* in = row(y);
        for (int32_t x = 0; x < width_; ++x) in[x] = first[in[x]];
      }
    uint8_t* colours = view_->colourTable();
    for (size_t i = 0; i < table_.size(); ++i) {
      colours[4 * i] = table_[i].blue;
      colours[4 * i + 1] = table_[i].green;
      colours[4 * i + 2] = table_[i].red;
    }
    view_.reset();
    DibImage done = image_;
    image_ = nullptr;
    return done;
  }

  // The colours shown, each index once.
  uint8_t shown[256][3] = {};  // beyond the table: black
  for (size_t i = 0; i < table_.size(); ++i) {
    shown[i][0] = OverWhite(table_[i].blue, table_[i].alpha);
    shown[i][1] = OverWhite(table_[i].green, table_[i].alpha);
    shown[i][2] = OverWhite(table_[i].red, table_[i].alpha);
  }
  DibImage trueColour = CreateDibImageToFill(width_, height_, nullptr, 24);
  bool ok = trueColour != nullptr;
  if (ok) {
    DibView to(trueColour);
    ok = to.ok();
    for (int32_t y = 0; ok && y < height_; ++y) {
      const uint8_t* in = row(y);
      uint8_t* out = to.pictureRow(y);
      for (int32_t x = 0; x < width_; ++x, out += 3) std::memcpy(out, shown[in[x]], 3);
    }
  }
  close();
  if (!ok) {
    FreeDibImage(trueColour);
    return nullptr;
  }
  return trueColour;
}
