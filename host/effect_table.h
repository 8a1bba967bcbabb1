// What the host knows of each effect: its library, the controls of its dialog that the
// friendly command-line options press, and the help shown for them. One row per effect;
// an effect is added by adding a row (and its option rows).
#pragma once

#include <cstddef>

// How an effect option turns into user actions on the dialog.
enum class OptionKind {
  Number,      // --name N        types N into edit field `id` (checked against the range)
  Press,       // --name          presses button `id` (a radio button is chosen)
  Choice,      // --name WORD     presses the button of WORD among `choices`
  Toggle,      // --name, --no-name  checks or unchecks check box `id`
  Colour,      // --name R,G,B    presses colour button `id`; the chooser answers R,G,B
  ListColour,  // --name I=R,G,B  double-clicks item I (from 1) of list `id`; "I=random"
               //                 double-clicks it with Shift
};

struct OptionChoice {
  const char* word;
  int id;
};

struct EffectOption {
  const char* name;  // without the leading "--"
  OptionKind kind;
  int id;
  int minimum;  // Number: the range offered; ListColour: the item numbers
  int maximum;
  const char* defaultText;  // the plug-in's built-in value, for the help
  const char* help;
  const OptionChoice* choices;  // Choice: ended by a null word
};

// Where an effect's pictures come from.
enum class SourceKind {
  None,           // draws from its settings alone
  PictureList,    // an "&Add" button asking for files (operation 7), any number
  SinglePicture,  // a "Select &image" button asking for one file (operation 6)
};

// Ids of the controls every dialog has; a few differ between effects.
struct CommonControls {
  int delay;
  int palette;
  int dither;
  int customPalette;
  int trueColour;
  int supercompress;
  int comment;
  int test;
  int about;
};

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
