#include "effects/lens/lens_effect.h"

#include "effects/lens/lens_render.h"
#include "framework/frame_memory.h"

namespace {

SinglePictureOptions LensOptions(LensSettings& settings) {
  SinglePictureOptions options;
  options.fields = {{kLensDiameter, &settings.diameter}, {kLensSteps, &settings.steps}};
  return options;
}

}  // namespace

LensEffect::LensEffect()
    : SinglePictureEffect(LensOptions(settings)),
      description_{"Lens",
                   "Lens - Kestrel #1 plug-in set by Varnel Quillon",
                   "LENS",
                   "FWPLGLNS.INI",
                   "1,100,10",
                   "1,1000,10",
                   AboutInfo{"Lens Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                   7004,
                   CommonControlIds{}},
      // The keys in the order the file has always listed them (not quite alphabetical).
      table_{
          {"AddDescriptiveCommentBlock", &commonSettings.addComment, SettingKind::Number, false},
          {"DitherBrightness", &commonSettings.ditherBrightness, SettingKind::Number, false},
          {"DitherContrast", &commonSettings.ditherContrast, SettingKind::Number, false},
          {"FastRemap", &commonSettings.fastRemap, SettingKind::Number, false},
          {"FileNamePath", picture.fileNamePath, SettingKind::Text, false},
          {"MainCustompalette", &commonSettings.mainCustomPalette, SettingKind::Number, false},
          {"MainDiameter", &settings.diameter, SettingKind::Number, false},
          {"MainDelay", &commonSettings.mainDelay, SettingKind::Number, false},
          {"MainDither", &commonSettings.mainDither, SettingKind::Number, false},
          {"MainSteps", &settings.steps, SettingKind::Number, false},
          {"MainPalette", &commonSettings.mainPalette, SettingKind::Number, false},
          {"PatchLevel", &commonSettings.patchLevel, SettingKind::Number, true},
          {"Supercompress", &commonSettings.supercompress, SettingKind::Number, false},
          {"Truecolour", &commonSettings.trueColour, SettingKind::Number, false},
          {"VersionNumber", &commonSettings.versionNumber, SettingKind::Number, true},
      } {
  commonSettings.mainDelay = 5;
  description_.ids.supercompress = kLensSupercompress;
  description_.ids.logo = kLensLogo;
  description_.ids.about = kLensAbout;
  description_.ids.comment = kLensComment;
  description_.ids.paste = kPicturePaste;
}

const SettingsEntry* LensEffect::settingsTable(size_t* count) {
  *count = sizeof table_ / sizeof table_[0];
  return table_;
}

int LensEffect::renderFrames(BuildContext& build, FrameList* frames) {
  int32_t width = 0, height = 0;
  if (!source() || !GetDibImageInfo(source(), &width, &height, nullptr, nullptr)) return 0;
  // Both numbers are kept as typed: any unsigned 32-bit value.
  const uint32_t steps = static_cast<uint32_t>(settings.steps);
  const int32_t diameter = LensDiameter(static_cast<uint32_t>(settings.diameter), width, height);
  // Every frame is held until delivery: a step count typed far past the up-down's range
  // must fail here, before the path or any frame is made.
  const uint64_t pathBytes = static_cast<uint64_t>(steps) * sizeof(LensPoint);
  if (!FramesFitInMemory(steps, width, height, pathBytes)) return 0;
  platform::MemoryHandle path = MakeLensPath(steps, width, height, diameter);
  int rendered = 0;
  {
    platform::BlockLock points(path);
    if (points)
      rendered = RenderLens(
          {source(), static_cast<const LensPoint*>(points.data()), steps, diameter, build.settings.mainDelay, frames,
           build.threads});
  }
  platform::FreeBlock(path);
  return rendered;
}
