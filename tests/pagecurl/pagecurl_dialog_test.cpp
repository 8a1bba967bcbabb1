#include "effects/pagecurl/pagecurl_effect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "effects/pagecurl/source_item.h"
#include "framework/headless_dialog.h"
#include "framework/main_dialog.h"
#include "tests/support/fake_host.h"
#include "tests/support/manifest_check.h"

namespace {

constexpr int32_t kPaper = 13369395;

class PageCurlDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(SettingsFilePath("FWPLGCRL.INI").c_str());
    ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  }
  void TearDown() override {
    std::remove(SettingsFilePath("FWPLGCRL.INI").c_str());
    if (dialog) effect.releaseSources(*dialog);
  }

  // Runs the actions; the dialog is kept (with its list) for inspection. Call Finish()
  // to end it the way a closing dialog does.
  int Run(const std::string& script) {
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
    dialog = std::make_unique<HeadlessDialog>(dialogTemplate);
    dialog->setClipboardHasPicture(clipboardHasPicture);
    logic = std::make_unique<ProbeDialog>(effect, &host.record);
    int result = dialog->run(*logic, actions, &refusal);
    EXPECT_FALSE(refusal.refused()) << DescribeRefusal(refusal);
    return result;
  }

  // Item names of the source list as the dialog shows them just before it ended.
  std::vector<std::string> names() const { return logic->names; }

  // MainDialog, remembering the list just before the dialog ends (its end releases it).
  struct ProbeDialog : MainDialog {
    using MainDialog::MainDialog;
    void onDestroy(Dialog& d) override {
      names.clear();
      for (int i = 0; i < d.listCount(kCurlSourceList); ++i) {
        SourceItem item;
        ReadSourceItem(reinterpret_cast<platform::MemoryHandle>(d.listData(kCurlSourceList, i)), &item);
        names.push_back(item.name);
      }
      enabledRemove = d.isEnabled(kCurlRemove);
      enabledOk = d.isEnabled(kIdOk);
      MainDialog::onDestroy(d);
    }
    std::vector<std::string> names;
    bool enabledRemove = false;
    bool enabledOk = false;
  };

  void Offer(const std::vector<std::string>& selection, std::vector<DibImage> pictures) {
    host.openFilesSelection = selection;
    for (DibImage p : pictures) host.imagesToLoad.push_back(p);
  }

  DialogTemplate dialogTemplate;
  bool clipboardHasPicture = true;
  PageCurlEffect effect;
  FakeHost host;
  std::unique_ptr<HeadlessDialog> dialog;
  std::unique_ptr<ProbeDialog> logic;
};

TEST_F(PageCurlDialog, StartsWithAnEmptyListAndTheSettingsInTheControls) {
  effect.settings.horizontal = 1;
  effect.settings.direction = 8;
  effect.settings.mattColour = PackColour(1, 2, 3);
  Run("");
  EXPECT_EQ(dialog->title(), "Page Curl");
  EXPECT_FALSE(logic->enabledOk);
  EXPECT_FALSE(logic->enabledRemove);
  EXPECT_FALSE(dialog->isEnabled(998));
  EXPECT_EQ(dialog->itemText(kCurlPaperColour), "1,2,3");
  EXPECT_EQ(dialog->itemText(kCurlStepSize), "15");
  EXPECT_EQ(dialog->itemText(kCurlPause), "100");
  EXPECT_TRUE(dialog->isChecked(kCurlHorizontal));
  EXPECT_FALSE(dialog->isChecked(kCurlVertical));
  EXPECT_TRUE(dialog->isChecked(kCurlUpperRightButton));
  EXPECT_FALSE(dialog->isChecked(kCurlUpperLeftButton));
}

