#include "framework/main_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "framework/headless_dialog.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_effect.h"

namespace {

std::vector<DialogAction> Actions(const std::string& script) {
  std::vector<DialogAction> actions;
  ActionRefusal refusal{};
  EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
  return actions;
}

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(SettingsFilePath("FWPLGTST.INI").c_str());
    ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  }
  void TearDown() override { std::remove(SettingsFilePath("FWPLGTST.INI").c_str()); }

  // Runs the dialog with the actions; keeps it for inspection.
  int Run(const std::string& script) {
    dialog = std::make_unique<HeadlessDialog>(dialogTemplate);
    MainDialog logic(effect, &host.record);
    return dialog->run(logic, Actions(script), &refusal);
  }

  DialogTemplate dialogTemplate;
  TestEffect effect;
  FakeHost host;
  std::unique_ptr<HeadlessDialog> dialog;
  ActionRefusal refusal{};
};

TEST_F(MainDialogTest, TemplateGivesEveryControlItsKind) {
  std::map<int, ControlKind> kinds;
  for (const ControlTemplate& c : dialogTemplate.controls) kinds[c.id] = c.kind;
  EXPECT_EQ(dialogTemplate.caption, "Test Effect");
  EXPECT_EQ(kinds[1], ControlKind::PushButton);
  EXPECT_EQ(kinds[115], ControlKind::OwnerDrawButton);
  EXPECT_EQ(kinds[105], ControlKind::Edit);
  EXPECT_EQ(kinds[10105], ControlKind::UpDown);
  EXPECT_EQ(kinds[109], ControlKind::ComboBox);
  EXPECT_EQ(kinds[110], ControlKind::CheckBox);
  EXPECT_EQ(kinds[131], ControlKind::RadioButton);
  EXPECT_EQ(kinds[-1], ControlKind::Static);
}

TEST_F(MainDialogTest, StartUpPutsTheSettingsIntoTheControls) {
  effect.commonSettings.mainPalette = 3;
  effect.commonSettings.mainDelay = 7;
  effect.commonSettings.mainDither = 0;
  effect.flat = 1;
  EXPECT_EQ(Run(""), 0);  // no actions: cancelled
  EXPECT_EQ(dialog->title(), "Test Effect");
  EXPECT_EQ(dialog->itemText(105), "7");
  EXPECT_EQ(dialog->itemText(10105), "1,100,10");
  EXPECT_EQ(dialog->itemText(kTestFramesField), "4");
  EXPECT_EQ(dialog->comboSelection(109), 3);
  EXPECT_EQ(dialog->itemText(109), "64-colour orthogonal");
  EXPECT_FALSE(dialog->isChecked(111));
  EXPECT_TRUE(dialog->isChecked(110));
  EXPECT_TRUE(dialog->isChecked(kTestFlatRadio));
  EXPECT_FALSE(dialog->isChecked(kTestGradientRadio));
  EXPECT_EQ(dialog->focus(), kIdOk);
  // The posted custom-palette command ran: the palette list is off while custom is on.
  EXPECT_FALSE(dialog->isEnabled(109));
  EXPECT_FALSE(dialog->isEnabled(kTestPasteButton));  // nothing on the clipboard
  EXPECT_TRUE(dialog->isEnabled(117));
  EXPECT_TRUE(dialog->isEnabled(103));
}

