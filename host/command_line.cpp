#include "host/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "framework/host_interface.h"
#include "framework/palette.h"
#include "framework/parallel.h"
#include "host/preflight.h"

namespace {

// fwhost.exe drives the plug-ins' real dialog windows; the native fwhost their headless
// dialogs, which can describe themselves.
#ifdef _WIN32
constexpr bool kRealDialogWindows = true;
#else
constexpr bool kRealDialogWindows = false;
#endif

// One step of the run, in command-line order: an action and the answers it needs.
struct Step {
  std::string action;                 // empty: the step only prepares an answer
  std::vector<std::string> selection; // answer of the file request the action causes
  bool hasColour = false;
  int32_t colour = 0;
  bool picture = false;
  std::string origin;  // the command-line words that asked for the action
};

bool ParseInteger(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0') return false;
  *value = parsed;
  return true;
}

std::string FullPath(const std::string& path) {
  std::error_code failure;
  std::filesystem::path full = std::filesystem::absolute(path, failure);
  return failure ? path : full.lexically_normal().string();
}

std::string Normalised(const std::string& text) {
  std::string out;
  for (char c : text)
    if (std::isalnum(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"color", "colour"}, {"gray", "grey"}}) {
    for (size_t at = out.find(from); at != std::string::npos; at = out.find(from, at + to.size()))
      out.replace(at, from.size(), to);
  }
  return out;
}

// An option's word "--name" or "--name=value": the name and, when given, the value.
bool SplitOption(const std::string& word, std::string* name, std::string* value, bool* hasValue) {
  if (word.size() < 3 || word.compare(0, 2, "--") != 0) return false;
  size_t equals = word.find('=');
  *hasValue = equals != std::string::npos;
  *name = word.substr(2, *hasValue ? equals - 2 : std::string::npos);
  *value = *hasValue ? word.substr(equals + 1) : std::string();
  return true;
}

class Parser;

// One option every effect has: its spellings (the first is the one the help shows), the
// value it takes (named for the help; null for none), whether "--no-NAME" turns it off,
// what it does, and its help. Plain switches and texts name the RunPlan field or the
// dialog control they set; the rest have a handler of their own.
struct HostOption {
  using Handler = bool (Parser::*)(const HostOption& option, const std::string& value, bool negated);
  const char* names;  // spellings separated by blanks: "truecolour truecolor true-colour true-color"
  const char* shortName;
  const char* argument;
  bool negatable;
  Handler handle;
  std::string help;  // lines separated by '\n'
  int CommonControls::*control;  // a check box of the dialog (Parser::toggle)
  bool RunPlan::*flag;           // a switch of the plan (Parser::setFlag)
  std::string RunPlan::*text;    // a text of the plan (Parser::setText)
  bool controlGroup;             // listed under "Driving any control"
  bool available = true;         // false where this build cannot do it
};

// The fixed palettes, one per line, for the help of --palette.
std::string PaletteList() {
  std::string list;
  for (int kind = 0; kind < kPaletteKindCount; ++kind) list += "\n" + std::to_string(kind) + " " + PaletteKindName(kind);
  return list;
}

// The spellings of an option, one by one.
std::vector<std::string> NamesOf(const HostOption& option) {
  std::vector<std::string> names;
  std::istringstream words(option.names);
  for (std::string name; words >> name;) names.push_back(name);
  return names;
}

class Parser {
 public:
  Parser(const EffectRow& row, const std::vector<std::string>& words, RunPlan* plan, std::string* error)
      : row_(row), words_(words), plan_(plan), error_(error) {}

  bool run();

  // Every option every effect has, in the order the help lists them.
  static const std::vector<HostOption>& Options();

 private:
  bool fail(const std::string& text) {
    *error_ = text;
    return false;
  }
  // The value of the current option: after "=", or the next word.
  bool value(std::string* out);
  bool idValue(const std::string& text, int* id);
  bool idPair(const std::string& text, int* id, std::string* rest);
  bool effectOption(const EffectOption& option, bool negated);
  // The common option of the current name, or null.
  const HostOption* findCommon(bool* negated) const;
  // Takes the option's value when it has one and carries the option out.
  bool common(const HostOption& option, bool negated) {
    std::string text;
    // An optional value ("[=Q]") is only ever given after "=", never as the next word.
    if (option.argument && option.argument[0] == '[') text = hasInline_ ? inline_ : std::string();
    else if (option.argument && !value(&text)) return false;
    return (this->*option.handle)(option, text, negated);
  }

