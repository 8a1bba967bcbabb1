// The decoders behind picture_file.h, one per format, each given a file whose header
// ReadPictureHeader has read and whose size CheckPictureSize has passed. Each returns the
// picture (the caller's) or null with the reason in `error`.
//
// BMP is read by our own reader and GIF by giflib on every target. PNG, JPEG and WebP are
// read natively by libpng, libjpeg-turbo and libwebp; on Windows PNG and JPEG by the
// system's imaging component (win32/wic_picture_win32.cpp), WebP by libwebp built from
// Debian's source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/dib_image.h"
#include "host/picture_file.h"
#include "host/picture_header.h"

DibImage DecodeBmpPicture(const unsigned char* data, size_t size, std::string* error);
DibImage DecodeGifPicture(const unsigned char* data, size_t size, std::string* error);
DibImage DecodePngPicture(const unsigned char* data, size_t size, const PictureHeader& header, std::string* error);
// Stored as the file has it: the orientation tag is applied by the caller.
DibImage DecodeJpegPicture(const unsigned char* data, size_t size, const PictureHeader& header, std::string* error);
DibImage DecodeWebpPicture(const unsigned char* data, size_t size, const PictureHeader& header, std::string* error);

// Every frame of an animation as shown, appended to `frames`, each taken from `budget`
// before it is made; false with the reason when the file is damaged or the budget runs
// out.
bool DecodeGifFrames(const unsigned char* data, size_t size, FrameBudget& budget, PictureFrames* frames,
                     std::string* error);
bool DecodeWebpFrames(const unsigned char* data, size_t size, FrameBudget& budget, PictureFrames* frames,
                      std::string* error);

// The reason given when an animation's frames run out of budget.
std::string OverBudget(size_t frames, int32_t width, int32_t height);

// How long a frame that asks for `hundredths` shows: a delay of 0 or 1, which browsers
// show as 10, is 10; no frame shows longer than 65535.
int ShownDelay(int64_t hundredths);

// The memory a frame of width x height takes as a 24-bit picture, taken from an
// animation's budget.
uint64_t FrameBytes(int32_t width, int32_t height);
