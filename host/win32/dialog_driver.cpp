#include "host/win32/dialog_driver.h"

#include <commctrl.h>

#include "framework/dib_view.h"
#include "platform/win32/gdi_owners.h"
#include "samples/bmp_file.h"

namespace {

DialogDriver* g_driver = nullptr;  // thread timers carry no context

constexpr UINT kTickMs = 40;
constexpr int kMessageBoxText = 0xFFFF;  // the static that holds a message box's text

std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool IsDialogWindow(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  return std::string(name) == "#32770";
}

struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<OwnedSearch*>(lParam);
  if (IsDialogWindow(window) && GetWindow(window, GW_OWNER) == search->owner) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

void Command(HWND dialog, int id, int notification) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool IsButton(HWND control, bool* checkable) {
  char name[16] = "";
  GetClassNameA(control, name, sizeof name);
  LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
  *checkable = type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON;
  return lstrcmpiA(name, "Button") == 0;
}

}  // namespace

DialogDriver::DialogDriver(HWND owner, std::vector<DialogAction> actions) : owner_(owner), actions_(std::move(actions)) {
  g_driver = this;
  timer_ = SetTimer(nullptr, 0, kTickMs, &DialogDriver::Tick);
}

DialogDriver::~DialogDriver() {
  if (timer_) KillTimer(nullptr, timer_);
  g_driver = nullptr;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_driver) g_driver->tick();
}

