#include "host/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "framework/host_interface.h"
#include "framework/palette.h"
#include "framework/parallel.h"
#include "host/preflight.h"

namespace {

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

// The options every effect has, for suggestions.
const char* const kCommonOptionNames[] = {
    "output", "capture", "screenshot", "screenshot-about", "delay", "palette", "custom-palette", "dither",
    "truecolour", "supercompress", "comment", "test", "paste", "add-together", "remember", "forget", "fresh",
    "keep-going", "fit", "max-memory", "quiet", "help", "without-optimise", "without-truecolour", "plugin-dir",
    "set", "check", "uncheck", "click", "select", "dblclick", "open", "colour"};

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
  if (n == "dither" || n == "no-dither") plan_->qualityDither = n == "dither";
  for (const Toggle& t : toggles) {
    if (n == t.name || n == std::string("no-") + t.name) {
      add((n == t.name ? "check " : "uncheck ") + std::to_string(t.id));
      if (t.id == c.trueColour) plan_->trueColour = n == t.name ? 1 : 0;
      return true;
    }
  }
  if (n == "delay") {
    long delay;
    if (!value(&text)) return false;
    if (!ParseInteger(text, &delay)) return fail("--delay takes a number of hundredths of a second");
    delays_.push_back(delay);
    plan_->delayGiven = true;
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
  } else if (n == "quality") {
    plan_->quality = true;
  } else if (n == "webp-quality") {
    long quality;
    if (!value(&text)) return false;
    if (!ParseInteger(text, &quality) || quality < 0 || quality > 100) return fail("--webp-quality takes a number from 0 to 100");
    plan_->webpQuality = static_cast<int>(quality);
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
    if (!row_.pasteButton && row_.name[0])
      return fail(std::string("--paste: ") + row_.name + " has no Paste button; give the picture as a file instead");
    plan_->clipboardFile = FullPath(text);
    plan_->pictures.push_back(plan_->clipboardFile);
    if (row_.pasteButton) add("click " + std::to_string(row_.pasteButton));
  } else if (n == "set" || n == "select" || n == "dblclick") {
    std::string rest;
    if (!value(&text) || !idPair(text, &id, &rest)) return false;
    add(n + " " + std::to_string(id) + " " + rest);
  } else if (n == "check" || n == "uncheck" || n == "click") {
    if (!value(&text) || !idValue(text, &id)) return false;
    add(n + " " + std::to_string(id));
    if (id == c.trueColour && n != "click") plan_->trueColour = n == "check" ? 1 : 0;
  } else if (n == "open") {
    if (!value(&text)) return false;
    plan_->pictures.push_back(FullPath(text));
    push(Step{"", {FullPath(text)}, false, 0, false, ""});
  } else if (n == "colour" || n == "color") {
    if (!value(&text)) return false;
    int32_t colour = ParseColour(text);
    if (colour < 0) return fail("--" + n + " takes a colour R,G,B or #rrggbb");
    push(Step{"", {}, true, colour, false, ""});
  } else if (n == "remember") {
    plan_->remember = true;
  } else if (n == "forget") {
    plan_->forget = true;
  } else if (n == "keep-going") {
    plan_->keepGoing = true;
  } else if (n == "fit") {
    if (!value(&text)) return false;
    if (!ParseSize(text, kMaxFitSide, &plan_->fitWidth, &plan_->fitHeight))
      return fail("--fit takes WIDTHxHEIGHT, for example 1280x720 (each from 1 to " + std::to_string(kMaxFitSide) + ")");
  } else if (n == "max-memory") {
    if (!value(&text)) return false;
    if (!ParseMemorySize(text, &plan_->maxMemory))
      return fail("--max-memory takes a size such as 2G, 1500M or 800MiB");
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
    bool known = false;
    if (!commonOption(&known)) return false;
    if (!known) {
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
      for (const char* name : kCommonOptionNames) consider(name);
      return fail("unknown option --" + name_ + (row_.name[0] ? " for " + std::string(row_.name) : "") +
                  (closest.empty() ? "" : " (did you mean --" + std::string(negated ? "no-" : "") + closest + "?)"));
    }
  }
  if (plan_->help) return true;
  int maximum = (plan_->capabilities & HostCapsOptimise) ? row_.delayMaximum : row_.delayMaximumPlain;
  for (long delay : delays_)
    if (delay < row_.delayMinimum || delay > maximum)
      return fail("--delay takes a number from " + std::to_string(row_.delayMinimum) + " to " + std::to_string(maximum));
  if (row_.sources == SourceKind::PictureList && plan_->pictureCount == 0 && plan_->clipboardFile.empty())
    return fail(std::string(row_.name) + " needs at least one picture");
  // GIFs the host reduces itself and WebP files start from true-colour frames: the host
  // ticks Truecolour last, as a user would before OK.
  plan_->wantsTrueColour = plan_->quality || IsWebpName(plan_->output);
  if (plan_->wantsTrueColour && !(plan_->capabilities & HostCapsTrueColour)) {
    if (plan_->quality) return fail("--quality needs the true-colour capability (leave out --without-truecolour)");
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

bool IsWebpName(const std::string& path) {
  if (path.size() < 5) return false;
  std::string suffix = path.substr(path.size() - 5);
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return suffix == ".webp";
}

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
    PrintOption(out, name, help);
  }
  std::fprintf(out, "\nDelay: %d to %d hundredths of a second (%d to %d with --without-optimise); built-in %d.\n",
               row.delayMinimum, row.delayMaximum, row.delayMinimum, row.delayMaximumPlain, row.delayDefault);
  std::fprintf(out, "\n");
  PrintCommonHelp(out);
}

void PrintCommonHelp(std::FILE* out) {
  std::fprintf(out, "Options of every effect:\n");
  PrintOption(out, "-o, --output FILE",
              kCanWriteWebp ? "write the animation: FILE.gif a GIF, FILE.png an animated PNG, FILE.webp an animated WebP,"
                            : "write the animation: FILE.gif a GIF, FILE.png an animated PNG,");
  PrintOption(out, "", "- standard output (a GIF); written whole or not at all: an earlier file of that name stays");
  PrintOption(out, "", "until the new one is complete");
  PrintOption(out, "--quality", "ask for true-colour frames and make the GIF in the host: one fine palette, dithered");
  if (kCanWriteWebp) {
    PrintOption(out, "", "(a FILE ending in .webp: an animated WebP of the true-colour frames, lossless)");
    PrintOption(out, "--webp-quality Q", "a lossy WebP at quality Q (0 to 100) instead");
  }
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
  PrintOption(out, "--paste FILE", "put the picture FILE on the clipboard and press Paste (effects with one)");
  PrintOption(out, "--add-together", "add all pictures with one press of Add, as one multiple selection");
  PrintOption(out, "--remember", "start from the plug-in's saved settings and save this run's (as the editor does)");
  PrintOption(out, "--forget", "delete the plug-in's saved settings");
  PrintOption(out, "--fresh", "start from the built-in settings (what every run does without --remember)");
  PrintOption(out, "--keep-going", "hand unreadable pictures to the plug-in, which skips them, instead of stopping");
  PrintOption(out, "--fit WxH", "scale every picture down to fit inside W x H pixels before the effect sees it");
  PrintOption(out, "--max-memory SIZE", "refuse a run whose estimated memory exceeds SIZE (2G, 1500M); default: what is free");
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
