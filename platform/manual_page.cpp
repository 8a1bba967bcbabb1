#include "platform/manual_page.h"

namespace manual {
namespace {

// Text as the formatter reads it: backslashes and hyphens escaped, and no line that
// starts with a control character.
std::string Escaped(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
    lineStart = c == '\n';
  }
  return out;
}

// Each line of `text` escaped, on a line of its own.
std::string Lines(const std::string& text) {
  std::string out;
  for (size_t begin = 0;;) {
    size_t end = text.find('\n', begin);
    out += Escaped(text.substr(begin, end - begin));
    if (end == std::string::npos) return out;
    out += "\n.br\n";
    begin = end + 1;
  }
}

}  // namespace

std::string UsageText(const std::string& synopsis, const std::vector<Entry>& options) {
  std::string text = "usage: " + synopsis + "\n";
  for (const Entry& option : options) {
    std::string term = "  " + option.term;
    // A term too long for the column gets a line of its own rather than running into
    // its text.
    if (term.size() < 19) term.resize(19, ' ');
    else term += "\n" + std::string(19, ' ');
    text += term + option.text + "\n";
  }
  return text;
}

std::string Page(const std::string& program, const std::string& summary, const std::vector<Section>& sections) {
  std::string upper;
  for (char c : program) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  std::string page = ".TH " + upper + " 1\n.SH NAME\n" + Escaped(program) + " \\- " + Escaped(summary) + "\n";
  for (const Section& section : sections) {
    page += ".SH " + Escaped(section.title) + "\n";
    if (!section.text.empty()) page += Lines(section.text) + "\n";
    for (const Entry& entry : section.entries) {
      page += ".TP\n.B " + Escaped(entry.term) + "\n";
      page += Lines(entry.text) + "\n";
    }
  }
  return page;
}

}  // namespace manual
