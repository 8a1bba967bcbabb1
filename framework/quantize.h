// The colour quantizer: one palette of at most m colours for every frame of a build.
//
// When the frames together hold at most m distinct colours, those colours in order of
// first appearance are the palette. Otherwise a median cut over a histogram of the top
// four bits of red, green and blue (4096 cells, whatever the number of frames) chooses
// them; white and then black are added when there is room and they are missing.
#pragma once

#include <cstdint>

#include "framework/frame_list.h"
#include "framework/palette_types.h"

// The distinct colours met so far, in order of first appearance, up to `capacity` (m).
// `count` (n) becomes -1 for good once a pixel arrives with the list already full.
// `slots` is a hash of the listed colours (0 empty, else list index + 1) so that a
// colour is found without searching the list.
struct ExactColourList {
  RgbColour* colours;  // capacity entries
  uint16_t* slots;     // kExactColourSlots entries
  int32_t count;
  int32_t capacity;
};
constexpr int kExactColourSlots = 1024;

// Adds one pixel (a PackedColour) to the list: nothing once count is -1; count becomes
// -1 when the list is already full (whatever the colour); otherwise a colour not yet
// listed is appended.
void CollectExactColours(ExactColourList* list, int32_t pixel);

// Chooses a palette for all frames of `frames` (24-bit images). On entry *count holds m
// (1 to 256); on success it holds the number of entries produced, and the palette holds
// them followed by zeros. Returns 0, with the count unchanged, when work memory cannot be
// had, m is out of range, or a frame cannot be read or is not 24-bit. The pixels are
// counted on up to `threads` threads; the palette is the same whatever their number.
int QuantizeFrames(int* count, RgbPalette* palette, const FrameList* frames, int threads = 1);

// Sorts the first `count` entries by luminance with a bubble sort, ascending when the
// flag is set and descending otherwise; equal luminances keep their order.
void SortPaletteByLuminance(RgbPalette* palette, int count, int ascending);
