#include "framework/build_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "framework/dib_view.h"
#include "framework/headless_dialog.h"
#include "framework/main_dialog.h"
#include "framework/palette.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_effect.h"
#include "tests/support/thread_setting.h"

namespace {

class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(SettingsFilePath("FWPLGTST.INI").c_str());
    ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  }
  void TearDown() override { std::remove(SettingsFilePath("FWPLGTST.INI").c_str()); }

  // Presses the buttons of `script` in a fresh dialog, after the settings file has been
  // removed so that the effect's settings in memory count.
  int Run(const std::string& script) {
    std::remove(SettingsFilePath("FWPLGTST.INI").c_str());
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal));
    dialog = std::make_unique<HeadlessDialog>(dialogTemplate);
    MainDialog logic(effect, &host.record);
    return dialog->run(logic, actions, &refusal);
  }

  // Operations other than status and progress, in order.
  std::vector<int32_t> DeliveryOperations() const {
    std::vector<int32_t> ops;
    for (int32_t op : host.operations())
      if (op != HostOpSetStatus && op != HostOpProgress) ops.push_back(op);
    return ops;
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (auto& m : dialog->messages()) texts.push_back(m.first);
    return texts;
  }

  // Runs OK builds with Supercompress whose k-th allocation fails, k from 0 (every k, or
  // growing steps with `faster`) until one gets through or k reaches `limit`.
  void FailEveryAllocation(long limit, bool faster) {
    effect.commonSettings.supercompress = 1;
    bool completed = false;
    for (long k = 0; k < limit && !completed; k += faster ? 1 + k / 100 : 1) {
      host.reset();
      std::remove(SettingsFilePath("FWPLGTST.INI").c_str());
      std::vector<DialogAction> actions;
      ActionRefusal refusal{};
      ParseDialogActions("click 1", &actions, &refusal);
      HeadlessDialog failing(dialogTemplate);
      MainDialog logic(effect, &host.record);
      platform::FailAllocationsAfter(k);
      failing.run(logic, actions, &refusal);
      platform::FailAllocationsAfter(-1);
      completed = host.tasks.size() == 1 && host.tasks[0].finished == 1;
      if (!completed) {
        ASSERT_EQ(failing.messages().size(), 1u) << k;
        EXPECT_EQ(failing.messages()[0].first, "Memory error") << k;
        EXPECT_TRUE(host.tasks.empty()) << k;
      }
    }
    EXPECT_TRUE(completed);
  }

  DialogTemplate dialogTemplate;
  TestEffect effect;
  FakeHost host;
  std::unique_ptr<HeadlessDialog> dialog;
};

TEST_F(BuildTest, ATestBuildSendsTheTrialTaskAndNoTransparency) {
  effect.commonSettings.supercompress = 1;
  EXPECT_EQ(Run("click 998\nclick 2"), 0);
  std::vector<int32_t> expected = {HostOpCreateTestTask, HostOpAddImage, HostOpAddImage, HostOpAddImage,
                                   HostOpAddImage, HostOpAddComment, HostOpFinishTask};
  EXPECT_EQ(DeliveryOperations(), expected);
  ASSERT_EQ(host.tasks.size(), 1u);
  const DeliveredTask& task = host.tasks[0];
  EXPECT_TRUE(task.test);
  EXPECT_EQ(task.finished, 1);
  EXPECT_EQ(task.frameCount, 4);
  EXPECT_EQ(task.width, 16);
  EXPECT_EQ(task.height, 12);
  for (size_t i = 0; i < task.frames.size(); ++i) {
    EXPECT_EQ(task.frames[i].transparentKey, -1);
    EXPECT_EQ(task.frames[i].frameNumber, static_cast<int>(i));
    EXPECT_EQ(task.frames[i].delay, 3);
  }
  EXPECT_EQ(task.comment, kAnimationComment);
  std::vector<std::string> statuses = {"Building", "Quantizing", "Remapping"};
  EXPECT_EQ(host.statusTexts(), statuses);
  EXPECT_EQ(effect.releases, 1);
  EXPECT_TRUE(dialog->logoRunning() == false);  // stopped when the dialog ended
}

