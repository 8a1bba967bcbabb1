// FrameList: the growing list of frames of one build, in the order they will be shown.
//
// The entries live back to back in one movable block that grows by one entry per append
// (zero-filled growth). The list owns every image and mask in it: FreeFrameList frees
// them all.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"

struct FrameEntry {
  DibImage image;          // 24-bit while rendering, paletted after remapping
  DibImage unchangedMask;  // 1-bit mask of Supercompress, or none
  int32_t delay;
  int32_t transparentKey;  // palette index or PackedColour; -1 = none
  int32_t reserved1;
  int32_t reserved2;
};

struct FrameList {
  platform::MemoryHandle block = nullptr;
  int32_t count = 0;
};

// Appends {image, none, delay, -1, 0, 0}; the list then owns the image. 0 on failure,
// with the list unchanged and the image still the caller's.
int AppendFrame(FrameList* list, DibImage image, int32_t delay);

// Appends a whole entry; 0 on failure with the count unchanged.
int AppendFrameEntry(FrameList* list, const FrameEntry& entry);

// Reads or writes back the entry at `index`; 0 when the index is at or past the count,
// negative, or the list has no block.
int ReadFrameEntry(const FrameList* list, int32_t index, FrameEntry* entry);
int WriteFrameEntry(FrameList* list, int32_t index, const FrameEntry& entry);

// Frees every entry's image and mask, then the block, and clears the count.
void FreeFrameList(FrameList* list);
