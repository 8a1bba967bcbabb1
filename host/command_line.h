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
#include <utility>
#include <vector>

#include "host/effect_table.h"
#include "host/quality_gif.h"
#include "platform/manual_page.h"

// The largest side --fit accepts (the largest picture side the decoder reads).
constexpr int kMaxFitSide = 16384;

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
  bool fresh = false;     // accepted; every run starts from the built-in settings
  bool remember = false;  // --remember: load and save the plug-in's settings file
  bool forget = false;    // --forget: delete the plug-in's settings file first
  bool keepGoing = false; // --keep-going: hand unreadable pictures on; the plug-in skips them
  // The host reduces true-colour frames to a GIF itself: --quality, and every GIF output
  // unless an option sets the plug-in's own colours (--plugin-colours, --palette, ...).
  bool quality = false;
  int qualityLevel = kDefaultQualityLevel;  // --quality=Q: 1 (fewest bytes) to 100 (closest)
  bool pluginColours = false;  // --plugin-colours: write what the plug-in delivers
  bool qualityDither = true;   // the last --[no-]dither, for the host's reduction
  int webpQuality = -1;        // --webp-quality: -1 lossless
  int plays = 0;               // --loop: how many times the animation plays; 0 for ever
  long frame = 0;              // --frame: write only this frame (from 1) as a still; 0 all
  bool delayGiven = false;     // --delay: every frame gets it (an animation's own delays are not kept)
  bool wantsTrueColour = false;  // the host asks for a true-colour delivery
  bool help = false;
  // Set before parsing when the dialog is only shown, not built (fwhost studio): what
  // a build needs (a picture to start from) is not asked for yet.
  bool dialogOnly = false;
  bool controls = false;  // --controls: list the dialog's controls instead of building
  uint32_t capabilities = 0;
  int pictureCount = 0;

  // What the user named, for the checks made before any work.
  std::vector<std::string> pictures;  // every picture file (Add, --open, --paste), full paths
  std::vector<std::string> origins;   // per action: the command-line words that asked for it
  int trueColour = -1;                // the true-colour check box as the options leave it; -1 untouched
  int fitWidth = 0;                   // --fit WxH: pictures are scaled to fit inside; 0 none
  int fitHeight = 0;
  uint64_t maxMemory = 0;             // --max-memory; 0: the memory available
  // The values of the effect's own options as given (name, number), for the estimate.
  std::vector<std::pair<std::string, long>> numbers;
  // Options given that this run cannot honour, said before it starts.
  std::vector<std::string> warnings;
};

// Parses the words that follow the effect. False, with the reason in `error`.
bool ParseRunOptions(const EffectRow& row, const std::vector<std::string>& words, RunPlan* plan, std::string* error);

// True when an output name asks for an animated WebP (ends in ".webp", any case).
bool IsWebpName(const std::string& path);
// True when an output name asks for an animated PNG (ends in ".png", any case).
bool IsPngName(const std::string& path);

// The actions as the text a HeadlessSession carries: one per line.
std::string ActionScript(const RunPlan& plan);

// The palette kind a --palette value names: 0 to 8, or a palette name (case and
// punctuation ignored, "color"/"gray" accepted, a unique beginning is enough); -1 when
// it names none.
int ParsePaletteKind(const std::string& text);

// The number of letters to insert, delete or change to turn one word into the other.
size_t EditDistance(const std::string& a, const std::string& b);

// "WxH" with both from 1 to `limit`; false when malformed.
bool ParseSize(const std::string& text, int limit, int* width, int* height);

// A memory size: a number with an optional K, M, G or T (powers of 1024, "B" and
// "iB" allowed); false when malformed or 0.
bool ParseMemorySize(const std::string& text, uint64_t* bytes);

// "R,G,B" (each 0 to 255) or "#rrggbb" as a PackedColour; -1 when malformed.
int32_t ParseColour(const std::string& text);

// The help of one effect: its options with their ranges and built-in values, then the
// options every effect has.
void PrintEffectHelp(const EffectRow& row, std::FILE* out);
// The options the help lists: every effect's common ones (or, with `controls`, those
// that drive any control), and one effect's own; for the help and the manual page.
std::vector<manual::Entry> CommonOptionEntries(bool controls);
std::vector<manual::Entry> EffectOptionEntries(const EffectRow& row);
void PrintCommonHelp(std::FILE* out);
