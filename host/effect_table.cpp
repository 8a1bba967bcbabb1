#include "host/effect_table.h"

#include <cstring>

namespace {

constexpr CommonControls kUsualControls{105, 109, 111, 110, 103, 117, 122, 998, 116};

const OptionChoice kCorners[] = {
    {"upper-left", 131}, {"lower-left", 132}, {"upper-right", 133}, {"lower-right", 134}, {nullptr, 0}};

const EffectOption kPageCurlOptions[] = {
    {"step", OptionKind::Number, 128, 1, 32, "15", "growth of the curl per frame, in pixels", nullptr},
    {"pause", OptionKind::Number, 123, 0, 1000, "100", "delay of the last frame of each transition", nullptr},
    {"horizontal", OptionKind::Press, 129, 0, 0, "", "curl horizontally", nullptr},
    {"vertical", OptionKind::Press, 130, 0, 0, "yes", "curl vertically", nullptr},
    {"corner", OptionKind::Choice, 0, 0, 0, "upper-left", "corner the curl starts from", kCorners},
    {"paper", OptionKind::Colour, 127, 0, 0, "51,0,204", "paper colour: back of the sheet, canvas, plain sheet",
     nullptr},
};

const EffectOption kPyrotechnicsOptions[] = {
    {"width", OptionKind::Number, 101, 32, 800, "128", "width of the animation in pixels", nullptr},
    {"height", OptionKind::Number, 104, 32, 800, "128", "height of the animation in pixels", nullptr},
    {"background", OptionKind::Colour, 107, 0, 0, "0,0,0", "background colour", nullptr},
    {"rockets", OptionKind::Number, 102, 1, 32, "5", "number of rockets", nullptr},
    {"random-seed", OptionKind::Press, 119, 0, 0, "", "take the seed from the clock", nullptr},
    {"use-seed", OptionKind::Press, 121, 0, 0, "yes", "take the seed from --seed", nullptr},
    {"seed", OptionKind::Number, 122, 10, 10000, "8634", "the seed", nullptr},
    {"rocket", OptionKind::ListColour, 106, 1, 32, "random", "colour of rocket I (I=R,G,B or I=random)", nullptr},
    {"explosion", OptionKind::Number, 108, 100, 2000, "850", "speed scale of a burst", nullptr},
    {"gravity", OptionKind::Number, 113, 100, 1000, "400", "downward pull on the sparks", nullptr},
    {"energy", OptionKind::Number, 112, 40, 400, "80", "lifetime scale of a burst", nullptr},
};

const EffectOption kRippleOptions[] = {
    {"random-seed", OptionKind::Press, 118, 0, 0, "", "take the seed from the clock", nullptr},
    {"survey-image", OptionKind::Press, 119, 0, 0, "", "take the seed from the picture", nullptr},
    {"use-seed", OptionKind::Press, 120, 0, 0, "yes", "take the seed from --seed", nullptr},
    {"seed", OptionKind::Number, 121, 10, 10000, "8634", "the seed", nullptr},
};

const EffectOption kLakeOptions[] = {
    {"reflection-only", OptionKind::Toggle, 119, 0, 0, "off", "show only the reflection", nullptr},
    {"frames", OptionKind::Number, 104, 6, 32, "12", "number of frames", nullptr},
};

const EffectOption kLensOptions[] = {
    {"diameter", OptionKind::Number, 122, 25, 100, "35", "lens diameter in pixels", nullptr},
    {"steps", OptionKind::Number, 121, 25, 1000, "100", "number of frames", nullptr},
};

template <size_t N>
constexpr size_t Count(const EffectOption (&)[N]) {
  return N;
}

const EffectRow kRows[] = {
    {"pagecurl", "fwplgcrl", "Page Curl", "each picture peels away from a corner to reveal the next",
     SourceKind::PictureList, 125, 102, kUsualControls, 1, 100, 1000, 3, kPageCurlOptions,
     Count(kPageCurlOptions)},
    {"pyrotechnics", "fwplgpyr", "Pyrotechnics", "fireworks over a plain background", SourceKind::None, 0, 0,
     CommonControls{105, 109, 111, 110, 103, 117, 118, 998, 116}, 1, 25, 250, 5, kPyrotechnicsOptions,
     Count(kPyrotechnicsOptions)},
    {"ripple", "fwplgrip", "Ripple", "rain drops on water over one picture", SourceKind::SinglePicture, 101, 102,
     kUsualControls, 1, 100, 1000, 5, kRippleOptions, Count(kRippleOptions)},
    {"lake", "fwplglak", "Lake", "one picture above its rippling reflection", SourceKind::SinglePicture, 101, 102,
     CommonControls{105, 109, 111, 110, 103, 117, 118, 998, 116}, 1, 25, 250, 8, kLakeOptions, Count(kLakeOptions)},
    {"lens", "fwplglns", "Lens", "a magnifying lens travels over one picture", SourceKind::SinglePicture, 101, 102,
     CommonControls{105, 109, 111, 110, 103, 115, 124, 998, 114}, 1, 100, 1000, 5, kLensOptions, Count(kLensOptions)},
    {kFramesEffectName, nullptr, "Frames", "the given pictures as the frames of the animation (built in)",
     SourceKind::PictureList, 125, 0, kUsualControls, 1, 1000, 1000, 10, nullptr, 0},
};

const EffectRow kGenericRow{"", nullptr, "", "", SourceKind::None, 0, 0, kUsualControls, 1, 100, 1000, 3, nullptr, 0};

}  // namespace

const EffectRow* EffectRows(size_t* count) {
  *count = sizeof kRows / sizeof kRows[0];
  return kRows;
}

const EffectRow* FindEffectRow(const char* name) {
  for (const EffectRow& row : kRows)
    if (std::strcmp(row.name, name) == 0) return &row;
  return nullptr;
}

const EffectRow& GenericEffectRow() { return kGenericRow; }
