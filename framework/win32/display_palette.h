// Drawing pictures on the screen: logical palettes for palette-based displays, the
// preview of a DibImage inside an owner-drawn item, and colour buttons.
#pragma once

#include <windows.h>

#include "framework/dib_image.h"
#include "framework/palette_types.h"

struct DisplayPaletteState {
  HPALETTE created = nullptr;
  HPALETTE previous = nullptr;
  HGLOBAL memory = nullptr;
};

// Selects and realizes a palette of `count` colours (2 to 16 become 16, 17 to 256 become
// 256; more than 256 makes nothing). Returns 0 only when memory cannot be had.
int RealizeDisplayPalette(HDC dc, DisplayPaletteState* state, const RgbPalette& palette, int count);
void ReleaseDisplayPalette(HDC dc, DisplayPaletteState* state);

// Draws `image` shrunk to fit the rectangle less 3 pixels a side and centred, and returns
// the rectangle it covered (empty when nothing was drawn). The edge is the caller's.
RECT DrawImageInRect(HDC dc, const RECT& area, DibImage image);

// The owner-draw handler of an effect's preview button: the picture on a dark surround,
// or plain button face without one, with a sunken edge. Returns 1.
int DrawImagePreview(const DRAWITEMSTRUCT& item, DibImage image);

// A button showing a colour: its window text holds "red,green,blue".
void DrawColourButton(const DRAWITEMSTRUCT& item);
