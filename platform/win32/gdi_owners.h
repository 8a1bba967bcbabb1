// Scoped owners of Windows drawing objects: each deletes or releases what it holds when
// it goes, so no exit path leaks one, and a selection into a memory device context is
// undone before the context and the object are deleted.
#pragma once

#include <windows.h>

namespace platform {

// A pen, brush, bitmap, font or palette: DeleteObject.
template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
  ~GdiObject() {
    if (handle_) DeleteObject(handle_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  Handle handle_;
};

// A window's (or the screen's) device context, of its client area or, with
// `wholeWindow`, of the whole window with its frame: ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window, bool wholeWindow = false)
      : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory device context compatible with `like`, with `object` selected into it while
// it lives: the selection is undone, then the context deleted (DeleteDC).
class MemoryDc {
 public:
  MemoryDc(HDC like, HGDIOBJ object) : dc_(CreateCompatibleDC(like)) {
    if (dc_ && object) previous_ = SelectObject(dc_, object);
  }
  ~MemoryDc() {
    if (previous_) SelectObject(dc_, previous_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return dc_; }
  // True when the context was made and the object selected into it.
  bool ready() const { return dc_ && previous_; }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace platform