TEST_F(PageCurlDialog, OneAddSortsTheNamesAndInsertsEachAfterTheSelection) {
  Offer({"/pictures/", "2.gif", "3.gif", "1.gif"}, {FlatPicture(4, 4, 1), FlatPicture(4, 4, 2), FlatPicture(4, 4, 3)});
  Run("click 125");
  EXPECT_EQ(names(), (std::vector<std::string>{"/pictures/3.gif", "/pictures/2.gif", "/pictures/1.gif"}));
  EXPECT_EQ(host.loadedPaths, (std::vector<std::string>{"/pictures/1.gif", "/pictures/2.gif", "/pictures/3.gif"}));
  EXPECT_TRUE(logic->enabledOk);
  EXPECT_TRUE(logic->enabledRemove);
}

TEST_F(PageCurlDialog, AddingOneAtATimeKeepsTheOrderAndAFailedLoadKeepsTheEarlierFiles) {
  host.openFilesSelection = {"/a/first.png"};
  host.imagesToLoad = {FlatPicture(4, 4, 1), FlatPicture(4, 4, 2)};
  // The selection stays the same for every Add: three clicks add the same file thrice,
  // each after the last (which Add selects); the third finds no picture to load.
  Run("click 125\nclick 125\nclick 125");
  EXPECT_EQ(names(), (std::vector<std::string>{"/a/first.png", "/a/first.png"}));
  ASSERT_EQ(dialog->messages().size(), 1u);
  EXPECT_EQ(dialog->messages()[0].first, "Error reading file");
}

TEST_F(PageCurlDialog, PasteRemoveAndDrag) {
  Run("click 102");  // the host has no picture to paste
  EXPECT_EQ(dialog->messages().at(0).first, "Clipboard error");
  Offer({"/p/", "a", "b", "c"}, {FlatPicture(2, 2, 1), FlatPicture(2, 2, 2), FlatPicture(2, 2, 3)});
  host.pasteImage = FlatPicture(2, 2, 9);
  // Add gives c b a with a selected; Paste goes after a. Dragging item 0 onto item 2
  // inserts its copy before item 2 and removes the original: b c a Clip. Removing the
  // selected item 1 leaves b a Clip.
  Run("click 125\nclick 102\ndrag 124 0 2\nselect 124 1\nclick 126");
  EXPECT_EQ(names(), (std::vector<std::string>{"/p/b", "/p/a", "Clipboard image"}));
  EXPECT_EQ(dialog->listSelection(kCurlSourceList), -1);  // released at the end
}

TEST_F(PageCurlDialog, PaperColourComesFromTheColourChooser) {
  host.chosenColour = PackColour(10, 20, 30);
  Run("click 127\nclick 2");
  EXPECT_EQ(effect.settings.mattColour, PackColour(10, 20, 30));
  EXPECT_EQ(dialog->itemText(kCurlPaperColour), "10,20,30");
  host.chosenColour = -1;  // cancelled: nothing changes
  Run("click 127");
  EXPECT_EQ(effect.settings.mattColour, PackColour(10, 20, 30));
}

TEST_F(PageCurlDialog, OnePictureAnimatesFromAndBackToThePlainSheet) {
  Offer({"/one.png"}, {FlatPicture(20, 20, PackColour(250, 250, 10))});
  effect.commonSettings.trueColour = 1;
  effect.settings.stepSize = 5;
  Run("click 125\nclick 998\nclick 2");
  ASSERT_EQ(host.tasks.size(), 1u);
  const DeliveredTask& task = host.tasks[0];
  ASSERT_EQ(task.frames.size(), 24u);  // two transitions of 12 frames
  EXPECT_EQ(FramePixel(task.frames[11], 3, 3), PackColour(250, 250, 10));
  EXPECT_EQ(task.frames[11].delay, 100);
  EXPECT_EQ(FramePixel(task.frames[23], 3, 3), kPaper);
  EXPECT_EQ(names(), std::vector<std::string>{"/one.png"});  // the sheet is gone again
  EXPECT_EQ(host.statusTexts().at(0), "Calculating");
  EXPECT_EQ(host.statusTexts().at(1), "Adjusting");
  EXPECT_EQ(host.statusTexts().at(2), "Building");
}

