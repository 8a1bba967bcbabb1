// The Page Curl DLL as a Windows host sees it: its exports, its description record and
// its real dialog, driven by window messages.
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

std::string WindowsDirectoryFile(const char* name) {
  char dir[MAX_PATH] = "";
  GetWindowsDirectoryA(dir, sizeof dir);
  return std::string(dir) + "\\" + name;
}

class RealDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryA(g_pluginPath.c_str());
    ASSERT_NE(module, nullptr) << g_pluginPath;
    getParams = reinterpret_cast<decltype(getParams)>(
        reinterpret_cast<void*>(GetProcAddress(module, "PLUGINGetPluginParams")));
    doBuild = reinterpret_cast<decltype(doBuild)>(reinterpret_cast<void*>(GetProcAddress(module, "PLUGINDoBuild")));
    owner = CreateWindowA("STATIC", "host", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DeleteFileA(WindowsDirectoryFile("FWPLGCRL.INI").c_str());
  }
  void TearDown() override {
    DestroyWindow(owner);
    DeleteFileA(WindowsDirectoryFile("FWPLGCRL.INI").c_str());
    FreeLibrary(module);
  }

  // Runs the plug-in's dialog with the actions; returns what the driver saw.
  std::string Drive(const std::string& script, DialogDriver** keep = nullptr) {
    std::vector<DialogAction> actions;
    ActionRefusal refusal{};
    EXPECT_TRUE(ParseDialogActions(script, &actions, &refusal)) << DescribeRefusal(refusal);
    DialogDriver driver(owner, actions);
    if (!shots.empty()) driver.screenshotDialog(shots);
    if (!aboutShot.empty()) driver.screenshotAbout(aboutShot, 116);
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
  std::string shots, aboutShot;
  std::vector<std::pair<std::string, std::string>> messages;
};

TEST_F(RealDialog, ExportsCarryTheirPlainNames) {
  EXPECT_NE(GetProcAddress(module, "DllEntryPoint"), nullptr);
  EXPECT_NE(getParams, nullptr);
  EXPECT_NE(doBuild, nullptr);
  EXPECT_EQ(GetProcAddress(module, "_PLUGINDoBuild@12"), nullptr);
}

TEST_F(RealDialog, DescriptionRecordBytes) {
  unsigned char record[600];
  std::memset(record, 0xCC, sizeof record);
  uint32_t size = 520;
  std::memcpy(record, &size, 4);
  ASSERT_EQ(getParams(reinterpret_cast<PluginDescription*>(record), nullptr), 1);
  uint32_t readBack, version;
  std::memcpy(&readBack, record, 4);
  std::memcpy(&version, record + 4, 4);
  EXPECT_EQ(readBack, 520u);
  EXPECT_EQ(version, 0x200u);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 8), "Page Curl");
  const char* notice = reinterpret_cast<char*>(record + 269);
  EXPECT_GT(std::strlen(notice), 0u);
  size_t noticeEnd = 269 + std::strlen(notice);
  for (size_t i = 8 + std::strlen("Page Curl"); i < 269; ++i) ASSERT_EQ(record[i], 0) << i;
  for (size_t i = noticeEnd; i < 520; ++i) ASSERT_EQ(record[i], 0) << i;
  EXPECT_EQ(record[520], 0xCC);  // nothing past the size the host gave
}

TEST_F(RealDialog, TestAndOkBuildsThroughTheRealDialog) {
  host.openFilesSelection = {"Z:\\pictures\\a.bmp"};
  host.imagesToLoad = {FlatPicture(24, 16, RGB(200, 20, 20)), FlatPicture(24, 16, RGB(20, 20, 200))};
  shots = g_artefacts + "\\pagecurl-dialog.bmp";
  aboutShot = g_artefacts + "\\about-box.bmp";
  std::string error = Drive("click 125\nclick 125\nselect 124 0\nset 128 12\nclick 130\nclick 998\nclick 1");
  EXPECT_EQ(error, "");
  EXPECT_TRUE(messages.empty()) << messages.at(0).first;
  ASSERT_EQ(host.tasks.size(), 2u);
  EXPECT_TRUE(host.tasks[0].test);
  EXPECT_FALSE(host.tasks[1].test);
  EXPECT_EQ(host.tasks[1].finished, 1);
  EXPECT_EQ(host.tasks[0].frames.size(), host.tasks[1].frames.size());
  EXPECT_GT(host.tasks[1].frames.size(), 4u);
  EXPECT_EQ(host.tasks[1].width, 24);
}

