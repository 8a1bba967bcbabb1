// The drawing surface on Windows: a DIB section made from the surface image's header,
// selected into a memory device context compatible with the dialog's.
#include <windows.h>

#include "effects/pyrotechnics/draw_surface.h"
#include "framework/dib_view.h"
#include "platform/win32/gdi_owners.h"

namespace {

class SectionSurface : public DrawSurface {
 public:
  SectionSurface(HWND window, DibImage image) : window_(window), view_(image) {}
  ~SectionSurface() override {
    if (previous_) SelectObject(memory_, previous_);
    if (section_) DeleteObject(section_);
    if (memory_) DeleteDC(memory_);
    if (windowDc_) ReleaseDC(window_, windowDc_);
  }

  bool open() {
    if (!view_.ok() || view_.bits() != 24) return false;
    windowDc_ = GetDC(window_);
    if (!windowDc_) return false;
    memory_ = CreateCompatibleDC(windowDc_);
    if (!memory_) return false;
    section_ = CreateDIBSection(windowDc_, reinterpret_cast<const BITMAPINFO*>(view_.header()), DIB_RGB_COLORS,
                                &bits_, nullptr, 0);
    if (!section_ || !bits_) return false;
    GdiFlush();
    previous_ = SelectObject(memory_, section_);
    if (!previous_) return false;
    // One logical unit per pixel, (0, 0) the top-left pixel, y growing downward.
    SetMapMode(memory_, MM_TEXT);
    SetWindowExtEx(memory_, view_.width(), view_.height(), nullptr);
    SetViewportExtEx(memory_, view_.width(), view_.height(), nullptr);
    SetWindowOrgEx(memory_, 0, 0, nullptr);
    SetViewportOrgEx(memory_, 0, 0, nullptr);
    return true;
  }

  void fill(int32_t colour) override {
    RECT all = {0, 0, view_.width(), view_.height()};
    platform::GdiObject<HBRUSH> brush(CreateSolidBrush(static_cast<COLORREF>(colour & 0xFFFFFF)));
    if (brush) FillRect(memory_, &all, brush.get());
  }

  void setPixel(int32_t x, int32_t y, int32_t colour) override {
    // GDI clips too; far-away points are not handed to it at all.
    if (!view_.contains(x, y)) return;
    SetPixel(memory_, x, y, static_cast<COLORREF>(colour & 0xFFFFFF));
  }

  int copyInto(DibImage frame) override {
    GdiFlush();
    return CopySurfaceRows(static_cast<const uint8_t*>(bits_), view_.width(), view_.height(), view_.stride(), frame);
  }

 private:
  HWND window_;
  DibView view_;
  HDC windowDc_ = nullptr;
  HDC memory_ = nullptr;
  HBITMAP section_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

}  // namespace

std::unique_ptr<DrawSurface> CreateDrawSurface(void* window, DibImage image) {
  std::unique_ptr<SectionSurface> surface(new SectionSurface(static_cast<HWND>(window), image));
  if (!surface->open()) return nullptr;
  return surface;
}
