// Writing a delivery as an animated PNG (APNG): what the host writes for true-colour
// animations that a GIF cannot hold, or whenever the output name ends in ".png".
//
// Canvas: the task's width and height, 8-bit red, green, blue and alpha. Each frame
// keeps its delay (hundredths of a second) and leaves the canvas in place for the next;
// a frame after the first that has a transparent key is blended over what is there,
// with its key pixels fully transparent, and cropped to its visible pixels. The comment
// becomes a "Comment" text chunk. The animation loops for ever unless told otherwise. Viewers without APNG
// support show the first frame.
#pragma once

#include <string>

#include "host/delivery.h"

// Frames are compressed on up to `threads` threads; the bytes are the same for any number.
// `plays`: how many times a viewer plays the animation, 0 for ever.
bool WriteApngAnimation(const Delivery& delivery, const ByteSink& sink, std::string* error, int threads = 1,
                        int plays = 0);
bool WriteApngFile(const Delivery& delivery, const std::string& path, std::string* error, int threads = 1);
