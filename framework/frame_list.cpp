#include "framework/frame_list.h"

#include <cstring>

static_assert(sizeof(FrameEntry) == 2 * sizeof(void*) + 16, "a frame entry is two handles and four numbers: "
              "24 bytes on the 32-bit target, 32 on 64-bit ones");

int AppendFrameEntry(FrameList* list, const FrameEntry& entry) {
  if (!list || list->count < 0) return 0;
  size_t bytes = (static_cast<size_t>(list->count) + 1) * sizeof(FrameEntry);
  platform::MemoryHandle block = list->block ? platform::ReallocateBlock(list->block, bytes)
                                             : platform::AllocateBlock(bytes);
  if (!block) return 0;
  list->block = block;
  platform::BlockLock lock(block);
  if (!lock || platform::BlockSize(block) < bytes) return 0;
  std::memcpy(static_cast<FrameEntry*>(lock.data()) + list->count, &entry, sizeof entry);
  ++list->count;
  return 1;
}

int AppendFrame(FrameList* list, DibImage image, int32_t delay) {
  return AppendFrameEntry(list, FrameEntry{image, nullptr, delay, -1, 0, 0});
}

namespace {
FrameEntry* EntryAt(const platform::BlockLock& lock, const FrameList* list, int32_t index) {
  if (!lock || index < 0 || index >= list->count) return nullptr;
  if (platform::BlockSize(list->block) < (static_cast<size_t>(index) + 1) * sizeof(FrameEntry))
    return nullptr;
  return static_cast<FrameEntry*>(lock.data()) + index;
}
}  // namespace

int ReadFrameEntry(const FrameList* list, int32_t index, FrameEntry* entry) {
  if (!list || !list->block) return 0;
  platform::BlockLock lock(list->block);
  FrameEntry* stored = EntryAt(lock, list, index);
  if (!stored) return 0;
  *entry = *stored;
  return 1;
}

int WriteFrameEntry(FrameList* list, int32_t index, const FrameEntry& entry) {
  if (!list || !list->block) return 0;
  platform::BlockLock lock(list->block);
  FrameEntry* stored = EntryAt(lock, list, index);
  if (!stored) return 0;
  *stored = entry;
  return 1;
}

void FreeFrameList(FrameList* list) {
  if (!list) return;
  for (int32_t i = 0; i < list->count; ++i) {
    FrameEntry entry;
    if (!ReadFrameEntry(list, i, &entry)) continue;
    FreeDibImage(entry.image);
    FreeDibImage(entry.unchangedMask);
  }
  platform::FreeBlock(list->block);
  list->block = nullptr;
  list->count = 0;
}