  // What the common options do.
  bool setFlag(const HostOption& option, const std::string&, bool) {
    plan_->*option.flag = true;
    return true;
  }
  bool setText(const HostOption& option, const std::string& value, bool) {
    if (!(plan_->*option.text).empty() && (option.text == &RunPlan::output || option.text == &RunPlan::capture))
      return fail("--" + name_ + " is given twice (" + plan_->*option.text + " and " + value + "); a run writes one");
    plan_->*option.text = value;
    return true;
  }
  bool toggle(const HostOption& option, const std::string&, bool negated);
  bool delay(const HostOption&, const std::string& value, bool);
  bool palette(const HostOption&, const std::string& value, bool);
  bool test(const HostOption&, const std::string&, bool) { return test_ = true; }
  bool quality(const HostOption&, const std::string& value, bool);
  bool webpQuality(const HostOption&, const std::string& value, bool);
  bool loop(const HostOption&, const std::string& value, bool);
  bool controls(const HostOption&, const std::string&, bool) { return plan_->controls = plan_->dialogOnly = true; }
  bool frame(const HostOption&, const std::string& value, bool);
  bool screenshot(const HostOption&, const std::string& value, bool);
  bool threads(const HostOption&, const std::string& value, bool);
  bool addTogether(const HostOption&, const std::string&, bool) { return together_ = true; }
  bool withoutCapability(const HostOption& option, const std::string&, bool);
  bool paste(const HostOption&, const std::string& value, bool);
  bool controlPair(const HostOption&, const std::string& value, bool);
  bool controlId(const HostOption&, const std::string& value, bool);
  bool open(const HostOption&, const std::string& value, bool);
  bool colour(const HostOption&, const std::string& value, bool);
  bool fit(const HostOption&, const std::string& value, bool);
  bool maxMemory(const HostOption&, const std::string& value, bool);
  bool addPicture(const std::string& path);
  void add(const std::string& action) { push(Step{action, {}, false, 0, false, ""}); }
  void push(Step step) {
    step.origin = origin_;
    steps_.push_back(std::move(step));
  }
  bool choice(const EffectOption& option, const std::string& text);
  void finish();

  const EffectRow& row_;
  const std::vector<std::string>& words_;
  RunPlan* plan_;
  std::string* error_;
  size_t at_ = 0;
  std::string name_, inline_;
  std::string origin_;
  bool hasInline_ = false;
  std::vector<Step> steps_;
  bool together_ = false;
  bool test_ = false;
  bool palette_ = false;          // --palette given
  bool ownColours_ = false;       // an option that sets the plug-in's own colours given
  bool qualityAsked_ = false;     // --quality given
  bool supercompressed_ = false;  // --supercompress given last (not --no-supercompress)
  std::vector<long> delays_;
};

bool Parser::value(std::string* out) {
  if (hasInline_) {
    *out = inline_;
    return true;
  }
  if (at_ + 1 >= words_.size()) return fail("--" + name_ + " needs a value");
  *out = words_[++at_];
  return true;
}

bool Parser::idValue(const std::string& text, int* id) {
  long parsed;
  if (!ParseInteger(text, &parsed) || parsed < 0 || parsed > 65535)
    return fail("--" + name_ + ": \"" + text + "\" is not a control id");
  *id = static_cast<int>(parsed);
  return true;
}

bool Parser::idPair(const std::string& text, int* id, std::string* rest) {
  size_t equals = text.find('=');
  if (equals == std::string::npos) return fail("--" + name_ + " takes ID=VALUE");
  *rest = text.substr(equals + 1);
  if (rest->find_first_of("\r\n") != std::string::npos) return fail("--" + name_ + ": the text must be one line");
  return idValue(text.substr(0, equals), id);
}

bool Parser::addPicture(const std::string& path) {
  if (row_.sources == SourceKind::None || row_.addButton == 0)
    return fail(std::string("this effect takes no pictures: ") + path);
  ++plan_->pictureCount;
  if (row_.sources == SourceKind::SinglePicture && plan_->pictureCount > 1)
    return fail(std::string(row_.name) + " takes one picture");
  plan_->pictures.push_back(FullPath(path));
  push(Step{"click " + std::to_string(row_.addButton), {FullPath(path)}, false, 0, true, ""});
  return true;
}

// A choice word as written, or in the other usual ways: "top" for "upper", "bottom" for
// "lower", the two parts in either order, without the hyphen, or as initials ("tl",
// "br"), or as compass points ("nw", "se").
std::string ChoiceKey(const std::string& text) {
  std::string key = Normalised(text);
  const std::pair<const char*, const char*> whole[] = {
      {"tl", "upperleft"}, {"ul", "upperleft"}, {"nw", "upperleft"},   {"tr", "upperright"},
      {"ur", "upperright"}, {"ne", "upperright"}, {"bl", "lowerleft"}, {"ll", "lowerleft"},
      {"sw", "lowerleft"}, {"br", "lowerright"}, {"lr", "lowerright"}, {"se", "lowerright"}};
  for (const auto& [from, to] : whole)
    if (key == from) return to;
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"top", "upper"}, {"bottom", "lower"}})
    if (key.compare(0, from.size(), from) == 0) key = to + key.substr(from.size());
  for (const char* side : {"left", "right"}) {
    std::string s = side;
    if (key.compare(0, s.size(), s) == 0) {
      std::string rest = key.substr(s.size());
      if (rest == "top" || rest == "upper") return "upper" + s;
      if (rest == "bottom" || rest == "lower") return "lower" + s;
    }
  }
  return key;
}

