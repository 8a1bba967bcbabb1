// The Lake plug-in: one picture above its own reflection in rippling water, as a loop.
#pragma once

#include <cstdint>

#include "framework/single_picture_dialog.h"

// Controls of the Lake dialog besides those of the single-picture dialog.
enum LakeControl {
  kLakeFrameCount = 104,      // "Number of frames:", up-down 10104 "6,32,12"
  kLakeReflectionOnly = 119,  // "&Only show reflection"
  kLakeComment = 118,         // "Add comme&nt"
};

struct LakeSettings {
  int32_t justReflection = 0;  // JustReflection
  int32_t numberOfFrames = 12;  // NumberOfFrames, as typed
};

class LakeEffect : public SinglePictureEffect {
 public:
  LakeEffect();

  CommonSettings commonSettings;
  LakeSettings settings;

  const EffectDescription& description() const override { return description_; }
  CommonSettings& common() override { return commonSettings; }
  const SettingsEntry* settingsTable(size_t* count) override;
  int renderFrames(BuildContext& build, FrameList* frames) override;
  int finishFrames(BuildContext& build, FrameList* frames) override;

 protected:
  void ownSettingsToControls(Dialog& dialog) override;
  void ownControlsToSettings(Dialog& dialog) override;

 private:
  EffectDescription description_;
  SettingsEntry table_[15];
};
