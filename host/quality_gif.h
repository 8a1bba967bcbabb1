// The host's own GIF of a delivery (fwhost --quality): the plug-in delivers true-colour
// frames and the host reduces their colours itself, with more care than a plug-in's
// build can afford.
//
// One palette of up to 255 colours is chosen for the whole animation from every pixel
// every frame shows (a pixel shown for many frames counts for each of them; see
// host/colour_quantizer.h); the last index is the transparent one. Frames are reduced
// with serpentine Floyd-Steinberg error diffusion, and only where the picture changed:
// a pixel whose true colour is the same as in the frame before stays transparent and
// keeps what was shown, and so does a changed pixel when what is shown already lies at
// least as near its target as the palette colour would. Error is never carried into or
// out of such pixels, so still parts never shimmer. After the first frame each frame
// is cropped to its visible pixels when written. Frames with no more colours than a
// palette holds are written exactly.
//
// The result is a paletted Delivery (8-bit frames with the palette as their colour
// table, the transparent index as their key) that the GIF writer turns into a file.
#pragma once

#include <string>

#include "host/delivery.h"

// The quality level fwhost uses when none is given (--quality alone).
constexpr int kDefaultQualityLevel = 90;

struct QualityGifOptions {
  bool dither = true;
  int level = kDefaultQualityLevel;  // 1 (fewest bytes) to 100 (closest to the frames)
  int threads = 1;                   // the work shared among them; the result is the same
};

bool MakeQualityDelivery(const Delivery& source, const QualityGifOptions& options, Delivery* out,
                         std::string* error);
