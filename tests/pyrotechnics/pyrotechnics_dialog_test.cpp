#include "effects/pyrotechnics/pyrotechnics_effect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "framework/headless_dialog.h"
#include "framework/main_dialog.h"
#include "tests/support/fake_host.h"
#include "tests/support/manifest_check.h"
#include "tests/support/thread_builds.h"

namespace {

constexpr int32_t kWhite = 0xFFFFFF;

class PyrotechnicsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(SettingsFilePath("FWPLGPYR.INI").c_str());
    ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  }
  void TearDown() override { std::remove(SettingsFilePath("FWPLGPYR.INI").c_str()); }

  // Runs the actions on a new dialog (kept for inspection); returns the dialog's result.
  int Run(const std::string& script) {
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
    dialog = std::make_unique<HeadlessDialog>(dialogTemplate);
    logic = std::make_unique<MainDialog>(effect, &host.record);
    int result = dialog->run(*logic, actions, &refusal);
    EXPECT_FALSE(refusal.refused()) << DescribeRefusal(refusal);
    return result;
  }

  void WriteSettings(const std::string& lines) {
    std::ofstream(SettingsFilePath("FWPLGPYR.INI")) << "[PlugIn]\n" << lines;
  }

  std::string SavedSettings() {
    std::ifstream in(SettingsFilePath("FWPLGPYR.INI"));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  int Items() { return dialog->listCount(kPyroRocketList); }

  DialogTemplate dialogTemplate;
  PyrotechnicsEffect effect;
  FakeHost host;
  std::unique_ptr<HeadlessDialog> dialog;
  std::unique_ptr<MainDialog> logic;
};

TEST_F(PyrotechnicsDialog, StartsWithTheStoredSettingsAndOneItemPerRocket) {
  Run("");
  EXPECT_EQ(dialog->title(), "Pyrotechnics");
  EXPECT_EQ(dialog->itemText(kPyroBackground), "0,0,0");
  EXPECT_EQ(dialog->itemText(kPyroWidth), "128");
  EXPECT_EQ(dialog->itemText(kPyroDepth), "128");
  EXPECT_EQ(dialog->itemText(kPyroSeed), "8634");
  EXPECT_EQ(dialog->itemText(kPyroEnergy), "80");
  EXPECT_EQ(dialog->itemText(kPyroExplosion), "850");
  EXPECT_EQ(dialog->itemText(kPyroGravity), "400");
  EXPECT_EQ(dialog->itemText(105), "5");
  EXPECT_EQ(dialog->itemText(10105), "1,25,8");
  EXPECT_TRUE(dialog->isChecked(kPyroUseSeed));
  EXPECT_FALSE(dialog->isChecked(kPyroRandomSeed));
  EXPECT_EQ(Items(), 5);
  EXPECT_TRUE(dialog->isEnabled(kIdOk));
  EXPECT_TRUE(dialog->isEnabled(998));

  host.record.capabilities = HostCapsTrueColour;  // no optimising: the long delay range
  Run("");
  EXPECT_EQ(dialog->itemText(10105), "1,250,80");
}

TEST_F(PyrotechnicsDialog, TheRocketListFollowsTheRocketsFieldWithinOneTo32) {
  Run("set 102 9");
  EXPECT_EQ(Items(), 9);
  Run("set 102 50");
  EXPECT_EQ(Items(), 32);
  Run("set 102 0");
  EXPECT_EQ(Items(), 1);
  Run("set 102 12\nset 102 3");
  EXPECT_EQ(Items(), 3);
  // A stored count outside the range shows at most 32 items too.
  WriteSettings("MainRockets = 70\n");
  Run("");
  EXPECT_EQ(Items(), 32);
}

TEST_F(PyrotechnicsDialog, ItemsShowTheirNumberAndRandomOrASwatch) {
  WriteSettings("RocketColor00 = 255\nRocketColor03 = 2147483648\n");
  Run("");
  RocketItemLook fourth = DescribeRocketItem(3, effect.settings.rocketColours[3]);
  EXPECT_EQ(fourth.label, "Rocket 4");
  EXPECT_TRUE(fourth.random);
  RocketItemLook first = DescribeRocketItem(0, effect.settings.rocketColours[0]);
  EXPECT_EQ(first.label, "Rocket 1");
  EXPECT_FALSE(first.random);
  EXPECT_EQ(first.colour, 255);
  EXPECT_STREQ(kRandomRocketWord, "RANDOM");
}

