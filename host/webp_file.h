// Writing a delivery as an animated WebP with libwebp's animation encoder (native builds
// only: there is no libwebp for the Windows target).
//
// Canvas: the task's width and height. Every frame is the picture shown after it (see
// host/composed_frames.h), handed to the encoder whole at its start time (the delays
// before it, in hundredths of a second, as milliseconds); the encoder itself finds the
// rectangle that changed and how to blend it. A frame identical to the one before only
// lengthens that one. The animation loops for ever unless told otherwise. Lossless unless a quality from 0 to
// 100 is given, then lossy at that quality. The comment is not written (WebP has no
// comment block).
#pragma once

#include <string>

#include "host/delivery.h"

struct WebpOptions {
  int quality = -1;  // -1: lossless; 0 to 100: lossy
  int plays = 0;     // how many times a viewer plays it; 0: for ever
};

bool WriteWebpAnimation(const Delivery& delivery, const WebpOptions& options, const ByteSink& sink,
                        std::string* error);
bool WriteWebpFile(const Delivery& delivery, const WebpOptions& options, const std::string& path,
                   std::string* error);
