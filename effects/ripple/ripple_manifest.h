// The Ripple effect's manifest: its controls (the single-picture dialog's random source),
// their ranges and built-in values, and the frames a build makes.
#pragma once

#include <iterator>

#include "framework/effect_manifest.h"
#include "framework/single_picture_dialog.h"

inline constexpr EffectOption kRippleOptions[] = {
    {"random-seed", OptionKind::Press, kRandomFromClock, 0, 0, "", "take the seed from the clock", nullptr},
    {"survey-image", OptionKind::Press, kRandomFromPicture, 0, 0, "", "take the seed from the picture", nullptr},
    {"use-seed", OptionKind::Press, kRandomFromSeed, 0, 0, "yes", "take the seed from --seed", nullptr},
    {"seed", OptionKind::Number, kRandomSeedField, 10, 10000, "8634", "the seed", nullptr},
};

constexpr CommonControlIds RippleControlIds() {
  CommonControlIds ids;
  ids.paste = kPicturePaste;
  return ids;
}

bool RippleBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out);

inline constexpr EffectManifest kRippleManifest{
    "ripple",
    "fwplgrip",
    "Ripple",
    "rain drops on water over one picture",
    SourceKind::SinglePicture,
    kPictureSelect,
    RippleControlIds(),
    DelayField{{1, 100, 10}, {1, 1000, 10}, 5},
    kRippleOptions,
    std::size(kRippleOptions),
    FrameRule{&RippleBuildExtent, nullptr},  // no option shortens the animation
    kSmallestPictureSide,
};
