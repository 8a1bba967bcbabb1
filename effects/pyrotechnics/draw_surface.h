// The off-screen surface the fireworks are drawn on: single pixels and one solid fill,
// copied out whole after every step.
//
// On Windows it is a real DIB section selected into a memory device context compatible
// with the dialog's, drawn with SetPixel and a solid brush; elsewhere a small stand-in
// that keeps its pixels in the surface image itself. Both clip points outside the surface
// and store exactly the colour asked for, so the frames are the same bytes on both.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/dib_image.h"

class DrawSurface {
 public:
  virtual ~DrawSurface() = default;

  // Fills the whole surface, (0, 0) to (width, height), with a PackedColour.
  virtual void fill(int32_t colour) = 0;
  // Sets pixel (x, y), y counted from the top, to a PackedColour; points outside the
  // surface are clipped.
  virtual void setPixel(int32_t x, int32_t y, int32_t colour) = 0;
  // Finishes pending drawing and copies every pixel row into `frame`, a 24-bit image of
  // the surface's size. 0 when the frame is not of that form.
  virtual int copyInto(DibImage frame) = 0;
};

// A surface the size of `image`, a 24-bit DibImage that stays locked while the surface
// lives (its header describes the surface), compatible with the device context of
// `window` (null: the screen's). None when it cannot be made.
std::unique_ptr<DrawSurface> CreateDrawSurface(void* window, DibImage image);

// Copies the rows of a 24-bit picture held as `rows` (stored bottom-up, `stride` bytes a
// row, as in a DibImage) into `frame`, a 24-bit image of the same width and height.
int CopySurfaceRows(const uint8_t* rows, int32_t width, int32_t height, uint32_t stride, DibImage frame);
