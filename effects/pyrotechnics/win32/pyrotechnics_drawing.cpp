// The Pyrotechnics dialog's owner-drawn items: the background colour button and the
// items of the rocket list.
#include "effects/pyrotechnics/pyrotechnics_effect.h"
#include "framework/win32/display_palette.h"
#include "framework/win32/win32_dialog.h"
#include "platform/win32/gdi_owners.h"

namespace {

PyrotechnicsEffect& Pyrotechnics() { return static_cast<PyrotechnicsEffect&>(PluginEffect()); }

// "Rocket %d" at the left, then the word "RANDOM" or a framed swatch of the colour.
void DrawRocketItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const PyrotechnicsSettings& settings = Pyrotechnics().settings;
  int index = static_cast<int>(item.itemID);
  int32_t colour = index < kMostRockets ? settings.rocketColours[index] : kRandomRocketColour;
  RocketItemLook look = DescribeRocketItem(index, colour);

  bool selected = (item.itemState & ODS_SELECTED) != 0;
  RECT area = item.rcItem;
  FillRect(item.hDC, &area,
           selected ? GetSysColorBrush(COLOR_BTNSHADOW) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(item.hDC, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
  SetBkMode(item.hDC, TRANSPARENT);
  RECT label = {area.left + 4, area.top + 2, area.right, area.bottom};
  DrawTextA(item.hDC, look.label.c_str(), -1, &label, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  if (look.random) {
    RECT word = {area.left + 65, area.top + 2, area.right, area.bottom};
    DrawTextA(item.hDC, kRandomRocketWord, -1, &word, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    return;
  }
  RECT swatch = {area.left + 65, area.top + 2, area.right - 4, area.bottom - 2};
  if (swatch.right <= swatch.left || swatch.bottom <= swatch.top) return;
  platform::GdiObject<HBRUSH> brush(CreateSolidBrush(static_cast<COLORREF>(look.colour & 0xFFFFFF)));
  FillRect(item.hDC, &swatch, brush.get());
  FrameRect(item.hDC, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

}  // namespace

bool PluginDrawItem(Win32Dialog& dialog, const DRAWITEMSTRUCT& item) {
  if (item.CtlID == kPyroBackground) {
    DrawColourButton(item);
    return true;
  }
  if (item.CtlID == kPyroRocketList) {
    DrawRocketItem(item);
    return true;
  }
  return false;
}
