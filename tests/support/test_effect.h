// A trivial effect for tests: renders `MainFrames` frames of a flat colour or a moving
// gradient, through the common dialog and build driver like any plug-in.
#pragma once

#include <functional>
#include <iterator>

#include "framework/effect.h"

constexpr int kTestFramesField = 130;
constexpr int kTestFlatRadio = 131;
constexpr int kTestGradientRadio = 132;
constexpr int kTestPasteButton = 102;

inline constexpr EffectOption kTestOptions[] = {
    {"frames", OptionKind::Number, kTestFramesField, 2, 50, "4", "number of frames", nullptr},
    {"flat", OptionKind::Press, kTestFlatRadio, 0, 0, "", "one colour per frame", nullptr},
    {"gradient", OptionKind::Press, kTestGradientRadio, 0, 0, "yes", "a moving gradient", nullptr},
};

constexpr CommonControlIds TestControlIds() {
  CommonControlIds ids;
  ids.paste = kTestPasteButton;
  return ids;
}

inline constexpr EffectManifest kTestManifest{
    "test",
    "fwplgtst",
    "Test Effect",
    "frames of a flat colour or a moving gradient",
    SourceKind::None,
    0,
    TestControlIds(),
    DelayField{{1, 100, 10}, {1, 1000, 10}, 3},
    kTestOptions,
    std::size(kTestOptions),
    FrameRule{nullptr, nullptr},
};

class TestEffect : public Effect {
 public:
  TestEffect();

  // Settings (the common ones live in commonSettings).
  int32_t frames = BuiltInNumber(kTestOptions[0]);
  int32_t flat = 0;
  int32_t patternOffset = 0;  // shifts the gradient, so builds can differ
  char fileNamePath[kSettingTextSize] = "";

  // Test controls.
  int32_t width = 16;
  int32_t height = 12;
  bool failPreparation = false;
  bool failRendering = false;
  // Replaces the picture of frame i when set.
  std::function<DibImage(int i)> frameMaker;
  int releases = 0;

  void settingsToControls(Dialog& dialog) override;
  void updateButtons(Dialog& dialog) override;
  void controlsToSettings(Dialog& dialog) override;
  int prepareSources(BuildContext& build) override;
  int renderFrames(BuildContext& build, FrameList* list) override;
  void releaseBuild(BuildContext& build) override { ++releases; }

 protected:
  void addSettings(SettingsTable& table) override;
};
