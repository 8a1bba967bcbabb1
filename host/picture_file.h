// Pictures the host hands to plug-ins (loading a file, the clipboard): BMP, GIF (its
// first frame), PNG and JPEG, decoded by stb_image (stb_image_decoder.h).
//
// The result is a DibImage that the caller owns: 8-bit with the file's own palette when
// the file is paletted and every pixel is an opaque palette colour, 24-bit otherwise.
// Pixels with transparency are shown over white. Hostile files are refused, never
// trusted: at most kMaxPictureSide pixels a side, at most kMaxPictureFileBytes read, the
// 24-bit picture at most kMaxPictureBytes, and the decoder's memory capped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "framework/palette_types.h"
#include "host/stb_image_decoder.h"

constexpr size_t kMaxPictureFileBytes = size_t{256} << 20;
constexpr size_t kMaxPictureBytes = size_t{256} << 20;

// The picture of a file's bytes; null, with the reason in `error`, when it cannot be read.
DibImage DecodePictureFile(const unsigned char* data, size_t size, std::string* error);

// Reads and decodes a file.
DibImage LoadPictureFile(const std::string& path, std::string* error);

// The colour table a paletted file declares (a BMP of up to 8 bits, an indexed-colour
// PNG, a GIF's first frame), up to 256 entries; false for other files.
bool ReadDeclaredPalette(const unsigned char* data, size_t size, std::vector<RgbColour>* palette);

// Reads a whole file of at most `limit` bytes.
bool ReadWholeFile(const std::string& path, size_t limit, std::vector<unsigned char>* bytes, std::string* error);
