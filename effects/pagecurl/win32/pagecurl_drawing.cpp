// The Page Curl dialog's owner-drawn items: the pictures of the source list and the
// paper colour button.
#include "effects/pagecurl/pagecurl_effect.h"
#include "effects/pagecurl/source_item.h"
#include "framework/win32/display_palette.h"
#include "framework/win32/win32_dialog.h"

namespace {

// Fills the parts of `area` around `inner` with `brush`.
void FillAround(HDC dc, const RECT& area, const RECT& inner, HBRUSH brush) {
  if (IsRectEmpty(&inner)) {
    FillRect(dc, &area, brush);
    return;
  }
  RECT strips[4] = {{area.left, area.top, area.right, inner.top},
                    {area.left, inner.bottom, area.right, area.bottom},
                    {area.left, inner.top, inner.left, inner.bottom},
                    {inner.right, inner.top, area.right, inner.bottom}};
  for (const RECT& strip : strips)
    if (strip.right > strip.left && strip.bottom > strip.top) FillRect(dc, &strip, brush);
}

void DrawSourceItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  SourceItem source;
  DibImage picture = nullptr;
  if (ReadSourceItem(reinterpret_cast<platform::MemoryHandle>(item.itemData), &source)) picture = source.picture;
  SetBkMode(item.hDC, TRANSPARENT);
  RECT drawn = DrawImageInRect(item.hDC, item.rcItem, picture);
  bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillAround(item.hDC, item.rcItem, drawn,
             selected ? GetSysColorBrush(COLOR_BTNSHADOW) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

}  // namespace

bool PluginDrawItem(Win32Dialog& dialog, const DRAWITEMSTRUCT& item) {
  if (item.CtlID == kCurlPaperColour) {
    DrawColourButton(item);
    return true;
  }
  if (item.CtlID == kCurlSourceList) {
    DrawSourceItem(item);
    return true;
  }
  return false;
}
