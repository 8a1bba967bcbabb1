// Writing a delivery as an animated GIF with giflib (Debian's library natively, its
// source compiled for the Windows build), so both targets write the same bytes.
//
// Logical screen: the task's width and height; global colour table: the task's palette
// at its bits. Per frame: a graphics control block with the delay (hundredths of a
// second), the transparent index from the frame's key (none for -1) and the disposal
// "leave in place", so that transparent pixels show the frames before them; a frame
// after the first that has a key is cropped to the rectangle of its visible pixels,
// which composes to the same picture. A frame whose colour table differs from the
// global one where its pixels use it gets a local colour table. Then the comment block
// (when a comment came) and the looping application block (none for an animation played
// once).
//
// True-colour deliveries: every frame gets a local colour table of its own colours,
// which works when no frame shows more than 256 colours (GifCanHold tells); the
// transparent key colour becomes the transparent index.
#pragma once

#include <string>

#include "host/delivery.h"

// True when every frame of the delivery fits a GIF frame (paletted, or at most 256
// colours in its visible part).
bool GifCanHold(const Delivery& delivery);

// Frames are encoded on up to `threads` threads; the bytes are the same for any number.
// `plays`: how many times a viewer plays the animation, 0 for ever.
bool WriteGifAnimation(const Delivery& delivery, const ByteSink& sink, std::string* error, int threads = 1,
                       int plays = 0);
bool WriteGifFile(const Delivery& delivery, const std::string& path, std::string* error, int threads = 1);
