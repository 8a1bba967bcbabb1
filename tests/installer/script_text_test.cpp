// Reading, preparing and splitting script lines, and the three passes.
#include "installer/script/script_text.h"

#include <gtest/gtest.h>

#include "installer/commands/commands.h"
#include "tests/installer/script_test_support.h"

namespace {

using installer::PrepareLine;
using installer::ScriptTokens;
using script_test::Call;
using script_test::ScriptTest;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<unsigned char> bytes(text.begin(), text.end());
  installer::ScriptReader reader({bytes.data(), bytes.size()});
  std::vector<std::string> lines;
  std::string line;
  while (reader.NextLine(&line)) lines.push_back(line);
  return lines;
}

TEST(ScriptLines, CodesBelow32EndALineAndEmptyLinesVanish) {
  EXPECT_EQ(Lines("a b\r\n\r\n\nc\td\x01" "e"), (std::vector<std::string>{"a b", "c", "d", "e"}));
  EXPECT_EQ(Lines(""), std::vector<std::string>{});
  EXPECT_EQ(Lines("\r\n\r\nlast"), (std::vector<std::string>{"", "last"}));
}

TEST(ScriptLines, EndMarkerActsAsItsThirdLetterArrives) {
  EXPECT_EQ(Lines("one\r\nendscript\r\ntwo"), std::vector<std::string>{"one"});
  EXPECT_EQ(Lines("one\r\nend"), std::vector<std::string>{"one"});
  EXPECT_EQ(Lines("one\r\nendless text\r\ntwo"), std::vector<std::string>{"one"});
  // Not the marker: a leading space, upper case, fewer letters.
  EXPECT_EQ(Lines(" endscript\r\nENDSCRIPT\r\nen\r\ntwo"),
            (std::vector<std::string>{" endscript", "ENDSCRIPT", "en", "two"}));
}

TEST(ScriptLines, LongLinesAreCutAndTheirRestIsTheNextLine) {
  std::string longLine(1024, 'a');
  EXPECT_EQ(Lines(longLine + "bc\r\n"), (std::vector<std::string>{longLine, "bc"}));
  // The rest of a cut line can be the end marker.
  EXPECT_EQ(Lines(longLine + "endscript\r\nafter"), std::vector<std::string>{longLine});
}

TEST(ScriptTokens, QuotesJoinAnywhereAndKeepSpaces) {
  ScriptTokens t = PrepareLine("  word  \"two words\"x pre\"mid dle\"post  \"open quote  ", nullptr);
  EXPECT_EQ(t.word, "word");
  EXPECT_EQ(t.args[0], "two wordsx");
  EXPECT_EQ(t.args[1], "premid dlepost");
  EXPECT_EQ(t.args[2], "open quote");  // trailing blanks were cut before splitting
}

TEST(ScriptTokens, SemicolonCutsTheLineEvenInsideQuotes) {
  EXPECT_EQ(PrepareLine("saymessage \"first; second\"", nullptr).args[0], "first");
  EXPECT_EQ(PrepareLine("; a comment line", nullptr).word, "");
}

TEST(ScriptTokens, BackslashNBecomesCrLfAndDollarASpace) {
  ScriptTokens t = PrepareLine("w \"a\\nb\" C:\\new\\path $x$ c\\d", nullptr);
  EXPECT_EQ(t.args[0], "a\r\nb");
  EXPECT_EQ(t.args[1], "C:\r\new\\path");
  EXPECT_EQ(t.args[2], " x ");
}

TEST(ScriptTokens, OnlyFourTokensOfAtMost1024Characters) {
  ScriptTokens t = PrepareLine("w a b c d e", nullptr);
  EXPECT_EQ(t.args[2], "c");
  std::string huge(1500, 'x');
  t = PrepareLine("w " + huge, nullptr);
  EXPECT_EQ(t.args[0].size(), 1024u);
  EXPECT_EQ(t.args[1].size(), 476u);  // the rest of the long token is the next one
  // A `\n` at the last place may bring a token to 1025.
  t = PrepareLine("w " + std::string(1023, 'y') + "\\nzz", nullptr);
  EXPECT_EQ(t.args[0].size(), 1025u);
  EXPECT_EQ(t.args[1], "zz");
}

TEST(ScriptMarkers, PercentMarkersAreExpandedAndOthersDropped) {
  installer::Substitutions values{{"C:\\Inst", "C:\\WINDOWS", "S", "U"}};
  EXPECT_EQ(installer::ExpandMarkers("%1\\a %2 %3%4 %% %5x %", values), "C:\\Inst\\a C:\\WINDOWS SU  x ");
}

TEST(ScriptMarkers, ExpansionStopsAt1024Characters) {
  installer::Substitutions values{{std::string(999, 'p'), "", "", ""}};
  std::string out = installer::ExpandMarkers("%1\\%1\\tail", values);
  EXPECT_EQ(out.size(), 1024u);
  EXPECT_EQ(out.substr(999, 1), "\\");
  EXPECT_EQ(out.back(), 'p');
}

