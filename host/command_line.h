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
  bool quiet = false;
  bool fresh = false;
  bool quality = false;        // --quality: the host reduces true-colour frames itself
  bool qualityDither = true;   // the last --[no-]dither, for the host's reduction
  int webpQuality = -1;        // --webp-quality: -1 lossless
  bool wantsTrueColour = false;  // the host asks for a true-colour delivery
  bool help = false;
  uint32_t capabilities = 0;
  int pictureCount = 0;
};

// Parses the words that follow the effect. False, with the reason in `error`.
bool ParseRunOptions(const EffectRow& row, const std::vector<std::string>& words, RunPlan* plan, std::string* error);

// True when an output name asks for an animated WebP (ends in ".webp", any case).
bool IsWebpName(const std::string& path);

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
