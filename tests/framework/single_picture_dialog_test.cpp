#include "framework/single_picture_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <tuple>

#include "framework/headless_dialog.h"
#include "framework/main_dialog.h"
#include "tests/support/fake_host.h"

namespace {

constexpr const char* kSettingsFile = "FWPLGTSP.INI";
constexpr const char* kTooSmall = "This plugin requires images having dimensions of no less than 64 X 64 pixels.";

// The probe's controls: the Ripple dialog's random source.
constexpr EffectOption kProbeOptions[] = {
    {"random-seed", OptionKind::Press, kRandomFromClock, 0, 0, "", "take the seed from the clock", nullptr},
    {"survey-image", OptionKind::Press, kRandomFromPicture, 0, 0, "", "take the seed from the picture", nullptr},
    {"use-seed", OptionKind::Press, kRandomFromSeed, 0, 0, "yes", "take the seed from --seed", nullptr},
    {"seed", OptionKind::Number, kRandomSeedField, 10, 10000, "8634", "the seed", nullptr},
};

constexpr CommonControlIds ProbeControlIds() {
  CommonControlIds ids;
  ids.paste = kPicturePaste;
  return ids;
}

constexpr EffectManifest kProbeManifest{
    "probe", nullptr, "Probe", "its picture twice", SourceKind::SinglePicture, kPictureSelect, ProbeControlIds(),
    DelayField{{1, 100, 10}, {1, 1000, 10}, 3}, kProbeOptions, std::size(kProbeOptions), FrameRule{nullptr, nullptr}};

// A single-picture effect whose build delivers its source picture twice.
class PictureProbe : public SinglePictureEffect {
 public:
  explicit PictureProbe(SinglePictureOptions options)
      : SinglePictureEffect(EffectDescription{kProbeManifest, "Probe", "PROBE", kSettingsFile,
                                              AboutInfo{"Probe Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                                              7001},
                            std::move(options)) {
    commonSettings.trueColour = 1;
  }

  int renderFrames(BuildContext& build, FrameList* frames) override {
    if (!source()) return 0;
    for (int i = 0; i < 2; ++i) {
      DibImage copy = DuplicateDibImage(source());
      if (!AppendFrame(frames, copy, build.settings.mainDelay)) {
        FreeDibImage(copy);
        return 0;
      }
    }
    return 1;
  }
};

SinglePictureOptions RippleLike() {
  SinglePictureOptions options;
  options.randomSource = true;
  return options;
}

// An 8-bit picture of palette entry 1 (red 200, green 10, blue 20).
DibImage PalettedPicture(int32_t width, int32_t height) {
  RgbPalette palette{};
  palette.entries[1] = {200, 10, 20};
  DibImage image = CreateDibImage(width, height, &palette, 8);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) SetDibPixel(image, x, y, 1);
  return image;
}

class SinglePictureDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(SettingsFilePath(kSettingsFile).c_str());
    ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  }
  void TearDown() override { std::remove(SettingsFilePath(kSettingsFile).c_str()); }

  // Runs the actions with a fresh effect; the dialog is kept for inspection.
  int Run(const std::string& script, SinglePictureOptions options = RippleLike()) {
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
    effect = std::make_unique<PictureProbe>(std::move(options));
    if (prepare) {
      // As an earlier session would have left them in the settings file.
      prepare(*effect);
      size_t count;
      const SettingsEntry* table = effect->settingsTable(&count);
      SaveSettings(kSettingsFile, table, count);
    }
    dialog = std::make_unique<HeadlessDialog>(dialogTemplate);
    dialog->setClipboardHasPicture(true);
    MainDialog logic(*effect, &host.record);
    int result = dialog->run(logic, actions, &refusal);
    lastError = DescribeRefusal(refusal);
    return result;
  }

  DialogTemplate dialogTemplate;
  FakeHost host;
  std::unique_ptr<PictureProbe> effect;
  std::unique_ptr<HeadlessDialog> dialog;
  std::function<void(PictureProbe&)> prepare;
  std::string lastError;
};

