// The Page Curl renderer: for each picture of a list in turn, the frames in which it peels
// away from one corner, its back showing in the paper colour, until the next picture lies
// fully exposed; after the last picture the first follows again, so the animation loops.
//
// A transition starts with a curl of `step` pixels and grows it by `step` each frame. It
// ends at the first frame whose pixels are those of the next picture; that frame carries
// the pause, every earlier one the delay. Because the shading and the back of the sheet
// change the pixels they cover, even two identical pictures go through the whole curl,
// which ends when the curl is about three times the larger side of the pictures.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"
#include "framework/frame_list.h"

// One rendering of the whole animation: for each picture i, the transition that peels
// picture i away to reveal picture (i + 1) mod count.
struct CurlJob {
  const DibImage* pictures;  // prepared working copies: 24-bit, all of one size
  int32_t count;
  int32_t delay;           // every frame but the last of a transition
  int32_t pause;           // the last frame of a transition
  int32_t paperColour;     // PackedColour
  int32_t step;            // growth of P per frame
  uint32_t directionBits;  // bit 0 Horizontal; 0x20 UL, 0x10 LL, 0x08 UR, else LR
  FrameList* frames;       // appended to with AppendFrame
  void (*progress)(void* context, int32_t done, int32_t total);  // may be null
  void* progressContext;
  int threads = 1;  // frames rendered at once (framework/parallel.h); the frames are the same
};

// Appends every frame of every transition to job.frames; 1 on success. The progress
// callback is called on the calling thread only. 0 when there is
// no picture, the step is below 1, a picture is not 24-bit or differs in size from the
// first, or a frame cannot be created, locked or appended; frames appended before a
// failure stay in the list (the list owns them).
int RenderCurlFrames(const CurlJob& job);

// One frame on its own: `current` peeled by a curl of `position` pixels over `next`
// (both 24-bit, of one size). *finished is set to 1 when the frame's pixels are those of
// `next`, else 0. The caller owns the result; none on failure.
DibImage RenderCurlFrame(DibImage current, DibImage next, int32_t position, uint32_t directionBits,
                         int32_t paperColour, int* finished);
