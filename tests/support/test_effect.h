// A trivial effect for tests: renders `MainFrames` frames of a flat colour or a moving
// gradient, through the common dialog and build driver like any plug-in.
#pragma once

#include <functional>

#include "framework/effect.h"

constexpr int kTestFramesField = 130;
constexpr int kTestFlatRadio = 131;
constexpr int kTestGradientRadio = 132;
constexpr int kTestPasteButton = 102;

class TestEffect : public Effect {
 public:
  TestEffect();

  // Settings (the common ones live in common()).
  CommonSettings commonSettings;
  int32_t frames = 4;
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

  const EffectDescription& description() const override { return description_; }
  CommonSettings& common() override { return commonSettings; }
  const SettingsEntry* settingsTable(size_t* count) override;
  const int* numericFields(size_t* count) const override;
  void settingsToControls(Dialog& dialog) override;
  void updateButtons(Dialog& dialog) override;
  void controlsToSettings(Dialog& dialog) override;
  int prepareSources(BuildContext& build) override;
  int renderFrames(BuildContext& build, FrameList* list) override;
  void releaseBuild(BuildContext& build) override { ++releases; }

 private:
  EffectDescription description_;
  SettingsEntry table_[16];
};