TEST_F(BuildTest, AnOkBuildSendsTheTaskAndClosesTheDialog) {
  effect.commonSettings.addComment = 0;
  EXPECT_EQ(Run("click 1"), 1);
  std::vector<int32_t> expected = {HostOpCreateTask, HostOpAddImage, HostOpAddImage, HostOpAddImage,
                                   HostOpAddImage, HostOpFinishTask};
  EXPECT_EQ(DeliveryOperations(), expected);
  EXPECT_FALSE(host.tasks[0].test);
  EXPECT_EQ(host.calls.back().operation, HostOpFinishTask);
  EXPECT_EQ(host.calls.back().argument, 1);
}

TEST_F(BuildTest, SupercompressMakesUnchangedPixelsTheReservedSlot) {
  // 8 x 6 frames with fewer than 255 colours together: the exact-colour palette.
  effect.width = 8;
  effect.height = 6;
  effect.commonSettings.supercompress = 1;
  effect.commonSettings.mainDither = 0;
  effect.frameMaker = [](int i) {
    DibImage image = CreateDibImage(8, 6, nullptr, 24);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x) SetDibPixel(image, x, y, PackColour(x * 30, y * 40, x < i * 2 ? 200 : 0));
    return image;
  };
  ASSERT_EQ(Run("click 1"), 1);
  const DeliveredTask& ok = host.tasks.at(0);
  std::vector<std::string> statuses = {"Building", "Quantizing", "Supercompressing", "Remapping"};
  EXPECT_EQ(host.statusTexts(), statuses);
  // The colours are listed first; the slot after them holds the reserved colour.
  int colours = 8 * 6 + 2 * 6 * 3;  // 48 base colours and the blue variants of columns 0..5
  EXPECT_EQ(ok.bits, BitsForColourCount(colours + 1));
  const RgbColour& reserved = ok.palette.entries[colours];
  EXPECT_EQ(ok.frames[0].transparentKey, -1);
  for (size_t i = 1; i < ok.frames.size(); ++i) EXPECT_EQ(ok.frames[i].transparentKey, colours) << i;

  // Composing the frames (a transparent pixel keeps the one below) gives the frames of
  // a build without Supercompress, pixel for pixel.
  host.tasks.clear();
  effect.commonSettings.supercompress = 0;
  ASSERT_EQ(Run("click 1"), 1);
  const DeliveredTask& plain = host.tasks.at(0);
  std::vector<int32_t> composite(8 * 6);
  for (size_t i = 0; i < ok.frames.size(); ++i) {
    const DeliveredFrame& frame = ok.frames[i];
    // The frame's colour table carries the reserved colour in the slot.
    const unsigned char* slot = frame.bitmap.data() + 40 + 4 * colours;
    EXPECT_EQ(slot[2], reserved.red);
    EXPECT_EQ(slot[1], reserved.green);
    EXPECT_EQ(slot[0], reserved.blue);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        int32_t index = FramePixel(frame, x, y);
        if (index != frame.transparentKey) composite[y * 8 + x] = index;
        const RgbColour& shown = ok.palette.entries[composite[y * 8 + x]];
        const RgbColour& expected = plain.palette.entries[FramePixel(plain.frames[i], x, y)];
        ASSERT_EQ(std::memcmp(&shown, &expected, 3), 0) << "frame " << i << " at " << x << "," << y;
      }
  }
}