TEST_F(PyrotechnicsDialog, DoubleClicksChooseAColourAndShiftMakesItRandom) {
  effect.settings.rocketColours[1] = PackColour(1, 2, 3);
  host.chosenColour = PackColour(200, 100, 50);
  // A random rocket offers white; a coloured one its own colour, with 0 as the copy.
  Run("dblclick 106 0\ndblclick 106 1");
  ASSERT_EQ(host.colourRequests.size(), 2u);
  EXPECT_EQ(host.colourRequests[0].colour, kWhite);
  EXPECT_EQ(host.colourRequests[1].colour, PackColour(1, 2, 3));
  EXPECT_EQ(host.colourRequests[1].colourCopy, 0);
  EXPECT_EQ(host.colourRequests[1].bitsPerPixel, 24);
  EXPECT_EQ(effect.settings.rocketColours[0], PackColour(200, 100, 50));
  EXPECT_EQ(effect.settings.rocketColours[1], PackColour(200, 100, 50));

  host.chosenColour = -1;  // cancelled: nothing changes
  Run("dblclick 106 2\nshift-dblclick 106 0");
  EXPECT_EQ(effect.settings.rocketColours[2], kRandomRocketColour);
  EXPECT_EQ(effect.settings.rocketColours[0], kRandomRocketColour);
  EXPECT_TRUE(DescribeRocketItem(0, effect.settings.rocketColours[0]).random);
  // Shift asks the host nothing.
  EXPECT_EQ(host.colourRequests.size(), 3u);

  // The colours outlive the dialog through the settings file.
  EXPECT_NE(SavedSettings().find("RocketColor00 = 2147483648"), std::string::npos) << SavedSettings();
  EXPECT_NE(SavedSettings().find("RocketColor01 = " + std::to_string(PackColour(200, 100, 50))), std::string::npos)
      << SavedSettings();
}

TEST_F(PyrotechnicsDialog, TheBackgroundButtonAsksForAColour) {
  host.chosenColour = PackColour(10, 20, 30);
  Run("click 107");
  EXPECT_EQ(effect.settings.mattColour, PackColour(10, 20, 30));
  EXPECT_EQ(dialog->itemText(kPyroBackground), "10,20,30");
  EXPECT_EQ(host.colourRequests.at(0).colour, 0);
  host.chosenColour = -1;
  Run("click 107");
  EXPECT_EQ(effect.settings.mattColour, PackColour(10, 20, 30));
  EXPECT_EQ(host.colourRequests.at(1).colourCopy, PackColour(10, 20, 30));
}

TEST_F(PyrotechnicsDialog, FieldsAreStoredAsTypedAndTheRadioButtonsChooseTheSeed) {
  Run("set 101 1000\nset 104 20\nset 122 5\nset 108 3000\nclick 119\nclick 998\nclick 2");
  EXPECT_EQ(effect.settings.width, 1000);
  EXPECT_EQ(effect.settings.depth, 20);
  EXPECT_EQ(effect.settings.randomValue, 5);
  EXPECT_EQ(effect.settings.explosion, 3000);
  EXPECT_EQ(effect.settings.randomType, 1);
  Run("click 121\nclick 998\nclick 2");
  EXPECT_EQ(effect.settings.randomType, 0);
  EXPECT_NE(SavedSettings().find("RandomType = 0"), std::string::npos);
}

TEST(FireworksSeed, TheSeedIsRepeatedInBothHalvesOrTakenFromTheClock) {
  EXPECT_EQ(FireworksSeed(0, 8634, 99), (8634u << 16) | 8634u);
  EXPECT_EQ(FireworksSeed(2, 1, 99), 0x00010001u);
  EXPECT_EQ(FireworksSeed(0, 0x12345, 99), (0x12345u << 16) | 0x12345u);  // held to 32 bits
  EXPECT_EQ(FireworksSeed(1, 8634, 1700000000), 1700000000u);
}

// Builds through the whole dialog and the common build driver.
class PyrotechnicsBuild : public PyrotechnicsDialog {
 protected:
  void SetUp() override {
    PyrotechnicsDialog::SetUp();
    effect.settings.width = 48;
    effect.settings.depth = 40;
  }
  const DeliveredTask& OnlyTask() {
    EXPECT_EQ(host.tasks.size(), 1u);
    return host.tasks.at(0);
  }
};

