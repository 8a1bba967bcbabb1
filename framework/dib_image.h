// DibImage: the one image form of every plug-in.
//
// A DibImage is the handle of a movable, zero-initialised memory block (platform/memory.h)
// holding one packed device-independent bitmap and nothing else:
//   1. a 40-byte DibHeader: width, positive height (rows stored bottom-up), 1 plane,
//      1, 4, 8 or 24 bits per pixel, no compression, image size = stride x height,
//      colours used = 2^bits up to 8 bits and 0 at 24 bits;
//   2. the colour table: 2^bits entries of (blue, green, red, 0) up to 8 bits, none at 24;
//   3. the pixel rows, bottom row first, each `stride` = ((width x bits + 31) / 32) x 4
//      bytes. 1-bit rows hold the leftmost pixel in the most significant bit; 4-bit rows
//      the even x in the high nibble; 24-bit rows blue, green, red per pixel.
// Readers find the pixels at biSize + (4 << bits) bytes when bits <= 8, at biSize
// otherwise: the table size always follows the bit count, never biClrUsed.
//
// Ownership: whoever obtains a DibImage frees it (FreeDibImage). Operations that make an
// image return a new handle and never change their input. Blocks are locked only for the
// span of one operation. Every access is checked against the block's size, so a header
// that lies about its size makes the operation fail instead of reading past the block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/palette_types.h"
#include "platform/memory.h"

using DibImage = platform::MemoryHandle;

// The 40-byte bitmap information header, laid out as the Windows BITMAPINFOHEADER.
struct DibHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(DibHeader) == 40, "bitmap header is 40 bytes");

// Depth actually used for a requested bit count: 1 -> 1, 2..4 -> 4, 5..8 -> 8, else 24.
int DepthForBits(int bits);

// Bits needed for n colours: <= 2 -> 1, <= 4 -> 2, ... , otherwise 8.
int BitsForColourCount(int n);

// Bytes per stored row for a width and depth, or 0 when it does not fit in 32 bits.
uint32_t DibStride(int32_t width, int depth);

// A new image of DepthForBits(bits), all pixels zero. When `palette` is given its first
// 2^depth entries fill the colour table. None (null) for a width or height below 1, a
// size that does not fit in 32 bits, or when memory cannot be had.
DibImage CreateDibImage(int32_t width, int32_t height, const RgbPalette* palette, int bits);

// The same picture with its pixels left as they are, all but the bytes that pad each row
// to four (cleared, as in every picture): for a renderer that writes every pixel of every
// row before the picture is read, and so need not have it cleared first.
DibImage CreateDibImageToFill(int32_t width, int32_t height, const RgbPalette* palette, int bits);

// Releases an image; null is ignored.
void FreeDibImage(DibImage image);

// The one owner of an image inside the core: frees it when it goes, moves but never
// copies. The raw handle is for the host interface and for the operations below, which
// take images they only read; release() hands the image on (to a frame list, to the
// host) and the owner holds none after it.
class OwnedDib {
 public:
  OwnedDib() = default;
  explicit OwnedDib(DibImage image) : image_(image) {}
  ~OwnedDib() { FreeDibImage(image_); }
  OwnedDib(OwnedDib&& other) noexcept : image_(other.release()) {}
  OwnedDib& operator=(OwnedDib&& other) noexcept {
    reset(other.release());
    return *this;
  }
  OwnedDib(const OwnedDib&) = delete;
  OwnedDib& operator=(const OwnedDib&) = delete;

  DibImage get() const { return image_; }
  explicit operator bool() const { return image_ != nullptr; }
  // The image, now the caller's to free.
  DibImage release() {
    DibImage image = image_;
    image_ = nullptr;
    return image;
  }
  // Frees the image held and takes `image` instead.
  void reset(DibImage image = nullptr) {
    if (image != image_) FreeDibImage(image_);
    image_ = image;
  }

 private:
  DibImage image_ = nullptr;
};

// Width, height, bits and palette (each output optional). 0 when the image cannot be
// locked or its header does not describe a readable bitmap.
int GetDibImageInfo(DibImage image, int32_t* width, int32_t* height, int* bits,
                    RgbPalette* palette);

// Clears all 768 bytes of `palette`; returns 0 when bits > 8, otherwise copies the
// min(2^bits, 256) colour-table entries behind `header` and returns that count.
int ReadDibPalette(const DibHeader* header, RgbPalette* palette);

// Pixel at (x, y), y counted from the top: the bit, nibble or index up to 8 bits, the
// PackedColour at 24 bits; -1 outside the image or at any other depth.
int32_t GetDibPixel(DibImage image, int32_t x, int32_t y);

// Stores a pixel value as GetDibPixel reads it; ignores -1 and points outside.
void SetDibPixel(DibImage image, int32_t x, int32_t y, int32_t value);

// Copies a width x height rectangle pixel by pixel; source points outside are skipped.
int CopyDibRect(DibImage destination, int32_t dx, int32_t dy, DibImage source, int32_t sx,
                int32_t sy, int32_t width, int32_t height);

// A 24-bit copy of any image.
DibImage ConvertToTrueColour(DibImage image);

// A canvas of the given size, same depth and palette, filled with `fill`, with the
// source drawn at the offset (only the part that fits).
DibImage PlaceOnCanvas(DibImage image, int32_t fill, int32_t canvasWidth, int32_t canvasHeight,
                       int32_t offsetX, int32_t offsetY);

// A byte copy of the whole block.
DibImage DuplicateDibImage(DibImage image);

// The smallest colour value absent from the image (24-bit: no pixel has that
// PackedColour; up to 8 bits: none of the first n colour-table entries has it);
// -1 when every candidate up to 2^24 - 2 is taken.
int32_t FindUnusedImageColour(DibImage image, int n);

// The smallest PackedColour up to 2^24 - 2 that none of the first n entries equals.
int32_t FindUnusedPaletteColour(const RgbPalette* palette, int n);

// Where a preview draws an image of width x height inside an area of aw x ah pixels:
// at its own size when it fits in both directions, otherwise reduced by the whole
// factor that fits, and centred.
struct PreviewLayout {
  int32_t factor;  // 1 when drawn at its own size
  int32_t width;
  int32_t height;
  int32_t left;  // offset from the area's left edge
  int32_t top;
};
PreviewLayout ComputePreviewLayout(int32_t imageWidth, int32_t imageHeight, int32_t areaWidth,
                                   int32_t areaHeight);
