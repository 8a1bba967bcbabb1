// The host's own GIF of a delivery (fwhost --quality): the plug-in delivers true-colour
// frames and the host reduces their colours itself, with more care than a plug-in's
// build can afford.
//
// A palette of up to 255 colours is chosen for the whole animation from every pixel
// every frame shows (a pixel shown for many frames counts for each of them; see
// host/colour_quantizer.h); the last index is the transparent one. A frame that changes
// many pixels may get a palette of its own, chosen from them. Frames are reduced with
// serpentine Floyd-Steinberg error diffusion, and only where the picture changed: a
// pixel whose true colour is the same as in the frame before stays transparent and
// keeps what was shown, and so does a changed pixel when what is shown already lies at
// least as near its target as the palette colour would, or near enough its true colour
// for the quality level. Error is never carried into or out of still pixels, so still
// parts never shimmer. After the first frame each frame is cropped to its visible
// pixels when written. Frames with no more colours than a palette holds are written
// exactly.
//
// The quality level (1 to 100) trades bytes for fidelity: lower levels have smaller
// palettes, keep more of what is shown and diffuse less. The frames' changes and
// palettes are found on several threads; the result is the same at any thread count.
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
