// What an effect plug-in supplies to the common framework: its description, its part of
// the main dialog, and the two build hooks (preparing its sources and rendering frames).
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/dialog.h"
#include "framework/frame_list.h"
#include "framework/help_about.h"
#include "framework/host.h"
#include "framework/settings_file.h"

// The settings every plug-in has. Defaults are Page Curl's; effects set their own.
struct CommonSettings {
  int32_t mainDelay = 3;
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

// Ids of the common controls; a few differ between plug-ins.
struct CommonControlIds {
  int delay = 105;  // edit; its up-down is delay + 10000
  int palette = 109;
  int dither = 111;
  int customPalette = 110;
  int trueColour = 103;
  int supercompress = 117;
  int comment = 122;
  int test = 998;
  int about = 116;
  int logo = 115;
  int paste = 0;  // 0 when the effect has no "&Paste" button
};

constexpr int kMainDialogTemplate = 1000;
// An up-down control's id is its buddy edit field's id plus this.
constexpr int kUpDownOffset = 10000;

struct EffectDescription {
  const char* name;          // title of the dialog and name shown by the host
  const char* notice;        // one line naming the effect and its maker
  const char* helpTopic;     // topic of the help document
  const char* settingsFile;  // "FWPLGCRL.INI", ...
  const char* delayRangeOptimised;  // up-down text with HostCapsOptimise, "1,100,10"
  const char* delayRangePlain;      // without it, "1,1000,10"
  AboutInfo about;
  int backgroundBitmap;  // the dialogs' background tile: 7001 to 7005
  CommonControlIds ids;
};

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
  virtual ~Effect() = default;

  virtual const EffectDescription& description() const = 0;
  virtual CommonSettings& common() = 0;
  // The settings table in ascending key order, common and own keys together.
  virtual const SettingsEntry* settingsTable(size_t* count) = 0;
  // Edit fields with an up-down buddy, besides Delay.
  virtual const int* numericFields(size_t* count) const {
    *count = 0;
    return nullptr;
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
};

// The plug-in's one effect; each plug-in library defines it.
Effect& PluginEffect();
