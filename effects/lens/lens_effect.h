// The Lens plug-in: a magnifying lens travels a figure-of-eight path over one picture.
#pragma once

#include <cstdint>

#include "framework/single_picture_dialog.h"

// Controls of the Lens dialog besides those of the single-picture dialog.
enum LensControl {
  kLensSteps = 121,     // "Steps:", up-down 10121 "25,1000,100"
  kLensDiameter = 122,  // "Lens diameter:", up-down 10122 "25,100,35"
  kLensSupercompress = 115,
  kLensLogo = 113,
  kLensAbout = 114,
  kLensComment = 124,
};

struct LensSettings {
  int32_t diameter = 35;  // MainDiameter, as typed
  int32_t steps = 100;    // MainSteps, as typed
};

class LensEffect : public SinglePictureEffect {
 public:
  LensEffect();

  CommonSettings commonSettings;
  LensSettings settings;

  const EffectDescription& description() const override { return description_; }
  CommonSettings& common() override { return commonSettings; }
  const SettingsEntry* settingsTable(size_t* count) override;
  int renderFrames(BuildContext& build, FrameList* frames) override;

 private:
  EffectDescription description_;
  SettingsEntry table_[15];
};
