// Reading animated WebP files back with libwebp's animation decoder, for tests and the
// quality benchmark: every frame as the whole canvas a viewer shows, with its end time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/palette_types.h"

struct DecodedWebpFrame {
  int endTime = 0;  // milliseconds from the start when the frame gives way
  std::vector<RgbColour> screen;  // top row first
  std::vector<uint8_t> alpha;
};

struct DecodedWebp {
  int width = 0;
  int height = 0;
  int loopCount = -1;
  std::vector<DecodedWebpFrame> frames;
};

bool DecodeWebp(const std::vector<uint8_t>& bytes, DecodedWebp* webp, std::string* error);
bool DecodeWebpFile(const std::string& path, DecodedWebp* webp, std::string* error);
