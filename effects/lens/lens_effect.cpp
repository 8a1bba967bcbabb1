#include "effects/lens/lens_effect.h"

#include "effects/lens/lens_render.h"
#include "framework/frame_memory.h"

namespace {

SinglePictureOptions LensOptions(LensSettings& settings) {
  SinglePictureOptions options;
  options.sizeCheck = kLensManifest.smallestPictureSide > 0;
  options.fields = {{kLensDiameter, &settings.diameter}, {kLensSteps, &settings.steps}};
  return options;
}

}  // namespace

LensEffect::LensEffect()
    : SinglePictureEffect(EffectDescription{kLensManifest, "Lens - Kestrel #1 plug-in set by Varnel Quillon", "LENS",
                                            "FWPLGLNS.INI",
                                            AboutInfo{"Lens Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                                            7004},
                          LensOptions(settings)) {}

void LensEffect::addOwnSettings(SettingsTable& table) {
  // The file has always listed these two out of alphabetical order.
  table.add("MainDiameter", &settings.diameter, "MainDelay");
  table.add("MainSteps", &settings.steps, "MainPalette");
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