bool Parser::choice(const EffectOption& option, const std::string& text) {
  std::string list;
  for (const OptionChoice* c = option.choices; c->word; ++c) {
    if (ChoiceKey(text) == ChoiceKey(c->word)) {
      add("click " + std::to_string(c->id));
      return true;
    }
    list += std::string(c == option.choices ? "" : c[1].word ? ", " : " or ") + c->word;
  }
  return fail("--" + name_ + ": \"" + text + "\" is not one of " + list);
}

bool Parser::effectOption(const EffectOption& option, bool negated) {
  std::string text;
  switch (option.kind) {
    case OptionKind::Number: {
      long number;
      if (!value(&text)) return false;
      if (!ParseInteger(text, &number) || number < option.minimum || number > option.maximum)
        return fail("--" + name_ + " takes a number from " + std::to_string(option.minimum) + " to " +
                    std::to_string(option.maximum));
      add("set " + std::to_string(option.id) + " " + std::to_string(number));
      plan_->numbers.emplace_back(option.name, number);
      return true;
    }
    case OptionKind::Press:
      add("click " + std::to_string(option.id));
      return true;
    case OptionKind::Toggle:
      add((negated ? "uncheck " : "check ") + std::to_string(option.id));
      return true;
    case OptionKind::Choice:
      return value(&text) && choice(option, text);
    case OptionKind::Colour: {
      if (!value(&text)) return false;
      int32_t colour = ParseColour(text);
      if (colour < 0) return fail("--" + name_ + " takes a colour R,G,B (0 to 255 each) or #rrggbb");
      push(Step{"click " + std::to_string(option.id), {}, true, colour, false, ""});
      return true;
    }
    case OptionKind::ListColour: {
      if (!value(&text)) return false;
      size_t equals = text.find('=');
      long item;
      if (equals == std::string::npos || !ParseInteger(text.substr(0, equals), &item) || item < option.minimum ||
          item > option.maximum)
        return fail("--" + name_ + " takes I=R,G,B or I=random, I from " + std::to_string(option.minimum) + " to " +
                    std::to_string(option.maximum));
      std::string colourText = text.substr(equals + 1);
      std::string where = std::to_string(option.id) + " " + std::to_string(item - option.minimum);
      if (colourText == "random") {
        add("shift-dblclick " + where);
        return true;
      }
      int32_t colour = ParseColour(colourText);
      if (colour < 0) return fail("--" + name_ + ": \"" + colourText + "\" is not a colour");
      push(Step{"dblclick " + where, {}, true, colour, false, ""});
      return true;
    }
  }
  return false;
}

