#include "effects/pyrotechnics/draw_surface.h"

#include <cstring>

#include "framework/dib_view.h"

int CopySurfaceRows(const uint8_t* rows, int32_t width, int32_t height, uint32_t stride, DibImage frame) {
  DibView view(frame);
  if (!view.ok() || view.bits() != 24 || view.width() != width || view.height() != height || view.stride() != stride)
    return 0;
  // Same depth, size and row layout: the rows are copied as they are stored.
  std::memcpy(view.pixels(), rows, static_cast<size_t>(stride) * static_cast<size_t>(height));
  return 1;
}
