#include "host/command_line.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "framework/host_interface.h"
#include "framework/palette.h"
#include "framework/parallel.h"

namespace {

// One step of the run, in command-line order: an action and the answers it needs.
struct Step {
  std::string action;                 // empty: the step only prepares an answer
  std::vector<std::string> selection; // answer of the file request the action causes
  bool hasColour = false;
  int32_t colour = 0;
  bool picture = false;
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

class Parser {
 public:
  Parser(const EffectRow& row, const std::vector<std::string>& words, RunPlan* plan, std::string* error)
      : row_(row), words_(words), plan_(plan), error_(error) {}

  bool run();

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
  bool commonOption(bool* known);
  bool addPicture(const std::string& path);
  void add(const std::string& action) { steps_.push_back(Step{action, {}, false, 0, false}); }
  void finish();

  const EffectRow& row_;
  const std::vector<std::string>& words_;
  RunPlan* plan_;
  std::string* error_;
  size_t at_ = 0;
  std::string name_, inline_;
  bool hasInline_ = false;
  std::vector<Step> steps_;
  bool together_ = false;
  bool test_ = false;
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
  Step step{"click " + std::to_string(row_.addButton), {FullPath(path)}, false, 0, true};
  steps_.push_back(step);
  return true;
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
      return true;
    }
    case OptionKind::Press:
      add("click " + std::to_string(option.id));
      return true;
    case OptionKind::Toggle:
      add((negated ? "uncheck " : "check ") + std::to_string(option.id));
      return true;
    case OptionKind::Choice:
      if (!value(&text)) return false;
      for (const OptionChoice* c = option.choices; c->word; ++c)
        if (text == c->word) {
          add("click " + std::to_string(c->id));
          return true;
        }
      return fail("--" + name_ + ": \"" + text + "\" is not one of the choices (see --help)");
    case OptionKind::Colour: {
      if (!value(&text)) return false;
      int32_t colour = ParseColour(text);
      if (colour < 0) return fail("--" + name_ + " takes a colour R,G,B (0 to 255 each) or #rrggbb");
      steps_.push_back(Step{"click " + std::to_string(option.id), {}, true, colour, false});
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
      steps_.push_back(Step{"dblclick " + where, {}, true, colour, false});
      return true;
    }
  }
  return false;
}

