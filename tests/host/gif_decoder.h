// Reading animated GIFs back with giflib for tests: every frame composed onto the screen
// the way a viewer shows it (disposal included), with what each frame declared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/palette_types.h"

struct DecodedGifFrame {
  int delay = -1;
  int transparent = -1;
  int disposal = -1;
  int left = 0, top = 0, width = 0, height = 0;
  bool localTable = false;
  std::vector<RgbColour> screen;  // the whole screen after this frame, top row first
};

struct DecodedGif {
  int width = 0;
  int height = 0;
  int globalColours = 0;
  bool loops = false;
  int repeats = -1;  // the looping block's count of repeats (0: for ever); -1 without one
  std::vector<std::string> comments;
  std::vector<DecodedGifFrame> frames;
};

// False with giflib's reason when the bytes are not a GIF it reads.
bool DecodeGif(const std::vector<uint8_t>& bytes, DecodedGif* gif, std::string* error);
bool DecodeGifFile(const std::string& path, DecodedGif* gif, std::string* error);

inline bool SameColour(const RgbColour& a, const RgbColour& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}
