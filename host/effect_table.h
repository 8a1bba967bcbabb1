// What the host knows of each effect: its library, the controls of its dialog that the
// friendly command-line options press, and the help shown for them. Each row is read
// from the effect's manifest (framework/effect_manifest.h); an effect is added by adding
// its manifest to the rows.
#pragma once

#include <cstddef>

#include "framework/effect_manifest.h"

// Ids of the controls every dialog has; a few differ between effects.
using CommonControls = CommonControlIds;

struct EffectRow {
  const char* name;     // the command-line word: "pagecurl"
  const char* library;  // library base name, "fwplgcrl"; null for an effect built into the host
  const char* title;    // the plug-in's own name: "Page Curl"
  const char* summary;  // one line for the help
  SourceKind sources;
  int addButton;    // the button that asks for files
  int pasteButton;  // 0: none
  CommonControls controls;
  int delayMinimum;
  int delayMaximum;       // with the optimise capability
  int delayMaximumPlain;  // without it
  int delayDefault;
  const EffectOption* options;
  size_t optionCount;
  const EffectManifest* manifest;  // null for a library given by path that no row names
};

// Every effect, in the order `fwhost list` and the help show them.
const EffectRow* EffectRows(size_t* count);

// The row of a command-line word, or null.
const EffectRow* FindEffectRow(const char* name);

// The row used for a library given by path that no row names: the common controls at
// their usual ids and no friendly options.
const EffectRow& GenericEffectRow();

// The name of the effect built into the host.
constexpr const char* kFramesEffectName = "frames";
