// What the substitute host keeps of one delivery: copies of the task record, of every
// frame's record and bitmap, and the comment. The plug-in frees its frames when the
// delivery ends, so everything here is the host's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/host_interface.h"
#include "framework/palette_types.h"

struct DeliveredImage {
  // The AddImageRecord as received.
  uint32_t recordSize = 0;
  uint32_t version = 0;
  bool imageSet = false;
  int32_t zero12 = 0;
  int32_t delay = 0;
  int32_t zero20[3] = {0, 0, 0};
  int32_t frameNumber = 0;
  int32_t transparentKey = -1;
  int32_t zero40[16] = {};
  // The whole packed bitmap the image handle held.
  std::vector<uint8_t> bitmap;
};

struct Delivery {
  bool test = false;  // a trial task (operation 5) rather than a new task (operation 1)
  // The NewTaskRecord as received.
  uint32_t recordSize = 0;
  uint32_t version = 0;
  bool windowSet = false;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;
  int32_t zero24 = 0;
  RgbPalette palette{};
  int32_t zero796 = 0;
  int32_t frameCount = 0;
  bool tailZero = true;  // the 261 bytes at offset 804 were all zero

  std::vector<DeliveredImage> frames;
  bool hasComment = false;
  std::string comment;
  int32_t finished = -1;  // argument of the finishing call; -1 before it
  // Operations of the delivery in the order they arrived (1 or 5, 2..., 3, 4).
  std::vector<int32_t> sequence;
};

// One delivered bitmap, checked and ready to read. Rows are stored bottom-up.
struct FramePicture {
  int32_t width = 0;
  int32_t height = 0;
  int bits = 0;                    // 1, 4, 8 or 24
  std::vector<RgbColour> table;    // 2^bits entries up to 8 bits, none at 24
  const uint8_t* pixels = nullptr; // first stored row (the bottom of the picture)
  uint32_t stride = 0;

  // Row y counted from the top.
  const uint8_t* row(int32_t y) const { return pixels + static_cast<size_t>(height - 1 - y) * stride; }
  // The index (up to 8 bits) or PackedColour (24 bits) at (x, y), y from the top.
  int32_t pixel(int32_t x, int32_t y) const;
  // The colour shown at (x, y).
  RgbColour colour(int32_t x, int32_t y) const;
};

// Checks that `bitmap` is a packed bitmap whose header, colour table and rows lie inside
// it, and describes it. The picture points into `bitmap`, which must outlive it.
bool ReadFramePicture(const std::vector<uint8_t>& bitmap, FramePicture* picture);

// A packed bitmap of the size at 8 bits (with a colour table of 256 entries) or 24 bits,
// its table and pixels zero; rows bottom-up at DibStride.
std::vector<uint8_t> MakePackedBitmap(int32_t width, int32_t height, int bits);

// A rectangle of a frame, in pixels from its top-left corner.
struct FrameRegion {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// The smallest rectangle holding every pixel whose value is not `key` (the transparent
// key); with no such pixel, the top-left pixel alone.
FrameRegion VisibleRegion(const FramePicture& picture, int32_t key);

// The colours of a true-colour frame's region in order of first appearance, up to
// `limit`; false when the region holds more.
bool CollectFrameColours(const FramePicture& picture, const FrameRegion& region, size_t limit,
                         std::vector<int32_t>* colours);

// Receives the bytes of a file being written; false stops the writing.
using ByteSink = std::function<bool(const uint8_t* bytes, size_t count)>;