// Options every effect has. `known` is false when the name is not one of them.
bool Parser::commonOption(bool* known) {
  const CommonControls& c = row_.controls;
  const std::string& n = name_;
  std::string text;
  int id;
  *known = true;
  struct Toggle {
    const char* name;
    int id;
  };
  const Toggle toggles[] = {{"custom-palette", c.customPalette}, {"dither", c.dither},
                            {"truecolour", c.trueColour},        {"truecolor", c.trueColour},
                            {"true-colour", c.trueColour},       {"true-color", c.trueColour},
                            {"supercompress", c.supercompress},  {"comment", c.comment}};
  for (const Toggle& t : toggles) {
    if (n == t.name || n == std::string("no-") + t.name) {
      add((n == t.name ? "check " : "uncheck ") + std::to_string(t.id));
      return true;
    }
  }
  if (n == "delay") {
    long delay;
    if (!value(&text)) return false;
    if (!ParseInteger(text, &delay)) return fail("--delay takes a number");
    delays_.push_back(delay);
    add("set " + std::to_string(c.delay) + " " + std::to_string(delay));
  } else if (n == "palette") {
    if (!value(&text)) return false;
    int kind = ParsePaletteKind(text);
    if (kind < 0) return fail("--palette: \"" + text + "\" names no palette (0 to 8, or a name from --help)");
    // The palette list is usable only with the custom palette off.
    add("uncheck " + std::to_string(c.customPalette));
    add("select " + std::to_string(c.palette) + " " + std::to_string(kind));
  } else if (n == "test") {
    test_ = true;
  } else if (n == "output") {
    return value(&plan_->output);
  } else if (n == "capture") {
    return value(&plan_->capture);
  } else if (n == "screenshot") {
    if (!value(&text)) return false;
    plan_->screenshot = FullPath(text);
  } else if (n == "screenshot-about") {
    if (!value(&text)) return false;
    plan_->aboutScreenshot = FullPath(text);
    plan_->aboutButton = c.about;
  } else if (n == "plugin-dir") {
    return value(&plan_->pluginDirectory);
  } else if (n == "threads") {
    if (!value(&text)) return false;
    plan_->threads = ParseThreadCount(text);
    if (!plan_->threads) return fail("--threads takes a number from 1 to " + std::to_string(kMaxBuildThreads));
  } else if (n == "quiet") {
    plan_->quiet = true;
  } else if (n == "fresh") {
    plan_->fresh = true;
  } else if (n == "help") {
    plan_->help = true;
  } else if (n == "add-together") {
    together_ = true;
  } else if (n == "without-optimise" || n == "without-optimize") {
    plan_->capabilities &= ~HostCapsOptimise;
  } else if (n == "without-truecolour" || n == "without-truecolor") {
    plan_->capabilities &= ~HostCapsTrueColour;
  } else if (n == "paste") {
    if (!value(&text)) return false;
    plan_->clipboardFile = FullPath(text);
    if (row_.pasteButton) add("click " + std::to_string(row_.pasteButton));
  } else if (n == "set" || n == "select" || n == "dblclick") {
    std::string rest;
    if (!value(&text) || !idPair(text, &id, &rest)) return false;
    add(n + " " + std::to_string(id) + " " + rest);
  } else if (n == "check" || n == "uncheck" || n == "click") {
    if (!value(&text) || !idValue(text, &id)) return false;
    add(n + " " + std::to_string(id));
  } else if (n == "open") {
    if (!value(&text)) return false;
    steps_.push_back(Step{"", {FullPath(text)}, false, 0, false});
  } else if (n == "colour" || n == "color") {
    if (!value(&text)) return false;
    int32_t colour = ParseColour(text);
    if (colour < 0) return fail("--" + n + " takes a colour R,G,B or #rrggbb");
    steps_.push_back(Step{"", {}, true, colour, false});
  } else {
    *known = false;
  }
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
    if (!step.action.empty()) plan_->actions.push_back(step.action);
    if (!step.selection.empty()) plan_->selections.push_back(step.selection);
    if (step.hasColour) plan_->colours.push_back(step.colour);
  }
  plan_->actions.push_back("click " + std::to_string(test_ ? row_.controls.test : 1));
}

bool Parser::run() {
  plan_->capabilities = HostCapsOptimise | HostCapsTrueColour;
  for (at_ = 0; at_ < words_.size(); ++at_) {
    const std::string& word = words_[at_];
    if (word == "-o") {
      name_ = "output";
      hasInline_ = false;
      if (!value(&plan_->output)) return false;
      continue;
    }
    if (word == "-q" || word == "-h") {
      (word == "-q" ? plan_->quiet : plan_->help) = true;
      continue;
    }
    if (!SplitOption(word, &name_, &inline_, &hasInline_)) {
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
    bool known = false;
    if (!commonOption(&known)) return false;
    if (!known) return fail("unknown option --" + name_ + (row_.name[0] ? " for " + std::string(row_.name) : ""));
  }
  if (plan_->help) return true;
  int maximum = (plan_->capabilities & HostCapsOptimise) ? row_.delayMaximum : row_.delayMaximumPlain;
  for (long delay : delays_)
    if (delay < row_.delayMinimum || delay > maximum)
      return fail("--delay takes a number from " + std::to_string(row_.delayMinimum) + " to " + std::to_string(maximum));
  if (row_.sources == SourceKind::PictureList && plan_->pictureCount == 0 && plan_->clipboardFile.empty())
    return fail(std::string(row_.name) + " needs at least one picture");
  if (row_.library == nullptr && row_.sources == SourceKind::PictureList && plan_->pictureCount < 2)
    return fail(std::string(row_.name) + " needs at least two pictures");
  finish();
  return true;
}

void PrintOption(std::FILE* out, const std::string& left, const std::string& help) {
  std::fprintf(out, "  %-24s %s\n", left.c_str(), help.c_str());
}

}  // namespace

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
  if (ParseInteger(text, &number) && number >= 0 && number < kPaletteKindCount) return static_cast<int>(number);
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
  if (row.optionCount) std::fprintf(out, "\n%s options (built-in values shown; the plug-in remembers the last ones):\n", row.title);
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
        help += std::string(" (built-in ") + o.defaultText + ")";
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
    PrintOption(out, name, help);
  }
  std::fprintf(out, "\nDelay: %d to %d hundredths of a second (%d to %d with --without-optimise); built-in %d.\n",
               row.delayMinimum, row.delayMaximum, row.delayMinimum, row.delayMaximumPlain, row.delayDefault);
  std::fprintf(out, "\n");
  PrintCommonHelp(out);
}

