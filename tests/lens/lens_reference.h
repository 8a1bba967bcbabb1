// The lens drawn the plain way, through GetDibPixel and SetDibPixel with the loops nested
// as the effect is described and every sine and cosine taken where it is used. The
// renderer must give exactly its bytes.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"

DibImage ReferenceLensFrame(DibImage picture, int32_t cx, int32_t cy, int32_t diameter);
