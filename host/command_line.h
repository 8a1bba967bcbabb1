// The command line of one run: `fwhost EFFECT [PICTURES...] [OPTIONS...]` turned into
// the user actions that drive the effect's dialog, the answers the host gives to the
// plug-in's requests, and what to write.
//
// Options act in the order they are given, as a person would click: each picture is
// one press of the effect's Add (or Select image) button answered with that file, each
// colour option one press of a colour button answered with that colour. After them the
// host presses OK, or Test with --test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "host/effect_table.h"

struct RunPlan {
  std::vector<std::string> actions;  // dialog actions, the final OK or Test included
  std::deque<std::vector<std::string>> selections;  // answers of the file requests
  std::deque<int32_t> colours;                      // answers of the colour requests
  std::string clipboardFile;                        // --paste
  std::string output;                               // -o
  std::string capture;                              // --capture
  std::string screenshot;                           // --screenshot (real dialogs only)
  std::string aboutScreenshot;                      // --screenshot-about
  int aboutButton = 0;                              // the effect's About button
  std::string pluginDirectory;                      // --plugin-dir
  int threads = 0;  // --threads: 0 leaves the plug-ins their own default (the processors)
  bool quiet = false;
  bool fresh = false;
  bool help = false;
  uint32_t capabilities = 0;
  int pictureCount = 0;
};

// Parses the words that follow the effect. False, with the reason in `error`.
bool ParseRunOptions(const EffectRow& row, const std::vector<std::string>& words, RunPlan* plan, std::string* error);

// The actions as the text a HeadlessSession carries: one per line.
std::string ActionScript(const RunPlan& plan);

// The palette kind a --palette value names: 0 to 8, or a palette name (case and
// punctuation ignored, "color"/"gray" accepted, a unique beginning is enough); -1 when
// it names none.
int ParsePaletteKind(const std::string& text);

// "R,G,B" (each 0 to 255) or "#rrggbb" as a PackedColour; -1 when malformed.
int32_t ParseColour(const std::string& text);

// The help of one effect: its options with their ranges and built-in values, then the
// options every effect has.
void PrintEffectHelp(const EffectRow& row, std::FILE* out);
void PrintCommonHelp(std::FILE* out);
