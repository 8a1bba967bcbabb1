// The fireworks drawn as plainly as they can be written: one loop over the steps, the
// draws taken inline in their order, every pixel set with SetDibPixel on a plain 24-bit
// picture (which skips points outside it), and every frame copied out twice: the drawing's
// rows into a surface image, and that pixel by pixel into the new frame with CopyDibRect.
// The renderer must give exactly its bytes.
#pragma once

#include <cstdint>

#include "framework/frame_list.h"

struct OracleSettings {
  int32_t width;
  int32_t height;
  int32_t delay;
  int32_t rockets;  // 1 to 32
  int32_t background;
  const int32_t* rocketColours;  // 32 values; bit 31 set: random
  int32_t explosion;
  int32_t gravity;
  int32_t energy;
  uint32_t seed;
};

// Appends every frame to `frames`; 1 on success.
int OracleFireworks(const OracleSettings& settings, FrameList* frames);
