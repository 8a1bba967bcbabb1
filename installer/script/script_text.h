// Reading the install script: lines, their preparation and their tokens.
//
// The script is a byte buffer with a length (a resource is not NUL-terminated); nothing
// here reads past its last byte. The fixed limits of the script language are defined
// once, below, and every buffer they describe is enforced where it is filled.
#pragma once

#include <cstddef>
#include <string>

namespace installer {

// At most this many characters are taken into one line, and into the line after `%`
// expansion; longer lines are cut and their remainder is read as the next line.
constexpr size_t kScriptLineLimit = 1024;
// At most this many characters are stored in one token; a `\n` pair met at the last
// place may bring it to one more.
constexpr size_t kScriptTokenLimit = 1024;
// A line yields the command word and at most three arguments.
constexpr size_t kScriptTokenCount = 4;

struct ScriptText {
  const unsigned char* data = nullptr;
  size_t size = 0;
};

// One pass's reading position over a script.
class ScriptReader {
 public:
  explicit ScriptReader(ScriptText script) : script_(script) {}

  // Reads the next line into `line` (codes below 32 end a line; at most
  // kScriptLineLimit characters). False at the end marker (a line whose first three
  // characters are "end", checked as characters arrive) or at the end of the text.
  bool NextLine(std::string* line);

  // The offset of the next byte to read.
  size_t position() const { return position_; }

 private:
  ScriptText script_;
  size_t position_ = 0;
};

// The values that `%1` to `%4` stand for in the action pass.
struct Substitutions {
  std::string values[4];
};

// The four tokens of a prepared line; absent ones are empty.
struct ScriptTokens {
  std::string word;
  std::string args[3];
};

// Cuts the line at its first `;`, removes trailing blanks (never the first character),
// expands `%` markers when `substitutions` is given (the action pass), skips leading
// blanks and splits the rest into tokens.
ScriptTokens PrepareLine(const std::string& line, const Substitutions* substitutions);

// `%1`-`%4` replaced by their values, `%` and any other following character dropped,
// the result cut at kScriptLineLimit characters.
std::string ExpandMarkers(const std::string& line, const Substitutions& substitutions);

// Splits a prepared line into at most four tokens (quotes toggle the quoted state
// anywhere, `\n` stores CR LF, `$` becomes a space once the token is complete).
ScriptTokens SplitTokens(const std::string& line);

// True when the words are equal without regard to case (ASCII letters).
bool SameWord(const std::string& a, const char* b);

}  // namespace installer
