#include "effects/ripple/ripple_effect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "effects/ripple/ripple_simulation.h"
#include "framework/headless_dialog.h"
#include "framework/main_dialog.h"
#include "samples/scenes.h"
#include "tests/support/fake_host.h"
#include "tests/support/manifest_check.h"
#include "tests/support/thread_builds.h"

namespace {

class RippleDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(SettingsFilePath("FWPLGRIP.INI").c_str());
    ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  }
  void TearDown() override { std::remove(SettingsFilePath("FWPLGRIP.INI").c_str()); }

  int Run(const std::string& script) {
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
    effect = std::make_unique<RippleEffect>();
    dialog = std::make_unique<HeadlessDialog>(dialogTemplate);
    dialog->setClipboardHasPicture(true);
    MainDialog logic(*effect, &host.record);
    int result = dialog->run(logic, actions, &refusal);
    EXPECT_FALSE(refusal.refused()) << DescribeRefusal(refusal);
    return result;
  }

  // Offers `picture` to the next Select image.
  void Offer(const char* path, DibImage picture) {
    host.openFilePath = path;
    host.imagesToLoad.push_back(picture);
  }

  DialogTemplate dialogTemplate;
  FakeHost host;
  std::unique_ptr<RippleEffect> effect;
  std::unique_ptr<HeadlessDialog> dialog;
};

TEST_F(RippleDialog, StartsWithItsDefaults) {
  Run("");
  EXPECT_EQ(dialog->title(), "Ripple");
  EXPECT_EQ(dialog->itemText(105), "5");
  EXPECT_EQ(dialog->itemText(kRandomSeedField), "8634");
  EXPECT_TRUE(dialog->isChecked(kRandomFromSeed));
  EXPECT_TRUE(dialog->isChecked(122));  // Add comment
  EXPECT_TRUE(dialog->isEnabled(kPicturePaste));
  EXPECT_TRUE(dialog->isEnabled(998));
}

TEST_F(RippleDialog, TheSameSeedBuildsTheSameAnimation) {
  Offer("/w/a.bmp", RenderScene(96, 72, 2));
  host.pasteImage = RenderScene(96, 72, 2);
  // A typed seed outside the up-down's range is used as typed; Paste brings the same
  // picture again.
  Run("click 101\nset 121 20000\nclick 998\nclick 102\nclick 998");
  ASSERT_EQ(host.tasks.size(), 2u);
  EXPECT_EQ(effect->picture.randomValue, 20000);
  const DeliveredTask one = host.tasks[0];
  const DeliveredTask& two = host.tasks[1];
  ASSERT_EQ(one.frames.size(), two.frames.size());
  for (size_t i = 0; i < one.frames.size(); ++i) ASSERT_EQ(one.frames[i].bitmap, two.frames[i].bitmap) << i;

  // The survey seed depends on the picture: another seed, another animation.
  host.reset();
  Offer("/w/a.bmp", RenderScene(96, 72, 2));
  Run("click 101\nclick 119\nclick 998");
  ASSERT_EQ(host.tasks.size(), 1u);
  EXPECT_EQ(effect->picture.randomType, kRandomSurveyImage);
  bool same = host.tasks[0].frames.size() == one.frames.size();
  for (size_t i = 0; same && i < one.frames.size(); ++i) same = host.tasks[0].frames[i].bitmap == one.frames[i].bitmap;
  EXPECT_FALSE(same);
}

TEST_F(RippleDialog, NoDropInTheFirstStepEndsWithMemoryError) {
  // A typed seed (found by search; far past the up-down's range, stored as typed) whose
  // drops all wait on chance and all miss it in the first step.
  const uint32_t value = 19296273;
  {
    RandomSource random;
    random.SeedRandom((value << 16) | value);
    RippleWater water;
    ASSERT_TRUE(water.start(64, 64, &random));
    for (int i = 0; i < kRippleDropCount; ++i) ASSERT_LE(water.drop(i).kind, kDropRing) << i;
    ASSERT_EQ(water.dropStep(), -1);
  }
  DibImage picture = RenderScene(64, 64, 1);
  FrameList frames;
  RandomSource random;
  random.SeedRandom((value << 16) | value);
  ASSERT_EQ(RunRipple(picture, &random, 5, &frames), 1);
  EXPECT_EQ(frames.count, 1);  // the flat surface is not alive: one unchanged frame
  FreeFrameList(&frames);

  Offer("/w/calm.bmp", picture);
  Run("click 101\nset 121 " + std::to_string(value) + "\nclick 998");
  EXPECT_EQ(dialog->messageTexts(), std::vector<std::string>{"Memory error"});
  EXPECT_TRUE(host.tasks.empty());
}

// The same animation at any thread count, and memory running out on any of the build's
// threads ends in "Memory error" with nothing delivered.
TEST_F(RippleDialog, BuildsOnSeveralThreadsDeliverTheSameAndFailCleanly) {
  auto build = [&](long failAfter) {
    host.reset();
    std::remove(SettingsFilePath("FWPLGRIP.INI").c_str());  // else the dialog opens with the picture named there
    Offer("/w/pond.bmp", RenderScene(64, 64, 3));
    host.failAllocationsInBuild = failAfter;
    Run("click 101\nclick 1");
    return BuildOutcome{dialog->messageTexts(), host.tasks};
  };
  ExpectTheSameDeliveryOnAnyThreadCount(build, 10);
  ExpectAllocationFailuresToEndCleanly(7, 5000, build);
}

TEST_F(RippleDialog, WithoutAPictureTheBuildSaysMemoryError) {
  Run("click 998");
  EXPECT_EQ(dialog->messageTexts(), std::vector<std::string>{"Memory error"});
  EXPECT_EQ(host.statusTexts(), std::vector<std::string>{"Building"});
  EXPECT_TRUE(host.tasks.empty());
}

TEST(RippleManifest, MatchesTheDialogTemplateAndTheBuiltInSettings) {
  RippleEffect effect;
  EXPECT_EQ(&effect.manifest(), &kRippleManifest);
  ExpectManifestMatchesDialog(effect);
}

}  // namespace
