#include "host/jpeg_orientation.h"

#include <cstdint>
#include <cstring>

#include "framework/dib_view.h"

namespace {

uint32_t Read16(const unsigned char* p, bool little) { return little ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]; }
uint32_t Read32(const unsigned char* p, bool little) {
  return little ? Read16(p, true) | (Read16(p + 2, true) << 16) : (Read16(p, false) << 16) | Read16(p + 2, false);
}

// The orientation in a TIFF structure (the Exif block after "Exif\0\0").
int TiffOrientation(const unsigned char* tiff, size_t size) {
  if (size < 8) return 1;
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') little = true;
  else if (tiff[0] == 'M' && tiff[1] == 'M') little = false;
  else return 1;
  if (Read16(tiff + 2, little) != 42) return 1;
  uint32_t ifd = Read32(tiff + 4, little);
  if (ifd > size - 2) return 1;
  uint32_t entries = Read16(tiff + ifd, little);
  for (uint32_t i = 0; i < entries; ++i) {
    size_t at = ifd + 2 + 12 * static_cast<size_t>(i);
    if (at + 12 > size) return 1;
    if (Read16(tiff + at, little) != 0x0112) continue;
    uint32_t type = Read16(tiff + at + 2, little);
    uint32_t value = type == 3 ? Read16(tiff + at + 8, little) : type == 4 ? Read32(tiff + at + 8, little) : 0;
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

// The stored pixel shown at (x, y) of a picture stored `w` x `h`.
void StoredPixel(int orientation, int w, int h, int x, int y, int* sx, int* sy) {
  switch (orientation) {
    case 2: *sx = w - 1 - x; break;                    // mirrored left to right
    case 3: *sx = w - 1 - x; *sy = h - 1 - y; break;   // upside down
    case 4: *sy = h - 1 - y; break;                    // mirrored top to bottom
    case 5: *sx = y; *sy = x; break;                   // mirrored along the diagonal
    case 6: *sx = y; *sy = h - 1 - x; break;           // to be turned a quarter clockwise
    case 7: *sx = w - 1 - y; *sy = h - 1 - x; break;   // mirrored along the other diagonal
    case 8: *sx = w - 1 - y; *sy = x; break;           // to be turned a quarter anticlockwise
    default: break;
  }
}

}  // namespace

int JpegOrientation(const unsigned char* data, size_t size) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 1;
  size_t at = 2;
  // The Exif block is an APP1 segment before the first frame header.
  while (at + 4 <= size && data[at] == 0xFF) {
    unsigned marker = data[at + 1];
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;  // the picture data starts: no tag
    size_t length = Read16(data + at + 2, false);
    if (length < 2 || at + 2 + length > size) break;
    const unsigned char* body = data + at + 4;
    size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
      return TiffOrientation(body + 6, bodySize - 6);
    at += 2 + length;
  }
  return 1;
}

void ApplyOrientation(int orientation, std::vector<unsigned char>* pixels, int* width, int* height, int channels) {
  if (orientation < 2 || orientation > 8) return;
  const int w = *width, h = *height;
  const bool swap = orientation >= 5;
  const int outWidth = swap ? h : w, outHeight = swap ? w : h;
  std::vector<unsigned char> out(pixels->size());
  for (int y = 0; y < outHeight; ++y) {
    for (int x = 0; x < outWidth; ++x) {
      int sx = x, sy = y;
      StoredPixel(orientation, w, h, x, y, &sx, &sy);
      std::memcpy(&out[(static_cast<size_t>(y) * outWidth + x) * channels],
                  &(*pixels)[(static_cast<size_t>(sy) * w + sx) * channels], channels);
    }
  }
  pixels->swap(out);
  *width = outWidth;
  *height = outHeight;
}

DibImage OrientPicture(DibImage picture, int orientation) {
  DibView from(picture);
  if (!from.ok() || from.bits() != 24) return nullptr;
  const int32_t w = from.width(), h = from.height();
  const bool swap = orientation >= 5 && orientation <= 8;
  DibImage turned = CreateDibImageToFill(swap ? h : w, swap ? w : h, nullptr, 24);
  if (!turned) return nullptr;
  {
    DibView to(turned);
    if (to.ok()) {
      for (int32_t y = 0; y < to.height(); ++y) {
        uint8_t* out = to.pictureRow(y);
        for (int32_t x = 0; x < to.width(); ++x, out += 3) {
          int32_t sx = x, sy = y;
          StoredPixel(orientation, w, h, x, y, &sx, &sy);
          std::memcpy(out, from.pictureRow(sy) + 3 * static_cast<size_t>(sx), 3);
        }
      }
      return turned;
    }
  }
  FreeDibImage(turned);
  return nullptr;
}
