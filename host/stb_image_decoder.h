// The picture decoder of the host: Debian's stb_image, built here for BMP, GIF, PNG and
// JPEG only, with its memory use capped.
//
// Every allocation the decoder makes is counted; one that would take the decoder's live
// memory past the cap fails, and the decoder then gives up cleanly. Pictures larger than
// kMaxPictureSide pixels in either direction are refused before any pixel is decoded.
#pragma once

#include <cstddef>

// The largest width or height accepted.
constexpr int kMaxPictureSide = 16384;
// The most memory the decoder may hold at once while decoding one picture.
constexpr size_t kDecoderMemoryCap = size_t{256} << 20;

struct DecodedPixels {
  int width = 0;
  int height = 0;
  int channels = 0;  // 3 (red, green, blue) or 4 (with alpha)
  unsigned char* data = nullptr;  // width x height x channels, top row first
};

// The size and channel count stored in the file (1 grey, 2 grey + alpha, 3, 4), without
// decoding the pixels. False when the data is not a picture the decoder reads.
bool ReadPictureSize(const unsigned char* data, size_t size, int* width, int* height, int* channels);

// Decodes the picture (a GIF: its first frame) into 3 or 4 channels; false with the
// decoder's reason when it cannot. Free the pixels with FreeDecodedPixels.
bool DecodePicturePixels(const unsigned char* data, size_t size, int channels, DecodedPixels* out,
                         const char** reason);
void FreeDecodedPixels(DecodedPixels* pixels);

// Test hooks: the largest amount of memory the decoder has held, and a lower cap
// (0 restores kDecoderMemoryCap).
size_t DecoderPeakMemory();
void ResetDecoderPeakMemory();
void SetDecoderMemoryCap(size_t bytes);
