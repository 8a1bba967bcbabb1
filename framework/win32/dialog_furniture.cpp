#include "framework/win32/dialog_furniture.h"

#include <cstring>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/win32/display_palette.h"
#include "framework/win32/win32_dialog.h"
#include "platform/resources.h"
#include "platform/win32/gdi_owners.h"

namespace {

HINSTANCE Module() { return static_cast<HINSTANCE>(platform::CurrentModule()); }

uint32_t LogoStateOf(HWND button) { return static_cast<uint32_t>(GetWindowLongPtrA(button, GWLP_USERDATA)); }
void SetLogoState(HWND button, uint32_t state) { SetWindowLongPtrA(button, GWLP_USERDATA, static_cast<LONG_PTR>(state)); }

// Logo buttons in use, so that a timer message can find its button.
HWND LogoButtonOf(HWND dialog) { return static_cast<HWND>(GetPropA(dialog, "KestrelLogo")); }

}  // namespace

int ScreenDepth() {
  platform::WindowDc screen(nullptr);
  return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

void StartLogo(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  if (!button) return;
  platform::GdiObject<HBITMAP> first(LoadBitmapA(Module(), MAKEINTRESOURCEA(kLogoFirstBitmap)));
  if (first) {
    BITMAP info;
    GetObjectA(first.get(), sizeof info, &info);
    SetWindowPos(button, nullptr, 0, 0, info.bmWidth + 4, info.bmHeight + 4, SWP_NOMOVE | SWP_NOZORDER);
  }
  SetTimer(dialog, kLogoTimerId, kLogoPeriodMs, nullptr);
  SetLogoState(button, MakeLogoState(kLogoTimerId, 0, ScreenDepth(), true));
  SetPropA(dialog, "KestrelLogo", button);
}

void SetLogoRunning(HWND dialog, int buttonId, bool running) {
  if (HWND button = GetDlgItem(dialog, buttonId)) SetLogoState(button, WithLogoRunning(LogoStateOf(button), running));
}

void StopLogo(HWND dialog, int buttonId) {
  KillTimer(dialog, kLogoTimerId);
  RemovePropA(dialog, "KestrelLogo");
}

bool LogoTimer(HWND dialog, UINT message, WPARAM wParam) {
  if (message != WM_TIMER) return false;
  HWND button = LogoButtonOf(dialog);
  if (!button) return false;
  uint32_t state = LogoStateOf(button);
  if (wParam != static_cast<WPARAM>(LogoTimerId(state)) || !LogoRunning(state)) return false;
  InvalidateRect(button, nullptr, FALSE);
  return true;
}

bool DrawLogo(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON || item.hwndItem != LogoButtonOf(GetParent(item.hwndItem))) return false;
  uint32_t state = LogoStateOf(item.hwndItem);
  if (LogoDepth(state) <= 8) return true;
  RECT edge = item.rcItem;
  DrawEdge(item.hDC, &edge, EDGE_RAISED, BF_RECT | BF_SOFT);
  platform::GdiObject<HBITMAP> frame(LoadBitmapA(Module(), MAKEINTRESOURCEA(kLogoFirstBitmap + LogoFrame(state))));
  if (frame) {
    BITMAP info;
    GetObjectA(frame.get(), sizeof info, &info);
    platform::MemoryDc memory(item.hDC, frame.get());
    if (memory.ready())
      BitBlt(item.hDC, item.rcItem.left + 2, item.rcItem.top + 2, info.bmWidth, info.bmHeight, memory.get(), 0, 0,
             SRCCOPY);
  }
  SetLogoState(item.hwndItem, AdvanceLogoFrame(state));
  return true;
}

