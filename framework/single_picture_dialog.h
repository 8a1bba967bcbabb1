// The single-picture dialog shared by the effects that animate one still picture
// (Ripple, Lake, Lens): a preview of the source picture, "Select &image" and "&Paste" to
// replace it, the picture of the last Select image restored at start, and optionally the
// three random-source radio buttons with their seed field.
//
// The dialog holds at most one source picture, always 24-bit: every picture that enters
// (from a file, the clipboard or restored at start) is made true-colour first. The
// dialog owns it and frees it when it is replaced and when the dialog ends.
//
// An effect derives from SinglePictureEffect, names its options (size check, random
// source, its own numeric fields) in the constructor, and adds its own controls and
// settings through the own...() hooks. FileNamePath, and RandomType and RandomValue with
// the random source, are kept in `picture` and put in the settings table here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/effect.h"

// Controls of the single-picture dialog (template 1000).
enum SinglePictureControl {
  kPicturePreview = 997,  // owner-drawn button showing the source picture
  kPictureSelect = 101,   // "Select &image"
  kPicturePaste = 102,    // "&Paste"
  // The random source, for effects that have one.
  kRandomFromClock = 118,    // "&Random"
  kRandomFromPicture = 119,  // "S&urvey image"
  kRandomFromSeed = 120,     // "&Use seed"
  kRandomSeedField = 121,    // the seed; its up-down is 10121
};

// RandomType: where a build takes its seed from.
enum RandomType : int32_t {
  kRandomUseSeed = 0,      // the typed seed (any value other than 1 and 2 reads so)
  kRandomSurveyImage = 1,  // the typed seed plus the picture's red components
  kRandomClock = 2,        // the current time
};

// Shown with kSmallestPictureSide twice.
constexpr const char* kPictureTooSmallFormat =
    "This plugin requires images having dimensions of no less than %d X %d pixels.";

// The settings every single-picture effect keeps; its settings table points here.
struct PictureSettings {
  char fileNamePath[kSettingTextSize] = "";  // FileNamePath: the last picture chosen
  int32_t randomType = kRandomUseSeed;       // RandomType
  int32_t randomValue = 0;                   // RandomValue: the seed (built-in: the manifest's)
};

// A numeric field (edit `id`, up-down `id` + 10000) whose value is stored as typed:
// unsigned, not clamped to the up-down's range, an empty field giving 0.
struct PictureField {
  int id;
  int32_t* value;
};

struct SinglePictureOptions {
  // Refuse pictures below kSmallestPictureSide in either direction (the effects whose
  // manifest names that smallest side).
  bool sizeCheck = true;
  // The radio buttons 118 to 120 and the seed field 121 (Ripple).
  bool randomSource = false;
  // Where the effect's numeric fields (its manifest's Number options besides the seed)
  // keep their values.
  std::vector<PictureField> fields;
};

class SinglePictureEffect : public Effect {
 public:
  PictureSettings picture;

  // The source picture, or none; it stays the dialog's.
  DibImage source() const { return source_.get(); }
  // Makes `image` (24-bit) the source, freeing the old one.
  void replaceSource(DibImage image);
  // The size message when `image` is below the minimum of an effect that checks; true
  // when it may be used.
  bool acceptsSize(Dialog& dialog, int32_t width, int32_t height) const;

  // Effect: the common part of every single-picture dialog.
  void settingsToControls(Dialog& dialog) final;
  void restoreSources(Dialog& dialog, const Host& host) final;
  void finishInit(Dialog& dialog) final;
  void updateButtons(Dialog& dialog) final;
  void controlsToSettings(Dialog& dialog) final;
  bool onCommand(Dialog& dialog, const Host& host, int id, int notification) final;
  void releaseSources(Dialog& dialog) final;

 protected:
  SinglePictureEffect(const EffectDescription& description, SinglePictureOptions options);
  ~SinglePictureEffect() override;

  void addSettings(SettingsTable& table) final;

  // The effect's own controls besides the numeric fields: settings to controls at start,
  // controls to settings before a build, and their commands (false: not the effect's).
  virtual void ownSettingsToControls(Dialog& dialog) {}
  virtual void ownControlsToSettings(Dialog& dialog) {}
  virtual bool ownCommand(Dialog& dialog, const Host& host, int id, int notification) { return false; }
  // The effect's own rows of the settings table.
  virtual void addOwnSettings(SettingsTable& table) {}

 private:
  void selectPicture(Dialog& dialog, const Host& host);
  void pastePicture(Dialog& dialog, const Host& host);
  // Makes `loaded` true-colour and, when its size is accepted, the source; frees
  // `loaded`. A failed conversion shows "Memory error" when `reportMemory` is set.
  // False when the picture was not taken.
  bool takePicture(Dialog& dialog, OwnedDib loaded, bool reportMemory);
  void applySeedRule(Dialog& dialog);

  SinglePictureOptions options_;
  OwnedDib source_;
};