HWND DialogDriver::findOwned(HWND owner) const {
  OwnedSearch search{owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool DialogDriver::dismissMessageBoxes(HWND dialog) {
  HWND box = findOwned(dialog);
  if (!box || !IsWindowVisible(box)) return false;
  if (GetDlgItem(box, kMessageBoxText)) {
    messages_.push_back({TextOf(GetDlgItem(box, kMessageBoxText)), TextOf(box)});
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  } else if (!aboutShot_.empty()) {
    SaveWindowPicture(box, aboutShot_);
    aboutShot_.clear();
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  return true;
}

void DialogDriver::tick() {
  HWND dialog = findOwned(owner_);
  if (!dialog) return;
  dialogSeen_ = true;
  // A message box can come up while the dialog starts (before it is shown) or while an
  // action runs; the next action waits until the dialog is shown and idle.
  if (dismissMessageBoxes(dialog) || !IsWindowVisible(dialog)) return;
  if (busy_) return;
  busy_ = true;
  // Pictures are taken when the dialog is about to close: before OK, or before the
  // Escape that follows the last action.
  bool closing = next_ >= actions_.size() ||
                 (actions_[next_].kind == DialogAction::Kind::Click && actions_[next_].id == IDOK);
  if (closing && !dialogShot_.empty()) {
    SaveWindowPicture(dialog, dialogShot_);
    dialogShot_.clear();
    if (aboutId_ && !aboutShot_.empty()) {
      aboutRequested_ = true;
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(aboutId_, BN_CLICKED), 0);
    }
  } else if (aboutRequested_ && !aboutShot_.empty()) {
    // Waiting for the About box.
  } else if (next_ < actions_.size()) {
    if (!perform(dialog, actions_[next_++])) {
      next_ = actions_.size();
      cancelled_ = true;
      Command(dialog, IDCANCEL, BN_CLICKED);
    }
  } else if (!cancelled_) {
    // The actions ran out with the dialog still open: Escape.
    cancelled_ = true;
    Command(dialog, IDCANCEL, BN_CLICKED);
  }
  busy_ = false;
}

bool DialogDriver::perform(HWND dialog, const DialogAction& action) {
  HWND control = GetDlgItem(dialog, action.id);
  auto refuse = [&](RefusalKind kind) {
    refusal_ = MakeRefusal(kind, action.line, action.id, action.index);
    return false;
  };
  if (!control) return refuse(RefusalKind::NoControl);
  if (!IsWindowEnabled(control)) return refuse(RefusalKind::Disabled);
  char name[32] = "";
  GetClassNameA(control, name, sizeof name);
  bool checkable = false;
  bool button = IsButton(control, &checkable);
  bool combo = lstrcmpiA(name, "ComboBox") == 0;
  bool list = lstrcmpiA(name, "ListBox") == 0;
  switch (action.kind) {
    case DialogAction::Kind::SetText:
      SetWindowTextA(control, action.text.c_str());  // the edit control reports EN_CHANGE
      return true;
    case DialogAction::Kind::Click:
      if (!button) break;
      SendMessageA(control, BM_CLICK, 0, 0);
      return true;
    case DialogAction::Kind::Check:
    case DialogAction::Kind::Uncheck: {
      if (!checkable) break;
      bool wanted = action.kind == DialogAction::Kind::Check;
      if ((SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) != wanted) SendMessageA(control, BM_CLICK, 0, 0);
      return true;
    }
    case DialogAction::Kind::Select:
    case DialogAction::Kind::DoubleClick: {
      if (!combo && !list) break;
      LRESULT count = SendMessageA(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
      if (action.index < 0 || action.index >= count) return refuse(RefusalKind::NoItem);
      if (combo) {
        SendMessageA(control, CB_SETCURSEL, action.index, 0);
        Command(dialog, action.id, CBN_SELCHANGE);
        Command(dialog, action.id, CBN_CLOSEUP);
        return true;
      }
      SendMessageA(control, LB_SETCURSEL, action.index, 0);
      Command(dialog, action.id, LBN_SELCHANGE);
      if (action.kind == DialogAction::Kind::DoubleClick) {
        BYTE keys[256];
        GetKeyboardState(keys);
        BYTE shift = keys[VK_SHIFT];
        if (action.shift) keys[VK_SHIFT] |= 0x80;
        SetKeyboardState(keys);
        Command(dialog, action.id, LBN_DBLCLK);
        keys[VK_SHIFT] = shift;
        SetKeyboardState(keys);
      }
      return true;
    }
    case DialogAction::Kind::Drag: {
      if (!list) break;
      RECT from, to;
      if (SendMessageA(control, LB_GETITEMRECT, action.index, reinterpret_cast<LPARAM>(&from)) == LB_ERR ||
          SendMessageA(control, LB_GETITEMRECT, action.to, reinterpret_cast<LPARAM>(&to)) == LB_ERR)
        return refuse(RefusalKind::NoSuchItems);
      // The item may lie outside the visible part of the list: show each end first.
      SendMessageA(control, LB_SETTOPINDEX, action.index, 0);
      SendMessageA(control, LB_GETITEMRECT, action.index, reinterpret_cast<LPARAM>(&from));
      LPARAM start = MAKELPARAM((from.left + from.right) / 2, (from.top + from.bottom) / 2);
      SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, start);
      SendMessageA(control, LB_SETTOPINDEX, action.to, 0);
      SendMessageA(control, LB_GETITEMRECT, action.to, reinterpret_cast<LPARAM>(&to));
      LPARAM end = MAKELPARAM((to.left + to.right) / 2, (to.top + to.bottom) / 2);
      SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, end);
      SendMessageA(control, WM_LBUTTONUP, 0, end);
      return true;
    }
  }
  return refuse(RefusalKind::WrongAction);
}

bool SaveWindowPicture(HWND window, const std::string& path) {
  RECT box;
  if (!GetWindowRect(window, &box)) return false;
  // Everything painted first, children included, so the picture is the finished dialog.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  int width = box.right - box.left, height = box.bottom - box.top;
  OwnedDib picture(CreateDibImage(width, height, nullptr, 24));
  if (!picture) return false;
  bool saved = false;
  {
    DibView view(picture.get());
    platform::WindowDc source(window, true);
    platform::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(source.get(), width, height));
    {
      platform::MemoryDc memory(source.get(), bitmap.get());
      saved = memory.ready() && BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    }  // the bitmap is deselected before its bits are read
    saved = saved && view.ok() &&
            GetDIBits(source.get(), bitmap.get(), 0, height, view.pixels(), reinterpret_cast<BITMAPINFO*>(view.header()),
                      DIB_RGB_COLORS) == height;
  }
  saved = saved && WriteBmpFile(path.c_str(), picture.get());
  return saved;
}
