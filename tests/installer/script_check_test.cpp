// fwscript --check: the findings of a script, against the command table and the reading
// rules of the interpreter.
#include "installer/script/script_authoring.h"

#include <gtest/gtest.h>

#include "installer/script/command_table.h"
#include "installer/session/install_session.h"

namespace {

std::vector<installer::ScriptFinding> Check(const std::string& text) {
  return installer::CheckScript({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
}

// Every word with every argument count from none to four (quoted, with blanks inside):
// a finding exactly when the count is outside what the word takes.
TEST(ScriptCheck, ArgumentCountsOfEveryWord) {
  for (const installer::CommandSet* set : {&installer::CoreCommandSet(), &installer::ShellCommandSet()}) {
    for (size_t i = 0; i < set->count; ++i) {
      const installer::ScriptCommand& command = set->commands[i];
      std::string line = command.word;
      for (int given = 0; given <= 4; ++given) {
        bool wrong = given < command.required || given > installer::ArgumentCount(command);
        std::vector<installer::ScriptFinding> findings = Check(line + "\r\nendscript\r\n");
        ASSERT_EQ(findings.size(), wrong ? 1u : 0u) << line;
        if (wrong) {
          EXPECT_EQ(findings[0].line, 1u);
          EXPECT_EQ(findings[0].text.find(std::string(command.word) + " take"), 0u) << findings[0].text;
          EXPECT_NE(findings[0].text.find(std::to_string(given) + " given"), std::string::npos);
        }
        line += " \"x y\"";
      }
    }
  }
}

// Each kind of finding, on the line of the file it stands on (LF, CR LF and bare CR line
// ends mixed), and nothing past the end marker.
TEST(ScriptCheck, FindingsAndTheirLines) {
  std::string script =
      "; a comment line and an empty one\n"
      "\n"
      "setname \"Kestrel; the rest is a comment\"\r\n"  // 3: the ; cuts the quote
      "unzip ZIPFILE \"%1\r"                          // 4: a quote left open
      "UNZPI ZIPFILE %1\n"                            // 5: unknown word
      "  endscript\n"                                 // 6: not the end marker
      "mkdir \"%1\\%5\"\n"                            // 7: %5 has no value
      "setintro \"Into %1\"\n"                        // 8: the setup pass keeps %1
      "mkdir\t\"%1\\plugin\"\n"                       // 9: a tab ends the line
      "showfile readme.txt\n"                         // clean
      "ENDSCRIPT\n"                                   // 11: upper case is no end marker
      "endscript\n"
      "unknownafter the end\n";
  std::vector<installer::ScriptFinding> findings = Check(script);
  std::vector<std::pair<size_t, std::string>> expected = {
      {3, "unterminated quote: the text runs to the end of the line (a ; ends the line, also inside quotes)"},
      {4, "unterminated quote: the text runs to the end of the line"},
      {5, "unknown word \"UNZPI\""},
      {6, "unknown word \"endscript\""},
      {7, "%5 is not set"},
      {8, "%1 is not replaced in the setup pass: setintro receives it as written"},
      {9, "mkdir takes 1 argument (directory), 0 given"},
      {9, "a tab ends a line"},
      {9, "unknown word \"%1\\plugin\""},  // the quotes are not kept
      {11, "unknown word \"ENDSCRIPT\""},
  };
  ASSERT_EQ(findings.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(findings[i].line, expected[i].first) << findings[i].text;
    EXPECT_EQ(findings[i].text.rfind(expected[i].second, 0), 0u) << findings[i].text;
  }
  EXPECT_NE(findings[3].text.find("the end marker is"), std::string::npos);
}

TEST(ScriptCheck, LongLinesAreReportedAndTheCarriedScriptIsClean) {
  std::vector<installer::ScriptFinding> findings =
      Check("saymessage \"" + std::string(installer::kScriptLineLimit, 'a') + "\"\n");
  ASSERT_FALSE(findings.empty());
  EXPECT_NE(findings[0].text.find("longer than 1024 characters"), std::string::npos);

  installer::ScriptText carried;
  ASSERT_TRUE(installer::LoadInstallScript(&carried));
  for (const installer::ScriptFinding& finding : installer::CheckScript(carried))
    ADD_FAILURE() << "line " << finding.line << ": " << finding.text;
}

}  // namespace
