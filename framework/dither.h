// Dithering: an image reduced to a palette with error diffusion.
#pragma once

#include <cstdint>

#include "framework/colour_search.h"
#include "framework/dib_image.h"

// A new image of the same size with depth DepthForBits(bits) (bits 1 to 8) and the first
// entries of `palette` (n colours) as its colour table. At bits 1 a two-level dither of
// the image's greys (set bit = white); above, a colour error-diffusion dither through the
// colour lookup of `settings.fastRemap`. None for 1-bit or unreadable sources, bits out of
// range, or when memory cannot be had; the input is never changed.
DibImage DitherToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                         const ColourSettings& settings);

// BrightnessContrastTable: the grey level a two-level dither reads for each grey, from
// DitherBrightness and DitherContrast. A contrast of 128 or more would divide by zero or
// a negative number; it is taken as 127, the steepest table there is.
constexpr int32_t kSteepestDitherContrast = 127;
void BuildBrightnessContrastTable(uint8_t table[256], int32_t brightness, int32_t contrast);
