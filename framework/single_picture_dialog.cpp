#include "framework/single_picture_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "framework/main_dialog.h"
#include "framework/messages.h"

SinglePictureEffect::SinglePictureEffect(const EffectDescription& description, SinglePictureOptions options)
    : Effect(description), options_(std::move(options)) {
  if (!options_.randomSource) return;
  // The seed starts from the built-in value of the seed field's option.
  const EffectManifest& manifest = description.manifest;
  for (size_t i = 0; i < manifest.optionCount; ++i)
    if (manifest.options[i].id == kRandomSeedField)
      picture.randomValue = static_cast<int32_t>(ReadFieldNumber(manifest.options[i].defaultText));
}

SinglePictureEffect::~SinglePictureEffect() = default;

void SinglePictureEffect::replaceSource(DibImage image) { source_.reset(image); }

bool SinglePictureEffect::acceptsSize(Dialog& dialog, int32_t width, int32_t height) const {
  if (!options_.sizeCheck || (width >= kSmallestPictureSide && height >= kSmallestPictureSide)) return true;
  char text[160];
  std::snprintf(text, sizeof text, kPictureTooSmallFormat, kSmallestPictureSide, kSmallestPictureSide);
  ShowMessage(dialog, text);
  return false;
}

void SinglePictureEffect::addSettings(SettingsTable& table) {
  table.add("FileNamePath", picture.fileNamePath);
  if (options_.randomSource) {
    table.add("RandomType", &picture.randomType);
    table.add("RandomValue", &picture.randomValue);
  }
  addOwnSettings(table);
}

void SinglePictureEffect::settingsToControls(Dialog& dialog) {
  if (options_.randomSource) {
    dialog.setItemText(kRandomSeedField, std::to_string(static_cast<uint32_t>(picture.randomValue)));
    int checked = picture.randomType == kRandomSurveyImage ? kRandomFromPicture
                  : picture.randomType == kRandomClock     ? kRandomFromClock
                                                           : kRandomFromSeed;
    for (int id : {kRandomFromClock, kRandomFromPicture, kRandomFromSeed}) dialog.setChecked(id, id == checked);
  }
  for (const PictureField& field : options_.fields)
    dialog.setItemText(field.id, std::to_string(static_cast<uint32_t>(*field.value)));
  ownSettingsToControls(dialog);
}

void SinglePictureEffect::restoreSources(Dialog& dialog, const Host& host) {
  // The picture of the last Select image comes back without a word when it cannot be
  // read; one too small for the effect is refused as Select image would refuse it.
  if (!picture.fileNamePath[0]) return;
  OwnedDib loaded(host.loadImage(picture.fileNamePath));
  if (loaded) takePicture(dialog, std::move(loaded), false);
}

void SinglePictureEffect::finishInit(Dialog& dialog) { applySeedRule(dialog); }

void SinglePictureEffect::updateButtons(Dialog& dialog) {
  // A build without a picture reports it; the buttons never wait for one.
  dialog.enable(kIdOk, true);
  dialog.enable(manifest().ids.test, true);
}

void SinglePictureEffect::controlsToSettings(Dialog& dialog) {
  if (options_.randomSource) {
    picture.randomValue = static_cast<int32_t>(ReadFieldNumber(dialog.itemText(kRandomSeedField)));
    picture.randomType = dialog.isChecked(kRandomFromClock)     ? kRandomClock
                         : dialog.isChecked(kRandomFromPicture) ? kRandomSurveyImage
                                                                : kRandomUseSeed;
  }
  for (const PictureField& field : options_.fields)
    *field.value = static_cast<int32_t>(ReadFieldNumber(dialog.itemText(field.id)));
  ownControlsToSettings(dialog);
}

bool SinglePictureEffect::onCommand(Dialog& dialog, const Host& host, int id, int notification) {
  if (id == kPictureSelect) {
    selectPicture(dialog, host);
    return true;
  }
  if (id == kPicturePaste) {
    pastePicture(dialog, host);
    return true;
  }
  if (id == kPicturePreview) return true;
  if (options_.randomSource && (id == kRandomFromClock || id == kRandomFromPicture || id == kRandomFromSeed)) {
    applySeedRule(dialog);
    return true;
  }
  return ownCommand(dialog, host, id, notification);
}

void SinglePictureEffect::releaseSources(Dialog& dialog) { replaceSource(nullptr); }

void SinglePictureEffect::applySeedRule(Dialog& dialog) {
  if (!options_.randomSource) return;
  // The clock needs no seed; the typed seed and the picture survey both use it.
  bool seeded = dialog.isChecked(kRandomFromSeed) || dialog.isChecked(kRandomFromPicture);
  dialog.enable(kRandomSeedField, seeded);
  dialog.enable(kRandomSeedField + kUpDownOffset, seeded);
}

bool SinglePictureEffect::takePicture(Dialog& dialog, OwnedDib loaded, bool reportMemory) {
  OwnedDib trueColour(ConvertToTrueColour(loaded.get()));
  loaded.reset();
  int32_t width = 0, height = 0;
  if (!trueColour || !GetDibImageInfo(trueColour.get(), &width, &height, nullptr, nullptr)) {
    if (reportMemory) ShowMessage(dialog, kMsgMemoryError);
    return false;
  }
  if (!acceptsSize(dialog, width, height)) return false;
  source_ = std::move(trueColour);
  dialog.repaint(kPicturePreview);
  return true;
}

void SinglePictureEffect::selectPicture(Dialog& dialog, const Host& host) {
  char path[kOpenFileBufferSize];
  if (!host.openFile(dialog.window(), path)) return;
  OwnedDib loaded(host.loadImage(path));
  int32_t width = 0, height = 0;
  if (!loaded || !GetDibImageInfo(loaded.get(), &width, &height, nullptr, nullptr)) {
    ShowMessage(dialog, kMsgErrorReadingFile);
    return;
  }
  if (!acceptsSize(dialog, width, height)) return;
  if (!takePicture(dialog, std::move(loaded), true)) return;
  std::snprintf(picture.fileNamePath, sizeof picture.fileNamePath, "%s", path);
}

void SinglePictureEffect::pastePicture(Dialog& dialog, const Host& host) {
  OwnedDib fetched(host.pasteImage(dialog.window()));
  if (!fetched) {
    ShowMessage(dialog, kClipboardError);
    return;
  }
  // A pasted picture keeps FileNamePath: the file named there is not what is shown.
  takePicture(dialog, std::move(fetched), true);
}