const std::vector<HostOption>& Parser::Options() {
  using P = Parser;
  using C = CommonControls;
  static const std::vector<HostOption> options = {
      {"output", "-o", "FILE", false, &P::setText,
       std::string("write the animation: FILE.gif a GIF made by fwhost from the true-colour frames (fine\n"
                   "palettes, dithered; see --quality), FILE.png an animated PNG of the true-colour frames,\n") +
           (kCanWriteWebp ? "FILE.webp an animated WebP of them (lossless), " : "") +
           "- standard output (a GIF); written whole or not\n"
           "at all: an earlier file of that name stays until the new one is complete",
       nullptr, nullptr, &RunPlan::output, false},
      {"plugin-colours plugin-colors", nullptr, nullptr, false, &P::setFlag,
       "write the frames as the plug-in delivers them to the editor, in its own colours (also\n"
       "implied by --palette, --[no-]custom-palette, --[no-]dither and --[no-]supercompress)",
       nullptr, &RunPlan::pluginColours, nullptr, false},
      {"quality", nullptr, "[=Q]", false, &P::quality,
       "make the GIF in fwhost from true-colour frames (what a GIF output is without an option\n"
       "that sets the plug-in's own colours), at quality Q from 1 (fewest bytes) to 100 (closest\n"
       "to the frames; built-in " + std::to_string(kDefaultQualityLevel) + "), given only after \"=\" (--quality=" +
           std::to_string(kDefaultQualityLevel) + ");\nwith a .png" + (kCanWriteWebp ? " or .webp" : "") +
           " output, those GIF frames stored losslessly",
       nullptr, nullptr, nullptr, false},
      {"webp-quality", nullptr, "Q", false, &P::webpQuality, "a lossy WebP at quality Q (0 to 100) instead", nullptr,
       nullptr, nullptr, false, kCanWriteWebp},
      {"loop", nullptr, "N", false, &P::loop, "play the animation N times, 0 for ever (built-in 0)", nullptr, nullptr,
       nullptr, false},
      {"frame", nullptr, "N", false, &P::frame,
       "write only frame N (from 1) as it is shown, a still picture: --frame 20 -o still.png", nullptr, nullptr,
       nullptr, false},
      {"capture", nullptr, "FILE", false, &P::setText,
       "write a text dump of everything delivered (for tests and comparisons)", nullptr, nullptr, &RunPlan::capture,
       false},
      {"screenshot", nullptr, "FILE", false, &P::screenshot, "fwhost.exe: save the dialog as it looks before it closes (BMP)",
       nullptr, nullptr, &RunPlan::screenshot, false},
      {"screenshot-about", nullptr, "FILE", false, &P::screenshot,
       "fwhost.exe: then open the About box and save it too (BMP)", nullptr, nullptr, &RunPlan::aboutScreenshot, false},
      {"delay", nullptr, "N", false, &P::delay, "delay of every frame, in hundredths of a second", nullptr, nullptr,
       nullptr, false},
      {"palette", nullptr, "N|NAME", false, &P::palette,
       "use a fixed palette (turns the custom palette off):" + PaletteList(), nullptr, nullptr, nullptr, false},
      {"custom-palette", nullptr, nullptr, true, &P::toggle, "build an optimised palette from the frames (built-in on)",
       &C::customPalette, nullptr, nullptr, false},
      {"dither", nullptr, nullptr, true, &P::toggle, "reduce colours with error diffusion (built-in on)", &C::dither,
       nullptr, nullptr, false},
      {"truecolour truecolor true-colour true-color", nullptr, nullptr, true, &P::toggle,
       "deliver 24-bit frames without colour reduction (built-in off)", &C::trueColour, nullptr, nullptr, false},
      {"supercompress", nullptr, nullptr, true, &P::toggle,
       "make unchanged pixels transparent after the first frame (built-in off)", &C::supercompress, nullptr, nullptr,
       false},
      {"comment", nullptr, nullptr, true, &P::toggle, "add the descriptive comment block (built-in on)", &C::comment,
       nullptr, nullptr, false},
      {"test", nullptr, nullptr, false, &P::test, "press Test instead of OK (a trial build: no Supercompress)", nullptr,
       nullptr, nullptr, false},
      {"paste", nullptr, "FILE", false, &P::paste,
       "put the picture FILE on the clipboard and press Paste (effects with one)", nullptr, nullptr, nullptr, false},
      {"add-together", nullptr, nullptr, false, &P::addTogether,
       "add all pictures with one press of Add, as one multiple selection", nullptr, nullptr, nullptr, false},
      {"remember", nullptr, nullptr, false, &P::setFlag,
       "start from the plug-in's saved settings and save this run's (as the editor does)", nullptr, &RunPlan::remember,
       nullptr, false},
      {"forget", nullptr, nullptr, false, &P::setFlag, "delete the plug-in's saved settings", nullptr, &RunPlan::forget,
       nullptr, false},
      {"fresh", nullptr, nullptr, false, &P::setFlag,
       "start from the built-in settings (what every run does without --remember)", nullptr, &RunPlan::fresh, nullptr,
       false},
      {"keep-going", nullptr, nullptr, false, &P::setFlag,
       "hand unreadable pictures to the plug-in, which skips them, instead of stopping", nullptr, &RunPlan::keepGoing,
       nullptr, false},
      {"fit", nullptr, "WxH", false, &P::fit,
       "scale every picture down to fit inside W x H pixels before the effect sees it", nullptr, nullptr, nullptr,
       false},
      {"max-memory", nullptr, "SIZE", false, &P::maxMemory,
       "refuse a run whose estimated memory exceeds SIZE (2G, 1500M); default: what is free", nullptr, nullptr, nullptr,
       false},
      {"quiet", "-q", nullptr, false, &P::setFlag, "show no status or progress", nullptr, &RunPlan::quiet, nullptr,
       false},
      {"threads", nullptr, "N", false, &P::threads,
       "threads to share the work among, 1 to " + std::to_string(kMaxBuildThreads) + " (built-in: one per processor)",
       nullptr, nullptr, nullptr, false},
      {"without-optimise without-optimize", nullptr, nullptr, false, &P::withoutCapability,
       "a host without the optimise capability (long delays, no Supercompress)", nullptr, nullptr, nullptr, false},
      {"without-truecolour without-truecolor", nullptr, nullptr, false, &P::withoutCapability,
       "a host without the true-colour capability", nullptr, nullptr, nullptr, false},
      {"plugin-dir", nullptr, "DIR", false, &P::setText, "look for plug-ins in DIR first", nullptr, nullptr,
       &RunPlan::pluginDirectory, false},
      {"help", "-h", nullptr, false, &P::setFlag, "show this help", nullptr, &RunPlan::help, nullptr, false},
      {"controls", nullptr, nullptr, false, &P::controls,
       "list the dialog's controls with their ids, kinds, values and ranges, after the options given\n"
       "before it, and build nothing (the native build: fwhost.exe shows the real dialog)", nullptr, nullptr,
       nullptr, true, !kRealDialogWindows},
      {"set", nullptr, "ID=TEXT", false, &P::controlPair, "type TEXT into edit field ID", nullptr, nullptr, nullptr,
       true},
      {"check", nullptr, "ID", false, &P::controlId, "tick check box ID", nullptr, nullptr, nullptr, true},
      {"uncheck", nullptr, "ID", false, &P::controlId, "clear check box ID", nullptr, nullptr, nullptr, true},
      {"click", nullptr, "ID", false, &P::controlId, "press button ID", nullptr, nullptr, nullptr, true},
      {"select", nullptr, "ID=INDEX", false, &P::controlPair, "choose item INDEX (from 0) of list or combo box ID",
       nullptr, nullptr, nullptr, true},
      {"dblclick", nullptr, "ID=INDEX", false, &P::controlPair, "double-click item INDEX of list ID", nullptr, nullptr,
       nullptr, true},
      {"open", nullptr, "FILE", false, &P::open, "answer the next file request with FILE", nullptr, nullptr, nullptr,
       true},
      {"colour color", nullptr, "R,G,B", false, &P::colour, "answer the next colour request with R,G,B", nullptr,
       nullptr, nullptr, true},
  };
  return options;
}

