// The Ripple animation written as plainly as it can be: the maps as vectors, every
// height rule spelled out with floor division, every pixel read and written through
// GetDibPixel and SetDibPixel. The simulation must give exactly its frames; it is far
// too slow for real use.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"
#include "framework/frame_list.h"

// The whole animation from `seed`, as RunRipple with a random source seeded so; at most
// `frameCap` frames.
int OracleRunRipple(DibImage picture, uint32_t seed, int32_t delay, int32_t frameCap, FrameList* frames);
