// The built-in Frames effect has no owner-drawn items of its own (the logo is drawn by
// the dialog furniture).
#include "framework/win32/win32_dialog.h"

bool PluginDrawItem(Win32Dialog& dialog, const DRAWITEMSTRUCT& item) { return false; }