TEST_F(PageCurlDialog, PicturesOfDifferentSizesAreCentredOnThePaper) {
  Offer({"/d/", "a", "b"}, {FlatPicture(20, 10, PackColour(0, 200, 0)), FlatPicture(10, 20, PackColour(0, 0, 200))});
  effect.commonSettings.trueColour = 1;
  effect.settings.stepSize = 32;  // two frames per transition
  Run("click 125\nclick 998\nclick 2");
  const DeliveredTask& task = host.tasks.at(0);
  EXPECT_EQ(task.width, 20);
  EXPECT_EQ(task.height, 20);
  ASSERT_EQ(task.frames.size(), 4u);
  // The list is b, a: frame 1 ends the first transition and shows a, 20 x 10 centred
  // on rows 5 to 14.
  const DeliveredFrame& a = task.frames[1];
  EXPECT_EQ(a.delay, 100);
  EXPECT_EQ(FramePixel(a, 0, 4), kPaper);
  EXPECT_EQ(FramePixel(a, 0, 5), PackColour(0, 200, 0));
  EXPECT_EQ(FramePixel(a, 19, 14), PackColour(0, 200, 0));
  EXPECT_EQ(FramePixel(a, 19, 15), kPaper);
  // Frame 3 shows b, 10 x 20 centred on columns 5 to 14.
  const DeliveredFrame& b = task.frames[3];
  EXPECT_EQ(FramePixel(b, 4, 0), kPaper);
  EXPECT_EQ(FramePixel(b, 5, 0), PackColour(0, 0, 200));
  EXPECT_EQ(FramePixel(b, 15, 19), kPaper);
}

TEST_F(PageCurlDialog, StepSizeKeepsToItsRange) {
  Offer({"/s/", "a", "b"}, {FlatPicture(20, 20, 1), FlatPicture(20, 20, 2)});
  effect.settings.stepSize = 0;  // as a hand-edited settings file could leave it
  Run("click 125\nclick 998\nclick 2");
  EXPECT_EQ(effect.settings.stepSize, 1);
  EXPECT_EQ(host.tasks.at(0).frames.size(), 2u * 58u);  // 20 x 20 at step 1: P from 1 to 58
  host.reset();
  Offer({"/s/", "a", "b"}, {FlatPicture(20, 20, 1), FlatPicture(20, 20, 2)});
  Run("click 125\nset 128 99\nclick 998\nclick 2");
  EXPECT_EQ(effect.settings.stepSize, 32);
}

TEST_F(PageCurlDialog, ControlsReachTheSettingsFile) {
  Run("set 123 250\nclick 129\nclick 134\nclick 2");
  // Cancel saves the settings the dialog had; controls reach them only with a build.
  EXPECT_EQ(effect.settings.direction, 32);
  Offer({"/s/", "a", "b"}, {FlatPicture(8, 8, 1), FlatPicture(8, 8, 2)});
  Run("click 125\nset 123 250\nclick 129\nclick 134\nset 128 30\nclick 998\nclick 2");
  PageCurlEffect reread;
  size_t count;
  const SettingsEntry* table = reread.settingsTable(&count);
  LoadSettings("FWPLGCRL.INI", table, count);
  EXPECT_EQ(reread.settings.pause, 250);
  EXPECT_EQ(reread.settings.horizontal, 1);
  EXPECT_EQ(reread.settings.direction, 4);
  EXPECT_EQ(reread.settings.stepSize, 30);
  EXPECT_EQ(reread.settings.randomValue, 8634);
}

TEST(PageCurlSelection, BufferForms) {
  const char one[] = "C:\\pics\\a.bmp\0";
  EXPECT_EQ(SelectedPaths(one, sizeof one), std::vector<std::string>{"C:\\pics\\a.bmp"});
  const char many[] = "/pics/\0b\0B\0a\0\0";
  EXPECT_EQ(SelectedPaths(many, sizeof many), (std::vector<std::string>{"/pics/B", "/pics/a", "/pics/b"}));
}

TEST(PageCurlManifest, MatchesTheDialogTemplateAndTheBuiltInSettings) {
  PageCurlEffect effect;
  EXPECT_EQ(&effect.manifest(), &kPageCurlManifest);
  ExpectManifestMatchesDialog(effect);
}

}  // namespace
