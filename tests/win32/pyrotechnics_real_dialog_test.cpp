// The Pyrotechnics DLL through its real dialog, driven by window messages: the rocket
// list follows the Rockets field, double-clicks choose colours, and Test and OK build.
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
  return std::string(dir) + "\\FWPLGPYR.INI";
}

class PyrotechnicsRealDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryA(g_pluginPath.c_str());
    ASSERT_NE(module, nullptr) << g_pluginPath;
    doBuild = reinterpret_cast<decltype(doBuild)>(reinterpret_cast<void*>(GetProcAddress(module, "PLUGINDoBuild")));
    ASSERT_NE(doBuild, nullptr);
    owner = CreateWindowA("STATIC", "host", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DeleteFileA(SettingsFile().c_str());
    // Small frames keep the builds quick.
    std::ofstream(SettingsFile(), std::ios::binary) << "[PlugIn]\r\nMainWidth = 48\r\nMainDepth = 40\r\n";
  }
  void TearDown() override {
    DestroyWindow(owner);
    DeleteFileA(SettingsFile().c_str());
    FreeLibrary(module);
  }

  // Runs the dialog with the actions; returns why an action was refused, if one was.
  std::string Drive(const std::string& script, const std::string& shot = "") {
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

  std::string Saved() {
    std::ifstream in(SettingsFile(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  HMODULE module = nullptr;
  int(__stdcall* doBuild)(WindowHandle, const HostBuildRecord*, void*) = nullptr;
  HWND owner = nullptr;
  FakeHost host;
  std::vector<std::pair<std::string, std::string>> messages;
};

TEST_F(PyrotechnicsRealDialog, TheRocketListFollowsTheRocketsField) {
  EXPECT_EQ(Drive("set 102 9\nshift-dblclick 106 8\nclick 2"), "");
  EXPECT_NE(Drive("set 102 9\nshift-dblclick 106 9\nclick 2").find("has no item 9"), std::string::npos);
  EXPECT_EQ(Drive("set 102 50\nshift-dblclick 106 31\nclick 2"), "");
  EXPECT_NE(Drive("set 102 50\nshift-dblclick 106 32\nclick 2").find("has no item 32"), std::string::npos);
}

TEST_F(PyrotechnicsRealDialog, DoubleClicksChooseColoursAndTestAndOkBuildTheSameFrames) {
  host.chosenColour = RGB(255, 0, 0);
  std::string error = Drive("set 102 4\ndblclick 106 0\nshift-dblclick 106 2\nclick 998\nclick 1",
                            g_artefacts + "\\pyrotechnics-dialog.bmp");
  EXPECT_EQ(error, "");
  EXPECT_TRUE(messages.empty()) << messages.at(0).first;
  // Rocket 1 was random: the chooser was offered white.
  ASSERT_EQ(host.colourRequests.size(), 1u);
  EXPECT_EQ(host.colourRequests[0].colour, 0xFFFFFF);
  EXPECT_EQ(host.colourRequests[0].colourCopy, 0);
  ASSERT_EQ(host.tasks.size(), 2u);
  EXPECT_TRUE(host.tasks[0].test);
  EXPECT_FALSE(host.tasks[1].test);
  ASSERT_EQ(host.tasks[0].frames.size(), host.tasks[1].frames.size());
  EXPECT_GE(host.tasks[1].frames.size(), 22u);
  EXPECT_LE(host.tasks[1].frames.size(), 81u);
  for (size_t i = 0; i < host.tasks[0].frames.size(); ++i)
    EXPECT_TRUE(host.tasks[0].frames[i].bitmap == host.tasks[1].frames[i].bitmap) << i;
  EXPECT_EQ(host.tasks[1].width, 48);
  EXPECT_EQ(host.tasks[1].height, 40);
  std::string saved = Saved();
  for (const char* line : {"RocketColor00 = 255\r\n", "RocketColor02 = 2147483648\r\n", "MainRockets = 4\r\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << saved;
}

TEST_F(PyrotechnicsRealDialog, AnImpossibleSizeShowsMemoryError) {
  std::ofstream(SettingsFile(), std::ios::binary) << "[PlugIn]\r\nMainWidth = 0\r\n";
  EXPECT_EQ(Drive("click 998\nclick 2"), "");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "Memory error");
  EXPECT_TRUE(host.tasks.empty());
}

}  // namespace

int main(int argc, char** argv) {
  return RunPluginDialogTests(argc, argv, "fwplgpyr.dll", &g_pluginPath, &g_artefacts);
}