const HostOption* Parser::findCommon(bool* negated) const {
  for (const HostOption& option : Options()) {
    if (!option.available) continue;
    for (const std::string& spelling : NamesOf(option)) {
      if (name_ == spelling) {
        *negated = false;
        return &option;
      }
      if (option.negatable && name_ == "no-" + spelling) {
        *negated = true;
        return &option;
      }
    }
  }
  return nullptr;
}

bool Parser::toggle(const HostOption& option, const std::string&, bool negated) {
  const int id = row_.controls.*option.control;
  if (option.control == &CommonControls::dither) plan_->qualityDither = !negated;
  if (option.control == &CommonControls::trueColour) plan_->trueColour = negated ? 0 : 1;
  if (option.control == &CommonControls::supercompress) supercompressed_ = !negated;
  if (option.control != &CommonControls::trueColour && option.control != &CommonControls::comment) ownColours_ = true;
  add((negated ? "uncheck " : "check ") + std::to_string(id));
  return true;
}

bool Parser::delay(const HostOption&, const std::string& text, bool) {
  long delay;
  if (!ParseInteger(text, &delay)) return fail("--delay takes a number of hundredths of a second");
  delays_.push_back(delay);
  plan_->delayGiven = true;
  add("set " + std::to_string(row_.controls.delay) + " " + std::to_string(delay));
  return true;
}

bool Parser::palette(const HostOption&, const std::string& text, bool) {
  int kind = ParsePaletteKind(text);
  if (kind < 0) return fail("--palette: \"" + text + "\" names no palette (0 to 8, or a name from --help)");
  // The palette list is usable only with the custom palette off.
  add("uncheck " + std::to_string(row_.controls.customPalette));
  add("select " + std::to_string(row_.controls.palette) + " " + std::to_string(kind));
  palette_ = true;
  ownColours_ = true;
  return true;
}

bool Parser::quality(const HostOption&, const std::string& text, bool) {
  long level = kDefaultQualityLevel;
  if (hasInline_ && (!ParseInteger(text, &level) || level < 1 || level > 100))
    return fail("--quality=Q takes a number from 1 to 100 (\"" + text + "\" is not one)");
  plan_->quality = true;
  plan_->qualityLevel = static_cast<int>(level);
  return true;
}

bool Parser::webpQuality(const HostOption&, const std::string& text, bool) {
  long quality;
  if (!ParseInteger(text, &quality) || quality < 0 || quality > 100)
    return fail("--webp-quality takes a number from 0 to 100");
  plan_->webpQuality = static_cast<int>(quality);
  return true;
}

bool Parser::loop(const HostOption&, const std::string& text, bool) {
  long plays;
  if (!ParseInteger(text, &plays) || plays < 0 || plays > 65535)
    return fail("--loop takes how many times the animation plays, from 1 to 65535, or 0 for ever");
  plan_->plays = static_cast<int>(plays);
  return true;
}

bool Parser::frame(const HostOption&, const std::string& text, bool) {
  if (!ParseInteger(text, &plan_->frame) || plan_->frame < 1)
    return fail("--frame takes the number of a frame, from 1");
  return true;
}

bool Parser::screenshot(const HostOption& option, const std::string& text, bool) {
#ifndef _WIN32
  return fail("--" + name_ + " needs the plug-in's real dialog window, which only fwhost.exe (the Windows build) shows");
#endif
  plan_->*option.text = FullPath(text);
  if (option.text == &RunPlan::aboutScreenshot) plan_->aboutButton = row_.controls.about;
  return true;
}

bool Parser::threads(const HostOption&, const std::string& text, bool) {
  plan_->threads = ParseThreadCount(text);
  if (!plan_->threads) return fail("--threads takes a number from 1 to " + std::to_string(kMaxBuildThreads));
  return true;
}

bool Parser::withoutCapability(const HostOption& option, const std::string&, bool) {
  plan_->capabilities &= ~(NamesOf(option)[0] == "without-optimise" ? HostCapsOptimise : HostCapsTrueColour);
  return true;
}

bool Parser::paste(const HostOption&, const std::string& text, bool) {
  if (!row_.pasteButton && row_.name[0])
    return fail(std::string("--paste: ") + row_.name + " has no Paste button; give the picture as a file instead");
  plan_->clipboardFile = FullPath(text);
  plan_->pictures.push_back(plan_->clipboardFile);
  if (row_.pasteButton) add("click " + std::to_string(row_.pasteButton));
  return true;
}

