#include "effects/lake/lake_effect.h"

#include "effects/lake/lake_render.h"
#include "framework/frame_memory.h"

namespace {

SinglePictureOptions LakeOptions(LakeSettings& settings) {
  SinglePictureOptions options;
  options.sizeCheck = kLakeManifest.smallestPictureSide > 0;  // any picture makes a reflection
  options.fields = {{kLakeFrameCount, &settings.numberOfFrames}};
  return options;
}

void ReportProgress(void* context, int32_t done, int32_t total) {
  static_cast<const Host*>(context)->progress(done, total);
}

}  // namespace

LakeEffect::LakeEffect()
    : SinglePictureEffect(EffectDescription{kLakeManifest, "Lake - Kestrel #1 plug-in set by Varnel Quillon", "LAKE",
                                            "FWPLGLAK.INI",
                                            AboutInfo{"Lake Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                                            7002},
                          LakeOptions(settings)) {}

void LakeEffect::addOwnSettings(SettingsTable& table) {
  table.add("JustReflection", &settings.justReflection);
  table.add("NumberOfFrames", &settings.numberOfFrames);
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
