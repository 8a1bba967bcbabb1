// The Ripple simulation: up to sixteen rain drops fall on water over one picture, a
// wave simulation spreads and damps their splashes, and each wave step becomes one frame
// in which the picture is displaced by the slope of the water surface. The animation
// ends by itself when the surface has calmed.
//
// Everything random comes from one RandomSource in a fixed order of draws, so the same
// seed and picture give the same frames on every target. Heights are signed 32-bit
// integers moved with arithmetic shifts; floating point is used only to place drops.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/dib_image.h"
#include "framework/frame_list.h"
#include "framework/random_source.h"
#include "platform/threads.h"

enum DropKind : int32_t {
  kDropNone = 0,      // never falls
  kDropScatter = 1,   // falls by chance at a random point at least 8 pixels inside
  kDropRing = 2,      // falls by chance on the circle of radius 32 about the centre
  kDropNudge = 3,     // falls at once, 4 pixels from its set-up place, slightly turned
  kDropLastRing = 4,  // falls at once on the radius-32 circle; once fallen, no later drop falls
};

struct RippleDrop {
  int32_t kind = kDropNone;
  int32_t x = 0;
  int32_t y = 0;
  bool fallen = false;
  double heading = 0;    // radians; kinds 2 to 4
  double threshold = 0;  // chance threshold of kinds 1 and 2
};

constexpr int kRippleDropCount = 16;
constexpr int32_t kDropCircleRadius = 32;

// The most frames one animation makes. A surface calms within about 170 steps (seeds and
// sizes from 64 x 64 to 2000 x 100 tried); an integer limit cycle could keep one moving
// for ever, so the animation ends here with the frames made.
constexpr int32_t kRippleFrameCap = 2000;

// The seed of a build by RandomType: 1 the seed plus the red component of every pixel of
// the picture (32-bit wrapping), 2 the clock's whole seconds, otherwise the seed in both
// halves ((value << 16) | value).
uint32_t RippleSeed(int32_t randomType, int32_t randomValue, DibImage picture, uint32_t clockSeconds);

// The water over a W x H picture: two height maps (current and previous, cell (x, y) at
// y * W + x) and the drop table.
// Pictures of fewer cells than this step and draw on one thread. Even with the threads
// kept for the whole animation, each frame's two shared jobs cost two wake-ups: on a
// two-core machine 256 x 256 ran 0.95 to 0.98 times as fast on two threads as on one,
// 384 x 384 1.05 to 1.15 times, 640 x 480 1.25 to 1.35 times.
constexpr int64_t kRippleThreadedCells = 128 * 1024;

// The threads a wave step or frame of a width x height picture uses: 1 for small
// pictures, else `threads`.
int RippleRowThreads(int threads, int32_t width, int32_t height);

class RippleWater {
 public:
  // Allocates both maps, zeroed, and sets up the 16 drops with draws from `random`.
  // False when the maps cannot be had (or W x H is empty or too large).
  bool start(int32_t width, int32_t height, RandomSource* random);

  // Visits the drops in table order; the first that falls splashes into the current map
  // and ends the step. Returns the index of the drop that fell, or -1.
  int dropStep();
  // One wave step from the current map into the previous one, which then becomes
  // current. True while the surface is alive (some new height above 1). The rows are
  // shared among the team's threads: the same heights at any count. The second form
  // shares them among up to `threads` threads (see RippleRowThreads) started for the step.
  bool waveStep(platform::PartTeam& team);
  bool waveStep(int threads = 1);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  const int32_t* current() const { return maps_[current_].get(); }
  const RippleDrop& drop(int i) const { return drops_[i]; }

  // Assigns a splash centred on (x, y) into the current map: 255 at the centre, 191 at
  // its four neighbours, 127 at the four diagonal ones. Only interior cells are written:
  // the wave step never rewrites the outermost rows and columns, so a height left there
  // would feed the surface for ever.
  void splash(int32_t x, int32_t y);

 private:
  void setUpDrop(int i);

  RandomSource* random_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::unique_ptr<int32_t[]> maps_[2];
  int current_ = 0;
  RippleDrop drops_[kRippleDropCount];
};

// A new 24-bit frame: the picture (24-bit, the water's size) displaced by the slope of
// `water`'s current map; the outermost rows and columns keep the picture's pixels. None
// when memory cannot be had. The rows are shared as in the wave step.
DibImage RippleFrame(DibImage picture, const RippleWater& water, platform::PartTeam& team);
DibImage RippleFrame(DibImage picture, const RippleWater& water, int threads = 1);

// The whole animation into `frames` (each with `delay`): drop step, wave step, frame,
// until the surface calms (the frame after the last wave step included), a frame cannot
// be made or appended, or `frameCap` frames are made. 0 only when the water cannot be
// set up.
// The random draws are all made on the calling thread, in the same order at any thread
// count; only the rows of a wave step and of a frame are shared among `threads` threads.
int RunRipple(DibImage picture, RandomSource* random, int32_t delay, FrameList* frames,
              int32_t frameCap = kRippleFrameCap, int threads = 1);
