// The Pyrotechnics effect's manifest: its controls, their ranges and built-in values, and
// the frames a build makes (bounded by the energy of its bursts).
#pragma once

#include <iterator>

#include "framework/effect_manifest.h"

// Controls of the Pyrotechnics dialog.
enum PyrotechnicsControl {
  kPyroWidth = 101,
  kPyroRockets = 102,
  kPyroDepth = 104,
  kPyroRocketList = 106,
  kPyroBackground = 107,
  kPyroExplosion = 108,
  kPyroEnergy = 112,
  kPyroGravity = 113,
  kPyroRandomSeed = 119,
  kPyroUseSeed = 121,
  kPyroSeed = 122,
  kPyroComment = 118,
};

inline constexpr EffectOption kPyrotechnicsOptions[] = {
    {"width", OptionKind::Number, kPyroWidth, 32, 800, "128", "width of the animation in pixels", nullptr},
    {"height", OptionKind::Number, kPyroDepth, 32, 800, "128", "height of the animation in pixels", nullptr},
    {"background", OptionKind::Colour, kPyroBackground, 0, 0, "0,0,0", "background colour", nullptr},
    {"rockets", OptionKind::Number, kPyroRockets, 1, 32, "5", "number of rockets", nullptr},
    {"random-seed", OptionKind::Press, kPyroRandomSeed, 0, 0, "", "take the seed from the clock", nullptr},
    {"use-seed", OptionKind::Press, kPyroUseSeed, 0, 0, "yes", "take the seed from --seed", nullptr},
    {"seed", OptionKind::Number, kPyroSeed, 10, 10000, "8634", "the seed", nullptr},
    {"rocket", OptionKind::ListColour, kPyroRocketList, 1, 32, "random", "colour of rocket I (I=R,G,B or I=random)",
     nullptr},
    {"explosion", OptionKind::Number, kPyroExplosion, 100, 2000, "850", "speed scale of a burst", nullptr},
    {"gravity", OptionKind::Number, kPyroGravity, 100, 1000, "400", "downward pull on the sparks", nullptr},
    {"energy", OptionKind::Number, kPyroEnergy, 40, 400, "80", "lifetime scale of a burst", nullptr},
};

constexpr CommonControlIds PyrotechnicsControlIds() {
  CommonControlIds ids;
  ids.comment = kPyroComment;
  return ids;
}

bool PyrotechnicsBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out);
void PyrotechnicsWaysOut(const OptionValues& values, std::string* text);

inline constexpr EffectManifest kPyrotechnicsManifest{
    "pyrotechnics",
    "fwplgpyr",
    "Pyrotechnics",
    "fireworks over a plain background",
    SourceKind::None,
    0,
    PyrotechnicsControlIds(),
    DelayField{{1, 25, 8}, {1, 250, 80}, 5},
    kPyrotechnicsOptions,
    std::size(kPyrotechnicsOptions),
    FrameRule{&PyrotechnicsBuildExtent, &PyrotechnicsWaysOut},
};

inline constexpr int32_t kPyroBuiltInWidth = BuiltInNumber(FindOption(kPyrotechnicsOptions, "width"));
inline constexpr int32_t kPyroBuiltInHeight = BuiltInNumber(FindOption(kPyrotechnicsOptions, "height"));
inline constexpr int32_t kPyroBuiltInRockets = BuiltInNumber(FindOption(kPyrotechnicsOptions, "rockets"));
inline constexpr int32_t kPyroBuiltInSeed = BuiltInNumber(FindOption(kPyrotechnicsOptions, "seed"));
inline constexpr int32_t kPyroBuiltInExplosion = BuiltInNumber(FindOption(kPyrotechnicsOptions, "explosion"));
inline constexpr int32_t kPyroBuiltInGravity = BuiltInNumber(FindOption(kPyrotechnicsOptions, "gravity"));
inline constexpr int32_t kPyroBuiltInEnergy = BuiltInNumber(FindOption(kPyrotechnicsOptions, "energy"));
inline constexpr int32_t kPyroBuiltInBackground = BuiltInColour(FindOption(kPyrotechnicsOptions, "background"));
