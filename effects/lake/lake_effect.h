// The Lake plug-in: one picture above its own reflection in rippling water, as a loop.
#pragma once

#include <cstdint>

#include "effects/lake/lake_manifest.h"
#include "framework/single_picture_dialog.h"

struct LakeSettings {
  int32_t justReflection = 0;  // JustReflection
  int32_t numberOfFrames = kLakeBuiltInFrames;  // NumberOfFrames, as typed
};

class LakeEffect : public SinglePictureEffect {
 public:
  LakeEffect();

  LakeSettings settings;

  int renderFrames(BuildContext& build, FrameList* frames) override;
  int finishFrames(BuildContext& build, FrameList* frames) override;

 protected:
  void ownSettingsToControls(Dialog& dialog) override;
  void ownControlsToSettings(Dialog& dialog) override;
  void addOwnSettings(SettingsTable& table) override;
};
