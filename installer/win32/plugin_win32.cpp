// plugin.exe: the installer's Windows front end. Start-up, the full-screen main window
// with its gradient backdrop, raised panel and picture, and the modal message,
// question and licence dialogs through which the commands talk to the user.
#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "installer/script/command_table.h"
#include "installer/session/install_session.h"
#include "installer/win32/installer_ids.h"
#include "platform/directories.h"

namespace {

HINSTANCE g_instance = nullptr;
HBRUSH g_faceBrush = nullptr;  // the system button-face colour, for every dialog
HWND g_main = nullptr;
bool g_noIntro = false;
installer::InstallContext* g_context = nullptr;
installer::InstallSession* g_session = nullptr;

// Top and bottom colours of the main window's backdrop.
constexpr COLORREF kTopColour = RGB(136, 181, 53);
constexpr COLORREF kBottomColour = RGB(0, 0, 0);

void CentreOnScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  int width = r.right - r.left, height = r.bottom - r.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The control-colour handler shared by every installer dialog: black text on the
// button-face colour. Returns 0 for other messages.
INT_PTR ColourControls(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<INT_PTR>(g_faceBrush);
    }
    default:
      return 0;
  }
}

// The message, question and licence dialogs show the text they are given in their
// control 101, unchanged, centred on the screen.
void ShowDialogText(HWND dialog, LPARAM text) {
  SetDlgItemTextA(dialog, IDC_INSTALL_PATH, reinterpret_cast<const char*>(text));
  CentreOnScreen(dialog);
}

// The message and question boxes: any of the command ids 1, 2, 6 and 7 ends the box
// with that id.
INT_PTR CALLBACK TextBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ShowDialogText(dialog, lParam);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL || id == IDC_ANSWER_YES || id == IDC_ANSWER_NO) EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return ColourControls(message, wParam);
  }
}

int ShowTextBox(HWND owner, const char* dialogName, const std::string& text) {
  return static_cast<int>(DialogBoxParamA(g_instance, dialogName, owner, TextBoxProc,
                                          reinterpret_cast<LPARAM>(text.c_str())));
}

INT_PTR CALLBACK LicenseProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      ShowDialogText(dialog, lParam);
      // A licence is read from the top: the text gets the focus (so the keys scroll it)
      // with the caret at its start and nothing selected, which the dialog's own focus
      // handling would not give (it selects the whole text).
      HWND text = GetDlgItem(dialog, IDC_INSTALL_PATH);
      SetFocus(text);
      SendMessageA(text, EM_SETSEL, 0, 0);
      SendMessageA(text, EM_SCROLLCARET, 0, 0);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
      return TRUE;
    default:
      return ColourControls(message, wParam);
  }
}

class Win32FrontEnd : public installer::FrontEnd {
 public:
  void Show(const std::string& text) override {
    if (!g_main) return;
    SetDlgItemTextA(g_main, IDC_STATUS_LINE, text.c_str());
    UpdateWindow(GetDlgItem(g_main, IDC_STATUS_LINE));
  }
  void ShowMessage(const std::string& text) override { ShowTextBox(g_main, "TheMessageBox", text); }
  int Ask(const std::string& question) override { return ShowTextBox(g_main, "YesnoBox", question); }
  bool ShowLicense(const std::string& text) override {
    INT_PTR agreed = DialogBoxParamA(g_instance, "LicenseBox", g_main, LicenseProc,
                                     reinterpret_cast<LPARAM>(text.c_str()));
    if (g_main) {
      InvalidateRect(g_main, nullptr, TRUE);
      UpdateWindow(g_main);
    }
    return agreed == 1;
  }
  void QuitAtOnce(int exitCode) override { ExitProcess(static_cast<UINT>(exitCode)); }
  void* OwnerWindow() override { return g_main; }
};

// The backdrop: the top colour, then bands of 1/256 of the height shading down to the
// bottom colour.
void PaintBackdrop(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  HBRUSH top = CreateSolidBrush(kTopColour);
  FillRect(dc, &client, top);
  DeleteObject(top);
  const int height = client.bottom - client.top;
  const double band = height / 256.0;
  double colour[3] = {GetRValue(kTopColour), GetGValue(kTopColour), GetBValue(kTopColour)};
  const double step[3] = {(GetRValue(kBottomColour) - colour[0]) / 256.0,
                          (GetGValue(kBottomColour) - colour[1]) / 256.0,
                          (GetBValue(kBottomColour) - colour[2]) / 256.0};
  for (double y = 0; y < height && band > 0; y += band) {
    RECT r = {client.left, client.top + static_cast<int>(y), client.right,
              client.top + static_cast<int>(std::ceil(y + band))};
    HBRUSH brush = CreateSolidBrush(RGB(static_cast<int>(colour[0]) & 0xFF, static_cast<int>(colour[1]) & 0xFF,
                                        static_cast<int>(colour[2]) & 0xFF));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    for (int k = 0; k < 3; ++k) {
      colour[k] += step[k];
      if (colour[k] < 0) colour[k] = 0;
      if (colour[k] > 255) colour[k] = 255;  // 256 would wrap when the brush is made
    }
  }
}

// The picture: its mask combined by AND, then the picture by XOR, at the mask's size.
void DrawPicture(const DRAWITEMSTRUCT* item) {
  HBITMAP mask = LoadBitmapA(g_instance, "UNICORNMASK");
  HBITMAP picture = LoadBitmapA(g_instance, "UNICORN");
  if (mask && picture) {
    BITMAP size;
    GetObjectA(mask, sizeof size, &size);
    HDC source = CreateCompatibleDC(item->hDC);
    HGDIOBJ old = SelectObject(source, mask);
    BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, size.bmWidth, size.bmHeight, source, 0, 0, SRCAND);
    SelectObject(source, picture);
    BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, size.bmWidth, size.bmHeight, source, 0, 0, SRCINVERT);
    SelectObject(source, old);
    DeleteDC(source);
  }
  if (mask) DeleteObject(mask);
  if (picture) DeleteObject(picture);
}

