// Helpers of the renderer tests and benchmarks: images freed at the end of a test, a
// frame list freed with its frames, and the comparison of two images' whole blocks.
#pragma once

#include <cstring>
#include <vector>

#include "framework/dib_image.h"
#include "framework/frame_list.h"

// Owns the images of a test.
struct Images {
  std::vector<DibImage> items;
  DibImage add(DibImage image) {
    items.push_back(image);
    return image;
  }
  ~Images() {
    for (DibImage image : items) FreeDibImage(image);
  }
};

// A frame list freed with all its frames.
struct Rendering {
  FrameList frames;
  ~Rendering() { FreeFrameList(&frames); }
  DibImage at(int32_t i) const {
    FrameEntry entry{};
    ReadFrameEntry(&frames, i, &entry);
    return entry.image;
  }
};

// Both blocks byte for byte: header, padding and pixels.
inline bool SameBlock(DibImage one, DibImage other) {
  const size_t size = platform::BlockSize(one);
  if (size == 0 || size != platform::BlockSize(other)) return false;
  platform::BlockLock a(one), b(other);
  return a && b && std::memcmp(a.data(), b.data(), size) == 0;
}
