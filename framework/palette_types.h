// Colour forms shared by every part of the image pipeline.
#pragma once

#include <cstdint>

// One palette entry, red, green, blue.
struct RgbColour {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

// RgbPalette: 256 entries of red, green, blue (768 bytes). Entries past a palette's
// colour count are zero.
struct RgbPalette {
  RgbColour entries[256];
};
static_assert(sizeof(RgbPalette) == 768, "a palette is 768 bytes");

// PackedColour: red + green x 256 + blue x 65536, the form of 24-bit pixel values and
// of colour settings.
inline int32_t PackColour(int red, int green, int blue) {
  return static_cast<int32_t>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
inline int PackedRed(int32_t colour) { return colour & 0xFF; }
inline int PackedGreen(int32_t colour) { return (colour >> 8) & 0xFF; }
inline int PackedBlue(int32_t colour) { return (colour >> 16) & 0xFF; }

inline RgbColour UnpackColour(int32_t colour) {
  return {static_cast<uint8_t>(PackedRed(colour)), static_cast<uint8_t>(PackedGreen(colour)),
          static_cast<uint8_t>(PackedBlue(colour))};
}

// Luminance used in all colour work: each product divided separately.
inline int Luminance(int red, int green, int blue) {
  return red * 30 / 100 + green * 59 / 100 + blue * 11 / 100;
}
