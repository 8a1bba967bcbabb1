// The option letters of the options dialog, the screen saver's minutes and the command
// table entries of the shell words: the same on both targets.
#include <gtest/gtest.h>

#include "installer/script/command_table.h"
#include "installer/shell/install_options.h"
#include "installer/shell/shell_commands.h"

namespace {

using installer::OptionBoxesFor;

TEST(OptionLetters, LowerCaseShowsUpperCaseShowsAndTicks) {
  installer::OptionBoxes boxes = OptionBoxesFor("wM");
  EXPECT_TRUE(boxes.box[0].shown);
  EXPECT_FALSE(boxes.box[0].checked);
  EXPECT_TRUE(boxes.box[1].shown);
  EXPECT_TRUE(boxes.box[1].checked);
  for (int i : {2, 3}) EXPECT_FALSE(boxes.box[i].shown || boxes.box[i].checked) << i;
  EXPECT_EQ(boxes.box[1].id, 102);
  EXPECT_STREQ(boxes.box[3].text, "Make this application your default Windows screen saver");

  boxes = OptionBoxesFor("xyz1");
  for (const installer::OptionBox& box : boxes.box) EXPECT_FALSE(box.shown || box.checked) << box.letter;
  boxes = OptionBoxesFor("sD");
  EXPECT_TRUE(boxes.box[2].checked && boxes.box[3].shown && !boxes.box[3].checked && !boxes.box[0].shown);
  EXPECT_EQ(installer::OptionsCaption("Kestrel"), "Options for Kestrel");
}

TEST(OptionLetters, TicksBecomeTheInstallOptionsInOrder) {
  installer::InstallOptions options = installer::OptionsFromBoxes(OptionBoxesFor("WmdS"));
  EXPECT_TRUE(options.whatsNew);
  EXPECT_FALSE(options.startMenu);
  EXPECT_FALSE(options.desktop);
  EXPECT_TRUE(options.screenSaver);
}

TEST(ScreenSaverMinutes, ClampedToOneToThirty) {
  using installer::ScreenSaverMinutes;
  EXPECT_EQ(ScreenSaverMinutes("0"), 1);
  EXPECT_EQ(ScreenSaverMinutes("45"), 30);
  EXPECT_EQ(ScreenSaverMinutes("30"), 30);
  EXPECT_EQ(ScreenSaverMinutes("29"), 29);
  EXPECT_EQ(ScreenSaverMinutes(" 7min"), 7);
  EXPECT_EQ(ScreenSaverMinutes("-5"), 1);
  EXPECT_EQ(ScreenSaverMinutes(""), 1);
  EXPECT_EQ(ScreenSaverMinutes("ten"), 1);
  EXPECT_EQ(ScreenSaverMinutes("99999999999999999999"), 30);
}

TEST(ShellCommandTable, WordsPassesAndWhichResultsCount) {
  using installer::ScriptPass;
  struct Expected {
    const char* word;
    ScriptPass pass;
    bool counts;
  } expected[] = {
      {"groupcreate", ScriptPass::Action, false},   {"groupadd", ScriptPass::Action, false},
      {"addtostartmenu", ScriptPass::Action, false}, {"addshortcut", ScriptPass::Action, true},
      {"setsaver", ScriptPass::Action, true},        {"runapp", ScriptPass::Action, true},
      {"runinstaller", ScriptPass::Action, true},    {"dooptions", ScriptPass::Action, true},
      {"processoptions", ScriptPass::Action, true},  {"showfile", ScriptPass::Closing, false},
  };
  for (const Expected& e : expected) {
    const installer::ScriptCommand* command = installer::FindCommand(e.word, e.pass);
    ASSERT_NE(command, nullptr) << e.word;
    EXPECT_EQ(command->counts, e.counts) << e.word;
  }
  EXPECT_NE(installer::FindCommand("GroupCreate", ScriptPass::Action), nullptr);
  // Each word belongs to its own pass only.
  EXPECT_EQ(installer::FindCommand("showfile", ScriptPass::Action), nullptr);
  EXPECT_EQ(installer::FindCommand("setsaver", ScriptPass::Setup), nullptr);
  EXPECT_EQ(installer::FindCommand("setsaver", ScriptPass::Closing), nullptr);
}

}  // namespace
