// A fixture for the dialog tests of one plug-in's effect: its real dialog template (from
// the test program's resources), the headless dialog, the fake host, and a clean
// settings file before and after every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/headless_dialog.h"
#include "framework/main_dialog.h"
#include "tests/support/fake_host.h"

template <typename EffectType>
class EffectDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(settingsPath().c_str());
    ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  }
  void TearDown() override { std::remove(settingsPath().c_str()); }

  std::string settingsPath() const { return SettingsFilePath(effect.description().settingsFile); }

  // Runs the actions on a new dialog with the effect; the dialog is kept for inspection.
  // `lastError` tells why an action was refused.
  int Run(const std::string& script) {
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
    dialog = std::make_unique<HeadlessDialog>(dialogTemplate);
    dialog->setClipboardHasPicture(true);
    MainDialog logic(effect, &host.record);
    int result = dialog->run(logic, actions, &refusal);
    lastError = DescribeRefusal(refusal);
    return result;
  }

  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : dialog->messages()) texts.push_back(m.first);
    return texts;
  }

  // The range of up-down `id` as the dialog set it.
  std::pair<int, int> range(int id) {
    int minimum = 0, maximum = 0;
    dialog->upDownRange(id, &minimum, &maximum);
    return {minimum, maximum};
  }

  DialogTemplate dialogTemplate;
  EffectType effect;
  FakeHost host;
  std::unique_ptr<HeadlessDialog> dialog;
  std::string lastError;
};

// The bytes of an image's whole block, as a host copies it; the image is freed.
inline std::vector<unsigned char> TakeBlockBytes(DibImage image) {
  std::vector<unsigned char> bytes;
  {
    platform::BlockLock lock(image);
    if (lock) {
      const auto* data = static_cast<const unsigned char*>(lock.data());
      bytes.assign(data, data + platform::BlockSize(image));
    }
  }
  FreeDibImage(image);
  return bytes;
}

// The settings file at `path` holds lines starting with each of `lines`, in that order.
inline void ExpectLinesInOrder(const std::string& path, const std::vector<std::string>& lines) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  size_t at = 0;
  for (const std::string& line : lines) {
    size_t found = text.str().find("\n" + line, at);
    ASSERT_NE(found, std::string::npos) << line << " in\n" << text.str();
    at = found + 1;
  }
}
