#include "framework/win32/list_drag.h"

#include "framework/dialog.h"
#include "framework/win32/win32_dialog.h"
#include "platform/resources.h"

namespace {

// Per-list state, kept as window properties.
struct DragState {
  WNDPROC original;
  Win32Dialog* dialog;
  int item = -1;  // the item picked up, -1 when none
  RECT itemRect{};
};

DragState* StateOf(HWND list) { return static_cast<DragState*>(GetPropA(list, "KestrelDrag")); }

// The item under a client point, or -1.
int ItemAt(HWND list, POINT point) {
  LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
  if (HIWORD(hit)) return -1;
  return LOWORD(hit) < SendMessageA(list, LB_GETCOUNT, 0, 0) ? LOWORD(hit) : -1;
}

POINT PointOf(LPARAM lParam) { return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

LRESULT CALLBACK DragProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  DragState* state = StateOf(list);
  if (!state) return DefWindowProcA(list, message, wParam, lParam);
  WNDPROC original = state->original;
  switch (message) {
    case WM_LBUTTONDOWN: {
      POINT point = PointOf(lParam);
      int item = ItemAt(list, point);
      state->item = item;
      if (item >= 0) SendMessageA(list, LB_GETITEMRECT, item, reinterpret_cast<LPARAM>(&state->itemRect));
      HWND dialog = GetParent(list);
      int id = GetDlgCtrlID(list);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
      if (item >= 0) SetCapture(list);
      if (item >= 0 && SendMessageA(list, LB_GETCURSEL, 0, 0) == item) {
        SetFocus(list);
        return 0;  // already selected: the list's own click handling is skipped
      }
      break;
    }
    case WM_MOUSEMOVE: {
      if (GetCapture() != list || state->item < 0) break;
      POINT point = PointOf(lParam);
      RECT client;
      GetClientRect(list, &client);
      // Scroll toward a pointer above or below the list.
      LRESULT top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
      if (point.y < client.top && top > 0) SendMessageA(list, LB_SETTOPINDEX, top - 1, 0);
      if (point.y >= client.bottom) SendMessageA(list, LB_SETTOPINDEX, top + 1, 0);
      if (PtInRect(&state->itemRect, point)) break;
      bool overList = PtInRect(&client, point) != FALSE;
      HCURSOR cursor = overList ? LoadCursorA(static_cast<HINSTANCE>(platform::CurrentModule()), MAKEINTRESOURCEA(kDragCursor))
                                : LoadCursorA(nullptr, IDC_NO);
      SetCursor(cursor);
      return 0;
    }
    case WM_LBUTTONUP: {
      if (GetCapture() != list) break;
      int target = ItemAt(list, PointOf(lParam));
      int from = state->item;
      state->item = -1;
      ReleaseCapture();
      if (from >= 0 && target >= 0 && target != from)
        state->dialog->handler().onListDrag(*state->dialog, GetDlgCtrlID(list), from, target);
      break;  // the list ends its own mouse tracking too
    }
    case WM_NCDESTROY:
      SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropA(list, "KestrelDrag");
      delete state;
      break;
    default:
      break;
  }
  return CallWindowProcA(original, list, message, wParam, lParam);
}

}  // namespace

void SubclassListForDragging(HWND list, Win32Dialog* dialog) {
  if (!list || StateOf(list)) return;
  auto* state = new DragState{nullptr, dialog};
  SetPropA(list, "KestrelDrag", state);
  state->original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DragProcedure)));
}
