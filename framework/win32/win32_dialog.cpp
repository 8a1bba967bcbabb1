#include "framework/win32/win32_dialog.h"

#include <commctrl.h>

#include <vector>

#include "framework/win32/dialog_furniture.h"
#include "framework/win32/list_drag.h"
#include "platform/resources.h"

namespace {

Win32Dialog* DialogOf(HWND window) { return reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(window, DWLP_USER)); }

INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = new Win32Dialog(window, *reinterpret_cast<const Win32DialogSetup*>(lParam));
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    dialog->handler().onInit(*dialog);
    return FALSE;  // the handler has placed the focus
  }
  Win32Dialog* dialog = DialogOf(window);
  if (!dialog) return FALSE;
  // Every message is first offered to the logo's timer, then to the static-text colours.
  if (LogoTimer(window, message, wParam)) return TRUE;
  if (message == WM_CTLCOLORSTATIC) return StaticTextColours(reinterpret_cast<HDC>(wParam));
  switch (message) {
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (DrawLogo(item)) return TRUE;
      return PluginDrawItem(*dialog, item) ? TRUE : FALSE;
    }
    case WM_ERASEBKGND:
      PaintDialogBackground(window, reinterpret_cast<HDC>(wParam), dialog->backgroundBitmap());
      SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_COMMAND:
      dialog->handler().onCommand(*dialog, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_DESTROY:
      dialog->handler().onDestroy(*dialog);
      SetWindowLongPtrA(window, DWLP_USER, 0);
      delete dialog;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunWin32Dialog(HWND owner, int templateId, const Win32DialogSetup& setup) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  return DialogBoxParamA(static_cast<HINSTANCE>(platform::CurrentModule()), MAKEINTRESOURCEA(templateId), owner,
                         DialogProcedure, reinterpret_cast<LPARAM>(&setup));
}

LRESULT Win32Dialog::send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageA(window_, id, message, wParam, lParam);
}

std::string Win32Dialog::itemText(int id) {
  HWND item = GetDlgItem(window_, id);
  int length = item ? GetWindowTextLengthA(item) : 0;
  std::vector<char> text(length + 1, '\0');
  if (item) GetWindowTextA(item, text.data(), length + 1);
  return text.data();
}

void Win32Dialog::setItemText(int id, const std::string& text) { SetDlgItemTextA(window_, id, text.c_str()); }
bool Win32Dialog::isChecked(int id) { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
void Win32Dialog::setChecked(int id, bool checked) { CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED); }
bool Win32Dialog::isEnabled(int id) { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }
void Win32Dialog::enable(int id, bool enabled) { EnableWindow(GetDlgItem(window_, id), enabled); }
void Win32Dialog::setFocus(int id) { SetFocus(GetDlgItem(window_, id)); }

void Win32Dialog::repaint(int id) {
  HWND target = id ? GetDlgItem(window_, id) : window_;
  InvalidateRect(target, nullptr, TRUE);
  UpdateWindow(target);
}

void Win32Dialog::setUpDownRange(int id, int minimum, int maximum) { send(id, UDM_SETRANGE32, minimum, maximum); }

void Win32Dialog::upDownRange(int id, int* minimum, int* maximum) {
  send(id, UDM_GETRANGE32, reinterpret_cast<WPARAM>(minimum), reinterpret_cast<LPARAM>(maximum));
}

void Win32Dialog::setUpDownPosition(int id, int position) { send(id, UDM_SETPOS32, 0, position); }

void Win32Dialog::comboAdd(int id, const std::string& text) {
  send(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int Win32Dialog::comboSelection(int id) { return static_cast<int>(send(id, CB_GETCURSEL, 0, 0)); }
void Win32Dialog::setComboSelection(int id, int index) { send(id, CB_SETCURSEL, index, 0); }
int Win32Dialog::listCount(int id) { return static_cast<int>(send(id, LB_GETCOUNT, 0, 0)); }

int Win32Dialog::listInsert(int id, int index, const std::string& text, intptr_t data) {
  LRESULT at = send(id, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
  if (at < 0) return -1;
  send(id, LB_SETITEMDATA, at, data);
  return static_cast<int>(at);
}

void Win32Dialog::listDelete(int id, int index) { send(id, LB_DELETESTRING, index, 0); }

intptr_t Win32Dialog::listData(int id, int index) {
  LRESULT data = send(id, LB_GETITEMDATA, index, 0);
  return data == LB_ERR ? 0 : data;
}

std::string Win32Dialog::listText(int id, int index) {
  LRESULT length = send(id, LB_GETTEXTLEN, index, 0);
  if (length < 0) return std::string();
  std::vector<char> text(length + 1, '\0');
  send(id, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

int Win32Dialog::listSelection(int id) { return static_cast<int>(send(id, LB_GETCURSEL, 0, 0)); }
void Win32Dialog::setListSelection(int id, int index) { send(id, LB_SETCURSEL, index, 0); }

int Win32Dialog::listCaret(int id) {
  if (listCount(id) <= 0) return -1;
  return static_cast<int>(send(id, LB_GETCARETINDEX, 0, 0));
}

void Win32Dialog::setListItemHeight(int id, int height) { send(id, LB_SETITEMHEIGHT, 0, height); }
void Win32Dialog::enableListDragging(int id) { SubclassListForDragging(GetDlgItem(window_, id), this); }
void Win32Dialog::setTitle(const std::string& title) { SetWindowTextA(window_, title.c_str()); }

void Win32Dialog::showMessage(const std::string& text, const std::string& title) {
  MessageBoxA(window_, text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
}

void Win32Dialog::postCommand(int id, int notification) {
  PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
}

void Win32Dialog::end(int result) { EndDialog(window_, result); }
void Win32Dialog::destroy() { DestroyWindow(window_); }
void Win32Dialog::centre() { CentreDialog(window_); }
bool Win32Dialog::clipboardHasPicture() { return IsClipboardFormatAvailable(CF_DIB) != FALSE; }
bool Win32Dialog::shiftDown() { return GetKeyState(VK_SHIFT) < 0; }
void Win32Dialog::showWaitCursor() { previousCursor_ = SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

void Win32Dialog::restoreCursor() {
  SetCursor(previousCursor_);
  previousCursor_ = nullptr;
}

void Win32Dialog::showAbout(const AboutInfo& about) {
  ShowAboutBox(window_, about, setup_.backgroundBitmap);
  InvalidateRect(window_, nullptr, TRUE);
  UpdateWindow(window_);
}

void Win32Dialog::startLogo(int buttonId) {
  logoButton_ = buttonId;
  StartLogo(window_, buttonId);
}

void Win32Dialog::pauseLogo() { SetLogoRunning(window_, logoButton_, false); }
void Win32Dialog::resumeLogo() { SetLogoRunning(window_, logoButton_, true); }
void Win32Dialog::stopLogo() { StopLogo(window_, logoButton_); }
