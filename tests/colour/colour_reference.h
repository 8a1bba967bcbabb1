// A plain second implementation of colour reduction, written pixel by pixel through
// GetDibPixel/SetDibPixel with no shortcuts, that the tests and the benchmark compare
// the real code against.
#pragma once

#include <cstdint>

#include "framework/colour_search.h"
#include "framework/dib_image.h"
#include "framework/frame_list.h"

namespace reference {

int Exact(int red, int green, int blue, const RgbPalette* palette, int n);
int Nearest(int red, int green, int blue, const RgbPalette* palette, int n);
void BuildFastRemapTable(uint8_t table[4096], const RgbPalette* palette, int n);
int QuantizeFrames(int* count, RgbPalette* palette, const FrameList* frames);
DibImage RemapToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                        const ColourSettings& settings);
DibImage DitherToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                         const ColourSettings& settings);

}  // namespace reference
