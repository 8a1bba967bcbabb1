#include "host/delivery.h"

#include <cstring>
#include <unordered_map>

#include "framework/dib_image.h"

int32_t FramePicture::pixel(int32_t x, int32_t y) const {
  const uint8_t* row = pixels + static_cast<size_t>(height - 1 - y) * stride;
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8:
      return row[x];
    default: {
      const uint8_t* p = row + 3 * static_cast<size_t>(x);
      return PackColour(p[2], p[1], p[0]);
    }
  }
}

RgbColour FramePicture::colour(int32_t x, int32_t y) const {
  int32_t value = pixel(x, y);
  return bits == 24 ? UnpackColour(value) : table[static_cast<size_t>(value)];
}

bool ReadFramePicture(const std::vector<uint8_t>& bitmap, FramePicture* picture) {
  if (bitmap.size() < sizeof(DibHeader)) return false;
  DibHeader header;
  std::memcpy(&header, bitmap.data(), sizeof header);
  int bits = header.biBitCount;
  if (header.biSize < sizeof(DibHeader) || header.biSize > bitmap.size()) return false;
  if (header.biWidth < 1 || header.biHeight < 1 || header.biCompression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  uint32_t stride = DibStride(header.biWidth, bits);
  if (stride == 0) return false;
  uint64_t entries = bits <= 8 ? (1u << bits) : 0;
  uint64_t rowsAt = header.biSize + 4 * entries;
  uint64_t end = rowsAt + static_cast<uint64_t>(stride) * static_cast<uint64_t>(header.biHeight);
  if (end > bitmap.size()) return false;

  picture->width = header.biWidth;
  picture->height = header.biHeight;
  picture->bits = bits;
  picture->stride = stride;
  picture->table.clear();
  const uint8_t* table = bitmap.data() + header.biSize;
  for (uint64_t i = 0; i < entries; ++i)
    picture->table.push_back({table[4 * i + 2], table[4 * i + 1], table[4 * i]});
  picture->pixels = bitmap.data() + rowsAt;
  return true;
}

namespace {

// The first and last x of row y whose pixel is not `key`; false when there is none.
bool VisibleSpan(const FramePicture& picture, int32_t y, int32_t key, int32_t* first, int32_t* last) {
  const uint8_t* row = picture.row(y);
  int32_t x0 = -1, x1 = -1;
  if (picture.bits == 8) {
    // Rows of a supercompressed frame are mostly the key from end to end: the runs of
    // key at both ends are measured eight pixels at a time.
    if (key < 0 || key > 255) {
      x0 = 0;
      x1 = picture.width - 1;
    } else {
      const uint8_t k = static_cast<uint8_t>(key);
      const uint64_t pattern = 0x0101010101010101ull * k;
      int32_t x = 0;
      uint64_t eight;
      while (x + 8 <= picture.width && (std::memcpy(&eight, row + x, 8), eight == pattern)) x += 8;
      while (x < picture.width && row[x] == k) ++x;
      if (x < picture.width) {
        x0 = x;
        x1 = picture.width - 1;
        while (x1 - 8 >= x0 && (std::memcpy(&eight, row + x1 - 7, 8), eight == pattern)) x1 -= 8;
        while (row[x1] == k) --x1;
      }
    }
  } else if (picture.bits == 24) {
    const uint8_t blue = static_cast<uint8_t>(PackedBlue(key)), green = static_cast<uint8_t>(PackedGreen(key)),
                  red = static_cast<uint8_t>(PackedRed(key));
    for (int32_t x = 0; x < picture.width; ++x, row += 3)
      if (row[0] != blue || row[1] != green || row[2] != red || key < 0) {
        if (x0 < 0) x0 = x;
        x1 = x;
      }
  } else {
    for (int32_t x = 0; x < picture.width; ++x)
      if (picture.pixel(x, y) != key) {
        if (x0 < 0) x0 = x;
        x1 = x;
      }
  }
  *first = x0;
  *last = x1;
  return x0 >= 0;
}

}  // namespace

FrameRegion VisibleRegion(const FramePicture& picture, int32_t key) {
  int32_t left = picture.width, right = -1, top = picture.height, bottom = -1;
  for (int32_t y = 0; y < picture.height; ++y) {
    int32_t first, last;
    if (!VisibleSpan(picture, y, key, &first, &last)) continue;
    if (first < left) left = first;
    if (last > right) right = last;
    if (y < top) top = y;
    bottom = y;
  }
  if (right < 0) return FrameRegion{0, 0, 1, 1};
  return FrameRegion{left, top, right - left + 1, bottom - top + 1};
}

bool CollectFrameColours(const FramePicture& picture, const FrameRegion& region, size_t limit,
                         std::vector<int32_t>* colours) {
  std::unordered_map<int32_t, int> seen;
  colours->clear();
  for (int32_t y = region.top; y < region.top + region.height; ++y) {
    for (int32_t x = region.left; x < region.left + region.width; ++x) {
      int32_t colour = picture.pixel(x, y);
      if (seen.count(colour)) continue;
      if (colours->size() == limit) return false;
      seen.emplace(colour, static_cast<int>(colours->size()));
      colours->push_back(colour);
    }
  }
  return true;
}

std::vector<uint8_t> MakePackedBitmap(int32_t width, int32_t height, int bits) {
  const uint32_t stride = DibStride(width, bits);
  const size_t table = bits <= 8 ? 4 * 256 : 0;
  DibHeader header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<uint16_t>(bits);
  header.biSizeImage = stride * static_cast<uint32_t>(height);
  header.biClrUsed = bits <= 8 ? 256 : 0;
  std::vector<uint8_t> bitmap(sizeof header + table + static_cast<size_t>(stride) * height, 0);
  std::memcpy(bitmap.data(), &header, sizeof header);
  return bitmap;
}
