#include "effects/pyrotechnics/pyrotechnics_effect.h"

#include <cstdio>
#include <ctime>

#include "framework/colour_search.h"
#include "framework/main_dialog.h"

// The rocket list holds one item per rocket the Rockets field allows.
static_assert(FindOption(kPyrotechnicsOptions, "rocket").maximum == kMostRockets &&
              FindOption(kPyrotechnicsOptions, "rockets").maximum == kMostRockets);

namespace {

int32_t FieldValue(Dialog& dialog, int id) { return static_cast<int32_t>(ReadFieldNumber(dialog.itemText(id))); }

}  // namespace

RocketItemLook DescribeRocketItem(int index, int32_t colour) {
  char label[32];
  std::snprintf(label, sizeof label, "Rocket %d", index + 1);
  bool random = (static_cast<uint32_t>(colour) & kRandomColourFlag) != 0;
  return RocketItemLook{label, random, colour};
}

uint32_t FireworksSeed(int32_t randomType, int32_t randomValue, int64_t now) {
  if (randomType == 1) return static_cast<uint32_t>(now);
  uint32_t value = static_cast<uint32_t>(randomValue);
  return (value << 16) | value;
}

PyrotechnicsEffect::PyrotechnicsEffect()
    : Effect(EffectDescription{kPyrotechnicsManifest, "Pyrotechnics - Kestrel #1 plug-in set by Varnel Quillon",
                               "PYROTECHNICS", "FWPLGPYR.INI",
                               AboutInfo{"Pyrotechnics Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3}, 7003}) {
  for (int i = 0; i < kMostRockets; ++i)
    std::snprintf(rocketKeys_[i], sizeof rocketKeys_[i], "RocketColor%02d", i);
}

void PyrotechnicsEffect::addSettings(SettingsTable& table) {
  table.add("MainDepth", &settings.depth);
  table.add("MainEnergy", &settings.energy);
  table.add("MainExplosion", &settings.explosion);
  table.add("MainGravity", &settings.gravity);
  table.add("MainMattcolour", &settings.mattColour);
  table.add("MainRockets", &settings.rockets);
  table.add("MainWidth", &settings.width);
  table.add("RandomType", &settings.randomType);
  table.add("RandomValue", &settings.randomValue);
  for (int i = 0; i < kMostRockets; ++i) table.add(rocketKeys_[i], &settings.rocketColours[i]);
}

void PyrotechnicsEffect::settingsToControls(Dialog& dialog) {
  dialog.setItemText(kPyroWidth, std::to_string(settings.width));
  dialog.setItemText(kPyroDepth, std::to_string(settings.depth));
  dialog.setItemText(kPyroRockets, std::to_string(settings.rockets));
  dialog.setItemText(kPyroSeed, std::to_string(settings.randomValue));
  dialog.setItemText(kPyroEnergy, std::to_string(settings.energy));
  dialog.setItemText(kPyroExplosion, std::to_string(settings.explosion));
  dialog.setItemText(kPyroGravity, std::to_string(settings.gravity));
  dialog.setChecked(kPyroRandomSeed, settings.randomType == 1);
  dialog.setChecked(kPyroUseSeed, settings.randomType != 1);
}

void PyrotechnicsEffect::finishInit(Dialog& dialog) {
  showBackground(dialog);
  fillRocketList(dialog);
}

void PyrotechnicsEffect::showBackground(Dialog& dialog) {
  dialog.setItemText(kPyroBackground, ColourText(settings.mattColour));
  dialog.repaint(kPyroBackground);
}

// One empty item per rocket: the Rockets field's value held to its range (1 to 32).
void PyrotechnicsEffect::fillRocketList(Dialog& dialog) {
  while (dialog.listCount(kPyroRocketList) > 0) dialog.listDelete(kPyroRocketList, 0);
  int count = ReadClampedField(dialog, kPyroRockets);
  for (int i = 0; i < count; ++i) dialog.listInsert(kPyroRocketList, -1, "", 0);
}

void PyrotechnicsEffect::controlsToSettings(Dialog& dialog) {
  // As typed, without clamping: the build holds what it must to its limits.
  settings.width = FieldValue(dialog, kPyroWidth);
  settings.depth = FieldValue(dialog, kPyroDepth);
  settings.rockets = FieldValue(dialog, kPyroRockets);
  settings.randomValue = FieldValue(dialog, kPyroSeed);
  settings.explosion = FieldValue(dialog, kPyroExplosion);
  settings.gravity = FieldValue(dialog, kPyroGravity);
  settings.energy = FieldValue(dialog, kPyroEnergy);
  settings.randomType = dialog.isChecked(kPyroRandomSeed) ? 1 : 0;
}

bool PyrotechnicsEffect::onCommand(Dialog& dialog, const Host& host, int id, int notification) {
  switch (id) {
    case kPyroRockets:
      // Typing and the up-down's arrows both change the field's text.
      if (notification == kEditChange) fillRocketList(dialog);
      return true;
    case kPyroRocketList:
      if (notification == kListDoubleClick) chooseRocketColour(dialog, host);
      return true;
    case kPyroBackground:
      if (notification == kButtonClicked) chooseBackground(dialog, host);
      return true;
    default:
      return false;
  }
}

void PyrotechnicsEffect::chooseRocketColour(Dialog& dialog, const Host& host) {
  int index = dialog.listSelection(kPyroRocketList);
  if (index < 0 || index >= kMostRockets) return;
  int32_t& colour = settings.rocketColours[index];
  if (dialog.shiftDown()) {
    colour = kRandomRocketColour;
  } else {
    // A random rocket offers white to start from.
    bool random = (static_cast<uint32_t>(colour) & kRandomColourFlag) != 0;
    int32_t chosen = random ? PackColour(255, 255, 255) : colour;
    if (host.chooseColour(dialog.window(), &chosen, 0)) colour = chosen;
  }
  dialog.repaint(kPyroRocketList);
}

void PyrotechnicsEffect::chooseBackground(Dialog& dialog, const Host& host) {
  int32_t colour = settings.mattColour;
  if (!host.chooseColour(dialog.window(), &colour, settings.mattColour)) return;
  settings.mattColour = colour;
  showBackground(dialog);
}

FireworksScene PyrotechnicsEffect::makeScene(void* window, FrameList* frames, RandomSource* random) const {
  FireworksScene scene;
  scene.window = window;
  scene.frames = frames;
  scene.random = random;
  scene.width = settings.width;
  scene.height = settings.depth;
  scene.delay = commonSettings.mainDelay;
  // A count from a settings file may lie outside the 32-entry tables.
  scene.rockets = settings.rockets < 1 ? 1 : settings.rockets > kMostRockets ? kMostRockets : settings.rockets;
  scene.background = settings.mattColour;
  for (int i = 0; i < kMostRockets; ++i) scene.rocketColours[i] = settings.rocketColours[i];
  scene.explosion = settings.explosion;
  scene.gravity = settings.gravity;
  scene.energy = settings.energy;
  return scene;
}

int PyrotechnicsEffect::renderFrames(BuildContext& build, FrameList* frames) {
  RandomSource random;
  random.SeedRandom(FireworksSeed(settings.randomType, settings.randomValue, static_cast<int64_t>(std::time(nullptr))));
  FireworksScene scene = makeScene(build.dialog.window(), frames, &random);
  scene.threads = build.threads;
  return RenderFireworks(scene);
}

// The background is reproduced exactly: the palette entry nearest to it becomes it.
void PyrotechnicsEffect::adjustOptimisedPalette(BuildContext& build, RgbPalette* palette, int colours) {
  int index = NearestPaletteIndex(PackedRed(settings.mattColour), PackedGreen(settings.mattColour),
                                  PackedBlue(settings.mattColour), palette, colours);
  if (index >= 0 && index < colours) palette->entries[index] = UnpackColour(settings.mattColour);
}
