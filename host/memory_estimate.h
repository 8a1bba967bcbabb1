// The peak memory of a build, estimated before it runs, so that a run that cannot fit is
// refused with the ways out instead of being killed half-way.
//
// Every effect holds all its frames as 24-bit pictures until the delivery: frames x
// width x height x 3 bytes. The colour stage adds the host's copies of true-colour
// frames (as much again); paletted frames are reduced one by one and add only the
// quantizer's tables. The pictures themselves and a fixed margin come on top. The
// frames and their size come from the frame rule of the effect's manifest, which reads
// the run's option values: Page Curl from its step and the picture sizes, Lake from its
// frame count, Lens from its steps, Pyrotechnics from its energy (its bound), Ripple
// from an assumed bound (its water calms on its own).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/command_line.h"
#include "host/effect_table.h"

struct PictureSize {
  int width = 0;
  int height = 0;
};

struct MemoryEstimate {
  uint64_t bytes = 0;
  long frames = 0;
  int width = 0;   // of each frame
  int height = 0;
};

// Frames an effect makes; the estimate. False for an effect whose frames cannot be
// told (a library given by path, an effect without its pictures).
bool EstimateBuildMemory(const EffectRow& row, const RunPlan& plan, const std::vector<PictureSize>& pictures,
                         MemoryEstimate* estimate);

// The size the pictures are scaled to by --fit WxH (never enlarged, proportions kept).
PictureSize FittedSize(PictureSize picture, int fitWidth, int fitHeight);

// "1.5 GB", "320 MB": a size for people.
std::string DescribeBytes(uint64_t bytes);

// Outputs whose frames hold more than this many bytes of pixels are said to be large
// before the build starts.
constexpr uint64_t kLargeOutputBytes = uint64_t{100} << 20;

// A note for an output that may pass kLargeOutputBytes: its frames' pixels (one byte
// each in a GIF, three in a PNG or a lossless WebP) exceed it, with a --fit that brings
// them under it. Empty for a smaller one.
std::string LargeOutputNote(const RunPlan& plan, const MemoryEstimate& estimate);

// Why the run does not fit and what to change: the estimate, the limit, and the options
// of this effect that bring it down (with a --fit size that would fit, when one does).
std::string ExplainTooLarge(const EffectRow& row, const RunPlan& plan, const std::vector<PictureSize>& pictures,
                            const MemoryEstimate& estimate, uint64_t limit, bool limitFromOption);