TEST_F(ScriptTest, EndscriptFirstDoesNothingAndCountsAsInstalled) {
  const std::string script = "endscript\r\nsetname X\r\ncheckfileexists nowhere\r\nshowfile a\r\n";
  EXPECT_EQ(Setup(script), 1);
  EXPECT_EQ(Action(script), 1);
  EXPECT_EQ(Closing(script), 1);
  EXPECT_EQ(context.settings.productName, "Untitled");
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(ScriptTest, SettingsWordsInScriptOrderWithoutSubstitution) {
  EXPECT_EQ(Setup("SetName A$B$C\r\nsetpath \"%1\\x\"\r\nsetpath \\y\r\nsetini Sec\r\n"
                  "setintro \"hi\\nthere\"\r\nsetextro bye\r\nsaymessage \"one; two\"\r\n"
                  "unzip ZIPFILE x\r\n"),
            1);
  EXPECT_EQ(context.settings.productName, "A B C");
  EXPECT_EQ(context.settings.defaultPath, "\\y");
  EXPECT_EQ(context.settings.iniSection, "Sec");
  EXPECT_EQ(context.settings.introText, "hi\r\nthere");
  EXPECT_EQ(context.settings.closingText, "bye");
  EXPECT_EQ(ui.messages, std::vector<std::string>{"one"});
  EXPECT_TRUE(log.calls.empty());  // an action word does nothing in the setup pass
}

TEST_F(ScriptTest, TabSplitsAWordFromItsArgument) {
  EXPECT_EQ(Setup("setname\tProduct\r\n"), 1);
  EXPECT_EQ(context.settings.productName, "");
}

TEST_F(ScriptTest, DeclinedWindowsQuestionEndsTheSetupPass) {
  context.machine.windowsMajorVersion = 3;
  ui.answers = {installer::kAnswerNo};
  EXPECT_EQ(Setup("setname A\r\ncheckwindows95 \"Go on?\"\r\nsetname B\r\n"), 0);
  EXPECT_EQ(context.settings.productName, "A");
  EXPECT_EQ(ui.questions, std::vector<std::string>{"Go on?"});
  // Later versions of the system are not asked.
  context.machine.windowsMajorVersion = 4;
  EXPECT_EQ(Setup("checkwindows95 \"Go on?\"\r\nsetname C\r\n"), 1);
  EXPECT_EQ(context.settings.productName, "C");
}

TEST_F(ScriptTest, ActionPassHandsExpandedArgumentsToHandlersCaseInsensitively) {
  log.dryRun = true;
  context.substitutions = {{"C:\\new folder", "C:\\WINDOWS", "", ""}};
  EXPECT_EQ(Action("UNZIP ZIPFILE \"%1\"\r\nUnknownWord a\r\nsetname x\r\nMoveFile %2\\a.txt\r\n"), 1);
  ASSERT_EQ(log.calls.size(), 2u);
  EXPECT_EQ(log.calls[0], (Call{"unzip", "ZIPFILE", "C:\r\new folder", ""}));
  EXPECT_EQ(log.calls[1], (Call{"movefile", "C:\\WINDOWS\\a.txt", "", ""}));
}

TEST_F(ScriptTest, FirstFailedCountedCommandStopsTheActionPass) {
  // Uncounted failures go on: movefile with no match, a too-deep mkdir, too few colours.
  context.machine.screenColourBits = 4;
  int result = Action("movefile /no/such/dir/*.x /tmp\r\nmkdir /no/such/dir/deeper\r\ncheckdriver\r\n"
                      "checkprocessor 99999 slow\r\n"
                      "checkfileexists /no/such/file \"missing\"\r\nsaymessage never\r\n"
                      "checkfileexists /also/not/there \"not reached\"\r\n");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{installer::kFewColoursMessage, "slow", "missing"}));
  EXPECT_EQ(log.calls.size(), 5u);
}

TEST_F(ScriptTest, DeclinedLicenseEndsTheInstallerAtOnce) {
  ui.agreeToLicense = false;
  EXPECT_EQ(Action("showlicense\r\ncheckfileexists /no/such/file never\r\n"), 0);
  EXPECT_EQ(ui.quitCode, 0);
  EXPECT_EQ(log.calls.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ScriptTest, ClosingPassHandsOnlyItsOwnWords) {
  log.dryRun = true;
  EXPECT_EQ(Closing("unzip a b\r\nsetname q\r\n"), 1);
  EXPECT_TRUE(log.calls.empty());
  EXPECT_EQ(context.settings.productName, "Untitled");
}

TEST(AgeNotice, CountsWholeYearsFromTheBuildMonth) {
  EXPECT_EQ(installer::AgeNotice("Sep 13 2002", 2003, 8), "");
  std::string notice = installer::AgeNotice("sep 13 2002", 2003, 9);
  EXPECT_EQ(notice.rfind("This software is more than 1 year(s) old.\r\n\r\nWhile it is fully functional", 0), 0u);
  EXPECT_NE(notice.find("\r\n\r\nto download the current version of this application."), std::string::npos);
  // (months + 1) / 12: 23 months make two years.
  EXPECT_EQ(installer::AgeNotice("Sep 13 2002", 2004, 8).rfind("This software is more than 2 year(s)", 0), 0u);
  EXPECT_EQ(installer::AgeNotice("Xyz 13 2002", 2010, 1), "");
  EXPECT_EQ(installer::AgeNotice("Sep", 2010, 1), "");
}

TEST(LicenseText, EveryLineEndBecomesCrLf) {
  const std::string text = "a\r\nb\rc\nd";
  EXPECT_EQ(installer::LicenseDisplayText(reinterpret_cast<const unsigned char*>(text.data()), text.size()),
            "a\r\nb\r\nc\r\nd");
}

}  // namespace
