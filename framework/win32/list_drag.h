// Drag reordering for list boxes: the list's window procedure is replaced by one that
// follows the mouse while the left button is held and reports the move to the dialog's
// handler.
#pragma once

#include <windows.h>

class Win32Dialog;

// Cursor shown while an item is carried over the list.
constexpr int kDragCursor = 6001;

void SubclassListForDragging(HWND list, Win32Dialog* dialog);
