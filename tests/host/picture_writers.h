// Picture files written with the field's own encoders for the native decoder tests and
// the fuzz seeds: PNG with libpng (every colour type and depth, interlaced or not), JPEG
// with libjpeg-turbo (baseline, progressive, grey, Adobe CMYK, an orientation tag),
// WebP with libwebp (lossless, lossy, animated).
#pragma once

#include <cstdint>
#include <vector>

#include "tests/host/picture_samples.h"

// A PNG picture: samples of `depth` bits (1, 2, 4, 8, 16) top row first, `channels` a
// pixel for the colour type (0 grey 1, 2 RGB 3, 3 indexed 1, 4 grey+alpha 2, 6 RGBA 4).
struct PngSample {
  int width = 0, height = 0;
  int colourType = 2;
  int depth = 8;
  bool interlaced = false;
  std::vector<uint16_t> samples;
  std::vector<RgbColour> palette;      // colour type 3
  std::vector<uint8_t> paletteAlpha;   // tRNS of colour type 3
  int transparentGrey = -1;            // tRNS of colour type 0
  int transparentRgb[3] = {-1, -1, -1};  // tRNS of colour type 2
};
std::vector<uint8_t> PngFileBytes(const PngSample& sample);

struct JpegOptions {
  int quality = 95;
  bool progressive = false;
  bool grey = false;  // `pixels` then hold one sample a pixel
  bool cmyk = false;  // `pixels` hold four samples a pixel, stored as Adobe files store them
  int orientation = 0;  // an Exif orientation tag; 0 none
};
// `pixels` red, green, blue (or as the options say) top row first.
std::vector<uint8_t> JpegFileBytes(const std::vector<uint8_t>& pixels, int width, int height, const JpegOptions& options);

// A still WebP of red, green, blue, alpha pixels; quality < 0 lossless.
std::vector<uint8_t> WebpFileBytes(const std::vector<uint8_t>& rgba, int width, int height, float quality);

// An animated WebP: each frame a whole canvas of red, green, blue, alpha, shown for its
// duration in milliseconds.
std::vector<uint8_t> WebpAnimationBytes(const std::vector<std::vector<uint8_t>>& frames,
                                        const std::vector<int>& durations, int width, int height, bool lossless);
