#include "effects/ripple/ripple_effect.h"

#include <ctime>

#include "effects/ripple/ripple_simulation.h"

namespace {

SinglePictureOptions RippleDialogOptions() {
  SinglePictureOptions options;
  options.sizeCheck = true;
  options.randomSource = true;
  return options;
}

}  // namespace

RippleEffect::RippleEffect()
    : SinglePictureEffect(RippleDialogOptions()),
      description_{"Ripple",
                   "Ripple - Kestrel #1 plug-in set by Varnel Quillon",
                   "RIPPLE",
                   "FWPLGRIP.INI",
                   "1,100,10",
                   "1,1000,10",
                   AboutInfo{"Ripple Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                   7001,
                   CommonControlIds{}},
      table_{
          {"AddDescriptiveCommentBlock", &commonSettings.addComment, SettingKind::Number, false},
          {"DitherBrightness", &commonSettings.ditherBrightness, SettingKind::Number, false},
          {"DitherContrast", &commonSettings.ditherContrast, SettingKind::Number, false},
          {"FastRemap", &commonSettings.fastRemap, SettingKind::Number, false},
          {"FileNamePath", picture.fileNamePath, SettingKind::Text, false},
          {"MainCustompalette", &commonSettings.mainCustomPalette, SettingKind::Number, false},
          {"MainDelay", &commonSettings.mainDelay, SettingKind::Number, false},
          {"MainDither", &commonSettings.mainDither, SettingKind::Number, false},
          {"MainPalette", &commonSettings.mainPalette, SettingKind::Number, false},
          {"PatchLevel", &commonSettings.patchLevel, SettingKind::Number, true},
          {"RandomType", &picture.randomType, SettingKind::Number, false},
          {"RandomValue", &picture.randomValue, SettingKind::Number, false},
          {"Supercompress", &commonSettings.supercompress, SettingKind::Number, false},
          {"Truecolour", &commonSettings.trueColour, SettingKind::Number, false},
          {"VersionNumber", &commonSettings.versionNumber, SettingKind::Number, true},
      } {
  description_.ids.paste = kPicturePaste;
  commonSettings.mainDelay = 5;
}

const SettingsEntry* RippleEffect::settingsTable(size_t* count) {
  *count = sizeof table_ / sizeof table_[0];
  return table_;
}

int RippleEffect::renderFrames(BuildContext& build, FrameList* frames) {
  if (!source()) return 0;
  // Every build starts afresh: the seed decides the whole animation.
  random_.SeedRandom(RippleSeed(picture.randomType, picture.randomValue, source(),
                                static_cast<uint32_t>(std::time(nullptr))));
  return RunRipple(source(), &random_, build.settings.mainDelay, frames, kRippleFrameCap, build.threads);
}
