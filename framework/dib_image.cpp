#include "framework/dib_image.h"

#include <cstring>
#include <vector>

#include "framework/dib_view.h"

namespace {

constexpr uint32_t kHeaderSize = sizeof(DibHeader);
constexpr int32_t kLargestCandidate = (1 << 24) - 2;

uint32_t ColourTableBytes(int depth) {
  return depth <= 8 ? 4u * ((1u << depth) & 0xFFFFu) : 0u;
}

}  // namespace

int DepthForBits(int bits) {
  if (bits == 1) return 1;
  if (bits >= 2 && bits <= 4) return 4;
  if (bits >= 5 && bits <= 8) return 8;
  return 24;
}

int BitsForColourCount(int n) {
  if (n <= 2) return 1;
  if (n <= 4) return 2;
  if (n <= 8) return 3;
  if (n <= 16) return 4;
  if (n <= 32) return 5;
  if (n <= 64) return 6;
  if (n <= 128) return 7;
  return 8;
}

uint32_t DibStride(int32_t width, int depth) {
  if (width < 0 || depth < 1) return 0;
  uint64_t stride = (static_cast<uint64_t>(width) * depth + 31) / 32 * 4;
  return stride > UINT32_MAX ? 0 : static_cast<uint32_t>(stride);
}

// ---------------------------------------------------------------------------------------
// DibView

DibView::DibView(DibImage image) : image_(image) {
  size_t blockSize = platform::BlockSize(image);
  auto* base = static_cast<uint8_t*>(platform::LockBlock(image));
  if (!base) return;
  auto* header = reinterpret_cast<DibHeader*>(base);
  bool valid = blockSize >= kHeaderSize && header->biSize >= kHeaderSize &&
               header->biSize <= blockSize && header->biWidth > 0 && header->biHeight > 0 &&
               header->biBitCount >= 1 && header->biBitCount <= 32;
  uint64_t tableBytes = 0;
  uint64_t stride = 0;
  if (valid) {
    tableBytes = header->biBitCount <= 8 ? (4ull << header->biBitCount) : 0;
    stride = DibStride(header->biWidth, header->biBitCount);
    uint64_t needed = header->biSize + tableBytes + stride * static_cast<uint64_t>(header->biHeight);
    valid = stride > 0 && needed <= blockSize;
  }
  if (!valid) {
    platform::UnlockBlock(image);
    return;
  }
  header_ = header;
  width_ = header->biWidth;
  height_ = header->biHeight;
  bits_ = header->biBitCount;
  stride_ = static_cast<uint32_t>(stride);
  tableEntries_ = bits_ <= 8 ? (1 << bits_) : 0;
  table_ = bits_ <= 8 ? base + header->biSize : nullptr;
  pixels_ = base + header->biSize + tableBytes;
}

DibView::~DibView() {
  if (header_) platform::UnlockBlock(image_);
}

int32_t DibView::get(int32_t x, int32_t y) const {
  if (!header_ || !contains(x, y)) return -1;
  const uint8_t* row = pictureRow(y);
  switch (bits_) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8:
      return row[x];
    case 24: {
      const uint8_t* p = row + 3 * static_cast<size_t>(x);
      return PackColour(p[2], p[1], p[0]);
    }
    default:
      return -1;
  }
}

