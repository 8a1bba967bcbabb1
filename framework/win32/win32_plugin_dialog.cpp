// The Windows front end of the main dialog: template 1000 as a real modal dialog.
#include "framework/main_dialog.h"
#include "framework/plugin_dialog.h"
#include "framework/win32/win32_dialog.h"

void RunPluginDialog(WindowHandle owner, const HostBuildRecord* host, Effect& effect) {
  MainDialog logic(effect, host);
  RunWin32Dialog(static_cast<HWND>(owner), kMainDialogTemplate,
                 Win32DialogSetup{&logic, effect.description().backgroundBitmap});
  UpdateWindow(static_cast<HWND>(owner));
}