TEST_F(BuildTest, TrueColourSkipsReductionAndCarriesTheFixedPalette) {
  effect.commonSettings.trueColour = 1;
  effect.commonSettings.mainPalette = 2;
  effect.commonSettings.supercompress = 1;
  effect.frameMaker = [](int i) {
    DibImage image = CreateDibImage(4, 4, nullptr, 24);
    for (int32_t x = 0; x < 4; ++x) SetDibPixel(image, x, 0, PackColour(i, 0, 0));  // top row changes
    return image;
  };
  ASSERT_EQ(Run("click 1"), 1);
  const DeliveredTask& task = host.tasks.at(0);
  for (const std::string& status : host.statusTexts()) EXPECT_NE(status, "Quantizing");
  RgbPalette fixed;
  int bits = 0;
  BuildPalette(&fixed, &bits, 2);
  EXPECT_EQ(task.bits, bits);
  EXPECT_EQ(std::memcmp(&task.palette, &fixed, sizeof fixed), 0);
  for (size_t i = 0; i < task.frames.size(); ++i) {
    EXPECT_EQ(FrameBits(task.frames[i]), 24);
    if (i == 0) continue;
    // The unchanged rows hold the frame's own key colour, absent from its other pixels.
    int32_t key = task.frames[i].transparentKey;
    ASSERT_GE(key, 0);
    EXPECT_EQ(FramePixel(task.frames[i], 0, 3), key);
    EXPECT_EQ(FramePixel(task.frames[i], 0, 0), PackColour(static_cast<int>(i), 0, 0));
    EXPECT_NE(key, PackColour(static_cast<int>(i), 0, 0));
  }
}

TEST_F(BuildTest, AnOptimisedPaletteIsNeverReducedAtOneBit) {
  // A flat white animation: one colour. One-bit reduction would deliver it as index 1
  // of whatever palette; frames of at least two bits look the colour up.
  effect.frameMaker = [](int) {
    DibImage image = CreateDibImage(5, 5, nullptr, 24);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 5; ++x) SetDibPixel(image, x, y, PackColour(255, 255, 255));
    return image;
  };
  for (int dither : {0, 1}) {
    host.tasks.clear();
    effect.commonSettings.mainDither = dither;
    ASSERT_EQ(Run("click 1"), 1);
    const DeliveredTask& task = host.tasks.at(0);
    EXPECT_EQ(task.bits, 2);
    for (const DeliveredFrame& frame : task.frames) {
      EXPECT_EQ(FrameBits(frame), 4);
      const RgbColour& shown = task.palette.entries[FramePixel(frame, 2, 2)];
      EXPECT_EQ(shown.red + shown.green + shown.blue, 3 * 255) << "dither " << dither;
    }
  }
}

TEST_F(BuildTest, FixedPalettesReserveASlotOnlyWhereThereIsRoom) {
  effect.commonSettings.mainCustomPalette = 0;
  effect.commonSettings.supercompress = 1;
  effect.commonSettings.mainDither = 0;
  struct Case {
    int kind;
    int slot;
    int bits;
  } cases[] = {{5, 216, 8}, {1, 16, 5}, {6, -1, 8}, {0, -1, 1}};
  for (const Case& c : cases) {
    host.tasks.clear();
    effect.commonSettings.mainPalette = c.kind;
    ASSERT_EQ(Run("click 1"), 1);
    const DeliveredTask& task = host.tasks.at(0);
    EXPECT_EQ(task.bits, c.bits) << c.kind;
    for (size_t i = 1; i < task.frames.size(); ++i) EXPECT_EQ(task.frames[i].transparentKey, c.slot) << c.kind;
    if (c.slot < 0) continue;
    // No pixel that changed was mapped to the reserved slot.
    RgbPalette fixed;
    BuildPalette(&fixed, nullptr, c.kind);
    EXPECT_EQ(std::memcmp(&task.palette, &fixed, 3 * c.slot), 0);
    for (int32_t y = 0; y < effect.height; ++y)
      for (int32_t x = 0; x < effect.width; ++x) EXPECT_NE(FramePixel(task.frames[0], x, y), c.slot);
  }
}

