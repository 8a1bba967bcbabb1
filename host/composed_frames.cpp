#include "host/composed_frames.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/dib_image.h"

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

bool KeepOneFrame(Delivery* animation, size_t number, std::string* error) {
  const Delivery& delivery = *animation;
  if (number < 1 || number > delivery.frames.size()) {
    *error = "--frame " + std::to_string(number) + ": the animation has " + std::to_string(delivery.frames.size()) +
             " frames";
    return false;
  }
  if (!ComposableSize(delivery.width, delivery.height)) {
    *error = "the animation's size cannot be shown";
    return false;
  }
  FrameComposer composer(delivery.width, delivery.height);
  for (size_t i = 0; i < number; ++i)
    if (!composer.draw(delivery.frames[i])) {
      *error = "frame " + std::to_string(i + 1) + " cannot be read";
      return false;
    }
  // A packed 24-bit bitmap: rows bottom-up, blue, green, red.
  const int32_t width = delivery.width, height = delivery.height;
  const uint32_t stride = DibStride(width, 24);
  DeliveredImage frame = std::move(animation->frames[number - 1]);  // its record; a new bitmap
  frame.transparentKey = -1;
  frame.frameNumber = 0;
  frame.bitmap = MakePackedBitmap(width, height, 24);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = composer.screen() + static_cast<size_t>(y) * width * 3;
    uint8_t* out = frame.bitmap.data() + sizeof(DibHeader) + static_cast<size_t>(height - 1 - y) * stride;
    for (int32_t x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  animation->frames.assign(1, std::move(frame));
  animation->frameCount = 1;
  return true;
}
