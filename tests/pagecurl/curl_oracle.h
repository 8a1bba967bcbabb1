// The curl drawn point by point, as plainly as it can be written: every point of the
// local square is tested, mapped and read or written through GetDibPixel and SetDibPixel,
// in three passes, and each frame is compared with the next picture byte for byte. The
// renderer must give exactly its bytes; it is far too slow for real use.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"

// One frame, as RenderCurlFrame; *finished = 1 when its pixel bytes equal `next`'s.
DibImage OracleCurlFrame(DibImage current, DibImage next, int32_t position, uint32_t directionBits,
                         int32_t paperColour, int* finished);
