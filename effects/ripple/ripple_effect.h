// The Ripple plug-in: rain drops fall on water over one picture, and the picture is
// displaced by the waves until the surface calms.
#pragma once

#include <cstdint>

#include "effects/ripple/ripple_manifest.h"
#include "framework/random_source.h"
#include "framework/single_picture_dialog.h"

class RippleEffect : public SinglePictureEffect {
 public:
  RippleEffect();

  // No source: "Memory error". Otherwise seeds the random source by RandomType and runs
  // the simulation.
  int renderFrames(BuildContext& build, FrameList* frames) override;

 private:
  RandomSource random_;
};
