#include "host/dialog_controls.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "framework/effect_manifest.h"

namespace {

// Just enough of a JSON reader for the dialog's description: objects, arrays, strings,
// numbers and the three words.
struct Value {
  enum class Kind { Null, Bool, Number, Text, Array, Object } kind = Kind::Null;
  bool flag = false;
  double number = 0;
  std::string text;
  std::vector<Value> items;
  std::map<std::string, Value> fields;

  const Value& operator[](const std::string& name) const {
    static const Value kNone;
    auto found = fields.find(name);
    return found == fields.end() ? kNone : found->second;
  }
  int integer() const { return static_cast<int>(number); }
};

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  bool read(Value* out) {
    if (!value(out, 0)) return false;
    space();
    return at_ == text_.size();
  }

 private:
  void space() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool take(char c) {
    space();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool word(const char* w) {
    size_t n = std::char_traits<char>::length(w);
    if (text_.compare(at_, n, w) != 0) return false;
    at_ += n;
    return true;
  }
  bool string(std::string* out) {
    if (!take('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c != '\\') {
        *out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      char e = text_[at_++];
      switch (e) {
        case 'n': *out += '\n'; break;
        case 't': *out += '\t'; break;
        case 'r': *out += '\r'; break;
        case 'b': *out += '\b'; break;
        case 'f': *out += '\f'; break;
        case 'u': {
          if (at_ + 4 > text_.size()) return false;
          long code = std::strtol(text_.substr(at_, 4).c_str(), nullptr, 16);
          at_ += 4;
          // An escaped character is written as UTF-8, for the terminal.
          if (code < 0x80) *out += static_cast<char>(code);
          else if (code < 0x800) *out += {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
          else *out += {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (code & 0x3F))};
          break;
        }
        default: *out += e;
      }
    }
    return at_++ < text_.size();
  }
  bool value(Value* out, int depth) {
    if (depth > 16) return false;
    space();
    if (at_ >= text_.size()) return false;
    char c = text_[at_];
    if (c == '{') {
      ++at_;
      out->kind = Value::Kind::Object;
      if (take('}')) return true;
      do {
        std::string name;
        if (!string(&name) || !take(':') || !value(&out->fields[name], depth + 1)) return false;
      } while (take(','));
      return take('}');
    }
    if (c == '[') {
      ++at_;
      out->kind = Value::Kind::Array;
      if (take(']')) return true;
      do {
        out->items.emplace_back();
        if (!value(&out->items.back(), depth + 1)) return false;
      } while (take(','));
      return take(']');
    }
    if (c == '"') {
      out->kind = Value::Kind::Text;
      return string(&out->text);
    }
    if (word("true") || word("false")) {
      out->kind = Value::Kind::Bool;
      out->flag = text_[at_ - 1] == 'e' && text_[at_ - 4] == 't';
      return true;
    }
    if (word("null")) return true;
    char* end = nullptr;
    out->number = std::strtod(text_.c_str() + at_, &end);
    if (end == text_.c_str() + at_) return false;
    out->kind = Value::Kind::Number;
    at_ = static_cast<size_t>(end - text_.c_str());
    return true;
  }

  const std::string& text_;
  size_t at_ = 0;
};

// A label's text without its keyboard mark ("&Add" is "Add").
std::string Plain(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&') continue;
    out += text[i] == '\n' ? ' ' : text[i];
  }
  return out;
}

}  // namespace

std::string DialogControlsTable(const EffectRow& row, const std::string& state) {
  Value dialog;
  if (!Reader(state).read(&dialog) || dialog["controls"].kind != Value::Kind::Array) return "";
  const std::vector<Value>& controls = dialog["controls"].items;
  std::map<int, const Value*> byId;
  for (const Value& control : controls) byId[control["id"].integer()] = &control;
  // The friendly options that work a control: the effect's own, then every effect's.
  std::map<int, std::string> friendly;
  auto name = [&friendly](int id, const std::string& option) {
    if (id > 0) friendly[id] += (friendly[id].empty() ? "" : ", ") + option;
  };
  for (size_t i = 0; i < row.optionCount; ++i) {
    const EffectOption& option = row.options[i];
    if (option.kind == OptionKind::Choice)
      for (const OptionChoice* c = option.choices; c->word; ++c) name(c->id, "--" + std::string(option.name) + " " + c->word);
    else
      name(option.id, std::string(option.kind == OptionKind::Toggle ? "--[no-]" : "--") + option.name);
  }
  const CommonControls& common = row.controls;
  name(common.delay, "--delay");
  name(common.palette, "--palette");
  name(common.customPalette, "--[no-]custom-palette");
  name(common.dither, "--[no-]dither");
  name(common.trueColour, "--[no-]truecolour");
  name(common.supercompress, "--[no-]supercompress");
  name(common.comment, "--[no-]comment");
  name(common.test, "--test");

  std::string out = Plain(dialog["title"].text) + ": the dialog's controls, as they stand before OK\n";
  out += "  id    kind    state             label and value                        worked by\n";
  std::string label;  // the text of the label before a field names it
  for (const Value& control : controls) {
    const std::string kind = control["kind"].text;
    const int id = control["id"].integer();
    const std::string text = Plain(control["text"].text);
    if (kind == "label") {
      label = text;
      continue;
    }
    if (id < 0 || kind == "group" || kind == "updown") continue;
    std::string shown = text, how, status = control["enabled"].flag ? "" : "disabled";
    auto add = [&status](const std::string& word) { status += (status.empty() ? "" : ", ") + word; };
    if (kind == "check") {
      add(control["checked"].flag ? "checked" : "unchecked");
      how = "--check/--uncheck " + std::to_string(id);
    } else if (kind == "radio") {
      if (control["checked"].flag) add("chosen");
      how = "--click " + std::to_string(id);
    } else if (kind == "edit") {
      shown = (label.empty() ? "" : label + " ") + "\"" + text + "\"";
      auto upDown = byId.find(id + kUpDownOffset);
      if (upDown != byId.end())
        shown += " (" + std::to_string((*upDown->second)["minimum"].integer()) + " to " +
                 std::to_string((*upDown->second)["maximum"].integer()) + ")";
      how = "--set " + std::to_string(id) + "=TEXT";
    } else if (kind == "list" || kind == "combo") {
      const std::vector<Value>& items = control["items"].items;
      const int selected = control["selection"].integer();
      shown = (label.empty() ? "" : label + " ") + std::to_string(items.size()) + " items";
      if (selected >= 0 && static_cast<size_t>(selected) < items.size())
        shown += ", item " + std::to_string(selected) + " \"" + Plain(items[selected].text) + "\" chosen";
      how = "--select " + std::to_string(id) + "=INDEX" + (kind == "list" ? ", --dblclick " + std::to_string(id) + "=INDEX" : "");
    } else {
      how = "--click " + std::to_string(id);
    }
    if (kind != "edit" && kind != "list" && kind != "combo") shown = "\"" + text + "\"";
    label.clear();
    auto names = friendly.find(id);
    if (names != friendly.end()) how += ", " + names->second;
    char line[160];
    std::snprintf(line, sizeof line, "  %-5d %-7s %-17s %-38s %s\n", id, kind.c_str(), status.c_str(), shown.c_str(),
                  how.c_str());
    out += line;
  }
  return out;
}
