#include "framework/main_dialog.h"

#include <cstdio>

#include "framework/build_driver.h"
#include "framework/messages.h"
#include "framework/palette.h"

UpDownTemplate ParseUpDownTemplate(const std::string& text) {
  UpDownTemplate t;
  t.fieldsRead = std::sscanf(text.c_str(), "%d,%d,%d", &t.minimum, &t.maximum, &t.initial);
  if (t.fieldsRead < 0) t.fieldsRead = 0;
  return t;
}

std::string UpDownText(const UpDownRange& range) {
  char text[40];
  std::snprintf(text, sizeof text, "%d,%d,%d", range.minimum, range.maximum, range.start);
  return text;
}

uint32_t ReadFieldNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  uint64_t value = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > UINT32_MAX) return 0;  // does not fit: not a number
  }
  return digits ? static_cast<uint32_t>(value) : 0;
}

int32_t ReadClampedField(Dialog& dialog, int fieldId) {
  UpDownTemplate range = ParseUpDownTemplate(dialog.itemText(fieldId + kUpDownOffset));
  int64_t minimum = range.fieldsRead >= 1 ? range.minimum : 0;
  int64_t maximum = range.fieldsRead >= 2 ? range.maximum : 100;
  int64_t value = ReadFieldNumber(dialog.itemText(fieldId));
  if (value > maximum) value = maximum;
  if (value < minimum) value = minimum;
  return static_cast<int32_t>(value);
}

std::string ColourText(int32_t colour) {
  char text[40];
  std::snprintf(text, sizeof text, "%d,%d,%d", PackedRed(colour), PackedGreen(colour), PackedBlue(colour));
  return text;
}

void MainDialog::onInit(Dialog& dialog) {
  const EffectDescription& info = effect_.description();
  const EffectManifest& manifest = info.manifest;
  const CommonControlIds& ids = manifest.ids;
  CommonSettings& settings = effect_.common();
  size_t tableSize = 0;
  const SettingsEntry* table = effect_.settingsTable(&tableSize);
  LoadSettings(info.settingsFile, table, tableSize);
  started_ = true;

  if (!host_.canTrueColour()) dialog.enable(ids.trueColour, false);
  if (!host_.valid()) {
    ShowMessage(dialog, kInternalError);
    dialog.destroy();
    return;
  }
  dialog.setItemText(ids.delay + kUpDownOffset,
                     UpDownText(host_.canOptimise() ? manifest.delay.optimised : manifest.delay.plain));
  if (!host_.canTrueColour()) settings.trueColour = 0;
  if (!host_.canOptimise()) {
    settings.supercompress = 0;
    dialog.enable(ids.supercompress, false);
  }
  effect_.initControls(dialog);
  settingsToControls(dialog);
  effect_.restoreSources(dialog, host_);
  dialog.setFocus(kIdOk);
  if (ids.paste) dialog.enable(ids.paste, dialog.clipboardHasPicture());
  // Runs after the start-up: the palette list is usable exactly when custom palette is off.
  dialog.postCommand(ids.customPalette, kButtonClicked);
  effect_.finishInit(dialog);
  dialog.startLogo(ids.logo);
  dialog.setTitle(manifest.title);
  effect_.updateButtons(dialog);
  dialog.centre();
}

void MainDialog::settingsToControls(Dialog& dialog) {
  const CommonControlIds& ids = effect_.manifest().ids;
  const CommonSettings& settings = effect_.common();
  size_t fieldCount = 0;
  const int* fields = effect_.numericFields(&fieldCount);
  for (size_t i = 0; i <= fieldCount; ++i) {
    int upDown = (i == fieldCount ? ids.delay : fields[i]) + kUpDownOffset;
    UpDownTemplate t = ParseUpDownTemplate(dialog.itemText(upDown));
    if (t.fieldsRead >= 2) dialog.setUpDownRange(upDown, t.minimum, t.maximum);
    if (t.fieldsRead >= 3) dialog.setUpDownPosition(upDown, t.initial);
  }
  for (int kind = 0; kind < kPaletteKindCount; ++kind) dialog.comboAdd(ids.palette, PaletteKindName(kind));
  dialog.setComboSelection(ids.palette, settings.mainPalette);
  dialog.setItemText(ids.delay, std::to_string(static_cast<uint32_t>(settings.mainDelay)));
  dialog.setChecked(ids.dither, settings.mainDither != 0);
  dialog.setChecked(ids.customPalette, settings.mainCustomPalette != 0);
  dialog.setChecked(ids.trueColour, settings.trueColour != 0);
  dialog.setChecked(ids.supercompress, settings.supercompress != 0);
  dialog.setChecked(ids.comment, settings.addComment != 0);
  effect_.settingsToControls(dialog);
}

void MainDialog::controlsToSettings(Dialog& dialog) {
  const CommonControlIds& ids = effect_.manifest().ids;
  CommonSettings& settings = effect_.common();
  settings.mainDelay = ReadClampedField(dialog, ids.delay);
  effect_.controlsToSettings(dialog);
  settings.mainDither = dialog.isChecked(ids.dither);
  settings.mainCustomPalette = dialog.isChecked(ids.customPalette);
  settings.trueColour = dialog.isChecked(ids.trueColour);
  settings.supercompress = dialog.isChecked(ids.supercompress);
  settings.addComment = dialog.isChecked(ids.comment);
  int selection = dialog.comboSelection(ids.palette);
  settings.mainPalette = selection < 0 ? 0 : selection;
}

void MainDialog::build(Dialog& dialog, bool test) {
  dialog.pauseLogo();
  controlsToSettings(dialog);
  RunBuild(dialog, host_, test, effect_);
  dialog.resumeLogo();
}

void MainDialog::onCommand(Dialog& dialog, int id, int notification) {
  const EffectDescription& info = effect_.description();
  const CommonControlIds& ids = info.manifest.ids;
  if (id == kIdOk) {
    build(dialog, false);
    dialog.end(1);
  } else if (id == ids.test) {
    build(dialog, true);
    dialog.repaint(0);
  } else if (id == kIdCancel) {
    dialog.end(0);
  } else if (id == kIdHelp) {
    ShowHelp(dialog, info.helpTopic);
  } else if (id == ids.about) {
    dialog.showAbout(info.about);
  } else if (id == ids.palette) {
    if (notification == kComboCloseUp) {
      int selection = dialog.comboSelection(ids.palette);
      effect_.common().mainPalette = selection < 0 ? 0 : selection;
    }
  } else if (id == ids.customPalette) {
    dialog.enable(ids.palette, !dialog.isChecked(ids.customPalette));
  } else {
    effect_.onCommand(dialog, host_, id, notification);
  }
}

void MainDialog::onListDrag(Dialog& dialog, int listId, int from, int to) {
  effect_.onListDrag(dialog, listId, from, to);
}

void MainDialog::onDestroy(Dialog& dialog) {
  dialog.stopLogo();
  if (started_) {
    size_t tableSize = 0;
    const SettingsEntry* table = effect_.settingsTable(&tableSize);
    SaveSettings(effect_.description().settingsFile, table, tableSize);
  }
  effect_.releaseSources(dialog);
}
