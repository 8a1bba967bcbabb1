// SourceItem: one picture of the Page Curl source list. Each lives in its own movable
// block, whose handle is the list item's data; the item's text is a single space.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/dib_image.h"
#include "framework/host_interface.h"

#pragma pack(push, 1)
struct SourceItem {
  DibImage picture;                    // as obtained from the host, or the plain sheet
  char name[kRecordTextSize];          // file path, "Clipboard image" or "TEMP"
  int32_t zero265;
  int32_t pause;                       // the Pause field when the item was made (not used)
  int32_t delay;                       // the Delay field when the item was made (not used)
  DibImage workingCopy;                // made for a build, none outside one
  uint8_t zeroTail[796];
};
#pragma pack(pop)

#ifdef KESTREL_32BIT_CONTRACT
static_assert(sizeof(SourceItem) == 1077, "a source item is 1077 bytes");
static_assert(offsetof(SourceItem, pause) == 269, "pause at 269");
static_assert(offsetof(SourceItem, workingCopy) == 277, "working copy at 277");
#endif

constexpr const char* kClipboardItemName = "Clipboard image";
constexpr const char* kPlainSheetName = "TEMP";

// A new item block holding `picture` (which it then owns); none when memory cannot be had.
platform::MemoryHandle MakeSourceItem(DibImage picture, const char* name, int32_t pause, int32_t delay);

// Copies the item's record out of its block; false when the block cannot be read.
bool ReadSourceItem(platform::MemoryHandle block, SourceItem* item);

// Replaces the item's working copy (freeing the old one); false when unreadable.
bool SetWorkingCopy(platform::MemoryHandle block, DibImage workingCopy);

// Frees the item's picture, working copy and block.
void FreeSourceItem(platform::MemoryHandle block);
