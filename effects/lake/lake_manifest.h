// The Lake effect's manifest: its controls, their ranges and built-in values, and the
// frames a build makes (the frame count, each the picture above its reflection).
#pragma once

#include <iterator>

#include "framework/effect_manifest.h"
#include "framework/single_picture_dialog.h"

// Controls of the Lake dialog besides those of the single-picture dialog.
enum LakeControl {
  kLakeFrameCount = 104,      // "Number of frames:"
  kLakeReflectionOnly = 119,  // "&Only show reflection"
  kLakeComment = 118,         // "Add comme&nt"
};

inline constexpr EffectOption kLakeOptions[] = {
    {"reflection-only", OptionKind::Toggle, kLakeReflectionOnly, 0, 0, "off", "show only the reflection", nullptr},
    {"frames", OptionKind::Number, kLakeFrameCount, 6, 32, "12", "number of frames", nullptr},
};

constexpr CommonControlIds LakeControlIds() {
  CommonControlIds ids;
  ids.comment = kLakeComment;
  ids.paste = kPicturePaste;
  return ids;
}

bool LakeBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out);
void LakeWaysOut(const OptionValues& values, std::string* text);

inline constexpr EffectManifest kLakeManifest{
    "lake",
    "fwplglak",
    "Lake",
    "one picture above its rippling reflection",
    SourceKind::SinglePicture,
    kPictureSelect,
    LakeControlIds(),
    DelayField{{1, 25, 8}, {1, 250, 80}, 8},
    kLakeOptions,
    std::size(kLakeOptions),
    FrameRule{&LakeBuildExtent, &LakeWaysOut},
};

inline constexpr int32_t kLakeBuiltInFrames = BuiltInNumber(FindOption(kLakeOptions, "frames"));
