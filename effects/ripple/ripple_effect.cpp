#include "effects/ripple/ripple_effect.h"

#include <ctime>

#include "effects/ripple/ripple_simulation.h"

namespace {

SinglePictureOptions RippleDialogOptions() {
  SinglePictureOptions options;
  options.sizeCheck = kRippleManifest.smallestPictureSide > 0;
  options.randomSource = true;
  return options;
}

}  // namespace

RippleEffect::RippleEffect()
    : SinglePictureEffect(EffectDescription{kRippleManifest, "Ripple - Kestrel #1 plug-in set by Varnel Quillon",
                                            "RIPPLE", "FWPLGRIP.INI",
                                            AboutInfo{"Ripple Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                                            7001},
                          RippleDialogOptions()) {}

int RippleEffect::renderFrames(BuildContext& build, FrameList* frames) {
  if (!source()) return 0;
  // Every build starts afresh: the seed decides the whole animation.
  random_.SeedRandom(RippleSeed(picture.randomType, picture.randomValue, source(),
                                static_cast<uint32_t>(std::time(nullptr))));
  return RunRipple(source(), &random_, build.settings.mainDelay, frames, kRippleFrameCap, build.threads);
}
