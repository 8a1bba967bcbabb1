// Our own reader of uncompressed BMP files, the one format whose pixels are plain
// enough to need no decoder: 1, 4 and 8 bits through a colour table (an 8-bit picture
// of the file's own colours), 16 and 32 bits through channel masks, 24 bits as they
// stand. Run-length compressed files are refused.
#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/dib_view.h"
#include "host/picture_canvas.h"
#include "host/picture_decoders.h"

namespace {

uint32_t Little16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t Little32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;

struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kRgb;
  uint64_t stride = 0;
  size_t pixels = 0;  // offset of the first stored row
  std::vector<TableColour> table;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

bool Damaged(std::string* error, const std::string& what) {
  *error = "damaged (" + what + ")";
  return false;
}

// Reads and checks the headers; every offset it keeps lies inside the file.
bool ReadLayout(const unsigned char* data, size_t size, BmpLayout* layout, std::string* error) {
  const uint32_t headerSize = Little32(data + 14);
  const unsigned char* info = data + 14;
  if (headerSize > size - 14) return Damaged(error, "the BMP ends inside its header");
  uint32_t tableEntries = 0;
  size_t entrySize = 4;
  if (headerSize == 12) {
    layout->width = static_cast<int32_t>(Little16(info + 4));
    layout->height = static_cast<int32_t>(Little16(info + 6));
    if (Little16(info + 8) != 1) return Damaged(error, "a BMP of more than one plane");
    layout->bits = static_cast<int>(Little16(info + 10));
    entrySize = 3;
  } else {
    layout->width = static_cast<int32_t>(Little32(info + 4));
    int32_t height = static_cast<int32_t>(Little32(info + 8));
    layout->topDown = height < 0;
    layout->height = layout->topDown ? -height : height;  // the header check refused INT32_MIN
    if (Little16(info + 12) != 1) return Damaged(error, "a BMP of more than one plane");
    layout->bits = static_cast<int>(Little16(info + 14));
    layout->compression = Little32(info + 16);
    tableEntries = Little32(info + 32);
  }
  const int bits = layout->bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    *error = "a BMP of " + std::to_string(bits) + " bits a pixel is not read";
    return false;
  }
  const bool masked = layout->compression == kBitFields || layout->compression == kAlphaBitFields;
  if (layout->compression != kRgb && !(masked && (bits == 16 || bits == 32))) {
    *error = layout->compression == 1 || layout->compression == 2
                 ? "a run-length compressed BMP is not read"
                 : "a BMP of compression " + std::to_string(layout->compression) + " is not read";
    return false;
  }
  // The colour masks follow a 40-byte header, or lie in a longer one.
  size_t at = 14 + static_cast<size_t>(headerSize);
  if (masked) {
    const size_t count = layout->compression == kAlphaBitFields ? 4 : 3;
    const unsigned char* masks = data + 14 + 40;
    if (headerSize == 40) {
      if (size - at < 4 * count) return Damaged(error, "the BMP ends inside its colour masks");
      at += 4 * count;
    } else if (headerSize < 40 + 4 * count) {
      return Damaged(error, "a BMP header too short for its colour masks");
    }
    for (size_t i = 0; i < count; ++i) layout->masks[i] = Little32(masks + 4 * i);
    if (headerSize >= 56) layout->masks[3] = Little32(masks + 12);
  } else if (bits == 16) {
    layout->masks[0] = 0x7C00;
    layout->masks[1] = 0x03E0;
    layout->masks[2] = 0x001F;
  } else if (bits == 32) {
    layout->masks[0] = 0xFF0000;
    layout->masks[1] = 0xFF00;
    layout->masks[2] = 0xFF;
    layout->masks[3] = 0xFF000000u;  // used only when some pixel sets it (see below)
  }
  if (bits <= 8) {
    const uint32_t full = 1u << bits;
    if (tableEntries == 0 || tableEntries > full) tableEntries = full;
    if (static_cast<uint64_t>(tableEntries) * entrySize > size - at)
      return Damaged(error, "the BMP ends inside its colour table");
    for (uint32_t i = 0; i < tableEntries; ++i) {
      const unsigned char* e = data + at + i * entrySize;
      layout->table.push_back(TableColour{e[2], e[1], e[0], 255});
    }
    at += tableEntries * entrySize;
  }
  // The pixels lie where the file header says; an offset of 0 means right after the table.
  uint32_t offset = Little32(data + 10);
  layout->pixels = offset ? offset : at;
  layout->stride = (static_cast<uint64_t>(layout->width) * bits + 31) / 32 * 4;
  if (layout->pixels > size || layout->stride * static_cast<uint64_t>(layout->height) > size - layout->pixels)
    return Damaged(error, "the BMP is cut short");
  return true;
}

