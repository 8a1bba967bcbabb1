// The Lens plug-in: a magnifying lens travels a figure-of-eight path over one picture.
#pragma once

#include <cstdint>

#include "effects/lens/lens_manifest.h"
#include "framework/single_picture_dialog.h"

struct LensSettings {
  int32_t diameter = kLensBuiltInDiameter;  // MainDiameter, as typed
  int32_t steps = kLensBuiltInSteps;        // MainSteps, as typed
};

class LensEffect : public SinglePictureEffect {
 public:
  LensEffect();

  LensSettings settings;

  int renderFrames(BuildContext& build, FrameList* frames) override;

 protected:
  void addOwnSettings(SettingsTable& table) override;
};
