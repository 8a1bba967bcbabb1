// What an effect plug-in supplies to the common framework: its description, its part of
// the main dialog, and the two build hooks (preparing its sources and rendering frames).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/dialog.h"
#include "framework/effect_manifest.h"
#include "framework/frame_list.h"
#include "framework/help_about.h"
#include "framework/host.h"
#include "framework/settings_file.h"

// The settings every plug-in has, with their built-in values.
struct CommonSettings {
  int32_t mainDelay = 0;  // the manifest's built-in delay, set by Effect
  int32_t mainPalette = 6;
  int32_t mainDither = 1;
  int32_t mainCustomPalette = 1;
  int32_t trueColour = 0;
  int32_t supercompress = 0;
  int32_t addComment = 1;  // AddDescriptiveCommentBlock
  int32_t ditherBrightness = 20;
  int32_t ditherContrast = 20;
  int32_t fastRemap = 1;
  int32_t patchLevel = 3;      // written, never read back
  int32_t versionNumber = 64;  // written, never read back
};

struct EffectDescription {
  const EffectManifest& manifest;  // title, control ids, Delay field, options
  const char* notice;              // one line naming the effect and its maker
  const char* helpTopic;           // topic of the help document
  const char* settingsFile;        // "FWPLGCRL.INI", ...
  AboutInfo about;
  int backgroundBitmap;  // the dialogs' background tile: 7001 to 7005
};

constexpr int kMainDialogTemplate = 1000;

// What one build works with.
struct BuildContext {
  Dialog& dialog;
  const Host& host;
  // True for a Test build. The OK build is the dialog's last: the effect's sources are
  // released after it, so it may take them over rather than copy them.
  bool test;
  const CommonSettings& settings;
  // Threads the build may use for independent work (framework/parallel.h); 1 keeps all
  // of it on the calling thread.
  int threads = 1;
};

class Effect {
 public:
  explicit Effect(const EffectDescription& description);
  virtual ~Effect() = default;
  // The settings table points into the effect.
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // The settings every plug-in has.
  CommonSettings commonSettings;

  const EffectDescription& description() const { return description_; }
  const EffectManifest& manifest() const { return description_.manifest; }
  CommonSettings& common() { return commonSettings; }
  // The settings table in the order of the file: the common rows, which the framework
  // supplies, and the effect's own (addSettings).
  const SettingsEntry* settingsTable(size_t* count);
  // Edit fields with an up-down buddy, besides Delay: the manifest's Number options.
  const int* numericFields(size_t* count) const {
    *count = numericFields_.size();
    return numericFields_.data();
  }

  // Dialog start: set-up before the settings reach the controls (subclassing a list,
  // item heights), the effect's settings to its controls, and the last steps.
  virtual void initControls(Dialog& dialog) {}
  virtual void settingsToControls(Dialog& dialog) {}
  // Dialog start, after the settings reach the controls: sources kept from an earlier
  // session (the picture named in the settings file), fetched through the host.
  virtual void restoreSources(Dialog& dialog, const Host& host) {}
  virtual void finishInit(Dialog& dialog) {}
  // Enables OK, Test and the effect's own buttons by whether a source exists.
  virtual void updateButtons(Dialog& dialog) = 0;
  // The effect's controls to its settings, before every build.
  virtual void controlsToSettings(Dialog& dialog) {}
  // Commands of the effect's own controls; false when the id is not the effect's.
  virtual bool onCommand(Dialog& dialog, const Host& host, int id, int notification) { return false; }
  virtual void onListDrag(Dialog& dialog, int listId, int from, int to) {}

  // Build hooks. prepareSources shows its own failure messages; renderFrames reports
  // failure by returning 0 (the driver shows "Memory error").
  virtual int prepareSources(BuildContext& build) { return 1; }
  virtual int renderFrames(BuildContext& build, FrameList* frames) = 0;
  // The optimised palette of a build, sorted by luminance, before the slot for unchanged
  // pixels is reserved and the frame depth chosen: the effect may change its first
  // `colours` entries. The default leaves it as the quantizer made it.
  virtual void adjustOptimisedPalette(BuildContext& build, RgbPalette* palette, int colours) {}
  // A last pass over the rendered frames, once there are at least two, before their
  // colours are reduced (Lake puts its picture above every reflection). 0 on failure:
  // the driver then shows "Memory error".
  virtual int finishFrames(BuildContext& build, FrameList* frames) { return 1; }
  // Releases what prepareSources and renderFrames made; runs on every exit of a build.
  virtual void releaseBuild(BuildContext& build) {}
  // Dialog end: releases the sources the dialog holds.
  virtual void releaseSources(Dialog& dialog) {}

 protected:
  // The effect's own rows of the settings table, added to the common ones.
  virtual void addSettings(SettingsTable& table) {}

 private:
  const EffectDescription description_;
  std::vector<int> numericFields_;
  SettingsTable settings_;
};

// The plug-in's one effect; each plug-in library defines it.
Effect& PluginEffect();
