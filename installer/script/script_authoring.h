// What script authors get from the command table: the checks of `fwscript --check` and
// the script language document (docs/install-scripts.md).
//
// The interpreter itself stays silent about everything listed here (unknown words are
// skipped, a quote left open runs to the end of the line, missing arguments are empty
// texts); these checks say where a script will not do what its author meant.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "installer/script/script_text.h"

namespace installer {

struct ScriptFinding {
  size_t line;  // 1-based, counted in the script file (LF, CR LF or a bare CR)
  std::string text;
};

// Every finding of the script, in line order: words no pass knows, quotes left open,
// argument counts a word does not take, `%` markers that get no value, and lines the
// reader splits (a tab, a line over the length limit). Reading ends at the end marker,
// as in the interpreter.
std::vector<ScriptFinding> CheckScript(ScriptText script);

// The script language document in Markdown: the reading rules, then every word of each
// pass with its arguments in order and what it does on Windows and on Linux.
std::string ScriptLanguageMarkdown();

}  // namespace installer
