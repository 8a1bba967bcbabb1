#include "tests/support/test_effect.h"

#include "framework/main_dialog.h"
#include "framework/messages.h"

TestEffect::TestEffect()
    : description_{"Test Effect", "Test Effect - a plug-in for tests", "TESTTOPIC", "FWPLGTST.INI",
                   "1,100,10", "1,1000,10",
                   AboutInfo{"Test Effect Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                   7005,
                   CommonControlIds{}},
      table_{
          {"AddDescriptiveCommentBlock", &commonSettings.addComment, SettingKind::Number, false},
          {"DitherBrightness", &commonSettings.ditherBrightness, SettingKind::Number, false},
          {"DitherContrast", &commonSettings.ditherContrast, SettingKind::Number, false},
          {"FastRemap", &commonSettings.fastRemap, SettingKind::Number, false},
          {"FileNamePath", fileNamePath, SettingKind::Text, false},
          {"MainCustompalette", &commonSettings.mainCustomPalette, SettingKind::Number, false},
          {"MainDelay", &commonSettings.mainDelay, SettingKind::Number, false},
          {"MainDither", &commonSettings.mainDither, SettingKind::Number, false},
          {"MainFlat", &flat, SettingKind::Number, false},
          {"MainFrames", &frames, SettingKind::Number, false},
          {"MainOffset", &patternOffset, SettingKind::Number, false},
          {"MainPalette", &commonSettings.mainPalette, SettingKind::Number, false},
          {"PatchLevel", &commonSettings.patchLevel, SettingKind::Number, true},
          {"Supercompress", &commonSettings.supercompress, SettingKind::Number, false},
          {"Truecolour", &commonSettings.trueColour, SettingKind::Number, false},
          {"VersionNumber", &commonSettings.versionNumber, SettingKind::Number, true},
      } {
  description_.ids.paste = kTestPasteButton;
}

const SettingsEntry* TestEffect::settingsTable(size_t* count) {
  *count = sizeof table_ / sizeof table_[0];
  return table_;
}

const int* TestEffect::numericFields(size_t* count) const {
  static const int kFields[] = {kTestFramesField};
  *count = 1;
  return kFields;
}

void TestEffect::settingsToControls(Dialog& dialog) {
  dialog.setItemText(kTestFramesField, std::to_string(frames));
  dialog.setChecked(kTestFlatRadio, flat == 1);
  dialog.setChecked(kTestGradientRadio, flat != 1);
}

void TestEffect::updateButtons(Dialog& dialog) {
  dialog.enable(kIdOk, true);
  dialog.enable(description_.ids.test, true);
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
