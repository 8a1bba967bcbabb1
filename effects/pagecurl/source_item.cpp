#include "effects/pagecurl/source_item.h"

#include <cstring>

platform::MemoryHandle MakeSourceItem(DibImage picture, const char* name, int32_t pause, int32_t delay) {
  platform::MemoryHandle block = platform::AllocateBlock(sizeof(SourceItem));
  platform::BlockLock lock(block);
  if (!lock) {
    platform::FreeBlock(block);
    return nullptr;
  }
  auto* item = static_cast<SourceItem*>(lock.data());
  item->picture = picture;
  std::strncpy(item->name, name, sizeof item->name - 1);
  item->pause = pause;
  item->delay = delay;
  return block;
}

bool ReadSourceItem(platform::MemoryHandle block, SourceItem* item) {
  if (platform::BlockSize(block) < sizeof(SourceItem)) return false;
  platform::BlockLock lock(block);
  if (!lock) return false;
  std::memcpy(item, lock.data(), sizeof *item);
  return true;
}

bool SetWorkingCopy(platform::MemoryHandle block, DibImage workingCopy) {
  if (platform::BlockSize(block) < sizeof(SourceItem)) return false;
  platform::BlockLock lock(block);
  if (!lock) return false;
  auto* item = static_cast<SourceItem*>(lock.data());
  if (item->workingCopy != workingCopy) FreeDibImage(item->workingCopy);
  item->workingCopy = workingCopy;
  return true;
}

void FreeSourceItem(platform::MemoryHandle block) {
  SourceItem item;
  if (ReadSourceItem(block, &item)) {
    FreeDibImage(item.picture);
    FreeDibImage(item.workingCopy);
  }
  platform::FreeBlock(block);
}
