// Photograph-like pictures made by the project: landscapes with a graded sky, a sun,
// layered hills and textured ground. Used for the example animations, benchmarks and
// tests that want natural content (smooth gradients, fine texture, tens of thousands
// of distinct colours). The same seed gives the same picture on every target.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"

// A new 24-bit picture; none when memory cannot be had.
DibImage RenderScene(int32_t width, int32_t height, uint32_t seed);
