#include "installer/script/script_text.h"

#include <cstring>

namespace installer {
namespace {

bool IsBlank(unsigned char c) { return c <= 32; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool ScriptReader::NextLine(std::string* line) {
  line->clear();
  if (position_ >= script_.size) return false;
  while (position_ < script_.size && script_.data[position_] >= 32 &&
         line->size() < kScriptLineLimit) {
    line->push_back(static_cast<char>(script_.data[position_++]));
    // The end marker acts the moment its third letter arrives: the rest of its line
    // and everything after it are never read.
    if (line->size() >= 3 && line->compare(0, 3, "end") == 0) return false;
  }
  while (position_ < script_.size && script_.data[position_] < 32) ++position_;
  return true;
}

std::string ExpandMarkers(const std::string& line, const Substitutions& substitutions) {
  std::string out;
  for (size_t i = 0; i < line.size() && out.size() < kScriptLineLimit; ++i) {
    if (line[i] != '%') {
      out.push_back(line[i]);
      continue;
    }
    if (i + 1 >= line.size()) break;  // a `%` at the very end is dropped
    char marker = line[++i];
    if (marker < '1' || marker > '4') continue;  // dropped together with its character
    const std::string& value = substitutions.values[marker - '1'];
    out.append(value, 0, kScriptLineLimit - out.size());
  }
  return out;
}

ScriptTokens SplitTokens(const std::string& line) {
  ScriptTokens tokens;
  std::string* slots[kScriptTokenCount] = {&tokens.word, &tokens.args[0], &tokens.args[1],
                                           &tokens.args[2]};
  size_t i = 0;
  for (std::string* token : slots) {
    bool quoted = false;
    while (i < line.size() && token->size() < kScriptTokenLimit) {
      unsigned char c = static_cast<unsigned char>(line[i]);
      if (!quoted && IsBlank(c)) break;
      if (c == '"') {
        quoted = !quoted;
        ++i;
      } else if (c == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
        token->append("\r\n");
        i += 2;
      } else {
        token->push_back(static_cast<char>(c));
        ++i;
      }
    }
    for (char& c : *token) {
      if (c == '$') c = ' ';
    }
    while (i < line.size() && IsBlank(static_cast<unsigned char>(line[i]))) ++i;
  }
  return tokens;
}

ScriptTokens PrepareLine(const std::string& line, const Substitutions* substitutions) {
  std::string text = line.substr(0, line.find(';'));
  while (text.size() > 1 && IsBlank(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (substitutions) text = ExpandMarkers(text, *substitutions);
  size_t start = 0;
  while (start < text.size() && IsBlank(static_cast<unsigned char>(text[start]))) ++start;
  return SplitTokens(text.substr(start));
}

bool SameWord(const std::string& a, const char* b) {
  size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace installer
