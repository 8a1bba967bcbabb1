// The Pyrotechnics plug-in: fireworks over a plain background, drawn from its settings
// alone (it has no source pictures).
#pragma once

#include <cstdint>
#include <string>

#include "effects/pyrotechnics/fireworks.h"
#include "effects/pyrotechnics/pyrotechnics_manifest.h"
#include "framework/effect.h"

// The stored value of a random rocket colour: 2^31.
constexpr int32_t kRandomRocketColour = static_cast<int32_t>(kRandomColourFlag);

struct PyrotechnicsSettings {
  int32_t width = kPyroBuiltInWidth;      // MainWidth
  int32_t depth = kPyroBuiltInHeight;     // MainDepth: the animation's height
  int32_t rockets = kPyroBuiltInRockets;  // MainRockets
  int32_t explosion = kPyroBuiltInExplosion;
  int32_t gravity = kPyroBuiltInGravity;
  int32_t energy = kPyroBuiltInEnergy;
  int32_t mattColour = kPyroBuiltInBackground;  // MainMattcolour: the background
  int32_t randomType = 0;  // 1: seed from the clock; otherwise from randomValue
  int32_t randomValue = kPyroBuiltInSeed;
  int32_t rocketColours[kMostRockets];  // RocketColor00 ... RocketColor31

  PyrotechnicsSettings() {
    for (int32_t& colour : rocketColours) colour = kRandomRocketColour;
  }
};

// How an item of the rocket list is drawn: "Rocket %d", then the word "RANDOM" for a
// random colour or a swatch of the colour.
struct RocketItemLook {
  std::string label;
  bool random;
  int32_t colour;  // the swatch, when not random
};
RocketItemLook DescribeRocketItem(int index, int32_t colour);
constexpr const char* kRandomRocketWord = "RANDOM";

// The seed of a build: the clock's whole seconds, or (seed << 16) | seed in 32 bits.
uint32_t FireworksSeed(int32_t randomType, int32_t randomValue, int64_t now);

class PyrotechnicsEffect : public Effect {
 public:
  PyrotechnicsEffect();

  PyrotechnicsSettings settings;

  void settingsToControls(Dialog& dialog) override;
  void finishInit(Dialog& dialog) override;
  void updateButtons(Dialog& dialog) override {}
  void controlsToSettings(Dialog& dialog) override;
  bool onCommand(Dialog& dialog, const Host& host, int id, int notification) override;
  int renderFrames(BuildContext& build, FrameList* frames) override;
  void adjustOptimisedPalette(BuildContext& build, RgbPalette* palette, int colours) override;

  // The scene a build renders from the settings (the rocket count held to 1 to 32).
  FireworksScene makeScene(void* window, FrameList* frames, RandomSource* random) const;

 protected:
  void addSettings(SettingsTable& table) override;

 private:
  void fillRocketList(Dialog& dialog);
  void chooseRocketColour(Dialog& dialog, const Host& host);
  void chooseBackground(Dialog& dialog, const Host& host);
  void showBackground(Dialog& dialog);

  char rocketKeys_[kMostRockets][16];
};