TEST_F(MainDialogTest, CapabilityBitsDecideRangesAndOptions) {
  effect.commonSettings.supercompress = 1;
  effect.commonSettings.trueColour = 1;
  host.record.capabilities = 0;
  Run("");
  EXPECT_EQ(dialog->itemText(10105), "1,1000,10");
  EXPECT_FALSE(dialog->isEnabled(117));
  EXPECT_FALSE(dialog->isChecked(117));
  EXPECT_FALSE(dialog->isEnabled(103));
  EXPECT_FALSE(dialog->isChecked(103));
  // The cleared Supercompress is what the settings file keeps.
  std::ifstream saved(SettingsFilePath("FWPLGTST.INI"), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Supercompress = 0\r\n"), std::string::npos);
  EXPECT_NE(text.find("Truecolour = 0\r\n"), std::string::npos);
}

TEST_F(MainDialogTest, ANullCallbackEndsTheDialogWithInternalError) {
  host.record.callback = nullptr;
  EXPECT_EQ(Run("click 1"), -1);
  ASSERT_EQ(dialog->messages().size(), 1u);
  EXPECT_EQ(dialog->messages()[0].first, "Internal error");
  EXPECT_EQ(dialog->messages()[0].second, "Message");
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(MainDialogTest, CustomPaletteAndPaletteListFollowEachOther) {
  Run("uncheck 110\nselect 109 8\nclick 2");
  EXPECT_TRUE(dialog->isEnabled(109));
  EXPECT_EQ(effect.commonSettings.mainPalette, 8);  // taken when the list closes
  std::remove(SettingsFilePath("FWPLGTST.INI").c_str());
  effect.commonSettings.mainCustomPalette = 0;
  EXPECT_EQ(Run("select 109 2\ncheck 110"), 0);
  EXPECT_TRUE(dialog->isChecked(110));
  EXPECT_FALSE(dialog->isEnabled(109));
}

TEST_F(MainDialogTest, ControlsReachTheSettingsClamped) {
  Run("set 105 5000\nset 130 1\nclick 132\nuncheck 122\nclick 998\nclick 2");
  EXPECT_EQ(effect.commonSettings.mainDelay, 100);  // Delay up-down range 1..100
  EXPECT_EQ(effect.frames, 2);                      // Frames range 2..50
  EXPECT_EQ(effect.flat, 0);
  EXPECT_EQ(effect.commonSettings.addComment, 0);
  Run("set 105 abc\nset 130  12\nclick 998\nclick 2");
  EXPECT_EQ(effect.commonSettings.mainDelay, 1);  // not a number reads as 0, clamped
  EXPECT_EQ(effect.frames, 12);                   // leading blanks are skipped
}

TEST_F(MainDialogTest, EveryWayOutSavesTheSettings) {
  for (const char* script : {"click 2", "", "click 1", "set 130 9\nclick 998\nclick 2"}) {
    std::remove(SettingsFilePath("FWPLGTST.INI").c_str());
    effect.frames = 4;
    Run(script);
    TestEffect reread;
    size_t count;
    const SettingsEntry* table = reread.settingsTable(&count);
    reread.frames = -5;
    LoadSettings("FWPLGTST.INI", table, count);
    EXPECT_EQ(reread.frames, effect.frames) << script;
  }
  EXPECT_EQ(effect.frames, 9);
}

TEST_F(MainDialogTest, ActionsOnDisabledOrMissingControlsAreRefused) {
  effect.commonSettings.mainCustomPalette = 1;
  EXPECT_EQ(Run("select 109 2"), -1);
  EXPECT_NE(DescribeRefusal(refusal).find("disabled"), std::string::npos);
  EXPECT_EQ(Run("click 4242"), -1);
  EXPECT_NE(DescribeRefusal(refusal).find("4242"), std::string::npos);
  std::vector<DialogAction> actions;
  EXPECT_FALSE(ParseDialogActions("click 1\nfrobnicate 3", &actions, &refusal));
  EXPECT_NE(DescribeRefusal(refusal).find("line 2"), std::string::npos);
}

// Every kind of refusal has its sentence, with the line, control, item and text in place;
// a text longer than the record holds is cut, never overrun.
TEST(ActionRefusalWords, EveryKindSaysWhatWasRefused) {
  const struct {
    ActionRefusal refusal;
    const char* words;
  } cases[] = {
      {MakeRefusal(RefusalKind::None), ""},
      {MakeRefusal(RefusalKind::NotAnAction, 4, 0, 0, "frobnicate 3"), "line 4: not an action: frobnicate 3"},
      {MakeRefusal(RefusalKind::NoControl, 2, 4242), "line 2: the dialog has no control 4242"},
      {MakeRefusal(RefusalKind::Disabled, 1, 117), "line 1: control 117 is disabled"},
      {MakeRefusal(RefusalKind::NoItem, 3, 106, 32), "line 3: control 106 has no item 32"},
      {MakeRefusal(RefusalKind::NoSuchItems, 5, 124), "line 5: control 124 has no such items"},
      {MakeRefusal(RefusalKind::WrongAction, 6, 128), "line 6: control 128 does not take that action"},
      {MakeRefusal(RefusalKind::NoTemplate), "the dialog template cannot be read"},
  };
  for (const auto& c : cases) EXPECT_EQ(DescribeRefusal(c.refusal), c.words);
  std::string longLine(500, 'x');
  ActionRefusal cut = MakeRefusal(RefusalKind::NotAnAction, 1, 0, 0, longLine);
  EXPECT_EQ(DescribeRefusal(cut), "line 1: not an action: " + longLine.substr(0, sizeof cut.text - 1));
}

TEST_F(MainDialogTest, AboutAndHelpReachTheUser) {
  Run("click 116\nclick 9\nclick 2");
  ASSERT_EQ(dialog->messages().size(), 2u);
  EXPECT_EQ(dialog->messages()[0].second, "Test Effect Plugin");
  EXPECT_EQ(dialog->messages()[0].first.substr(0, 22), "Version 2.0a (patch 3)");
  // No host INI: the help error.
  EXPECT_EQ(dialog->messages()[1].first, "There has been an error displaying the Help document.");
}

}  // namespace
