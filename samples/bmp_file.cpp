#include "samples/bmp_file.h"

#include <cstdio>
#include <cstring>

#include "framework/dib_view.h"

int WriteBmpFile(const char* path, DibImage image) {
  DibView view(image);
  if (!view.ok()) return 0;
  const size_t size = platform::BlockSize(image);
  const uint32_t tableBytes = view.bits() <= 8 ? (4u << view.bits()) : 0u;
  uint8_t fileHeader[14] = {'B', 'M'};
  auto put32 = [&](int offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) fileHeader[offset + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(2, static_cast<uint32_t>(14 + size));
  put32(10, 14 + view.header()->biSize + tableBytes);
  FILE* file = std::fopen(path, "wb");
  if (!file) return 0;
  bool ok = std::fwrite(fileHeader, 1, sizeof fileHeader, file) == sizeof fileHeader &&
            std::fwrite(view.header(), 1, size, file) == size;
  return std::fclose(file) == 0 && ok ? 1 : 0;
}