TEST_F(BuildTest, HostRefusals) {
  host.createTaskResult = 0;
  EXPECT_EQ(Run("click 998\nclick 2"), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Error creating new task."});
  std::vector<int32_t> onlyCreate = {HostOpCreateTestTask};
  EXPECT_EQ(DeliveryOperations(), onlyCreate);

  host.reset();
  host.refuseImageAt = 2;
  EXPECT_EQ(Run("click 1"), 1);  // OK closes the dialog whatever the build gave
  EXPECT_EQ(Messages(), std::vector<std::string>{"There has been an error adding an image to the current file object."});
  std::vector<int32_t> refused = {HostOpCreateTask, HostOpAddImage, HostOpAddImage, HostOpAddImage, HostOpFinishTask};
  EXPECT_EQ(DeliveryOperations(), refused);
  EXPECT_EQ(host.calls.back().argument, 0);
  EXPECT_EQ(effect.releases, 2);
}

TEST_F(BuildTest, FailuresBeforeDeliveryShowMemoryErrorAndSendNothing) {
  effect.frames = 1;
  Run("set 130 1\nclick 998\nclick 2");  // the field clamps to 2: renders two frames
  EXPECT_TRUE(Messages().empty());
  effect.frameMaker = [](int i) { return i == 0 ? CreateDibImage(2, 2, nullptr, 24) : nullptr; };
  host.reset();
  Run("click 998\nclick 2");
  EXPECT_EQ(Messages(), std::vector<std::string>{"Memory error"});
  effect.frameMaker = nullptr;
  effect.failRendering = true;
  host.reset();
  Run("click 998\nclick 2");
  EXPECT_EQ(Messages(), std::vector<std::string>{"Memory error"});
  EXPECT_TRUE(DeliveryOperations().empty());
  effect.failRendering = false;
  effect.failPreparation = true;
  host.reset();
  Run("click 998\nclick 2");
  EXPECT_EQ(Messages(), std::vector<std::string>{"Memory error"});
  EXPECT_TRUE(host.statusTexts().empty());
}

// Frames whose pixels often keep their value, often return to an earlier one and
// sometimes change to a new one: what the Supercompress comparison has to tell apart.
struct ChangingFrames {
  int32_t width = 19, height = 7;
  std::vector<std::vector<int32_t>> pixels;  // [frame][y * width + x]
  explicit ChangingFrames(int count, uint32_t seed) {
    uint32_t state = seed;
    auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
    const int32_t colours[4] = {PackColour(10, 20, 30), PackColour(200, 100, 0), PackColour(10, 20, 31), 0};
    for (int i = 0; i < count; ++i) {
      std::vector<int32_t> frame(static_cast<size_t>(width * height));
      for (size_t p = 0; p < frame.size(); ++p) {
        const uint32_t roll = next() % 8;
        frame[p] = i > 0 && roll < 4 ? pixels[i - 1][p] : i > 1 && roll < 6 ? pixels[i - 2][p] : colours[next() % 4];
      }
      pixels.push_back(frame);
    }
  }
  DibImage make(int i) const {
    DibImage image = CreateDibImage(width, height, nullptr, 24);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) SetDibPixel(image, x, y, pixels[i][y * width + x]);
    return image;
  }
};

// The whole delivery, as bytes to compare: the task, then each frame's record and bitmap.
std::string DeliveryBytes(const DeliveredTask& task) {
  std::string bytes = std::to_string(task.width) + "x" + std::to_string(task.height) + "/" + std::to_string(task.bits) +
                      "/" + std::to_string(task.frameCount) + "/" + task.comment + "/";
  bytes.append(reinterpret_cast<const char*>(&task.palette), sizeof task.palette);
  for (const DeliveredFrame& frame : task.frames) {
    bytes += "|" + std::to_string(frame.delay) + "," + std::to_string(frame.frameNumber) + "," +
             std::to_string(frame.transparentKey) + ":";
    bytes.append(frame.bitmap.begin(), frame.bitmap.end());
  }
  return bytes;
}

