#include "installer/script/script_authoring.h"

#include "installer/script/command_table.h"

namespace installer {
namespace {

bool IsBlank(unsigned char c) { return c <= 32; }

const char* PassName(ScriptPass pass) {
  switch (pass) {
    case ScriptPass::Setup: return "setup";
    case ScriptPass::Action: return "action";
    case ScriptPass::Closing: return "closing";
  }
  return "";
}

// The line as the interpreter prepares it, before `%` expansion: cut at its first `;`,
// trailing blanks removed (never the first character), leading blanks skipped.
std::string PreparedText(const std::string& line) {
  std::string text = line.substr(0, line.find(';'));
  while (text.size() > 1 && IsBlank(static_cast<unsigned char>(text.back()))) text.pop_back();
  size_t start = 0;
  while (start < text.size() && IsBlank(static_cast<unsigned char>(text[start]))) ++start;
  return text.substr(start);
}

// The number of tokens of a prepared line with the splitting rules of the interpreter,
// without its limit of four (so that arguments it would drop are counted).
int CountTokens(const std::string& text) {
  int count = 0;
  size_t i = 0;
  while (i < text.size()) {
    ++count;
    bool quoted = false;
    for (; i < text.size(); ++i) {
      if (text[i] == '"') quoted = !quoted;
      else if (!quoted && IsBlank(static_cast<unsigned char>(text[i]))) break;
    }
    while (i < text.size() && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
  }
  return count;
}

std::string ArgumentList(const ScriptCommand& command) {
  std::string list;
  for (int i = 0; i < ArgumentCount(command); ++i) list += std::string(i ? "; " : "") + command.arguments[i];
  return list;
}

std::string Plural(int count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The findings of one prepared line of a known word.
void CheckCommandLine(const ScriptCommand& command, const std::string& text, size_t line,
                      std::vector<ScriptFinding>* findings) {
  int given = CountTokens(text) - 1, most = ArgumentCount(command);
  std::string word = command.word;
  if (given < command.required || given > most) {
    std::string takes = most == 0 ? "takes no arguments"
                        : command.required == most
                            ? "takes " + Plural(most, "argument") + " (" + ArgumentList(command) + ")"
                            : "takes " + std::to_string(command.required) + " to " + std::to_string(most) +
                                  " arguments (" + ArgumentList(command) + ")";
    std::string what = word + " " + takes + ", " + std::to_string(given) + " given";
    if (given > most) what += ": the rest of the line is ignored";
    findings->push_back({line, what});
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 >= text.size()) {
      findings->push_back({line, "a % at the end of the line is dropped"});
      continue;
    }
    std::string marker = text.substr(i, 2);
    bool numbered = text[i + 1] >= '1' && text[i + 1] <= '4';
    if (command.pass != ScriptPass::Action) {
      findings->push_back({line, marker + " is not replaced in the " + PassName(command.pass) +
                                     " pass: " + word + " receives it as written"});
    } else if (!numbered) {
      findings->push_back({line, marker + " is not set (only %1 to %4 have values): the marker is dropped"});
    }
    ++i;
  }
}

}  // namespace

std::vector<ScriptFinding> CheckScript(ScriptText script) {
  std::vector<ScriptFinding> findings;
  ScriptReader reader(script);
  size_t lineNumber = 1, counted = 0, previousEnd = 0;
  // Counts the line ends up to `to`; true when the bytes from `from` to `to` hold a tab
  // but no line end (a line the reader split at a tab).
  auto countTo = [&](size_t from, size_t to) {
    bool tab = false, lineEnd = false;
    for (; counted < to; ++counted) {
      unsigned char c = script.data[counted];
      bool end = c == '\n' || (c == '\r' && (counted + 1 >= script.size || script.data[counted + 1] != '\n'));
      if (end) ++lineNumber;
      if (counted >= from) {
        tab = tab || c == '\t';
        lineEnd = lineEnd || c == '\n' || c == '\r';
      }
    }
    return tab && !lineEnd;
  };
  std::string line;
  for (;;) {
    size_t start = reader.position();
    bool splitAtTab = start > 0 && countTo(previousEnd, start);
    if (!reader.NextLine(&line)) break;
    size_t end = start + line.size();
    previousEnd = end;
    if (splitAtTab)
      findings.push_back({lineNumber, "a tab ends a line: what follows it is read as a line of its own"});
    if (line.size() == kScriptLineLimit && end < script.size && script.data[end] >= 32)
      findings.push_back({lineNumber, "the line is longer than " + std::to_string(kScriptLineLimit) +
                                          " characters: the rest is read as a line of its own"});
    std::string text = PreparedText(line);
    ScriptTokens tokens = SplitTokens(text);
    size_t quotes = 0;
    for (char c : text) quotes += c == '"';
    if (quotes % 2) {
      std::string what = "unterminated quote: the text runs to the end of the line";
      if (line.find(';') != std::string::npos) what += " (a ; ends the line, also inside quotes)";
      findings.push_back({lineNumber, what});
    }
    if (tokens.word.empty()) continue;
    if (const ScriptCommand* command = FindCommandOfAnyPass(tokens.word)) {
      CheckCommandLine(*command, text, lineNumber, &findings);
    } else {
      std::string what = "unknown word \"" + tokens.word + "\": no pass knows it, so the line is skipped";
      if (SameWord(tokens.word, "endscript"))
        what += " (the end marker is \"end\" in lower case at the very start of a line)";
      findings.push_back({lineNumber, what});
    }
  }
  return findings;
}

namespace {

// Text for a Markdown table cell.
std::string Cell(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '|' ? std::string("\\|") : std::string(1, c);
  return out;
}

std::string ArgumentsCell(const ScriptCommand& command) {
  int most = ArgumentCount(command);
  if (most == 0) return "none";
  std::string cell;
  for (int i = 0; i < most; ++i) {
    cell += (i ? "<br>" : "") + std::to_string(i + 1) + ". " + Cell(command.arguments[i]);
    if (i >= command.required) cell += " (may be left out)";
  }
  return cell;
}

void AppendTable(ScriptPass pass, std::string* out) {
  bool action = pass == ScriptPass::Action;
  *out += action ? "| Word | Arguments, in order | Its result counts | On Windows | On Linux |\n"
                   "|---|---|---|---|---|\n"
                 : "| Word | Arguments, in order | On Windows | On Linux |\n|---|---|---|---|\n";
  for (const CommandSet* set : {&CoreCommandSet(), &ShellCommandSet()}) {
    for (size_t i = 0; i < set->count; ++i) {
      const ScriptCommand& command = set->commands[i];
      if (command.pass != pass) continue;
      *out += std::string("| `") + command.word + "` | " + ArgumentsCell(command) + " | ";
      if (action) *out += command.counts ? "yes | " : "no | ";
      *out += Cell(command.onWindows) + " | " + (command.onLinux ? Cell(command.onLinux) : "The same.") + " |\n";
    }
  }
}

}  // namespace

std::string ScriptLanguageMarkdown() {
  std::string out =
      "# Install scripts\n"
      "\n"
      "<!-- Written by `fwscript --commands-markdown` from the installer's command table\n"
      "     (installer/script/installer_commands.cpp, installer/shell/shell_command_set.cpp).\n"
      "     Edit the table, then run: fwscript --commands-markdown > docs/install-scripts.md -->\n"
      "\n"
      "The installer (`plugin`) carries an install script and reads it three times: the **setup pass** "
      "while it starts (settings words), the **action pass** when the user confirms the install path "
      "(installing and checking words), and, after a successful installation, the **closing pass** "
      "(`showfile`). Each pass acts on its own words and skips every other line without a message.\n"
      "\n"
      "The Windows installer carries installer/resources/install_script.txt; the native Linux installer "
      "carries installer/resources/install_script_linux.txt. Run `fwscript --check SCRIPT` to find the "
      "mistakes listed below before the installer meets them, and `fwscript SCRIPT --dry-run` to see what "
      "each word would receive.\n"
      "\n"
      "## Reading a line\n"
      "\n"
      "- A line ends at any character below 32 (also a tab) and after 1024 characters; the rest is read "
      "as the next line.\n"
      "- A line whose first three characters are `end` (lower case, at the very start) ends the script: "
      "nothing after it is read. The scripts write `endscript`.\n"
      "- A `;` ends the line, also inside quotes: `;` starts a comment.\n"
      "- In the action pass `%1` is the install path, `%2` the Windows directory, `%3` the Windows system "
      "directory and `%4` the Startup folder (on Linux `%2` is the settings directory, "
      "$XDG_CONFIG_HOME/kestrel; `%3` its `system` directory; `%4` its `Startup` directory). Any other "
      "character after `%` is dropped with it. The setup and closing passes leave `%` as written.\n"
      "- The line is cut into the word and at most three arguments, at blanks outside double quotes. A "
      "quote may stand anywhere and is not kept; a quote left open runs to the end of the line. `\\n` is "
      "a line break (also in paths: write `\\N...` or `/n...` for a folder whose name begins with n). "
      "`$` stands for a space.\n"
      "- Words match without regard to case. Unknown words are skipped without a message; missing "
      "arguments are empty texts.\n"
      "- In the action pass the first word whose result counts and fails ends the installation (its "
      "message already shown); words whose result does not count never stop it, nor do those that never "
      "fail.\n"
      "- Paths may be written with `\\` or `/`; on Linux both are `/`.\n";
  struct {
    ScriptPass pass;
    const char* title;
  } passes[] = {{ScriptPass::Setup, "Setup pass words"},
                {ScriptPass::Action, "Action pass words"},
                {ScriptPass::Closing, "Closing pass words"}};
  for (const auto& pass : passes) {
    out += std::string("\n## ") + pass.title + "\n\n";
    AppendTable(pass.pass, &out);
  }
  return out;
}

}  // namespace installer
