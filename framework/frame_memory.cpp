#include "framework/frame_memory.h"

#include <cstddef>

#include "framework/dib_image.h"
#include "framework/frame_list.h"
#include "platform/memory.h"

uint64_t TrueColourFrameBytes(int32_t width, int32_t height) {
  if (width < 1 || height < 1) return 0;
  const uint64_t stride = DibStride(width, 24);
  const uint64_t image = stride * static_cast<uint64_t>(height);
  if (stride == 0 || image > UINT32_MAX) return 0;
  return sizeof(DibHeader) + image + sizeof(FrameEntry);
}

bool FramesFitInMemory(uint64_t count, int32_t width, int32_t height, uint64_t extraBytes, uint64_t usableBytes) {
  const uint64_t frame = TrueColourFrameBytes(width, height);
  if (frame == 0) return false;
  const uint64_t budget = usableBytes / 2;
  if (extraBytes > budget || count > (budget - extraBytes) / frame) return false;
  return true;
}

bool FramesFitInMemory(uint64_t count, int32_t width, int32_t height, uint64_t extraBytes) {
  uint64_t usable = platform::UsableMemoryBytes();
  // Unknown: only what the address space could ever hold.
  if (usable == 0) usable = SIZE_MAX;
  return FramesFitInMemory(count, width, height, extraBytes, usable);
}