bool Parser::controlPair(const HostOption&, const std::string& text, bool) {
  int id;
  std::string rest;
  if (!idPair(text, &id, &rest)) return false;
  add(name_ + " " + std::to_string(id) + " " + rest);
  return true;
}

bool Parser::controlId(const HostOption&, const std::string& text, bool) {
  int id;
  if (!idValue(text, &id)) return false;
  add(name_ + " " + std::to_string(id));
  if (id == row_.controls.trueColour && name_ != "click") plan_->trueColour = name_ == "check" ? 1 : 0;
  return true;
}

bool Parser::open(const HostOption&, const std::string& text, bool) {
  plan_->pictures.push_back(FullPath(text));
  push(Step{"", {FullPath(text)}, false, 0, false, ""});
  return true;
}

bool Parser::colour(const HostOption&, const std::string& text, bool) {
  int32_t colour = ParseColour(text);
  if (colour < 0) return fail("--" + name_ + " takes a colour R,G,B or #rrggbb");
  push(Step{"", {}, true, colour, false, ""});
  return true;
}

bool Parser::fit(const HostOption&, const std::string& text, bool) {
  if (!ParseSize(text, kMaxFitSide, &plan_->fitWidth, &plan_->fitHeight))
    return fail("--fit takes WIDTHxHEIGHT, for example 1280x720 (each from 1 to " + std::to_string(kMaxFitSide) + ")");
  return true;
}

bool Parser::maxMemory(const HostOption&, const std::string& text, bool) {
  if (!ParseMemorySize(text, &plan_->maxMemory)) return fail("--max-memory takes a size such as 2G, 1500M or 800MiB");
  return true;
}

void Parser::finish() {
  bool pictureSeen = false;
  for (Step& step : steps_) {
    if (step.picture && together_) {
      if (pictureSeen) continue;  // joined to the first picture's selection
      pictureSeen = true;
      for (const Step& other : steps_)
        if (other.picture && &other != &step) step.selection.push_back(other.selection[0]);
    }
    if (!step.action.empty()) {
      plan_->actions.push_back(step.action);
      plan_->origins.push_back(step.origin);
    }
    if (!step.selection.empty()) plan_->selections.push_back(step.selection);
    if (step.hasColour) plan_->colours.push_back(step.colour);
  }
  plan_->actions.push_back("click " + std::to_string(test_ ? row_.controls.test : 1));
  plan_->origins.push_back(test_ ? "--test" : "pressing OK");
}