TEST_F(RealDialog, ControlsStartFromTheSettingsFileAndEndInIt) {
  {
    std::ofstream ini(WindowsDirectoryFile("FWPLGCRL.INI"), std::ios::binary);
    ini << "[PlugIn]\r\nMainStepsize = 7\r\nMainPause = 33\r\nMainHorizontal = 1\r\nMainDirection = 8\r\n"
           "MainDelay = 4\r\nMainMattcolour = 255\r\n";
  }
  host.openFilesSelection = {"Z:\\p\\x.bmp"};
  host.imagesToLoad = {FlatPicture(8, 8, 5)};
  EXPECT_EQ(Drive("click 125\nclick 998\nclick 2"), "");
  std::ifstream saved(WindowsDirectoryFile("FWPLGCRL.INI"), std::ios::binary);
  std::stringstream text;
  text << saved.rdbuf();
  for (const char* line : {"MainStepsize = 7\r\n", "MainPause = 33\r\n", "MainHorizontal = 1\r\n",
                           "MainDirection = 8\r\n", "MainDelay = 4\r\n", "MainMattcolour = 255\r\n"})
    EXPECT_NE(text.str().find(line), std::string::npos) << line;
}

TEST_F(RealDialog, MessagesAndRefusedActionsReachTheHost) {
  // No picture to load: the plug-in says so; Remove stays disabled.
  host.openFilesSelection = {"Z:\\p\\missing.bmp"};
  std::string error = Drive("click 125\nclick 126");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "Error reading file");
  EXPECT_EQ(messages[0].second, "Message");
  EXPECT_NE(error.find("disabled"), std::string::npos);
}

TEST_F(RealDialog, ANullCallbackShowsInternalErrorAndEndsTheDialog) {
  host.record.callback = nullptr;
  EXPECT_EQ(Drive("click 1"), "");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "Internal error");
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(RealDialog, HelpWithoutTheHostsDirectoryShowsTheHelpError) {
  WritePrivateProfileStringA("Framewright", "ApplicationPath", "C:", "FWHOST.INI");
  EXPECT_EQ(Drive("click 9\nclick 2"), "");
  WritePrivateProfileStringA("Framewright", nullptr, nullptr, "FWHOST.INI");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "There has been an error displaying the Help document.");
}

TEST_F(RealDialog, DraggingReordersTheList) {
  host.openFilesSelection = {"Z:\\p\\a.bmp"};
  host.imagesToLoad = {FlatPicture(8, 8, RGB(255, 0, 0)), FlatPicture(8, 8, RGB(0, 255, 0)), FlatPicture(8, 8, RGB(0, 0, 255))};
  // a b c, then c dragged onto a: the copy lands before a and the original goes: c a b.
  EXPECT_EQ(Drive("click 125\nclick 125\nclick 125\ndrag 124 2 0\ncheck 103\nclick 998\nclick 2"), "");
  ASSERT_EQ(host.tasks.size(), 1u);
  // True colour: each transition ends on the next picture, shown whole with the pause.
  std::vector<int> endings;  // red, green, blue: 0, 1, 2
  for (const DeliveredFrame& frame : host.tasks[0].frames) {
    if (frame.delay != 100) continue;
    const unsigned char* bgr = frame.bitmap.data() + 40;
    endings.push_back(bgr[2] == 255 ? 0 : bgr[1] == 255 ? 1 : 2);
  }
  EXPECT_EQ(endings, (std::vector<int>{0, 1, 2}));  // c a b: a, b, then c again
}

}  // namespace

int main(int argc, char** argv) {
  return RunPluginDialogTests(argc, argv, "PLUGIN.dll", &g_pluginPath, &g_artefacts);
}
