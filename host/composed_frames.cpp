#include "host/composed_frames.h"

#include <algorithm>

FrameComposer::FrameComposer(int32_t width, int32_t height)
    : width_(width), height_(height), screen_(static_cast<size_t>(width) * height * 3, 0) {}

bool FrameComposer::draw(const DeliveredImage& frame) {
  FramePicture picture;
  if (!ReadFramePicture(frame.bitmap, &picture)) return false;
  const bool keyed = drawn_ > 0 && frame.transparentKey >= 0;
  const int32_t key = frame.transparentKey;
  const int32_t w = std::min(picture.width, width_), h = std::min(picture.height, height_);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = screen_.data() + static_cast<size_t>(y) * width_ * 3;
    const uint8_t* row = picture.row(y);
    if (picture.bits == 24) {
      const uint8_t kb = static_cast<uint8_t>(PackedBlue(key)), kg = static_cast<uint8_t>(PackedGreen(key)),
                    kr = static_cast<uint8_t>(PackedRed(key));
      for (int32_t x = 0; x < w; ++x, row += 3, out += 3) {
        if (keyed && row[0] == kb && row[1] == kg && row[2] == kr) continue;
        out[0] = row[2];
        out[1] = row[1];
        out[2] = row[0];
      }
      continue;
    }
    for (int32_t x = 0; x < w; ++x, out += 3) {
      int32_t index = picture.bits == 8 ? row[x] : picture.pixel(x, y);
      if (keyed && index == key) continue;
      const RgbColour& c = picture.table[static_cast<size_t>(index)];
      out[0] = c.red;
      out[1] = c.green;
      out[2] = c.blue;
    }
  }
  ++drawn_;
  return true;
}

bool ComposableSize(int32_t width, int32_t height) {
  return width >= 1 && height >= 1 && width <= 65535 && height <= 65535;
}
