// What a picture file is and how large, read from its first bytes before any decoder
// runs, so that a picture beyond the limits is refused before any memory is given to
// its pixels, whichever decoder would read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The largest width or height accepted.
constexpr int kMaxPictureSide = 16384;
// The largest file read, and the largest picture made (as a 24-bit picture).
constexpr size_t kMaxPictureFileBytes = size_t{256} << 20;
constexpr size_t kMaxPictureBytes = size_t{256} << 20;

enum class PictureFormat { Unknown, Bmp, Gif, Png, Jpeg, Webp };

struct PictureHeader {
  PictureFormat format = PictureFormat::Unknown;
  int64_t width = 0;   // the picture as stored (a GIF: its screen; a WebP: its canvas)
  int64_t height = 0;  // made positive for a BMP stored top row first
  // What the header says of how the pixels are stored, for decoders that hold them all
  // (PNG: bits per pixel, JPEG: components; 0 when not told).
  int bitsPerPixel = 0;
  bool progressive = false;  // a progressive JPEG
  bool indexedColour = false;  // a PNG of indexed colour (an 8-bit picture of its palette when opaque)
  int sampleBits = 8;          // a PNG's bits a sample
  bool animated = false;     // a WebP that says it holds an animation
};

// Recognises the file by its signature and reads its size from its header. False, with
// the reason, when it is none of the formats read or its header is cut short.
bool ReadPictureHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error);

// Empty when a picture of width x height can be made, otherwise why not: a side below 1
// or above kMaxPictureSide, or more than kMaxPictureBytes as a 24-bit picture.
std::string CheckPictureSize(int64_t width, int64_t height);

// Test hook: a lower limit than kMaxPictureBytes (0 restores it), so that a fuzzer spends
// its time on decoding rather than on filling pictures of hundreds of megabytes.
void SetMaxPictureBytes(size_t bytes);
