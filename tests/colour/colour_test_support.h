// Helpers shared by the colour reduction tests: owned images, seeded random content and
// byte comparison of whole images.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "framework/dib_image.h"
#include "platform/memory.h"

namespace colour_test {

// Owns an image for the span of a test.
struct Image {
  DibImage handle = nullptr;
  explicit Image(DibImage h = nullptr) : handle(h) {}
  ~Image() { FreeDibImage(handle); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  operator DibImage() const { return handle; }
};

inline std::vector<uint8_t> Bytes(DibImage image) {
  platform::BlockLock lock(image);
  if (!lock) return {};
  const auto* p = static_cast<const uint8_t*>(lock.data());
  return std::vector<uint8_t>(p, p + platform::BlockSize(image));
}

// n colours: random ones, some repeated at a later index, some in tight clusters.
inline RgbPalette RandomPalette(std::mt19937& random, int n) {
  RgbPalette palette{};
  for (int i = 0; i < n; ++i) {
    RgbColour& c = palette.entries[i];
    int kind = random() % 8;
    if (kind == 0 && i > 0) {
      c = palette.entries[random() % i];
    } else if (kind == 1 && i > 0) {
      c = palette.entries[random() % i];
      c.red = static_cast<uint8_t>(c.red ^ (random() % 4));
    } else {
      c = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
    }
  }
  return palette;
}

// A 24-bit image mixing palette colours, colours near them and random colours.
inline DibImage RandomTrueColourImage(std::mt19937& random, int32_t width, int32_t height,
                                      const RgbPalette& palette, int n) {
  DibImage image = CreateDibImage(width, height, nullptr, 24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      int kind = random() % 3;
      RgbColour c = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
      if (kind < 2 && n > 0) {
        c = palette.entries[random() % n];
        if (kind == 1) c.green = static_cast<uint8_t>(c.green + static_cast<int>(random() % 9) - 4);
      }
      SetDibPixel(image, x, y, PackColour(c.red, c.green, c.blue));
    }
  return image;
}

// An image of 1, 4 or 8 bits with a random colour table and random indices.
inline DibImage RandomIndexedImage(std::mt19937& random, int32_t width, int32_t height, int bits) {
  RgbPalette table = RandomPalette(random, 256);
  DibImage image = CreateDibImage(width, height, &table, bits);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) SetDibPixel(image, x, y, static_cast<int32_t>(random() % (1u << bits)));
  return image;
}

}  // namespace colour_test