// Every setting that changes the colour pipeline gives the same delivery on 1, 2 and 7
// threads.
TEST_F(BuildTest, DeliveriesAreTheSameOnAnyNumberOfThreads) {
  const ChangingFrames changing(11, 7);
  struct Case {
    const char* name;
    int32_t custom, dither, trueColour, supercompress, palette;
    bool sizes;  // frames of different sizes: the frame-by-frame composite
  };
  const Case cases[] = {{"optimised, dithered, supercompressed", 1, 1, 0, 1, 6, false},
                        {"optimised, remapped, supercompressed", 1, 0, 0, 1, 6, false},
                        {"optimised, dithered", 1, 1, 0, 0, 6, false},
                        {"fixed palette, supercompressed", 0, 1, 0, 1, 5, false},
                        {"true colour, supercompressed", 1, 0, 1, 1, 6, false},
                        {"different sizes, supercompressed", 1, 1, 0, 1, 6, true}};
  for (const Case& c : cases) {
    effect.commonSettings.mainCustomPalette = c.custom;
    effect.commonSettings.mainDither = c.dither;
    effect.commonSettings.trueColour = c.trueColour;
    effect.commonSettings.supercompress = c.supercompress;
    effect.commonSettings.mainPalette = c.palette;
    effect.frames = 11;
    const bool sizes = c.sizes;
    effect.frameMaker = [&changing, sizes](int i) {
      if (sizes && i % 3 == 2) return CreateDibImage(changing.width - 3, changing.height + 2, nullptr, 24);
      return changing.make(i);
    };
    std::string single;
    for (int threads : {1, 2, 7}) {
      ThreadSetting setting(threads);
      host.reset();
      Run("click 1");
      ASSERT_EQ(host.tasks.size(), 1u) << c.name;
      ASSERT_EQ(host.tasks[0].frames.size(), 11u) << c.name;
      if (threads == 1) single = DeliveryBytes(host.tasks[0]);
      else EXPECT_TRUE(DeliveryBytes(host.tasks[0]) == single) << c.name << ": " << threads << " threads";
    }
  }
}

// The masks made from pairs of frames are the masks of the composite: a pixel is
// transparent exactly when it equals the composite of every frame before it.
TEST_F(BuildTest, SupercompressMasksWhatTheCompositeAlreadyShows) {
  const ChangingFrames changing(9, 3);
  effect.commonSettings.trueColour = 1;  // keys are colours, so pixels show their masks
  effect.commonSettings.supercompress = 1;
  effect.frames = 9;
  effect.frameMaker = [&changing](int i) { return changing.make(i); };
  for (int threads : {1, 7}) {
    ThreadSetting setting(threads);
    host.reset();
    Run("click 1");
    ASSERT_EQ(host.tasks.size(), 1u);
    const DeliveredTask& task = host.tasks[0];
    std::vector<int32_t> composite = changing.pixels[0];
    int unchanged = 0;
    for (int i = 1; i < 9; ++i) {
      const DeliveredFrame& frame = task.frames[i];
      ASSERT_GE(frame.transparentKey, 0);
      for (int32_t y = 0; y < changing.height; ++y)
        for (int32_t x = 0; x < changing.width; ++x) {
          int32_t& shown = composite[y * changing.width + x];
          const int32_t pixel = changing.pixels[i][y * changing.width + x];
          const bool same = shown == pixel;
          unchanged += same;
          shown = pixel;
          ASSERT_EQ(FramePixel(frame, x, y) == frame.transparentKey, same) << "frame " << i << " at " << x << "," << y;
          if (!same) {
            ASSERT_EQ(FramePixel(frame, x, y), pixel);
          }
        }
    }
    EXPECT_GT(unchanged, 300);  // the frames do keep many pixels
  }
}

TEST_F(BuildTest, EveryAllocationFailureEndsCleanly) {
  // Fail the k-th allocation of an OK build with Supercompress, for every k, until a
  // build gets through. Each run must either deliver a whole animation or show a
  // message and deliver nothing; the sanitizer build checks that nothing leaks.
  ThreadSetting setting(1);
  FailEveryAllocation(400, false);
}

TEST_F(BuildTest, EveryAllocationFailureEndsCleanlyOnSevenThreads) {
  // The same with the work shared by seven threads, where any of them may meet the
  // failing allocation (k grows faster: a build makes more allocations).
  ThreadSetting setting(7);
  effect.frames = 12;
  FailEveryAllocation(1500, true);
}

}  // namespace
