// The drawing surface without a window system: the pixels live in the surface image
// itself, locked for the surface's life.
#include <cstring>

#include "effects/pyrotechnics/draw_surface.h"
#include "framework/dib_view.h"

namespace {

class PixelSurface : public DrawSurface {
 public:
  explicit PixelSurface(DibImage image) : view_(image) {}
  bool ok() const { return view_.ok() && view_.bits() == 24; }

  void fill(int32_t colour) override {
    for (int32_t y = 0; y < view_.height(); ++y) {
      uint8_t* pixel = view_.pictureRow(y);
      for (int32_t x = 0; x < view_.width(); ++x, pixel += 3) store(pixel, colour);
    }
  }

  void setPixel(int32_t x, int32_t y, int32_t colour) override {
    if (!view_.contains(x, y)) return;
    store(view_.pictureRow(y) + 3 * static_cast<size_t>(x), colour);
  }

  int copyInto(DibImage frame) override {
    return CopySurfaceRows(view_.pixels(), view_.width(), view_.height(), view_.stride(), frame);
  }

 private:
  static void store(uint8_t* pixel, int32_t colour) {
    pixel[0] = static_cast<uint8_t>(PackedBlue(colour));
    pixel[1] = static_cast<uint8_t>(PackedGreen(colour));
    pixel[2] = static_cast<uint8_t>(PackedRed(colour));
  }

  DibView view_;
};

}  // namespace

std::unique_ptr<DrawSurface> CreateDrawSurface(void* window, DibImage image) {
  std::unique_ptr<PixelSurface> surface(new PixelSurface(image));
  if (!surface->ok()) return nullptr;
  return surface;
}