bool Parser::run() {
  plan_->capabilities = HostCapsOptimise | HostCapsTrueColour;
  for (at_ = 0; at_ < words_.size(); ++at_) {
    const std::string& word = words_[at_];
    origin_ = word;
    const HostOption* shortOption = nullptr;
    for (const HostOption& option : Options())
      if (option.shortName && word == option.shortName) shortOption = &option;
    if (shortOption) {
      name_ = NamesOf(*shortOption)[0];
      hasInline_ = false;
      if (!common(*shortOption, false)) return false;
      continue;
    }
    if (!SplitOption(word, &name_, &inline_, &hasInline_)) {
      if (word == "-") return fail("\"-\" is not a picture; to write to standard output, give -o -");
      if (word.size() > 1 && word[0] == '-') return fail("unknown option " + word);
      if (!addPicture(word)) return false;
      continue;
    }
    bool negated = name_.compare(0, 3, "no-") == 0;
    const EffectOption* match = nullptr;
    for (size_t i = 0; i < row_.optionCount; ++i) {
      const EffectOption& option = row_.options[i];
      bool takesNo = option.kind == OptionKind::Toggle;
      if (name_ == option.name || (takesNo && negated && name_.substr(3) == option.name)) match = &option;
    }
    if (match) {
      if (!effectOption(*match, negated && name_ != match->name)) return false;
      continue;
    }
    bool off = false;
    if (const HostOption* option = findCommon(&off)) {
      if (!common(*option, off)) return false;
      continue;
    }
    {
      std::string wanted = negated ? name_.substr(3) : name_, closest;
      size_t best = 3;  // at most two letters wrong
      auto consider = [&](const std::string& name) {
        size_t distance = EditDistance(wanted, name);
        if (distance < best) {
          best = distance;
          closest = name;
        }
      };
      for (size_t i = 0; i < row_.optionCount; ++i) consider(row_.options[i].name);
      for (const HostOption& option : Options())
        if (option.available)
          for (const std::string& name : NamesOf(option)) consider(name);
      return fail("unknown option --" + name_ + (row_.name[0] ? " for " + std::string(row_.name) : "") +
                  (closest.empty() ? "" : " (did you mean --" + std::string(negated ? "no-" : "") + closest + "?)"));
    }
  }
  if (plan_->help) return true;
  int maximum = (plan_->capabilities & HostCapsOptimise) ? row_.delayMaximum : row_.delayMaximumPlain;
  for (long delay : delays_)
    if (delay < row_.delayMinimum || delay > maximum)
      return fail("--delay takes a number from " + std::to_string(row_.delayMinimum) + " to " + std::to_string(maximum));
  if (row_.sources == SourceKind::PictureList && plan_->pictureCount == 0 && plan_->clipboardFile.empty() &&
      !plan_->dialogOnly)
    return fail(std::string(row_.name) + " needs at least one picture");
  // Options this run would otherwise drop without a word.
  if (plan_->webpQuality >= 0 && !IsWebpName(plan_->output))
    return fail("--webp-quality sets the quality of a .webp output, and " +
                (plan_->output.empty() ? std::string("no output") : plan_->output) + " is not one");
  qualityAsked_ = plan_->quality;
  if (plan_->quality && plan_->webpQuality >= 0)
    return fail("--webp-quality makes a lossy WebP of the true-colour frames, which --quality replaces with the host's "
                "GIF frames: give one of them");
  if (plan_->quality && palette_)
    return fail("--palette sets the plug-in's own colours, which --quality replaces with the host's: give one of them");
  if (plan_->quality && plan_->pluginColours)
    return fail("--plugin-colours writes the plug-in's own colours, which --quality replaces with the host's: give one "
                "of them");
  // Without an option that sets the plug-in's own colours, a GIF output is the host's
  // quality GIF and a PNG or WebP output holds the true-colour frames. A capture alone
  // records what the plug-in delivers with its own settings.
  const bool ownColours = ownColours_ || plan_->pluginColours;
  const bool gifOutput = !plan_->output.empty() && !IsWebpName(plan_->output) && !IsPngName(plan_->output);
  if (!ownColours && gifOutput && (plan_->capabilities & HostCapsTrueColour)) plan_->quality = true;
  if (test_ && supercompressed_)
    plan_->warnings.push_back("--supercompress has no effect on a Test build (only OK builds supercompress)");
  // GIFs the host reduces itself and WebP files start from true-colour frames: the host
  // ticks Truecolour last, as a user would before OK.
  plan_->wantsTrueColour =
      plan_->quality || (!ownColours && (IsWebpName(plan_->output) || IsPngName(plan_->output)));
  if (plan_->wantsTrueColour && !(plan_->capabilities & HostCapsTrueColour)) {
    if (qualityAsked_) return fail("--quality needs the true-colour capability (leave out --without-truecolour)");
    plan_->wantsTrueColour = false;  // a WebP of the paletted frames
  }
  if (plan_->wantsTrueColour) add("check " + std::to_string(row_.controls.trueColour));
  finish();
  return true;
}

void PrintOption(std::FILE* out, const std::string& left, const std::string& help) {
  std::fprintf(out, "  %-24s %s\n", left.c_str(), help.c_str());
}

}  // namespace

bool HasSuffix(const std::string& path, const std::string& suffix) {
  if (path.size() < suffix.size()) return false;
  std::string end = path.substr(path.size() - suffix.size());
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == suffix;
}

bool IsWebpName(const std::string& path) { return HasSuffix(path, ".webp"); }
bool IsPngName(const std::string& path) { return HasSuffix(path, ".png"); }

bool ParseRunOptions(const EffectRow& row, const std::vector<std::string>& words, RunPlan* plan, std::string* error) {
  Parser parser(row, words, plan, error);
  return parser.run();
}

std::string ActionScript(const RunPlan& plan) {
  std::string script;
  for (const std::string& action : plan.actions) script += action + "\n";
  return script;
}

int ParsePaletteKind(const std::string& text) {
  long number;
  if (ParseInteger(text, &number)) {
    if (number >= 0 && number < kPaletteKindCount) return static_cast<int>(number);
    if (number < 0) return -1;  // not the beginning of a name either ("-1" is no "16 ...")
  }
  std::string wanted = Normalised(text);
  if (wanted.empty()) return -1;
  int found = -1;
  for (int kind = 0; kind < kPaletteKindCount; ++kind) {
    std::string name = Normalised(PaletteKindName(kind));
    if (name == wanted) return kind;
    if (name.compare(0, wanted.size(), wanted) == 0) {
      if (found >= 0) return -1;  // more than one begins so
      found = kind;
    }
  }
  return found;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

bool ParseSize(const std::string& text, int limit, int* width, int* height) {
  size_t by = text.find_first_of("xX");
  long w, h;
  if (by == std::string::npos || !ParseInteger(text.substr(0, by), &w) || !ParseInteger(text.substr(by + 1), &h))
    return false;
  if (w < 1 || h < 1 || w > limit || h > limit) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool ParseMemorySize(const std::string& text, uint64_t* bytes) {
  size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  if (digits == 0 || digits > 15) return false;
  uint64_t number = std::stoull(text.substr(0, digits));
  std::string unit = Normalised(text.substr(digits));
  if (unit.size() > 1 && (unit.substr(1) == "b" || unit.substr(1) == "ib")) unit = unit.substr(0, 1);
  const std::string units = "kmgt";
  int shift = 0;
  if (unit.empty() || unit == "b") shift = 0;
  else if (unit.size() == 1 && units.find(unit[0]) != std::string::npos) shift = 10 * (1 + static_cast<int>(units.find(unit[0])));
  else return false;
  if (number == 0 || number > (UINT64_MAX >> shift)) return false;
  *bytes = number << shift;
  return true;
}

int32_t ParseColour(const std::string& text) {
  if (text.size() == 7 && text[0] == '#') {
    char* end = nullptr;
    long value = std::strtol(text.c_str() + 1, &end, 16);
    if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(text[1]))) return -1;
    return PackColour((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
  }
  long parts[3];
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    size_t comma = text.find(',', start);
    if ((i < 2) != (comma != std::string::npos)) return -1;
    if (!ParseInteger(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), &parts[i]) ||
        parts[i] < 0 || parts[i] > 255)
      return -1;
    start = comma + 1;
  }
  return PackColour(parts[0], parts[1], parts[2]);
}

