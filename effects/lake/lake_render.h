// The Lake renderer: one picture reflected in rippling water, as a loop.
//
// The reflection is the picture flipped top to bottom (the mirror image). In frame j of
// N, each row i of the reflection (row 0 lies against the picture's lower edge) shows
// row i + e of the mirror, where e follows a sine wave whose phase is j / N of a full
// turn: after N frames the animation is back at its first frame. Near the picture the
// waves are short and about 2 rows high; far from it they are long and about H / 14 + 2
// rows high.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"
#include "framework/frame_list.h"

// The mirror image of a 24-bit picture: a new 24-bit image of its size whose row
// H - 1 - i is the picture's row i. None when the picture is not a readable 24-bit image
// or memory cannot be had.
DibImage MakeMirror(DibImage picture);

// The shift e of reflection row `row` in frame `frame` of `frameCount` (frameCount >= 1)
// for a reflection `height` rows high: with k = height / 14 and
// a = k (height - row) / (row + 1) + frame x 2 pi / frameCount,
// e = trunc(sin(a) x k x (row + 28) / height).
int32_t LakeRowShift(int32_t row, int32_t height, int32_t frame, int32_t frameCount);

// Frame `frame` of `frameCount` made from the mirror image: a new 24-bit image whose row i
// is the mirror's row i + e, or the mirror's row i when i + e lies outside the image.
// None when the mirror is not a readable 24-bit image, frameCount is below 1 or memory
// cannot be had.
DibImage LakeFrame(DibImage mirror, int32_t frame, int32_t frameCount);

// Appends frames 0 to frameCount - 1 of the reflection of `picture` (nothing when
// frameCount <= 0), each with `delay`. 0 when the mirror or a frame cannot be made or
// appended; frames appended before that stay in the list. The frames are made on up to
// `threads` threads and appended in order: the same frames at any thread count.
int RenderLake(DibImage picture, int32_t frameCount, int32_t delay, FrameList* frames, int threads = 1);

// A new image twice the reflection's height: the picture in the top half, the
// reflection in the bottom half (both 24-bit, of one size). None on failure.
DibImage ComposeLakeFrame(DibImage picture, DibImage reflection);

// Replaces every frame of the list with its composition over `picture`, on up to
// `threads` threads, calling `progress` (when given) with (i, count) for every frame i
// in order, on the calling thread. 0 on the first failure; the frames before it are
// composed, the rest left as they were.
int ComposeLakeFrames(DibImage picture, FrameList* frames, void (*progress)(void* context, int32_t done, int32_t total),
                      void* progressContext, int threads = 1);
