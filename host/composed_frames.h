// The pictures a delivery shows, frame after frame, as plain RGB: what a viewer sees
// after each frame is drawn. The first frame covers the screen (its key is not applied,
// as in every written animation); a later frame with a transparent key leaves the
// screen as it was wherever its pixel holds the key. Parts of a frame outside the
// animation's size are dropped; parts of the screen a frame does not reach stay.
//
// Screen layout: width x height pixels of red, green, blue bytes, top row first, no
// padding; the composer owns it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/delivery.h"

class FrameComposer {
 public:
  // A black screen of the animation's size (both at least 1).
  FrameComposer(int32_t width, int32_t height);

  // Draws the next frame over the screen. False, with the screen unchanged, when the
  // frame's bitmap cannot be read.
  bool draw(const DeliveredImage& frame);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  const uint8_t* screen() const { return screen_.data(); }
  size_t frameCount() const { return drawn_; }

 private:
  int32_t width_;
  int32_t height_;
  std::vector<uint8_t> screen_;
  size_t drawn_ = 0;
};

// Makes a delivery a still of one of its frames: one 24-bit frame holding what is shown
// after frame `number` (from 1) is drawn; the task, palette and comment stay. False,
// with the reason and the delivery unchanged, for a number beyond its frames or a frame
// that cannot be read.
bool KeepOneFrame(Delivery* delivery, size_t number, std::string* error);

// True when a delivery's size is one the composer and the writers accept: at least 1 and
// at most 65535 pixels a side (the limit of GIF and of animated WebP's 24-bit fields is
// above it).
bool ComposableSize(int32_t width, int32_t height);
