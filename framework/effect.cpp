#include "framework/effect.h"

Effect::Effect(const EffectDescription& description) : description_(description) {
  const EffectManifest& manifest = description_.manifest;
  commonSettings.mainDelay = manifest.delay.builtIn;
  for (size_t i = 0; i < manifest.optionCount; ++i)
    if (manifest.options[i].kind == OptionKind::Number) numericFields_.push_back(manifest.options[i].id);
}

const SettingsEntry* Effect::settingsTable(size_t* count) {
  if (settings_.empty()) {
    // The rows every plug-in's file has, in the order of the file.
    CommonSettings& s = commonSettings;
    settings_.add("AddDescriptiveCommentBlock", &s.addComment);
    settings_.add("DitherBrightness", &s.ditherBrightness);
    settings_.add("DitherContrast", &s.ditherContrast);
    settings_.add("FastRemap", &s.fastRemap);
    settings_.add("MainCustompalette", &s.mainCustomPalette);
    settings_.add("MainDelay", &s.mainDelay);
    settings_.add("MainDither", &s.mainDither);
    settings_.add("MainPalette", &s.mainPalette);
    settings_.add(SettingsEntry{"PatchLevel", &s.patchLevel, SettingKind::Number, true});
    settings_.add("Supercompress", &s.supercompress);
    settings_.add("Truecolour", &s.trueColour);
    settings_.add(SettingsEntry{"VersionNumber", &s.versionNumber, SettingKind::Number, true});
    addSettings(settings_);
  }
  *count = settings_.size();
  return settings_.data();
}
