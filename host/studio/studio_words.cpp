#include "host/studio/studio_words.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "host/command_line.h"

namespace {

// A number written plainly (no sign, no leading zero), so that the option that types it
// types the same text.
bool Number(const std::string& text, long minimum, long maximum, long* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *value = std::strtol(text.c_str(), nullptr, 10);
  return std::to_string(*value) == text && *value >= minimum && *value <= maximum;
}

// "#rrggbb" as "R,G,B"; empty when malformed.
std::string ColourWords(const std::string& text) {
  int32_t colour = text.size() == 7 && text[0] == '#' ? ParseColour(text) : -1;
  if (colour < 0) return std::string();
  return std::to_string(colour & 0xFF) + "," + std::to_string((colour >> 8) & 0xFF) + "," +
         std::to_string((colour >> 16) & 0xFF);
}

const EffectOption* OptionOf(const EffectRow& row, OptionKind kind, int id) {
  for (size_t i = 0; i < row.optionCount; ++i)
    if (row.options[i].kind == kind && row.options[i].id == id) return &row.options[i];
  return nullptr;
}

// The common check boxes with options of their own.
const char* CommonToggleName(const EffectRow& row, int id) {
  const CommonControls& c = row.controls;
  if (id == c.dither) return "dither";
  if (id == c.customPalette) return "custom-palette";
  if (id == c.trueColour) return "truecolour";
  if (id == c.supercompress) return "supercompress";
  if (id == c.comment) return "comment";
  return nullptr;
}

class Translator {
 public:
  Translator(const EffectRow& row, const StudioFileLookup& files, StudioWords* words, std::string* error)
      : row_(row), files_(files), words_(words), error_(error) {}

  bool step(const std::string& line);

 private:
  bool fail(const std::string& text) {
    *error_ = text;
    return false;
  }
  void both(const std::string& word) {
    words_->run.push_back(word);
    words_->shown.push_back(word);
  }
  bool file(const std::string& name, bool paste);

  const EffectRow& row_;
  const StudioFileLookup& files_;
  StudioWords* words_;
  std::string* error_;
};

bool Translator::file(const std::string& name, bool paste) {
  std::string path, shown;
  if (!files_(name, &path, &shown)) return fail("no uploaded picture " + name);
  if (paste) {
    both("--paste");
    words_->run.push_back(path);
    words_->shown.push_back(shown);
    return true;
  }
  // A picture's own name could be read as an option.
  words_->run.push_back(path);
  words_->shown.push_back(shown.empty() || shown[0] == '-' ? "./" + shown : shown);
  return true;
}

bool Translator::step(const std::string& line) {
  std::istringstream in(line);
  std::string verb, first, second, third;
  in >> verb >> first;
  long id = 0;
  if (verb == "picture" || verb == "paste") {
    if (first.empty() || in >> second) return fail("\"" + line + "\" names one file");
    return file(first, verb == "paste");
  }
  if (!Number(first, 0, 65535, &id)) return fail("\"" + line + "\" names no control");
  // OK, Test and Cancel end the steps rather than being among them: they are the
  // page's build requests.
  if (id == 1 || id == 2 || id == row_.controls.test)
    return fail("\"" + line + "\": OK, Test and Cancel are not steps; ask for a build");
  const std::string ids = std::to_string(id);
  if (verb == "set") {
    // The text is everything after "set ID ", spaces and all.
    std::string text = line.size() > 5 + first.size() ? line.substr(5 + first.size()) : std::string();
    long value;
    const EffectOption* option = OptionOf(row_, OptionKind::Number, static_cast<int>(id));
    if (option && Number(text, option->minimum, option->maximum, &value)) {
      both(std::string("--") + option->name);
      both(text);
    } else if (id == row_.controls.delay && Number(text, row_.delayMinimum, row_.delayMaximum, &value)) {
      both("--delay");
      both(text);
    } else {
      both("--set");
      both(ids + "=" + text);
    }
    return true;
  }
  in >> second >> third;
  std::string rest;
  if (in >> rest) return fail("\"" + line + "\" has more than a step's words");
  if (verb == "check" || verb == "uncheck" || verb == "click") {
    if (!second.empty()) return fail("\"" + line + "\" takes a control alone");
    if (verb != "click") {
      const EffectOption* option = OptionOf(row_, OptionKind::Toggle, static_cast<int>(id));
      const char* name = option ? option->name : CommonToggleName(row_, static_cast<int>(id));
      if (name) both(std::string(verb == "check" ? "--" : "--no-") + name);
      else both("--" + verb), both(ids);
      return true;
    }
    if (const EffectOption* option = OptionOf(row_, OptionKind::Press, static_cast<int>(id))) {
      both(std::string("--") + option->name);
      return true;
    }
    for (size_t i = 0; i < row_.optionCount; ++i) {
      const EffectOption& option = row_.options[i];
      if (option.kind != OptionKind::Choice) continue;
      for (const OptionChoice* c = option.choices; c->word; ++c)
        if (c->id == id) {
          both(std::string("--") + option.name);
          both(c->word);
          return true;
        }
    }
    both("--click");
    both(ids);
    return true;
  }
  long index;
  if (verb == "select" || verb == "dblclick") {
    if (!Number(second, 0, 65535, &index) || !third.empty()) return fail("\"" + line + "\" takes a control and an item");
    both("--" + verb);
    both(ids + "=" + second);
    return true;
  }
  if (verb == "colour") {
    std::string colour = ColourWords(second);
    if (colour.empty() || !third.empty()) return fail("\"" + line + "\" takes a control and a colour #rrggbb");
    if (const EffectOption* option = OptionOf(row_, OptionKind::Colour, static_cast<int>(id))) {
      both(std::string("--") + option->name);
      both(colour);
    } else {
      for (const char* word : {"--colour", colour.c_str(), "--click", ids.c_str()}) both(word);
    }
    return true;
  }
  if (verb == "listcolour") {
    std::string colour = third == "random" ? third : ColourWords(third);
    if (!Number(second, 0, 65535, &index) || colour.empty())
      return fail("\"" + line + "\" takes a list, an item and a colour #rrggbb or random");
    if (const EffectOption* option = OptionOf(row_, OptionKind::ListColour, static_cast<int>(id))) {
      both(std::string("--") + option->name);
      both(std::to_string(index + option->minimum) + "=" + colour);
    } else if (colour != "random") {
      for (const char* word : {"--colour", colour.c_str(), "--dblclick", (ids + "=" + second).c_str()}) both(word);
    } else {
      return fail("list " + ids + " takes no random colour");
    }
    return true;
  }
  return fail("\"" + line + "\" is not a step");
}

}  // namespace

bool StudioStepsToWords(const EffectRow& row, const std::string& steps, const StudioFileLookup& files,
                        StudioWords* words, std::string* error) {
  Translator translator(row, files, words, error);
  std::istringstream lines(steps);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (!translator.step(line)) return false;
  }
  return true;
}

std::string ShellCommandLine(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    bool plain = !word.empty();
    for (char c : word)
      if (!(std::isalnum(static_cast<unsigned char>(c)) || std::string("-_./=,:+@%").find(c) != std::string::npos))
        plain = false;
    if (plain) {
      line += word;
      continue;
    }
    line += '\'';
    for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}
