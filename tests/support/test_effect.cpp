#include "tests/support/test_effect.h"

#include "framework/main_dialog.h"
#include "framework/messages.h"

TestEffect::TestEffect()
    : Effect(EffectDescription{kTestManifest, "Test Effect - a plug-in for tests", "TESTTOPIC", "FWPLGTST.INI",
                               AboutInfo{"Test Effect Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3}, 7005}) {}

void TestEffect::addSettings(SettingsTable& table) {
  table.add("FileNamePath", fileNamePath);
  table.add("MainFlat", &flat);
  table.add("MainFrames", &frames);
  table.add("MainOffset", &patternOffset);
}

void TestEffect::settingsToControls(Dialog& dialog) {
  dialog.setItemText(kTestFramesField, std::to_string(frames));
  dialog.setChecked(kTestFlatRadio, flat == 1);
  dialog.setChecked(kTestGradientRadio, flat != 1);
}

void TestEffect::updateButtons(Dialog& dialog) {
  dialog.enable(kIdOk, true);
  dialog.enable(manifest().ids.test, true);
}

void TestEffect::controlsToSettings(Dialog& dialog) {
  frames = ReadClampedField(dialog, kTestFramesField);
  flat = dialog.isChecked(kTestFlatRadio) ? 1 : 0;
}

int TestEffect::prepareSources(BuildContext& build) {
  if (!failPreparation) return 1;
  ShowMessage(build.dialog, kMsgMemoryError);
  return 0;
}

int TestEffect::renderFrames(BuildContext& build, FrameList* list) {
  if (failRendering) return 0;
  for (int32_t i = 0; i < frames; ++i) {
    build.host.progress(i, frames);
    DibImage image = frameMaker ? frameMaker(i) : CreateDibImage(width, height, nullptr, 24);
    if (!image) return 0;
    if (!frameMaker) {
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
          int32_t colour = flat == 1 ? PackColour(200, 40 * i, 90)
                                     : PackColour((x * 16 + i * 8 + patternOffset) & 0xFF, y * 20, (x + y) * 7);
          SetDibPixel(image, x, y, colour);
        }
    }
    if (!AppendFrame(list, image, build.settings.mainDelay)) {
      FreeDibImage(image);
      return 0;
    }
  }
  return 1;
}
