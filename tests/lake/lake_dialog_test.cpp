#include "effects/lake/lake_effect.h"

#include <gtest/gtest.h>

#include "effects/lake/lake_render.h"
#include "samples/scenes.h"
#include "tests/support/effect_dialog_fixture.h"
#include "tests/support/manifest_check.h"
#include "tests/support/thread_builds.h"

namespace {

class LakeDialog : public EffectDialogTest<LakeEffect> {
 protected:
  // Select image answers with this picture (the host takes it over).
  void Offer(DibImage picture) {
    host.openFilePath = "/pictures/shore.bmp";
    host.imagesToLoad.push_back(picture);
  }
};

TEST_F(LakeDialog, StartsWithItsOwnRangesAndSettings) {
  Run("");
  EXPECT_EQ(dialog->title(), "Lake");
  EXPECT_EQ(range(10105), std::make_pair(1, 25));
  EXPECT_EQ(range(10104), std::make_pair(6, 32));
  EXPECT_EQ(dialog->itemText(105), "8");
  EXPECT_EQ(dialog->itemText(kLakeFrameCount), "12");
  EXPECT_FALSE(dialog->isChecked(kLakeReflectionOnly));
  EXPECT_TRUE(dialog->isChecked(kLakeComment));
  EXPECT_TRUE(dialog->isEnabled(kIdOk));
  EXPECT_TRUE(messageTexts().empty());

  host.record.capabilities = HostCapsTrueColour;
  Run("");
  EXPECT_EQ(range(10105), std::make_pair(1, 250));
  EXPECT_FALSE(dialog->isEnabled(117));
}

TEST_F(LakeDialog, SelectImageTakesAnySizeAndTheBuildPutsThePictureAboveItsReflection) {
  DibImage picture = RenderScene(10, 5, 2);
  std::vector<unsigned char> expected;
  {
    DibImage mirror = MakeMirror(picture);
    DibImage reflection = LakeFrame(mirror, 0, 6);
    expected = TakeBlockBytes(ComposeLakeFrame(picture, reflection));
    FreeDibImage(reflection);
    FreeDibImage(mirror);
  }
  Offer(picture);
  Run("click 101\nset 104 6\ncheck 103\nclick 998");
  EXPECT_TRUE(messageTexts().empty());
  EXPECT_STREQ(effect.picture.fileNamePath, "/pictures/shore.bmp");
  ASSERT_EQ(host.tasks.size(), 1u);
  const DeliveredTask& task = host.tasks[0];
  EXPECT_EQ(task.width, 10);
  EXPECT_EQ(task.height, 10);
  ASSERT_EQ(task.frames.size(), 6u);
  EXPECT_EQ(task.frames[0].bitmap, expected);
  EXPECT_EQ(task.frames[5].delay, 8);
  // Composing reports its progress frame by frame, then ends it.
  EXPECT_EQ(host.statusTexts(), (std::vector<std::string>{"Building", "Composing", "Remapping"}));
  std::vector<intptr_t> progress;
  bool composing = false;
  for (const HostCall& call : host.calls) {
    if (call.operation == HostOpSetStatus) composing = call.text == "Composing";
    if (composing && call.operation == HostOpProgress) progress.push_back(call.argument);
  }
  EXPECT_EQ(progress, (std::vector<intptr_t>{0, 1, 2, 3, 4, 5, 0}));
}

TEST_F(LakeDialog, OnlyTheReflectionKeepsThePicturesSize) {
  host.pasteImage = RenderScene(40, 30, 4);
  Run("click 102\ncheck 119\nset 104 7\nclick 998");
  EXPECT_TRUE(messageTexts().empty());
  ASSERT_EQ(host.tasks.size(), 1u);
  EXPECT_EQ(host.tasks[0].height, 30);
  EXPECT_EQ(host.tasks[0].frames.size(), 7u);
  EXPECT_EQ(host.statusTexts(), (std::vector<std::string>{"Building", "Quantizing", "Remapping"}));
  EXPECT_EQ(effect.settings.justReflection, 1);
  // ...and the setting comes back with the next dialog.
  Run("");
  EXPECT_TRUE(dialog->isChecked(kLakeReflectionOnly));
  EXPECT_EQ(dialog->itemText(kLakeFrameCount), "7");
}

TEST_F(LakeDialog, FrameCountsAreStoredAsTypedAndTooFewOrTooManyFail) {
  host.pasteImage = RenderScene(30, 28, 5);
  Run("click 102\nset 104 1\nclick 998\nset 104 0\nclick 998\nset 104 2\nclick 998");
  EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Memory error", "Memory error"}));
  ASSERT_EQ(host.tasks.size(), 1u);
  EXPECT_EQ(host.tasks[0].frames.size(), 2u);

  // Past the up-down's range the number is used as typed; far past it, the frames could
  // never be held and the build says so at once.
  host.reset();
  host.pasteImage = RenderScene(30, 28, 5);
  Run("click 102\nset 104 40\nclick 998\nset 104 2000000000\nclick 998\nset 104 4294967295\nclick 1");
  EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Memory error", "Memory error"}));
  ASSERT_EQ(host.tasks.size(), 1u);
  EXPECT_EQ(host.tasks[0].frames.size(), 40u);
  EXPECT_EQ(effect.settings.numberOfFrames, -1);  // every unsigned 32-bit value is kept
}

// The reflections and their composition are made on the build's threads: the same
// animation at any count, and memory running out on any thread ends in "Memory error".
TEST_F(LakeDialog, BuildsOnSeveralThreadsDeliverTheSameAndFailCleanly) {
  auto build = [&](long failAfter) {
    host.reset();
    host.pasteImage = RenderScene(40, 30, 4);
    host.failAllocationsInBuild = failAfter;
    Run("click 102\nuncheck 119\nset 104 9\nclick 1");
    return BuildOutcome{messageTexts(), host.tasks};
  };
  ExpectTheSameDeliveryOnAnyThreadCount(build, 9);
  ExpectAllocationFailuresToEndCleanly(7, 3000, build);
}

TEST_F(LakeDialog, WithoutAPictureTheBuildFails) {
  Run("click 998");
  EXPECT_EQ(messageTexts(), std::vector<std::string>{"Memory error"});
  EXPECT_TRUE(host.tasks.empty());
}

TEST_F(LakeDialog, TheSettingsFileListsItsKeysInOrder) {
  Run("set 104 9\nclick 2");  // Cancel: the typed count never reaches the settings
  ExpectLinesInOrder(settingsPath(), {"AddDescriptiveCommentBlock", "DitherBrightness", "DitherContrast", "FastRemap",
                                      "FileNamePath", "JustReflection = 0", "MainCustompalette", "MainDelay = 8",
                                      "MainDither", "MainPalette", "NumberOfFrames = 12", "PatchLevel",
                                      "Supercompress", "Truecolour", "VersionNumber"});
}

TEST(LakeManifest, MatchesTheDialogTemplateAndTheBuiltInSettings) {
  LakeEffect effect;
  EXPECT_EQ(&effect.manifest(), &kLakeManifest);
  ExpectManifestMatchesDialog(effect);
}

}  // namespace
