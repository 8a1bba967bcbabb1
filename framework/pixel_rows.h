// Reading and writing one pixel of a stored row at 1, 4 and 8 bits, for the colour
// reduction loops that walk rows directly. Output rows start zeroed, so writes only
// set bits.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"
#include "framework/palette_types.h"

inline int ReadIndexPixel(const uint8_t* row, int32_t x, int bits) {
  if (bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
  if (bits == 4) return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
  return row[x];
}

// Stores an index in a zeroed row: at 1 bit a non-zero index sets the bit, at 4 bits the
// low four bits go into the pixel's nibble (high nibble for even x), at 8 bits the byte.
inline void WriteIndexPixel(uint8_t* row, int32_t x, int depth, int index) {
  if (depth == 1) {
    if (index) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  } else if (depth == 4) {
    row[x >> 1] |= static_cast<uint8_t>((x & 1) ? (index & 0x0F) : (index & 0x0F) << 4);
  } else {
    row[x] = static_cast<uint8_t>(index);
  }
}

// Depths the colour reduction reads.
inline bool IsReducibleDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// The checks remapping and dithering share: a palette, output bits of 1 to 8, and a
// readable source of a depth they reduce. Fills the source's size and depth.
inline bool ReadReductionSource(DibImage image, const RgbPalette* palette, int bits, int32_t* width,
                                int32_t* height, int* sourceBits) {
  return palette && bits >= 1 && bits <= 8 && GetDibImageInfo(image, width, height, sourceBits, nullptr) &&
         IsReducibleDepth(*sourceBits);
}
