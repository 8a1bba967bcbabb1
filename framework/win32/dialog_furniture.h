// The parts of every plug-in's dialogs that do not touch the animation: the animated
// logo, the tiled background, static-text colours, centring and the About box.
#pragma once

#include <windows.h>

#include "framework/help_about.h"

// Sizes the logo button to its bitmaps, starts the 60 ms timer and keeps the logo's state
// word in the button's user data.
void StartLogo(HWND dialog, int buttonId);
void SetLogoRunning(HWND dialog, int buttonId, bool running);
void StopLogo(HWND dialog, int buttonId);
// WM_TIMER of the logo while it runs: invalidates the button. True when handled.
bool LogoTimer(HWND dialog, UINT message, WPARAM wParam);
// WM_DRAWITEM of a logo button: the next frame inside a raised edge. True when handled.
bool DrawLogo(const DRAWITEMSTRUCT& item);

// WM_ERASEBKGND: the tinted background tile over the client area (plain button face on
// displays of 256 colours or fewer).
void PaintDialogBackground(HWND dialog, HDC dc, int bitmapId);
// WM_CTLCOLORSTATIC: window-text colour on a transparent background.
INT_PTR StaticTextColours(HDC dc);
// Moves the dialog to the middle of the screen.
void CentreDialog(HWND dialog);
// The screen's colour depth, bits per pixel times planes.
int ScreenDepth();

// Runs the About box (template 9998) for the owner.
void ShowAboutBox(HWND owner, const AboutInfo& about, int backgroundBitmap);