void PaintDialogBackground(HWND dialog, HDC dc, int bitmapId) {
  RECT client;
  GetClientRect(dialog, &client);
  platform::ResourceBytes resource;
  if (ScreenDepth() <= 8 || !platform::FindBitmapData(static_cast<unsigned>(bitmapId), &resource) ||
      resource.size < sizeof(BITMAPINFOHEADER)) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  // A private copy, tinted toward the button face: each channel moves by the face's
  // channel minus 128.
  std::vector<unsigned char> bitmap(resource.data, resource.data + resource.size);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bitmap.data());
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  const int shift[3] = {GetBValue(face) - 128, GetGValue(face) - 128, GetRValue(face) - 128};
  auto tint = [&](unsigned char* bgr) {
    for (int c = 0; c < 3; ++c) {
      int v = bgr[c] + shift[c];
      bgr[c] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
  };
  int bits = header->biBitCount;
  size_t tableBytes = bits <= 8 ? (4u << bits) : 0;
  size_t stride = ((header->biWidth * bits + 31) / 32) * 4;
  size_t pixelBytes = stride * (header->biHeight < 0 ? -header->biHeight : header->biHeight);
  if (header->biSize + tableBytes + pixelBytes > bitmap.size()) return;
  unsigned char* table = bitmap.data() + header->biSize;
  unsigned char* pixels = table + tableBytes;
  if (bits <= 8) {
    for (size_t i = 0; i < tableBytes; i += 4) tint(table + i);
  } else if (bits == 24) {
    for (LONG y = 0; y < header->biHeight; ++y)
      for (LONG x = 0; x < header->biWidth; ++x) tint(pixels + y * stride + 3 * x);
  }
  DisplayPaletteState palette;
  RgbPalette colours{};
  int count = 0;
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits) && i < 256; ++i)
      colours.entries[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i]};
    count = 1 << bits;
  }
  RealizeDisplayPalette(dc, &palette, colours, count);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bitmap.data());
  for (LONG top = client.top; top < client.bottom; top += header->biHeight)
    for (LONG left = client.left; left < client.right; left += header->biWidth)
      SetDIBitsToDevice(dc, left, top, header->biWidth, header->biHeight, 0, 0, 0, header->biHeight, pixels, info,
                        DIB_RGB_COLORS);
  ReleaseDisplayPalette(dc, &palette);
}

INT_PTR StaticTextColours(HDC dc) {
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

void CentreDialog(HWND dialog) {
  RECT box;
  GetWindowRect(dialog, &box);
  int width = box.right - box.left, height = box.bottom - box.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

namespace {

// The About box's logic on the common dialog procedure.
class AboutBox : public DialogHandler {
 public:
  explicit AboutBox(const AboutInfo& about) : about_(about) {}
  ~AboutBox() override {
    if (font_) DeleteObject(font_);
  }

  void onInit(Dialog& dialog) override {
    HWND window = static_cast<HWND>(dialog.window());
    dialog.setItemText(101, about_.productName);
    font_ = CreateFontA(28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_ROMAN, "Times New Roman");
    SendDlgItemMessageA(window, 101, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    dialog.setItemText(102, AboutText(about_));
    dialog.startLogo(106);
    dialog.centre();
  }
  void onCommand(Dialog& dialog, int id, int notification) override {
    switch (id) {
      case 1:
      case 2: dialog.end(id); break;
      case 9: ShowHelp(dialog, "ABOUT"); break;
      case 205: ShowWebPage(dialog); break;
      case 203: ShowLicence(dialog, ModuleDirectory(), about_.licenceFile); break;
      default: break;
    }
  }
  void onDestroy(Dialog& dialog) override { dialog.stopLogo(); }

 private:
  static std::string ModuleDirectory() {
    char path[MAX_PATH + 1] = "";
    GetModuleFileNameA(Module(), path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash) *slash = '\0';
    return path;
  }

  AboutInfo about_;
  HFONT font_ = nullptr;
};

}  // namespace

void ShowAboutBox(HWND owner, const AboutInfo& about, int backgroundBitmap) {
  AboutBox box(about);
  RunWin32Dialog(owner, 9998, Win32DialogSetup{&box, backgroundBitmap});
}
