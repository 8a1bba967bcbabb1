// The Lens effect's manifest: its controls, their ranges and built-in values, and the
// frames a build makes (one per step of the path).
#pragma once

#include <iterator>

#include "framework/effect_manifest.h"
#include "framework/single_picture_dialog.h"

// Controls of the Lens dialog besides those of the single-picture dialog.
enum LensControl {
  kLensSteps = 121,  // "Steps:"
  kLensDiameter = 122,  // "Lens diameter:"
  kLensSupercompress = 115,
  kLensLogo = 113,
  kLensAbout = 114,
  kLensComment = 124,
};

inline constexpr EffectOption kLensOptions[] = {
    {"diameter", OptionKind::Number, kLensDiameter, 25, 100, "35",
     "pixels of the picture the lens magnifies; its disc is nearly twice as wide (60: about 113)",
     nullptr},
    {"steps", OptionKind::Number, kLensSteps, 25, 1000, "100", "number of frames", nullptr},
};

constexpr CommonControlIds LensControlIds() {
  CommonControlIds ids;
  ids.supercompress = kLensSupercompress;
  ids.logo = kLensLogo;
  ids.about = kLensAbout;
  ids.comment = kLensComment;
  ids.paste = kPicturePaste;
  return ids;
}

bool LensBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out);
void LensWaysOut(const OptionValues& values, std::string* text);

inline constexpr EffectManifest kLensManifest{
    "lens",
    "fwplglns",
    "Lens",
    "a magnifying lens travels over one picture",
    SourceKind::SinglePicture,
    kPictureSelect,
    LensControlIds(),
    DelayField{{1, 100, 10}, {1, 1000, 10}, 5},
    kLensOptions,
    std::size(kLensOptions),
    FrameRule{&LensBuildExtent, &LensWaysOut},
    kSmallestPictureSide,
};

inline constexpr int32_t kLensBuiltInDiameter = BuiltInNumber(FindOption(kLensOptions, "diameter"));
inline constexpr int32_t kLensBuiltInSteps = BuiltInNumber(FindOption(kLensOptions, "steps"));
