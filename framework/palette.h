// The nine fixed palettes (PaletteKind 0 to 8) offered by every plug-in.
#pragma once

#include "framework/palette_types.h"

// PaletteKind: 0 black and white, 1 sixteen Windows colours, 2 to 4 orthogonal cubes of
// 32, 64 and 128 colours, 5 the 216-colour cube, 6 the 256-colour cube, 7 colours with
// greys, 8 grey levels. Any larger number behaves as 6.
constexpr int kPaletteKindCount = 9;
constexpr int kDefaultPaletteKind = 6;

// Returns the kind's colour count. When `palette` is given it is cleared and filled;
// when `bits` is given it receives the kind's bits per pixel. A palette resource that
// cannot be read leaves the palette zero but still reports the full count and bits.
int BuildPalette(RgbPalette* palette, int* bits, int kind);

// The kind's display name, from string-table entry 1600 + kind, in a shared buffer that
// the next call overwrites.
const char* PaletteKindName(int kind);
