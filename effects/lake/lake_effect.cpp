#include "effects/lake/lake_effect.h"

#include "effects/lake/lake_render.h"
#include "framework/frame_memory.h"

namespace {

SinglePictureOptions LakeOptions(LakeSettings& settings) {
  SinglePictureOptions options;
  options.sizeCheck = false;  // any picture makes a reflection
  options.fields = {{kLakeFrameCount, &settings.numberOfFrames}};
  return options;
}

void ReportProgress(void* context, int32_t done, int32_t total) {
  static_cast<const Host*>(context)->progress(done, total);
}

}  // namespace

LakeEffect::LakeEffect()
    : SinglePictureEffect(LakeOptions(settings)),
      description_{"Lake",
                   "Lake - Kestrel #1 plug-in set by Varnel Quillon",
                   "LAKE",
                   "FWPLGLAK.INI",
                   "1,25,8",
                   "1,250,80",
                   AboutInfo{"Lake Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                   7002,
                   CommonControlIds{}},
      table_{
          {"AddDescriptiveCommentBlock", &commonSettings.addComment, SettingKind::Number, false},
          {"DitherBrightness", &commonSettings.ditherBrightness, SettingKind::Number, false},
          {"DitherContrast", &commonSettings.ditherContrast, SettingKind::Number, false},
          {"FastRemap", &commonSettings.fastRemap, SettingKind::Number, false},
          {"FileNamePath", picture.fileNamePath, SettingKind::Text, false},
          {"JustReflection", &settings.justReflection, SettingKind::Number, false},
          {"MainCustompalette", &commonSettings.mainCustomPalette, SettingKind::Number, false},
          {"MainDelay", &commonSettings.mainDelay, SettingKind::Number, false},
          {"MainDither", &commonSettings.mainDither, SettingKind::Number, false},
          {"MainPalette", &commonSettings.mainPalette, SettingKind::Number, false},
          {"NumberOfFrames", &settings.numberOfFrames, SettingKind::Number, false},
          {"PatchLevel", &commonSettings.patchLevel, SettingKind::Number, true},
          {"Supercompress", &commonSettings.supercompress, SettingKind::Number, false},
          {"Truecolour", &commonSettings.trueColour, SettingKind::Number, false},
          {"VersionNumber", &commonSettings.versionNumber, SettingKind::Number, true},
      } {
  commonSettings.mainDelay = 8;
  description_.ids.comment = kLakeComment;
  description_.ids.paste = kPicturePaste;
}

const SettingsEntry* LakeEffect::settingsTable(size_t* count) {
  *count = sizeof table_ / sizeof table_[0];
  return table_;
}

void LakeEffect::ownSettingsToControls(Dialog& dialog) {
  dialog.setChecked(kLakeReflectionOnly, settings.justReflection == 1);
}

void LakeEffect::ownControlsToSettings(Dialog& dialog) {
  settings.justReflection = dialog.isChecked(kLakeReflectionOnly) ? 1 : 0;
}

int LakeEffect::renderFrames(BuildContext& build, FrameList* frames) {
  int32_t width = 0, height = 0;
  if (!source() || !GetDibImageInfo(source(), &width, &height, nullptr, nullptr)) return 0;
  const int32_t count = settings.numberOfFrames;
  // A count typed far past the up-down's range must not exhaust the machine: the whole
  // animation, at its final height, has to fit before the first frame is made.
  if (count > 0) {
    const bool composed = settings.justReflection != 1;
    if (composed && height > INT32_MAX / 2) return 0;
    if (!FramesFitInMemory(static_cast<uint64_t>(count), width, composed ? 2 * height : height)) return 0;
  }
  return RenderLake(source(), count, build.settings.mainDelay, frames, build.threads);
}

int LakeEffect::finishFrames(BuildContext& build, FrameList* frames) {
  if (settings.justReflection == 1) return 1;
  build.host.setStatus("Composing");
  int composed = ComposeLakeFrames(source(), frames, &ReportProgress, const_cast<Host*>(&build.host), build.threads);
  build.host.endProgress();
  return composed;
}