std::vector<manual::Entry> EffectOptionEntries(const EffectRow& row) {
  std::vector<manual::Entry> entries;
  for (size_t i = 0; i < row.optionCount; ++i) {
    const EffectOption& o = row.options[i];
    std::string name = std::string("--") + o.name;
    std::string help = o.help;
    switch (o.kind) {
      case OptionKind::Number:
        name += " N";
        help += " (" + std::to_string(o.minimum) + " to " + std::to_string(o.maximum) + "; built-in " + o.defaultText + ")";
        break;
      case OptionKind::Press:
        if (o.defaultText[0]) help += " (built-in)";
        break;
      case OptionKind::Toggle:
        name = "--[no-]" + std::string(o.name);
        help += std::string(" (built-in ") + o.defaultText + ")";
        break;
      case OptionKind::Choice: {
        name += " WORD";
        help += ": ";
        for (const OptionChoice* c = o.choices; c->word; ++c) help += std::string(c == o.choices ? "" : ", ") + c->word;
        help += std::string(" (built-in ") + o.defaultText + "; top-left, tl and the like also work)";
        break;
      }
      case OptionKind::Colour:
        name += " R,G,B";
        help += std::string(" (built-in ") + o.defaultText + ")";
        break;
      case OptionKind::ListColour:
        name += " I=R,G,B";
        help += " (I from " + std::to_string(o.minimum) + " to " + std::to_string(o.maximum) + "; built-in " +
                o.defaultText + ")";
        break;
    }
    entries.push_back({name, help});
  }
  return entries;
}

void PrintEffectHelp(const EffectRow& row, std::FILE* out) {
  const char* pictures = row.sources == SourceKind::PictureList     ? " PICTURES..."
                         : row.sources == SourceKind::SinglePicture ? " [PICTURE]"
                                                                    : "";
  std::fprintf(out, "usage: fwhost %s%s [OPTIONS...] -o OUTPUT.gif\n\n%s: %s.\n", row.name, pictures, row.title,
               row.summary);
  if (row.sources == SourceKind::PictureList)
    std::fprintf(out, "Each picture is added with one press of the Add button, in the order given.\n");
  if (row.sources == SourceKind::SinglePicture)
    std::fprintf(out, "The picture is chosen with Select image; without one, the last picture used is taken.\n");
  if (row.optionCount) std::fprintf(out, "\n%s options (built-in values shown; each run starts from them unless --remember):\n", row.title);
  for (const manual::Entry& entry : EffectOptionEntries(row)) PrintOption(out, entry.term, entry.text);
  std::fprintf(out, "\nDelay: %d to %d hundredths of a second (%d to %d with --without-optimise); built-in %d.\n",
               row.delayMinimum, row.delayMaximum, row.delayMinimum, row.delayMaximumPlain, row.delayDefault);
  std::fprintf(out, "\n");
  PrintCommonHelp(out);
}

std::vector<manual::Entry> CommonOptionEntries(bool controls) {
  std::vector<manual::Entry> entries;
  for (const HostOption& option : Parser::Options()) {
    if (option.controlGroup != controls || !option.available) continue;
    entries.push_back({std::string(option.shortName ? std::string(option.shortName) + ", " : "") + "--" +
                           (option.negatable ? "[no-]" : "") + NamesOf(option)[0] +
                           (option.argument ? (option.argument[0] == '[' ? "" : " ") + std::string(option.argument) : ""),
                       option.help});
  }
  return entries;
}

void PrintCommonHelp(std::FILE* out) {
  for (bool controls : {false, true}) {
    std::fprintf(out, controls ? "Driving any control (ids of the effect's dialog):\n" : "Options of every effect:\n");
    for (const manual::Entry& entry : CommonOptionEntries(controls)) {
      for (size_t begin = 0;;) {
        size_t end = entry.text.find('\n', begin);
        PrintOption(out, begin == 0 ? entry.term : "", entry.text.substr(begin, end - begin));
        if (end == std::string::npos) break;
        begin = end + 1;
      }
    }
  }
}
