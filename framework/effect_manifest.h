// An effect's manifest: what both its plug-in and the substitute host know of its dialog,
// declared once in the effect's own folder. The plug-in takes its title, the ids of its
// common controls, its Delay field, its numeric fields and the built-in values of its own
// settings from it; the host builds its command-line options, their help and its memory
// estimate from it. The effects' tests check every id, kind and range against the dialog
// template, and the built-in values against a freshly opened dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// An up-down control's id is its buddy edit field's id plus this.
constexpr int kUpDownOffset = 10000;

// Effects that need a picture's detail refuse pictures below this many pixels in either
// direction (Select image and the host's checks alike).
constexpr int32_t kSmallestPictureSide = 64;

// Where an effect's pictures come from.
enum class SourceKind {
  None,           // draws from its settings alone
  PictureList,    // an "&Add" button asking for files (operation 7), any number
  SinglePicture,  // a "Select &image" button asking for one file (operation 6)
};

// What kind of control an option works, and so how it turns into user actions.
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

// One of the effect's own controls.
struct EffectOption {
  const char* name;  // the command-line name, without the leading "--"
  OptionKind kind;
  int id;       // the control; 0 for a Choice, whose choices name theirs
  int minimum;  // Number: its up-down's range; ListColour: the item numbers
  int maximum;
  // The plug-in's built-in value: a number, "R,G,B", the word of a choice, "on" or "off"
  // for a Toggle, "yes" for the radio button chosen at first (empty for the others).
  const char* defaultText;
  const char* help;
  const OptionChoice* choices;  // Choice: ended by a null word
};

// An up-down control's range and starting position, as in its text "minimum,maximum,start".
struct UpDownRange {
  int minimum;
  int maximum;
  int start;
};

// The Delay field, in hundredths of a second: its up-down with and without the host's
// optimise capability, and the built-in value.
struct DelayField {
  UpDownRange optimised;
  UpDownRange plain;
  int32_t builtIn;
};

// The option values of one run, as the frame rule reads them.
class OptionValues {
 public:
  // The number given for Number option `name`, or its built-in value.
  virtual long number(const char* name) const = 0;

 protected:
  ~OptionValues() = default;
};

// The frames a build makes, and their size.
struct BuildExtent {
  long frames = 0;
  int width = 0;
  int height = 0;
};

// How many frames a build makes, so that its memory can be estimated before it runs.
struct FrameRule {
  // From the option values and the pictures: how many, and the canvas they make (the
  // largest width and height). False when the frames cannot be told.
  bool (*extent)(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out);
  // Appends, one "\n  ..." line each, the options of this effect that make its frames
  // fewer or smaller; null when it has none.
  void (*waysOut)(const OptionValues& values, std::string* text);
};

struct EffectManifest {
  const char* name;     // the command-line word: "pagecurl"
  const char* library;  // library base name, "fwplgcrl"; null for an effect built into the host
  const char* title;    // the plug-in's own name and its dialog's title: "Page Curl"
  const char* summary;  // one line for the help
  SourceKind sources;
  int addButton;  // the button that asks for files; 0: none
  CommonControlIds ids;
  DelayField delay;
  const EffectOption* options;
  size_t optionCount;
  FrameRule frames;
  // Pictures below this many pixels in either direction are refused; 0: any size.
  int32_t smallestPictureSide = 0;
};

// Built-in values read from their texts at compile time, so that a plug-in's settings
// start from the values its manifest declares.
namespace manifest_detail {

constexpr bool SameText(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// Digits from `*text` up to a comma or the end; anything else is not a built-in number.
constexpr int32_t ReadNumber(const char** text) {
  const char* p = *text;
  if (*p < '0' || *p > '9') throw "a built-in value is not a number";
  int32_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10 + (*p - '0');
  if (*p != '\0' && *p != ',') throw "a built-in value is not a number";
  *text = p;
  return value;
}

}  // namespace manifest_detail

// The option named `name`; naming none is a compile-time error where a constant is made.
template <size_t N>
constexpr const EffectOption& FindOption(const EffectOption (&options)[N], const char* name) {
  for (const EffectOption& option : options)
    if (manifest_detail::SameText(option.name, name)) return option;
  throw "the manifest has no option of that name";
}

// The built-in value of a Number option.
constexpr int32_t BuiltInNumber(const EffectOption& option) {
  const char* text = option.defaultText;
  int32_t value = manifest_detail::ReadNumber(&text);
  if (*text) throw "a built-in value is not a number";
  return value;
}

// The built-in value of a Colour option, "R,G,B", as a PackedColour.
constexpr int32_t BuiltInColour(const EffectOption& option) {
  const char* text = option.defaultText;
  int32_t parts[3] = {};
  for (int i = 0; i < 3; ++i) {
    parts[i] = manifest_detail::ReadNumber(&text);
    if (parts[i] > 255 || (*text == ',') != (i < 2)) throw "a built-in colour is not R,G,B";
    if (*text) ++text;
  }
  return parts[0] + parts[1] * 256 + parts[2] * 65536;
}
