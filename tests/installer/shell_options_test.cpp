// The option letters of the options dialog and the screen saver's minutes: the same on
// both targets.
#include <gtest/gtest.h>

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
  EXPECT_EQ(ScreenSaverMinutes("29"), 29);
  EXPECT_EQ(ScreenSaverMinutes(" 7min"), 7);
  EXPECT_EQ(ScreenSaverMinutes("-5"), 1);
  EXPECT_EQ(ScreenSaverMinutes("ten"), 1);
  EXPECT_EQ(ScreenSaverMinutes("99999999999999999999"), 30);
}

}  // namespace
