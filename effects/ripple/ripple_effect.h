// The Ripple plug-in: rain drops fall on water over one picture, and the picture is
// displaced by the waves until the surface calms.
#pragma once

#include <cstdint>

#include "framework/random_source.h"
#include "framework/single_picture_dialog.h"

class RippleEffect : public SinglePictureEffect {
 public:
  RippleEffect();

  CommonSettings commonSettings;

  const EffectDescription& description() const override { return description_; }
  CommonSettings& common() override { return commonSettings; }
  const SettingsEntry* settingsTable(size_t* count) override;
  // No source: "Memory error". Otherwise seeds the random source by RandomType and runs
  // the simulation.
  int renderFrames(BuildContext& build, FrameList* frames) override;

 private:
  EffectDescription description_;
  SettingsEntry table_[15];
  RandomSource random_;
};
