#include "effects/lens/lens_effect.h"

#include <gtest/gtest.h>

#include "effects/lens/lens_render.h"
#include "samples/scenes.h"
#include "tests/support/effect_dialog_fixture.h"
#include "tests/support/manifest_check.h"
#include "tests/support/thread_builds.h"

namespace {

using LensDialog = EffectDialogTest<LensEffect>;

TEST_F(LensDialog, StartsWithItsOwnRangesIdsAndSettings) {
  Run("");
  EXPECT_EQ(dialog->title(), "Lens");
  EXPECT_EQ(range(10105), std::make_pair(1, 100));
  EXPECT_EQ(range(10122), std::make_pair(25, 100));
  EXPECT_EQ(range(10121), std::make_pair(25, 1000));
  EXPECT_EQ(dialog->itemText(105), "5");
  EXPECT_EQ(dialog->itemText(kLensDiameter), "35");
  EXPECT_EQ(dialog->itemText(kLensSteps), "100");
  EXPECT_TRUE(dialog->isChecked(kLensComment));

  // Without the optimise capability the Supercompress box here is 115.
  host.record.capabilities = HostCapsTrueColour;
  Run("");
  EXPECT_EQ(range(10105), std::make_pair(1, 1000));
  EXPECT_FALSE(dialog->isEnabled(kLensSupercompress));
  EXPECT_TRUE(dialog->isEnabled(kLensComment));
}

TEST_F(LensDialog, ABuildFollowsThePathWithTheDiameterLimitedByThePicture) {
  // 64 x 64 limits any diameter to 21.
  DibImage picture = RenderScene(64, 64, 7);
  std::vector<unsigned char> expected[2];
  for (uint32_t i = 0; i < 2; ++i) {
    LensPoint p = LensPathPoint(i * 13, 26, 64, 64, 21);
    expected[i] = TakeBlockBytes(RenderLensFrame(picture, p.x, p.y, 21));
  }
  host.openFilePath = "/p/square.bmp";
  host.imagesToLoad = {picture};
  Run("click 101\nset 122 100\nset 121 26\ncheck 103\nuncheck 124\nset 105 7\nclick 1");
  EXPECT_TRUE(messageTexts().empty());
  ASSERT_EQ(host.tasks.size(), 1u);
  const DeliveredTask& task = host.tasks[0];
  ASSERT_EQ(task.frames.size(), 26u);
  EXPECT_EQ(task.frames[0].bitmap, expected[0]);
  EXPECT_EQ(task.frames[13].bitmap, expected[1]);
  EXPECT_EQ(task.frames[13].delay, 7);
  EXPECT_TRUE(task.comment.empty());
  EXPECT_EQ(host.statusTexts(), (std::vector<std::string>{"Building", "Remapping"}));
  EXPECT_EQ(effect.settings.diameter, 100);  // stored as typed
}

// The path's frames are made on the build's threads: the same animation at any count,
// and memory running out on any thread ends in "Memory error".
TEST_F(LensDialog, BuildsOnSeveralThreadsDeliverTheSameAndFailCleanly) {
  auto build = [&](long failAfter) {
    host.reset();
    // The dialog may open with the picture the last build named, then Select image
    // loads it again.
    host.openFilePath = "/p/square.bmp";
    host.imagesToLoad = {RenderScene(72, 64, 7), RenderScene(72, 64, 7)};
    host.failAllocationsInBuild = failAfter;
    Run("click 101\nset 122 15\nset 121 23\nclick 1");
    return BuildOutcome{messageTexts(), host.tasks};
  };
  ExpectTheSameDeliveryOnAnyThreadCount(build, 23);
  ExpectAllocationFailuresToEndCleanly(7, 3000, build);
}

TEST_F(LensDialog, TinyDiametersDrawNoLensAndZeroFails) {
  host.pasteImage = RenderScene(90, 70, 3);
  Run("click 102\nset 122 5\nset 121 25\ncheck 103\nclick 998\nset 122 0\nclick 998");
  EXPECT_EQ(messageTexts(), std::vector<std::string>{"Memory error"});
  ASSERT_EQ(host.tasks.size(), 1u);
  ASSERT_EQ(host.tasks[0].frames.size(), 25u);
  DibImage picture = RenderScene(90, 70, 3);
  const std::vector<unsigned char> unchanged = TakeBlockBytes(picture);
  for (const DeliveredFrame& frame : host.tasks[0].frames) EXPECT_EQ(frame.bitmap, unchanged);
}

TEST_F(LensDialog, StepCountsTooSmallOrTooLargeFailWithoutExhaustingMemory) {
  host.pasteImage = RenderScene(90, 70, 3);
  // 0 and 1 steps make fewer than two frames; 4294967295 steps of 90 x 70 would need
  // about 80 TB, and 300000000 about 6 TB: refused before the path is made.
  Run("click 102\nset 121 0\nclick 998\nset 121 1\nclick 998\nset 121 4294967295\nclick 998\n"
      "set 121 300000000\nclick 998\nset 121 30\nclick 998");
  EXPECT_EQ(messageTexts(), std::vector<std::string>(4, "Memory error"));
  ASSERT_EQ(host.tasks.size(), 1u);
  EXPECT_EQ(host.tasks[0].frames.size(), 30u);
}

TEST_F(LensDialog, TheSettingsFileListsItsKeysInItsOwnOrder) {
  Run("set 121 400\nclick 998");
  ExpectLinesInOrder(settingsPath(), {"AddDescriptiveCommentBlock", "DitherBrightness", "DitherContrast", "FastRemap",
                                      "FileNamePath", "MainCustompalette", "MainDiameter = 35", "MainDelay = 5",
                                      "MainDither", "MainSteps = 400", "MainPalette", "PatchLevel", "Supercompress",
                                      "Truecolour", "VersionNumber"});
}

TEST(LensManifest, MatchesTheDialogTemplateAndTheBuiltInSettings) {
  LensEffect effect;
  EXPECT_EQ(&effect.manifest(), &kLensManifest);
  ExpectManifestMatchesDialog(effect);
}

}  // namespace