TEST_F(SinglePictureDialog, StartsWithTheSeedAndItsRadioButtonAndTheButtonsEnabled) {
  Run("");
  EXPECT_EQ(dialog->itemText(kRandomSeedField), "8634");
  EXPECT_TRUE(dialog->isChecked(kRandomFromSeed));
  EXPECT_FALSE(dialog->isChecked(kRandomFromClock));
  EXPECT_TRUE(dialog->isEnabled(kIdOk));
  EXPECT_TRUE(dialog->isEnabled(998));
  EXPECT_TRUE(dialog->isEnabled(kRandomSeedField));
  int minimum = 0, maximum = 0;
  dialog->upDownRange(kRandomSeedField + kUpDownOffset, &minimum, &maximum);
  EXPECT_EQ(minimum, 10);
  EXPECT_EQ(maximum, 10000);
  EXPECT_TRUE(dialog->messageTexts().empty());

  for (auto [type, radio, seeded] : {std::tuple{1, kRandomFromPicture, true}, std::tuple{2, kRandomFromClock, false},
                                     std::tuple{7, kRandomFromSeed, true}}) {
    prepare = [type = type](PictureProbe& e) { e.picture.randomType = type; };
    Run("");
    EXPECT_TRUE(dialog->isChecked(radio)) << type;
    EXPECT_EQ(dialog->isEnabled(kRandomSeedField), seeded) << type;
    EXPECT_EQ(dialog->isEnabled(kRandomSeedField + kUpDownOffset), seeded) << type;
  }
}

TEST_F(SinglePictureDialog, EveryRadioClickAppliesTheSeedRule) {
  // The seed field refuses typing while the clock is chosen, and takes it again after.
  EXPECT_EQ(Run("click 118\nset 121 5"), -1);
  EXPECT_NE(lastError.find("disabled"), std::string::npos);
  EXPECT_FALSE(dialog->isEnabled(10121));
  Run("click 118\nclick 119\nset 121 5");
  EXPECT_TRUE(lastError.empty()) << lastError;
  EXPECT_TRUE(dialog->isEnabled(10121));
  EXPECT_FALSE(dialog->isChecked(kRandomFromClock));
}

TEST_F(SinglePictureDialog, ControlsReachTheSettingsWithTheSeedAsTyped) {
  // No picture: the build says so, but the controls have reached the settings.
  Run("set 121 99999\nclick 119\nclick 998");
  EXPECT_EQ(effect->picture.randomValue, 99999);
  EXPECT_EQ(effect->picture.randomType, kRandomSurveyImage);
  EXPECT_EQ(dialog->messageTexts(), std::vector<std::string>{"Memory error"});
  Run("set 121 \nclick 118\nclick 998");
  EXPECT_EQ(effect->picture.randomValue, 0);
  EXPECT_EQ(effect->picture.randomType, kRandomClock);
  Run("click 120\nset 121 4294967295\nclick 1");
  EXPECT_EQ(effect->picture.randomValue, -1);  // every unsigned 32-bit value is kept
  EXPECT_EQ(effect->picture.randomType, kRandomUseSeed);
  // ...and the settings file.
  PictureProbe reread(RippleLike());
  size_t count;
  const SettingsEntry* table = reread.settingsTable(&count);
  LoadSettings(kSettingsFile, table, count);
  EXPECT_EQ(reread.picture.randomValue, -1);
}

TEST_F(SinglePictureDialog, SelectImageMakesThePictureTrueColourAndRemembersItsPath) {
  host.openFilePath = "/pictures/red.bmp";
  host.imagesToLoad = {PalettedPicture(64, 70)};
  Run("click 101\nclick 998");
  EXPECT_TRUE(dialog->messageTexts().empty());
  EXPECT_STREQ(effect->picture.fileNamePath, "/pictures/red.bmp");
  ASSERT_EQ(host.tasks.size(), 1u);
  const DeliveredFrame& frame = host.tasks[0].frames.at(0);
  EXPECT_EQ(FrameBits(frame), 24);
  EXPECT_EQ(FramePixel(frame, 63, 69), PackColour(200, 10, 20));
}

