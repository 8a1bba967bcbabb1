// Remapping: every pixel of an image reduced to a palette on its own, without error
// diffusion.
#pragma once

#include "framework/colour_search.h"
#include "framework/dib_image.h"

// A new image of the same size with depth DepthForBits(bits) (bits 1 to 8) and the first
// entries of `palette` (n colours) as its colour table. 1-bit sources: at 1-bit output
// the bit is copied, otherwise set and clear bits become the white and the black index.
// 4- and 8-bit sources: each colour-table entry is mapped to its nearest colour. 24-bit
// sources: the colour lookup of `settings.fastRemap`. At 1-bit output a pixel is set
// exactly when its luminance exceeds 128. None when the source is not 1, 4, 8 or
// 24-bit, bits is out of range, or memory cannot be had; the input is never changed.
DibImage RemapToPalette(DibImage image, const RgbPalette* palette, int bits, int n,
                        const ColourSettings& settings);
