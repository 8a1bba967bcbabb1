// The Page Curl effect's manifest: its controls, their ranges and built-in values, and the
// frames a build makes (from the step and the size of the pictures).
#pragma once

#include <iterator>

#include "framework/effect_manifest.h"

// Controls of the Page Curl dialog.
enum PageCurlControl {
  kCurlSourceList = 124,
  kCurlAdd = 125,
  kCurlRemove = 126,
  kCurlPaste = 102,
  kCurlPause = 123,
  kCurlPaperColour = 127,
  kCurlStepSize = 128,
  kCurlHorizontal = 129,
  kCurlVertical = 130,
  kCurlUpperLeftButton = 131,
  kCurlLowerLeftButton = 132,
  kCurlUpperRightButton = 133,
  kCurlLowerRightButton = 134,
};

inline constexpr OptionChoice kCurlCorners[] = {{"upper-left", kCurlUpperLeftButton},
                                                {"lower-left", kCurlLowerLeftButton},
                                                {"upper-right", kCurlUpperRightButton},
                                                {"lower-right", kCurlLowerRightButton},
                                                {nullptr, 0}};

inline constexpr EffectOption kPageCurlOptions[] = {
    {"step", OptionKind::Number, kCurlStepSize, 1, 32, "15", "growth of the curl per frame, in pixels", nullptr},
    {"pause", OptionKind::Number, kCurlPause, 0, 1000, "100", "delay of the last frame of each transition", nullptr},
    {"horizontal", OptionKind::Press, kCurlHorizontal, 0, 0, "", "curl horizontally", nullptr},
    {"vertical", OptionKind::Press, kCurlVertical, 0, 0, "yes", "curl vertically", nullptr},
    {"corner", OptionKind::Choice, 0, 0, 0, "upper-left", "corner the curl starts from", kCurlCorners},
    {"paper", OptionKind::Colour, kCurlPaperColour, 0, 0, "51,0,204",
     "paper colour: back of the sheet, canvas, plain sheet", nullptr},
};

constexpr CommonControlIds PageCurlControlIds() {
  CommonControlIds ids;
  ids.paste = kCurlPaste;
  return ids;
}

bool PageCurlBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out);
void PageCurlWaysOut(const OptionValues& values, std::string* text);

inline constexpr EffectManifest kPageCurlManifest{
    "pagecurl",
    "fwplgcrl",
    "Page Curl",
    "each picture peels away from a corner to reveal the next",
    SourceKind::PictureList,
    kCurlAdd,
    PageCurlControlIds(),
    DelayField{{1, 100, 10}, {1, 1000, 10}, 3},
    kPageCurlOptions,
    std::size(kPageCurlOptions),
    FrameRule{&PageCurlBuildExtent, &PageCurlWaysOut},
};

inline constexpr int32_t kCurlBuiltInStep = BuiltInNumber(FindOption(kPageCurlOptions, "step"));
inline constexpr int32_t kCurlBuiltInPause = BuiltInNumber(FindOption(kPageCurlOptions, "pause"));
inline constexpr int32_t kCurlBuiltInPaper = BuiltInColour(FindOption(kPageCurlOptions, "paper"));