TEST_F(SinglePictureDialog, ARefusedPictureKeepsTheOldSourceAndPath) {
  // The restored first picture is the source; a 63 x 400 one, then an unreadable one,
  // are refused.
  host.openFilePath = "/p/narrow.bmp";
  host.imagesToLoad = {FlatPicture(64, 64, PackColour(1, 2, 3)), FlatPicture(63, 400, PackColour(9, 9, 9))};
  prepare = [](PictureProbe& e) { std::strcpy(e.picture.fileNamePath, "/p/first.bmp"); };
  Run("click 101\nclick 101\nclick 998");
  EXPECT_EQ(dialog->messageTexts(), (std::vector<std::string>{kTooSmall, "Error reading file"}));
  EXPECT_STREQ(effect->picture.fileNamePath, "/p/first.bmp");
  ASSERT_EQ(host.tasks.size(), 1u);
  EXPECT_EQ(FramePixel(host.tasks[0].frames.at(0), 5, 5), PackColour(1, 2, 3));
  EXPECT_EQ(host.loadedPaths, (std::vector<std::string>{"/p/first.bmp", "/p/narrow.bmp", "/p/narrow.bmp"}));
}

TEST_F(SinglePictureDialog, PasteReplacesThePictureButNotItsPathAndRefusesSmallOnes) {
  Run("click 102");
  EXPECT_EQ(dialog->messageTexts(), std::vector<std::string>{"Clipboard error"});

  host.pasteImage = FlatPicture(200, 63, PackColour(5, 5, 5));
  Run("click 102\nclick 998");
  EXPECT_EQ(dialog->messageTexts(), (std::vector<std::string>{kTooSmall, "Memory error"}));
  EXPECT_TRUE(host.tasks.empty());

  host.pasteImage = PalettedPicture(80, 64);
  prepare = [](PictureProbe& e) { std::strcpy(e.picture.fileNamePath, "/kept.bmp"); };
  Run("click 102\nclick 998");  // the kept path loads nothing: no message
  EXPECT_TRUE(dialog->messageTexts().empty());
  EXPECT_STREQ(effect->picture.fileNamePath, "/kept.bmp");
  ASSERT_EQ(host.tasks.size(), 1u);
  EXPECT_EQ(host.tasks[0].width, 80);
  EXPECT_EQ(FramePixel(host.tasks[0].frames.at(1), 79, 0), PackColour(200, 10, 20));
}

TEST_F(SinglePictureDialog, TheRememberedPictureComesBackAtStart) {
  prepare = [](PictureProbe& e) { std::strcpy(e.picture.fileNamePath, "/last.bmp"); };
  host.imagesToLoad = {PalettedPicture(64, 64)};
  Run("click 998");
  EXPECT_TRUE(dialog->messageTexts().empty());
  EXPECT_EQ(host.tasks.size(), 1u);
  // Too small for the effect: refused with the size message, no source.
  host.reset();
  host.imagesToLoad = {PalettedPicture(64, 10)};
  Run("click 998");
  EXPECT_EQ(dialog->messageTexts(), (std::vector<std::string>{kTooSmall, "Memory error"}));
  // Nothing remembered: nothing asked of the host.
  host.reset();
  prepare = nullptr;
  std::remove(SettingsFilePath(kSettingsFile).c_str());
  Run("");
  EXPECT_TRUE(host.loadedPaths.empty());
}

TEST_F(SinglePictureDialog, WithoutTheSizeCheckAndRandomSourceOnlyThePictureAndFieldsCount) {
  int32_t typed = 12;
  SinglePictureOptions options;
  options.sizeCheck = false;
  options.fields = {{kRandomSeedField, &typed}};
  host.openFilePath = "/tiny.bmp";
  host.imagesToLoad = {FlatPicture(3, 2, PackColour(7, 8, 9))};
  prepare = [](PictureProbe& e) { e.picture.randomType = kRandomClock; };
  Run("click 101\nset 121 50000\nclick 998", options);
  EXPECT_TRUE(dialog->messageTexts().empty());
  EXPECT_EQ(typed, 50000);  // stored as typed, beyond its up-down's range
  EXPECT_EQ(effect->picture.randomType, kRandomClock);  // the radio buttons are not the effect's
  EXPECT_FALSE(dialog->isChecked(kRandomFromClock));
  EXPECT_EQ(host.tasks.at(0).width, 3);
}

}  // namespace
