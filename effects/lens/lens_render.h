// The Lens renderer: a magnifying glass travelling once round a figure-of-eight path
// over one picture, one frame per point of the path.
//
// The lens of diameter D at path point (cx, cy) shows the D x D square of the picture
// whose top-left corner is the point, enlarged about D / 10 times at its centre and
// compressed towards the rim of a disc of radius about LensRadius(D, D / 2 - 1) round
// the point.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"
#include "framework/frame_list.h"
#include "platform/memory.h"

struct LensPoint {
  int32_t x;
  int32_t y;
};

// The effective diameter: the typed one, at most width / 3 and height / 3.
int32_t LensDiameter(uint32_t typedDiameter, int32_t width, int32_t height);

// Point i of the n-point path over a width x height picture for diameter D, with
// hx = (width - 2D) / 2 and hy = (height - 2D) / 2:
//   x = D + hx + trunc(hx sin(6.283185307 / n x i)),
//   y = D + hy + trunc(hy sin(12.56637061 / n x i)).
// Point 0 (and any point of an empty path) is the picture's centre; every point lies at
// least D inside every edge.
LensPoint LensPathPoint(uint32_t i, uint32_t n, int32_t width, int32_t height, int32_t diameter);

// A new block holding the n points of the path; none when n is 0, when n points do not
// fit in the address space, or when memory cannot be had.
platform::MemoryHandle MakeLensPath(uint32_t n, int32_t width, int32_t height, int32_t diameter);

// Entry i of the radius table: D i / sqrt(10^2 + i^2), the output radius at which sample
// radius i begins.
double LensRadius(int32_t diameter, int32_t i);

struct LensJob {
  DibImage picture;  // 24-bit
  const LensPoint* path;
  uint32_t count;     // points of the path: one frame each
  int32_t diameter;   // D, already limited by the picture
  int32_t delay;
  FrameList* frames;  // appended to with AppendFrame
  int threads = 1;    // frames made at once; appended in order whatever the count
};

// Appends one frame per path point. 0 when D < 1, the picture is not a readable 24-bit
// image, or a table or frame cannot be had or appended; frames appended before that stay
// in the list. A diameter below 6 draws no lens: every frame is the picture.
int RenderLens(const LensJob& job);

// One frame: the picture with the lens drawn at (cx, cy). None on failure.
DibImage RenderLensFrame(DibImage picture, int32_t cx, int32_t cy, int32_t diameter);
