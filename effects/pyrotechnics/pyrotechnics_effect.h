// The Pyrotechnics plug-in: fireworks over a plain background, drawn from its settings
// alone (it has no source pictures).
#pragma once

#include <cstdint>
#include <string>

#include "effects/pyrotechnics/fireworks.h"
#include "framework/effect.h"

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
};

// The stored value of a random rocket colour: 2^31.
constexpr int32_t kRandomRocketColour = static_cast<int32_t>(kRandomColourFlag);

struct PyrotechnicsSettings {
  int32_t width = 128;     // MainWidth
  int32_t depth = 128;     // MainDepth: the animation's height
  int32_t rockets = 5;     // MainRockets
  int32_t explosion = 850;
  int32_t gravity = 400;
  int32_t energy = 80;
  int32_t mattColour = 0;  // MainMattcolour: the background, black
  int32_t randomType = 0;  // 1: seed from the clock; otherwise from randomValue
  int32_t randomValue = 8634;
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

  CommonSettings commonSettings;
  PyrotechnicsSettings settings;

  const EffectDescription& description() const override { return description_; }
  CommonSettings& common() override { return commonSettings; }
  const SettingsEntry* settingsTable(size_t* count) override;
  const int* numericFields(size_t* count) const override;
  void settingsToControls(Dialog& dialog) override;
  void finishInit(Dialog& dialog) override;
  void updateButtons(Dialog& dialog) override {}
  void controlsToSettings(Dialog& dialog) override;
  bool onCommand(Dialog& dialog, const Host& host, int id, int notification) override;
  int renderFrames(BuildContext& build, FrameList* frames) override;
  void adjustOptimisedPalette(BuildContext& build, RgbPalette* palette, int colours) override;

  // The scene a build renders from the settings (the rocket count held to 1 to 32).
  FireworksScene makeScene(void* window, FrameList* frames, RandomSource* random) const;

 private:
  void fillRocketList(Dialog& dialog);
  void chooseRocketColour(Dialog& dialog, const Host& host);
  void chooseBackground(Dialog& dialog, const Host& host);
  void showBackground(Dialog& dialog);

  EffectDescription description_;
  char rocketKeys_[kMostRockets][16];
  SettingsEntry table_[21 + kMostRockets];
};