void DibView::set(int32_t x, int32_t y, int32_t value) const {
  if (!header_ || value == -1 || !contains(x, y)) return;
  uint8_t* row = pictureRow(y);
  switch (bits_) {
    case 1: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (value) row[x >> 3] |= mask;
      else row[x >> 3] &= static_cast<uint8_t>(~mask);
      break;
    }
    case 4: {
      uint8_t& cell = row[x >> 1];
      if (x & 1) cell = static_cast<uint8_t>((cell & 0xF0) | (value & 0x0F));
      else cell = static_cast<uint8_t>((cell & 0x0F) | ((value & 0x0F) << 4));
      break;
    }
    case 8:
      row[x] = static_cast<uint8_t>(value);
      break;
    case 24: {
      uint8_t* p = row + 3 * static_cast<size_t>(x);
      p[0] = static_cast<uint8_t>(PackedBlue(value));
      p[1] = static_cast<uint8_t>(PackedGreen(value));
      p[2] = static_cast<uint8_t>(PackedRed(value));
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Creation and inspection

namespace {

// A new picture; with `clearRows` false the pixel rows are left as they are but for the
// bytes that pad each row to four, which are cleared with the header and colour table.
DibImage NewDibImage(int32_t width, int32_t height, const RgbPalette* palette, int bits, bool clearRows) {
  if (width < 1 || height < 1) return nullptr;
  int depth = DepthForBits(bits);
  uint32_t stride = DibStride(width, depth);
  uint64_t imageBytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  uint32_t tableBytes = ColourTableBytes(depth);
  uint64_t total = kHeaderSize + tableBytes + imageBytes;
  if (stride == 0 || imageBytes > UINT32_MAX || total > UINT32_MAX) return nullptr;

  DibImage image = clearRows ? platform::AllocateBlock(static_cast<size_t>(total))
                             : platform::AllocateBlockToFill(static_cast<size_t>(total));
  if (!image) return nullptr;
  auto* base = static_cast<uint8_t*>(platform::LockBlock(image));
  if (!base) {
    platform::FreeBlock(image);
    return nullptr;
  }
  if (!clearRows) {
    std::memset(base, 0, kHeaderSize + tableBytes);
    const size_t used = (static_cast<size_t>(width) * depth + 7) / 8;
    if (used < stride)
      for (int32_t row = 0; row < height; ++row)
        std::memset(base + kHeaderSize + tableBytes + static_cast<size_t>(row) * stride + used, 0, stride - used);
  }
  auto* header = reinterpret_cast<DibHeader*>(base);
  header->biSize = kHeaderSize;
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<uint16_t>(depth);
  header->biCompression = 0;
  header->biSizeImage = static_cast<uint32_t>(imageBytes);
  header->biClrUsed = header->biClrImportant = depth <= 8 ? (1u << depth) : 0u;
  if (palette && depth <= 8) {
    uint8_t* table = base + kHeaderSize;
    for (int i = 0; i < (1 << depth); ++i) {
      table[4 * i + 0] = palette->entries[i].blue;
      table[4 * i + 1] = palette->entries[i].green;
      table[4 * i + 2] = palette->entries[i].red;
    }
  }
  platform::UnlockBlock(image);
  return image;
}

}  // namespace

DibImage CreateDibImage(int32_t width, int32_t height, const RgbPalette* palette, int bits) {
  return NewDibImage(width, height, palette, bits, true);
}

DibImage CreateDibImageToFill(int32_t width, int32_t height, const RgbPalette* palette, int bits) {
  return NewDibImage(width, height, palette, bits, false);
}

void FreeDibImage(DibImage image) { platform::FreeBlock(image); }

int ReadDibPalette(const DibHeader* header, RgbPalette* palette) {
  std::memset(palette, 0, sizeof *palette);
  if (header->biBitCount > 8) return 0;
  int count = 1 << header->biBitCount;
  if (count > 256) count = 256;
  const auto* table = reinterpret_cast<const uint8_t*>(header) + header->biSize;
  for (int i = 0; i < count; ++i) {
    palette->entries[i].red = table[4 * i + 2];
    palette->entries[i].green = table[4 * i + 1];
    palette->entries[i].blue = table[4 * i + 0];
  }
  return count;
}

int GetDibImageInfo(DibImage image, int32_t* width, int32_t* height, int* bits,
                    RgbPalette* palette) {
  DibView view(image);
  if (!view.ok()) return 0;
  if (width) *width = view.width();
  if (height) *height = view.height();
  if (bits) *bits = view.bits();
  if (palette) ReadDibPalette(view.header(), palette);
  return 1;
}

// ---------------------------------------------------------------------------------------
// Pixels

int32_t GetDibPixel(DibImage image, int32_t x, int32_t y) {
  DibView view(image);
  return view.get(x, y);
}

void SetDibPixel(DibImage image, int32_t x, int32_t y, int32_t value) {
  if (value == -1) return;
  DibView view(image);
  view.set(x, y, value);
}

int CopyDibRect(DibImage destination, int32_t dx, int32_t dy, DibImage source, int32_t sx,
                int32_t sy, int32_t width, int32_t height) {
  DibView to(destination);
  DibView from(source);
  if (to.ok() && from.ok()) {
    for (int32_t i = 0; i < height; ++i)
      for (int32_t j = 0; j < width; ++j) to.set(dx + j, dy + i, from.get(sx + j, sy + i));
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// Conversions

namespace {

// Fills a new 24-bit image from any readable source, row by row in stored order.
bool FillTrueColour(DibImage image, DibImage result) {
  DibView from(image);
  DibView to(result);
  if (!from.ok() || !to.ok()) return false;
  RgbPalette palette;
  ReadDibPalette(from.header(), &palette);
  const int bits = from.bits();
  const int32_t width = from.width();
  // Bytes one row must hold for the way each depth is read; a header whose stride is
  // narrower than that (a 2-bit image read by nibbles, say) cannot be converted.
  const int bytesPerPixel = bits > 8 ? bits / 8 : 0;
  uint64_t rowNeed = bits == 1   ? (static_cast<uint64_t>(width) + 7) / 8
                     : bits <= 4 ? (static_cast<uint64_t>(width) + 1) / 2
                     : bits <= 8 ? static_cast<uint64_t>(width)
                                 : static_cast<uint64_t>(width) * bytesPerPixel;
  if ((bits > 8 && bytesPerPixel < 3) || rowNeed > from.stride()) return false;
  for (int32_t row = 0; row < from.height(); ++row) {
    const uint8_t* in = from.storedRow(row);
    uint8_t* out = to.storedRow(row);
    for (int32_t x = 0; x < width; ++x, out += 3) {
      if (bytesPerPixel) {
        const uint8_t* p = in + static_cast<size_t>(x) * bytesPerPixel;
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        continue;
      }
      int index;
      if (bits == 1) index = (in[x >> 3] >> (7 - (x & 7))) & 1;
      else if (bits <= 4) index = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
      else index = in[x];
      const RgbColour& c = palette.entries[index];
      out[0] = c.blue;
      out[1] = c.green;
      out[2] = c.red;
    }
  }
  return true;
}

// Fills the canvas with `fill`, then draws the part of the source that fits.
bool FillCanvas(DibImage image, DibImage canvas, int32_t fill, int32_t offsetX, int32_t offsetY) {
  DibView from(image);
  DibView to(canvas);
  if (!from.ok() || !to.ok()) return false;
  for (int32_t y = 0; y < to.height(); ++y)
    for (int32_t x = 0; x < to.width(); ++x) to.set(x, y, fill);
  int32_t rows = from.height() < to.height() ? from.height() : to.height();
  int32_t columns = from.width() < to.width() ? from.width() : to.width();
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < columns; ++x) to.set(offsetX + x, offsetY + y, from.get(x, y));
  return true;
}

}  // namespace

DibImage ConvertToTrueColour(DibImage image) {
  int32_t width = 0;
  int32_t height = 0;
  if (!GetDibImageInfo(image, &width, &height, nullptr, nullptr)) return nullptr;
  OwnedDib result(CreateDibImage(width, height, nullptr, 24));
  if (result && !FillTrueColour(image, result.get())) return nullptr;
  return result.release();
}

DibImage PlaceOnCanvas(DibImage image, int32_t fill, int32_t canvasWidth, int32_t canvasHeight,
                       int32_t offsetX, int32_t offsetY) {
  int bits = 0;
  RgbPalette palette;
  if (!GetDibImageInfo(image, nullptr, nullptr, &bits, &palette)) return nullptr;
  OwnedDib canvas(CreateDibImage(canvasWidth, canvasHeight, &palette, bits));
  if (canvas && !FillCanvas(image, canvas.get(), fill, offsetX, offsetY)) return nullptr;
  return canvas.release();
}

DibImage DuplicateDibImage(DibImage image) {
  size_t size = platform::BlockSize(image);
  if (size == 0) return nullptr;
  platform::BlockLock from(image);
  if (!from) return nullptr;
  DibImage copy = platform::AllocateBlockToFill(size);  // every byte is copied in
  if (!copy) return nullptr;
  {
    platform::BlockLock to(copy);
    if (to) {
      std::memcpy(to.data(), from.data(), size);
      return copy;
    }
  }
  platform::FreeBlock(copy);
  return nullptr;
}

// ---------------------------------------------------------------------------------------
// Unused colours

int32_t FindUnusedImageColour(DibImage image, int n) {
  DibView view(image);
  if (!view.ok()) return -1;
  if (view.bits() <= 8) {
    int entries = n < view.tableEntries() ? n : view.tableEntries();
    RgbPalette palette;
    ReadDibPalette(view.header(), &palette);
    return FindUnusedPaletteColour(&palette, entries < 0 ? 0 : entries);
  }
  // One pass marks every colour present. An image of N pixels holds at most N colours,
  // so the answer is at most N and only colours up to N need a mark.
  uint64_t pixels = static_cast<uint64_t>(view.width()) * view.height();
  uint32_t limit = pixels < static_cast<uint64_t>(kLargestCandidate) ? static_cast<uint32_t>(pixels)
                                                                     : kLargestCandidate;
  std::vector<uint8_t> present(limit / 8 + 1, 0);
  const int bytesPerPixel = view.bits() / 8;
  if (bytesPerPixel < 3) return -1;
  for (int32_t row = 0; row < view.height(); ++row) {
    const uint8_t* p = view.storedRow(row);
    for (int32_t x = 0; x < view.width(); ++x, p += bytesPerPixel) {
      uint32_t colour = p[2] | (p[1] << 8) | (static_cast<uint32_t>(p[0]) << 16);
      if (colour <= limit) present[colour >> 3] |= static_cast<uint8_t>(1u << (colour & 7));
    }
  }
  for (uint32_t v = 0; v <= limit; ++v)
    if (!(present[v >> 3] & (1u << (v & 7)))) return static_cast<int32_t>(v);
  return -1;
}

int32_t FindUnusedPaletteColour(const RgbPalette* palette, int n) {
  if (n > 256) n = 256;
  for (int32_t v = 0; v <= kLargestCandidate; ++v) {
    bool taken = false;
    for (int i = 0; i < n && !taken; ++i) {
      const RgbColour& c = palette->entries[i];
      taken = c.red == PackedRed(v) && c.green == PackedGreen(v) && c.blue == PackedBlue(v);
    }
    if (!taken) return v;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------
// Preview layout

PreviewLayout ComputePreviewLayout(int32_t imageWidth, int32_t imageHeight, int32_t areaWidth,
                                   int32_t areaHeight) {
  PreviewLayout layout{1, imageWidth, imageHeight, 0, 0};
  if (imageWidth >= areaWidth || imageHeight >= areaHeight) {
    if (areaWidth <= 0 || areaHeight <= 0) return {0, 0, 0, 0, 0};
    int32_t fx = (imageWidth + areaWidth - 1) / areaWidth;
    int32_t fy = (imageHeight + areaHeight - 1) / areaHeight;
    layout.factor = fx > fy ? fx : fy;
    layout.width = imageWidth / layout.factor;
    layout.height = imageHeight / layout.factor;
  }
  int32_t left = (areaWidth - layout.width) / 2;
  int32_t top = (areaHeight - layout.height) / 2;
  layout.left = left > 0 ? left : 0;
  layout.top = top > 0 ? top : 0;
  return layout;
}