// The stored row of picture row y.
const unsigned char* StoredRow(const unsigned char* data, const BmpLayout& layout, int32_t y) {
  const int32_t stored = layout.topDown ? y : layout.height - 1 - y;
  return data + layout.pixels + static_cast<size_t>(stored) * layout.stride;
}

// The channel of a masked pixel scaled to 0..255; 255 for an empty alpha mask.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t maximum = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!mask) return;
    while (!((mask >> shift) & 1)) ++shift;
    maximum = mask >> shift;
  }
  uint8_t operator()(uint32_t pixel, uint8_t empty) const {
    if (!mask) return empty;
    const uint64_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>((value * 255 + maximum / 2) / maximum);
  }
};

DibImage ReadIndexed(const unsigned char* data, const BmpLayout& layout, std::string* error) {
  PictureCanvas canvas;
  if (!canvas.startIndexed(layout.width, layout.height, layout.table)) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  const int bits = layout.bits;
  const unsigned mask = (1u << bits) - 1;
  for (int32_t y = 0; y < layout.height; ++y) {
    const unsigned char* in = StoredRow(data, layout, y);
    uint8_t* out = canvas.row(y);
    for (int32_t x = 0; x < layout.width; ++x) {
      const size_t bit = static_cast<size_t>(x) * bits;
      out[x] = static_cast<uint8_t>((in[bit / 8] >> (8 - bits - bit % 8)) & mask);
    }
  }
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}

DibImage ReadMasked(const unsigned char* data, const BmpLayout& layout, std::string* error) {
  const int bytes = layout.bits / 8;
  auto pixelAt = [bytes](const unsigned char* p) { return bytes == 2 ? Little16(p) : Little32(p); };
  // A 32-bit file whose every alpha bit is clear was written without alpha: it is opaque.
  uint32_t alphaMask = layout.masks[3];
  if (alphaMask) {
    bool any = false;
    for (int32_t y = 0; y < layout.height && !any; ++y) {
      const unsigned char* in = StoredRow(data, layout, y);
      for (int32_t x = 0; x < layout.width && !any; ++x) any = (pixelAt(in + bytes * x) & alphaMask) != 0;
    }
    if (!any) alphaMask = 0;
  }
  const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]), alpha(alphaMask);
  PictureCanvas canvas;
  DecoderBuffer rgba(static_cast<size_t>(layout.width) * 4);
  if (!rgba || !canvas.startTrueColour(layout.width, layout.height, false)) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  for (int32_t y = 0; y < layout.height; ++y) {
    const unsigned char* in = StoredRow(data, layout, y);
    uint8_t* out = rgba.data();
    for (int32_t x = 0; x < layout.width; ++x, in += bytes, out += 4) {
      const uint32_t pixel = pixelAt(in);
      out[0] = red(pixel, 0);
      out[1] = green(pixel, 0);
      out[2] = blue(pixel, 0);
      out[3] = alpha(pixel, 255);
    }
    canvas.putRgba(y, rgba.data(), layout.width);
  }
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}

// An uncompressed 24-bit BMP stores its rows as a 24-bit picture does (blue, green, red;
// rows padded to four bytes), so the rows are copied as they stand, but for the padding
// and their order.
DibImage ReadPlain(const unsigned char* data, const BmpLayout& layout, std::string* error) {
  PictureCanvas canvas;
  if (!canvas.startTrueColour(layout.width, layout.height, false)) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  const size_t used = static_cast<size_t>(layout.width) * 3;
  const unsigned char* rows = data + layout.pixels;
  if (!layout.topDown && used == layout.stride) {
    std::memcpy(canvas.row(layout.height - 1), rows, layout.stride * layout.height);  // the bottom row first
  } else {
    for (int32_t y = 0; y < layout.height; ++y) std::memcpy(canvas.row(y), StoredRow(data, layout, y), used);
  }
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}

}  // namespace

DibImage DecodeBmpPicture(const unsigned char* data, size_t size, std::string* error) {
  BmpLayout layout;
  if (!ReadLayout(data, size, &layout, error)) return nullptr;
  if (layout.bits <= 8) return ReadIndexed(data, layout, error);
  if (layout.bits == 24) return ReadPlain(data, layout, error);
  return ReadMasked(data, layout, error);
}