TEST_F(PyrotechnicsBuild, ATestBuildDeliversL1FramesAndTheSameSeedTheSameFrames) {
  effect.commonSettings.trueColour = 1;
  Run("click 998\nclick 2");
  const DeliveredTask first = OnlyTask();
  EXPECT_TRUE(first.test);
  EXPECT_GE(first.frames.size(), 22u);
  EXPECT_LE(first.frames.size(), 81u);
  EXPECT_EQ(first.width, 48);
  EXPECT_EQ(first.height, 40);
  EXPECT_EQ(first.frames[0].delay, 5);
  host.reset();
  Run("click 1");
  const DeliveredTask& second = OnlyTask();
  ASSERT_EQ(second.frames.size(), first.frames.size());
  for (size_t i = 0; i < first.frames.size(); ++i) EXPECT_TRUE(first.frames[i].bitmap == second.frames[i].bitmap);
}

TEST_F(PyrotechnicsBuild, TheOptimisedPaletteHoldsTheBackgroundExactly) {
  const int32_t background = PackColour(3, 77, 201);
  effect.settings.mattColour = background;
  Run("click 998\nclick 2");
  const DeliveredTask& task = OnlyTask();
  const DeliveredFrame& last = task.frames.back();
  // The last frame is plain background, reproduced without any error.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) {
      RgbColour c = task.palette.entries[FramePixel(last, x, y)];
      ASSERT_EQ(PackColour(c.red, c.green, c.blue), background) << x << "," << y;
    }
}

TEST_F(PyrotechnicsBuild, WithSupercompressTheLastFrameIsAllTransparent) {
  Run("check 117\nclick 1");
  const DeliveredTask& task = OnlyTask();
  ASSERT_GE(task.frames.size(), 2u);
  const DeliveredFrame& last = task.frames.back();
  ASSERT_GE(last.transparentKey, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) ASSERT_EQ(FramePixel(last, x, y), last.transparentKey) << x << "," << y;
}

TEST_F(PyrotechnicsBuild, ARocketCountFromTheFileIsHeldTo1To32) {
  effect.commonSettings.trueColour = 1;
  WriteSettings("MainRockets = 500\nMainWidth = 48\nMainDepth = 40\nTruecolour = 1\n");
  Run("click 998\nclick 2");
  const DeliveredTask many = OnlyTask();
  host.reset();
  WriteSettings("MainRockets = 32\nMainWidth = 48\nMainDepth = 40\nTruecolour = 1\n");
  Run("click 998\nclick 2");
  const DeliveredTask& thirtyTwo = OnlyTask();
  ASSERT_EQ(many.frames.size(), thirtyTwo.frames.size());
  EXPECT_TRUE(many.frames[3].bitmap == thirtyTwo.frames[3].bitmap);
  host.reset();
  WriteSettings("MainRockets = -3\nMainWidth = 48\nMainDepth = 40\nTruecolour = 1\n");
  Run("click 998\nclick 2");
  EXPECT_EQ(OnlyTask().frames.size(), thirtyTwo.frames.size());  // one rocket, same lifetime
}

TEST_F(PyrotechnicsBuild, AnImpossibleSizeEndsInMemoryErrorWithNothingDelivered) {
  for (const char* size : {"MainWidth = 0\n", "MainDepth = -20\n", "MainWidth = 90000\nMainDepth = 90000\n"}) {
    host.reset();
    WriteSettings(size);
    Run("click 998\nclick 2");
    EXPECT_TRUE(host.tasks.empty()) << size;
    ASSERT_EQ(dialog->messages().size(), 1u) << size;
    EXPECT_EQ(dialog->messages()[0].first, "Memory error");
  }
}

// The rockets draw on one thread; the colour reduction after them is shared: the same
// animation at any thread count, and memory running out on any thread ends in "Memory
// error" with nothing delivered.
TEST_F(PyrotechnicsBuild, BuildsOnSeveralThreadsDeliverTheSameAndFailCleanly) {
  auto build = [&](long failAfter) {
    host.reset();
    std::remove(SettingsFilePath("FWPLGPYR.INI").c_str());
    host.failAllocationsInBuild = failAfter;
    Run("click 1");
    std::vector<std::string> texts;
    for (const auto& message : dialog->messages()) texts.push_back(message.first);
    return BuildOutcome{texts, host.tasks};
  };
  ExpectTheSameDeliveryOnAnyThreadCount(build, 20);
  ExpectAllocationFailuresToEndCleanly(7, 5000, build);
}

TEST(PyrotechnicsManifest, MatchesTheDialogTemplateAndTheBuiltInSettings) {
  PyrotechnicsEffect effect;
  EXPECT_EQ(&effect.manifest(), &kPyrotechnicsManifest);
  ExpectManifestMatchesDialog(effect);
}

}  // namespace
