// The text of a manual page (man(7) markup), written from the same tables that give a
// program's --help, so that the manual cannot say other than the program does.
#pragma once

#include <string>
#include <vector>

namespace manual {

// One option or item: its term ("--fit WxH") and what it does (lines separated by '\n').
struct Entry {
  std::string term;
  std::string text;
};

// A section: a title ("OPTIONS"), an opening paragraph (may be empty) and its entries.
struct Section {
  std::string title;
  std::string text;
  std::vector<Entry> entries;
};

// The --help text of a small program: "usage: SYNOPSIS" and one line per option.
std::string UsageText(const std::string& synopsis, const std::vector<Entry>& options);

// The whole page of `program` in manual section 1.
std::string Page(const std::string& program, const std::string& summary, const std::vector<Section>& sections);

}  // namespace manual