void DrawPanel(const DRAWITEMSTRUCT* item) {
  RECT r = item->rcItem;
  FillRect(item->hDC, &r, g_faceBrush);
  DrawEdge(item->hDC, &r, EDGE_RAISED, BF_RECT);
}

// Moves the dialog's layout, as the resource places it, to the middle of the screen.
void CentreLayout(HWND dialog) {
  RECT client, panel;
  GetClientRect(dialog, &client);
  GetWindowRect(GetDlgItem(dialog, IDC_PANEL), &panel);
  const int frame = GetSystemMetrics(SM_CXDLGFRAME);
  const int dx = ((client.right - client.left) - (panel.right - panel.left)) / 2 - frame;
  const int dy = ((client.bottom - client.top) - (panel.bottom - panel.top)) / 2 -
                 GetSystemMetrics(SM_CYCAPTION) - frame;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MoveWindow(child, r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, TRUE);
  }
  InvalidateRect(dialog, nullptr, TRUE);
}

void InitMainWindow(HWND dialog) {
  g_main = dialog;
  g_session->Start();
  CentreOnScreen(dialog);
  std::string intro = g_session->IntroText(g_noIntro);
  if (!intro.empty()) ShowTextBox(dialog, "TheMessageBox", intro);
  SendDlgItemMessageA(dialog, IDC_INSTALL_PATH, EM_LIMITTEXT, installer::kInstallPathLimit, 0);
  SetDlgItemTextA(dialog, IDC_INSTALL_PATH,
                  installer::PathFieldText(g_context->settings, g_context->WindowsDirectory()).c_str());
  SetDlgItemTextA(dialog, IDC_PATH_LABEL, installer::kPathLabel);
  char caption[256] = "";
  GetWindowTextA(dialog, caption, sizeof caption);
  SetWindowTextA(dialog, installer::MainWindowCaption(caption, g_context->settings.productName).c_str());
  SetWindowPos(dialog, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER);
  PostMessageA(dialog, WM_CENTRE_LAYOUT, 0, 0);
}

void PressOk(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
  char path[installer::kInstallPathLimit + 1] = "";
  GetDlgItemTextA(dialog, IDC_INSTALL_PATH, path, sizeof path);
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  g_session->Install(path);
  EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
  SetCursor(old);
}

INT_PTR CALLBACK MainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitMainWindow(dialog);
      return TRUE;
    case WM_CENTRE_LAYOUT:
      CentreLayout(dialog);
      return TRUE;
    case WM_SET_STATUS:
      SetDlgItemTextA(dialog, IDC_STATUS_LINE, reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_ERASEBKGND:
      PaintBackdrop(dialog, reinterpret_cast<HDC>(wParam));
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == IDC_PANEL) DrawPanel(item);
      if (item->CtlID == IDC_PICTURE) DrawPicture(item);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) PressOk(dialog);
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        // There is no second attempt: after OK or Cancel the installer ends.
        int exitCode = g_session->Finish();
        g_main = nullptr;
        EndDialog(dialog, exitCode);
      }
      return TRUE;
    case WM_CLOSE:
      SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    default:
      return ColourControls(message, wParam);
  }
}

installer::MachineFacts ReadMachineFacts() {
  installer::MachineFacts facts;
  facts.windowsMajorVersion = LOBYTE(LOWORD(GetVersion()));
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  facts.processorType = info.dwProcessorType;
  HDC screen = GetDC(nullptr);
  facts.screenColourBits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return facts;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_instance = instance;
  g_noIntro = installer::HasNoIntroSwitch(GetCommandLineA());

  Win32FrontEnd ui;
  installer::InstallContext context;
  context.ui = &ui;
  context.substitutions.values[1] = platform::WindowsDirectory().substr(0, installer::kScriptLineLimit);
  context.substitutions.values[2] = platform::SystemDirectory().substr(0, installer::kScriptLineLimit);
  context.substitutions.values[3] = platform::StartupDirectory().substr(0, installer::kScriptLineLimit);
  context.machine = ReadMachineFacts();
  context.age.buildDate = __DATE__;
  SYSTEMTIME today;
  GetLocalTime(&today);
  context.age.year = today.wYear;
  context.age.month = today.wMonth;
  g_context = &context;

  for (const installer::CommandSet* set : {&installer::CoreCommandSet(), &installer::ShellCommandSet()}) {
    if (set->startUp && !set->startUp(context)) return 0;
  }
  // The script stays loaded and locked for the program's life.
  HRSRC found = FindResourceA(nullptr, "INSTALLSCRIPT", MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  if (!loaded) {
    ShowTextBox(nullptr, "TheMessageBox", installer::kDamagedArchiveMessage);
    return 0;
  }
  const void* locked = LockResource(loaded);
  if (!locked) {
    FreeResource(loaded);
    ShowTextBox(nullptr, "TheMessageBox", installer::kNoMemoryMessage);
    return 0;
  }
  installer::ScriptText script{static_cast<const unsigned char*>(locked), SizeofResource(nullptr, found)};
  installer::InstallSession session(script, context);
  g_session = &session;

  g_faceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  INT_PTR result = DialogBoxParamA(instance, "MainBox", nullptr, MainProc, 0);
  DeleteObject(g_faceBrush);
  return result < 0 ? 0 : static_cast<int>(result);
}