void PrintCommonHelp(std::FILE* out) {
  std::fprintf(out, "Options of every effect:\n");
  PrintOption(out, "-o, --output FILE", "write the animation: a GIF, or an animated PNG when FILE ends in .png");
  PrintOption(out, "--capture FILE", "write a text dump of everything delivered (for tests and comparisons)");
  PrintOption(out, "--screenshot FILE", "fwhost.exe: save the dialog as it looks before it closes (BMP)");
  PrintOption(out, "--screenshot-about FILE", "fwhost.exe: then open the About box and save it too (BMP)");
  PrintOption(out, "--delay N", "delay of every frame, in hundredths of a second");
  PrintOption(out, "--palette N|NAME", "use a fixed palette (turns the custom palette off):");
  for (int kind = 0; kind < kPaletteKindCount; ++kind)
    PrintOption(out, "", std::to_string(kind) + " " + PaletteKindName(kind));
  PrintOption(out, "--[no-]custom-palette", "build an optimised palette from the frames (built-in on)");
  PrintOption(out, "--[no-]dither", "reduce colours with error diffusion (built-in on)");
  PrintOption(out, "--[no-]truecolour", "deliver 24-bit frames without colour reduction (built-in off)");
  PrintOption(out, "--[no-]supercompress", "make unchanged pixels transparent after the first frame (built-in off)");
  PrintOption(out, "--[no-]comment", "add the descriptive comment block (built-in on)");
  PrintOption(out, "--test", "press Test instead of OK (a trial build: no Supercompress)");
  PrintOption(out, "--paste FILE", "put the picture FILE on the clipboard and press Paste");
  PrintOption(out, "--add-together", "add all pictures with one press of Add, as one multiple selection");
  PrintOption(out, "--fresh", "start from the built-in settings and keep none afterwards");
  PrintOption(out, "--quiet, -q", "show no status or progress");
  PrintOption(out, "--threads N", "threads to share the work among, 1 to 64 (built-in: one per processor)");
  PrintOption(out, "--without-optimise", "a host without the optimise capability (long delays, no Supercompress)");
  PrintOption(out, "--without-truecolour", "a host without the true-colour capability");
  PrintOption(out, "--plugin-dir DIR", "look for plug-ins in DIR first");
  std::fprintf(out, "Driving any control (ids of the effect's dialog):\n");
  PrintOption(out, "--set ID=TEXT", "type TEXT into edit field ID");
  PrintOption(out, "--check ID, --uncheck ID", "set check box ID");
  PrintOption(out, "--click ID", "press button ID");
  PrintOption(out, "--select ID=INDEX", "choose item INDEX (from 0) of list or combo box ID");
  PrintOption(out, "--dblclick ID=INDEX", "double-click item INDEX of list ID");
  PrintOption(out, "--open FILE", "answer the next file request with FILE");
  PrintOption(out, "--colour R,G,B", "answer the next colour request with R,G,B");
}
