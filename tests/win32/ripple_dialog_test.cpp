// The Ripple DLL as a Windows host sees it: its description record and its real
// single-picture dialog (preview, Select image with the size check, the random-source
// buttons), driven by window messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "framework/headless_dialog.h"
#include "framework/host_interface.h"
#include "host/win32/dialog_driver.h"
#include "tests/support/fake_host.h"
#include "tests/win32/wine_test_paths.h"

namespace {

std::string g_pluginPath;
std::string g_artefacts;

std::string SettingsFile() {
  char dir[MAX_PATH] = "";
  GetWindowsDirectoryA(dir, sizeof dir);
  return std::string(dir) + "\\FWPLGRIP.INI";
}

// A picture with something to ripple: diagonal stripes.
DibImage Stripes(int32_t width, int32_t height) {
  DibImage image = CreateDibImage(width, height, nullptr, 24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) SetDibPixel(image, x, y, ((x + y) / 6) % 2 ? RGB(250, 240, 30) : RGB(20, 40, 160));
  return image;
}

class RippleRealDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryA(g_pluginPath.c_str());
    ASSERT_NE(module, nullptr) << g_pluginPath;
    getParams = reinterpret_cast<decltype(getParams)>(
        reinterpret_cast<void*>(GetProcAddress(module, "PLUGINGetPluginParams")));
    doBuild = reinterpret_cast<decltype(doBuild)>(reinterpret_cast<void*>(GetProcAddress(module, "PLUGINDoBuild")));
    owner = CreateWindowA("STATIC", "host", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DeleteFileA(SettingsFile().c_str());
  }
  void TearDown() override {
    DestroyWindow(owner);
    DeleteFileA(SettingsFile().c_str());
    FreeLibrary(module);
  }

  std::string Drive(const std::string& script) {
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
    DialogDriver driver(owner, actions);
    if (!shot.empty()) driver.screenshotDialog(shot);
    doBuild(owner, &host.record, nullptr);
    messages = driver.messages();
    EXPECT_TRUE(driver.dialogSeen());
    return DescribeRefusal(driver.refusal());
  }

  HMODULE module = nullptr;
  int(__stdcall* getParams)(PluginDescription*, void*) = nullptr;
  int(__stdcall* doBuild)(WindowHandle, const HostBuildRecord*, void*) = nullptr;
  HWND owner = nullptr;
  FakeHost host;
  std::string shot;
  std::vector<std::pair<std::string, std::string>> messages;
};

TEST_F(RippleRealDialog, DescribesItselfAsRipple) {
  unsigned char record[600];
  std::memset(record, 0xCC, sizeof record);
  uint32_t size = 520;
  std::memcpy(record, &size, 4);
  ASSERT_EQ(getParams(reinterpret_cast<PluginDescription*>(record), nullptr), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 8), "Ripple");
  EXPECT_GT(std::strlen(reinterpret_cast<char*>(record + 269)), 0u);
  EXPECT_EQ(record[520], 0xCC);
}

TEST_F(RippleRealDialog, SelectImageThenTestAndOkBuild) {
  host.openFilePath = "Z:\\pictures\\stripes.bmp";
  host.imagesToLoad = {Stripes(96, 72)};
  shot = g_artefacts + "\\ripple-dialog.bmp";  // shows the preview of the picture
  EXPECT_EQ(Drive("click 101\nset 121 321\nclick 998\nclick 1"), "");
  EXPECT_TRUE(messages.empty()) << messages.at(0).first;
  ASSERT_EQ(host.tasks.size(), 2u);
  EXPECT_TRUE(host.tasks[0].test);
  EXPECT_FALSE(host.tasks[1].test);
  EXPECT_EQ(host.tasks[1].width, 96);
  EXPECT_GE(host.tasks[1].frames.size(), 2u);
  EXPECT_EQ(host.tasks[0].frames.size(), host.tasks[1].frames.size());  // the same seed
  std::ifstream saved(SettingsFile(), std::ios::binary);
  std::stringstream text;
  text << saved.rdbuf();
  EXPECT_NE(text.str().find("FileNamePath = Z:\\pictures\\stripes.bmp\r\n"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("RandomValue = 321\r\n"), std::string::npos) << text.str();
}

TEST_F(RippleRealDialog, ANarrowPictureIsRefusedAndWithoutAPictureTheBuildSaysSo) {
  host.openFilePath = "Z:\\pictures\\narrow.bmp";
  host.imagesToLoad = {Stripes(63, 400)};
  EXPECT_EQ(Drive("click 101\nclick 998\nclick 2"), "");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].first, "This plugin requires images having dimensions of no less than 64 X 64 pixels.");
  EXPECT_EQ(messages[0].second, "Message");
  EXPECT_EQ(messages[1].first, "Memory error");
  EXPECT_TRUE(host.tasks.empty());
}

TEST_F(RippleRealDialog, TheClockNeedsNoSeed) {
  // "&Random" disables the seed field, so typing into it is refused.
  std::string error = Drive("click 118\nset 121 55");
  EXPECT_NE(error.find("disabled"), std::string::npos) << error;
}

}  // namespace

int main(int argc, char** argv) {
  return RunPluginDialogTests(argc, argv, "fwplgrip.dll", &g_pluginPath, &g_artefacts);
}
