// Cameras store a photograph as the sensor saw it and say in the JPEG's Exif block
// which way up it belongs (the orientation tag, 1 to 8). The host applies the tag, so
// pictures arrive upright as every viewer shows them.
#pragma once

#include <cstddef>
#include <vector>

#include "framework/dib_image.h"

// The orientation tag of a JPEG file's Exif block: 1 (as stored) to 8; 1 when the file
// has none, is no JPEG or the block is damaged.
int JpegOrientation(const unsigned char* data, size_t size);

// Turns pixels of `channels` bytes, `width` x `height`, top row first, the way the tag
// says; width and height are swapped for tags 5 to 8.
void ApplyOrientation(int orientation, std::vector<unsigned char>* pixels, int* width, int* height, int channels);

// A new 24-bit picture of `picture` (24-bit) turned the way the tag says; null when it
// cannot be made. The caller owns both.
DibImage OrientPicture(DibImage picture, int orientation);
