#include "framework/win32/display_palette.h"

#include <cstdio>
#include <vector>

#include "framework/dib_view.h"
#include "platform/win32/gdi_owners.h"

int RealizeDisplayPalette(HDC dc, DisplayPaletteState* state, const RgbPalette& palette, int count) {
  *state = DisplayPaletteState{};
  if (count > 256) return 1;
  if (count >= 2 && count <= 16) count = 16;
  else if (count >= 17) count = 256;
  if (count <= 0) return 1;
  state->memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* logical = state->memory ? static_cast<LOGPALETTE*>(GlobalLock(state->memory)) : nullptr;
  if (!logical) {
    if (state->memory) GlobalFree(state->memory);
    state->memory = nullptr;
    return 0;
  }
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(count);
  for (int i = 0; i < count; ++i)
    logical->palPalEntry[i] = {palette.entries[i].red, palette.entries[i].green, palette.entries[i].blue, 0};
  state->created = CreatePalette(logical);
  GlobalUnlock(state->memory);
  if (state->created) {
    state->previous = SelectPalette(dc, state->created, FALSE);
    RealizePalette(dc);
  }
  return 1;
}

void ReleaseDisplayPalette(HDC dc, DisplayPaletteState* state) {
  if (state->previous) SelectPalette(dc, state->previous, FALSE);
  if (state->created) DeleteObject(state->created);
  if (state->memory) GlobalFree(state->memory);
  *state = DisplayPaletteState{};
}

RECT DrawImageInRect(HDC dc, const RECT& area, DibImage image) {
  RECT drawn{0, 0, 0, 0};
  DibView view(image);
  if (!view.ok()) return drawn;
  RgbPalette palette;
  ReadDibPalette(view.header(), &palette);
  DisplayPaletteState state;
  RealizeDisplayPalette(dc, &state, palette, view.bits() <= 8 ? (1 << view.bits()) : 257);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(view.header());
  platform::GdiObject<HBITMAP> bitmap(CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, view.pixels(), info, DIB_RGB_COLORS));
  platform::MemoryDc memory(dc, bitmap.get());
  if (bitmap && memory.ready()) {
    PreviewLayout layout = ComputePreviewLayout(view.width(), view.height(), area.right - area.left - 6,
                                                area.bottom - area.top - 6);
    drawn = {area.left + 3 + layout.left, area.top + 3 + layout.top, 0, 0};
    drawn.right = drawn.left + layout.width;
    drawn.bottom = drawn.top + layout.height;
    SetStretchBltMode(dc, view.bits() == 1 ? WHITEONBLACK : COLORONCOLOR);
    StretchBlt(dc, drawn.left, drawn.top, layout.width, layout.height, memory.get(), 0, 0, view.width(),
               view.height(), SRCCOPY);
  }
  ReleaseDisplayPalette(dc, &state);
  return drawn;
}

int DrawImagePreview(const DRAWITEMSTRUCT& item, DibImage image) {
  RECT area = item.rcItem;
  if (!image) {
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  platform::GdiObject<HBRUSH> dark(CreateSolidBrush(GetSysColor(COLOR_3DDKSHADOW)));
  FillRect(item.hDC, &area, dark.get());
  DrawImageInRect(item.hDC, area, image);
  DrawEdge(item.hDC, &area, EDGE_SUNKEN, BF_RECT | BF_SOFT);
  return 1;
}

void DrawColourButton(const DRAWITEMSTRUCT& item) {
  char text[64] = "";
  GetWindowTextA(item.hwndItem, text, sizeof text);
  int red = 0, green = 0, blue = 0;
  std::sscanf(text, "%d,%d,%d", &red, &green, &blue);
  HWND parent = GetParent(item.hwndItem);
  RECT face = item.rcItem;
  if (auto background = reinterpret_cast<HBRUSH>(
          SendMessageA(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(item.hDC), reinterpret_cast<LPARAM>(item.hwndItem))))
    FillRect(item.hDC, &face, background);
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  platform::GdiObject<HBRUSH> brush(CreateSolidBrush(disabled ? GetSysColor(COLOR_BTNFACE) : RGB(red, green, blue)));
  FillRect(item.hDC, &face, brush.get());
  bool pressed = (item.itemState & ODS_SELECTED) != 0;
  DrawEdge(item.hDC, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = {face.left + 4, face.top + 3, face.right - 4, face.bottom - 3};
    DrawFocusRect(item.hDC, &focus);
  }
  bool dark = red * 30 / 100 + green * 59 / 100 + blue * 11 / 100 <= 128;
  SetTextColor(item.hDC, dark ? RGB(255, 255, 255) : RGB(0, 0, 0));
  SetBkMode(item.hDC, TRANSPARENT);
  RECT label = face;
  label.top += 4;
  if (pressed) OffsetRect(&label, -2, -1);
  DrawTextA(item.hDC, text, -1, &label, DT_CENTER | DT_TOP | DT_SINGLELINE);
}
