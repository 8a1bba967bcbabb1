// plugin.exe under Wine, driven by window messages the way a user would work it: the
// intro, the main window with its path field, the licence, the message boxes, OK and
// Cancel. A sandboxed host installation is named by FWHOST.INI in the Windows
// directory; screenshots of each dialog land in the artefact directory.
//
// Given fwhost.exe as well, the whole set end to end: fwhost.exe stands in the host
// directory as FWHOST.EXE, the installer puts the five plug-ins and the help document
// into it, and fwhost.exe renders an animation with each installed plug-in.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "host/win32/dialog_driver.h"
#include "samples/bmp_file.h"
#include "samples/scenes.h"
#include "tests/win32/wine_test_paths.h"

namespace {

std::string g_installer;
std::string g_artefacts;
std::string g_fwhost;  // fwhost.exe, for the whole set end to end; empty: that test is skipped

// The files the installer puts into the host directory, as the archive holds them.
const char* const kInstalledFiles[] = {
    "\\plugin\\fwplgrip.dll", "\\plugin\\fwplglak.dll", "\\plugin\\fwplgcrl.dll",
    "\\plugin\\fwplgpyr.dll", "\\plugin\\fwplglns.dll", "\\plugin\\fwplgks1.txt",
    "\\html\\fwplgks1.html",  "\\html\\fwplgks1-01.gif", "\\html\\fwplgks1-02.gif",
    "\\html\\fwplgks1-03.gif", "\\html\\fwplgks1-04.gif", "\\html\\fwplgks1-05.gif",
    "\\html\\fwplgks1-02.png", "\\html\\license.htm"};

// The text of a window of the installer's process. Asked for with WM_GETTEXT: across
// processes GetWindowText gives only the text a window was created with, not what an
// edit control holds now.
std::string TextOf(HWND window) {
  char text[4096] = "";
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
  return text;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteEmptyFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
}

// What the driver did with the installer's windows.
struct Session {
  std::vector<std::string> messages;  // texts of the message boxes, in order
  std::vector<std::string> questions;
  bool licenseSeen = false;
  std::string caption, pathField, label;
  DWORD exitCode = 0xFFFFFFFF;
  bool pressCancel = false;
  bool declineLicense = false;
  int shots = 0;
};

struct Search {
  DWORD process;
  std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (process == search->process && std::string(name) == "#32770" && IsWindowVisible(window))
    search->dialogs.push_back(window);
  return TRUE;
}

void Shoot(Session& session, HWND window, const char* what) {
  if (g_artefacts.empty()) return;
  SaveWindowPicture(window, g_artefacts + "\\installer_" + std::to_string(++session.shots) + "_" + what + ".bmp");
}

// Answers the one enabled dialog of the installer (a modal box disables its owner).
void Answer(Session& session, HWND dialog) {
  std::string caption = TextOf(dialog);
  HWND text = GetDlgItem(dialog, 101);
  if (caption == "Message") {
    session.messages.push_back(TextOf(text));
    Shoot(session, dialog, "message");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  } else if (caption.empty()) {
    session.questions.push_back(TextOf(text));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(6, BN_CLICKED), 0);
  } else if (caption == "License Agreement") {
    session.licenseSeen = true;
    Shoot(session, dialog, "license");
    int button = session.declineLicense ? IDCANCEL : IDOK;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  } else if (caption.rfind("Varnel Quillon Application Setup - ", 0) == 0 && session.caption.empty()) {
    session.caption = caption;
    session.pathField = TextOf(text);
    session.label = TextOf(GetDlgItem(dialog, 201));
    Sleep(300);  // the centred layout and the backdrop are painted
    Shoot(session, dialog, "main");
    int button = session.pressCancel ? IDCANCEL : IDOK;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }
}

Session RunInstaller(const std::string& arguments, Session session) {
  std::string commandLine = "\"" + g_installer + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << commandLine;
    return session;
  }
  for (int tick = 0; tick < 1200; ++tick) {  // a minute at most
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
    Search search{process.dwProcessId, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    for (HWND dialog : search.dialogs) {
      if (IsWindowEnabled(dialog)) {
        Answer(session, dialog);
        Sleep(100);
        break;
      }
    }
  }
  if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    ADD_FAILURE() << "the installer did not end";
  }
  GetExitCodeProcess(process.hProcess, &session.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return session;
}

class InstallerDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    host = std::string(temp) + "kestrel-installer-" + std::to_string(GetTickCount());
    CreateDirectoryA(host.c_str(), nullptr);
    CreateDirectoryA((host + "\\html").c_str(), nullptr);
    WriteEmptyFile(host + "\\FWHOST.EXE");
    WritePrivateProfileStringA("Framewright", "ApplicationPath", (host + "\\").c_str(), "FWHOST.INI");
    WritePrivateProfileStringA("Framewright", "VersionNumber", "64", "FWHOST.INI");
    WritePrivateProfileStringA("Framewright", "PatchLevel", "28", "FWHOST.INI");
  }
  void TearDown() override {
    WritePrivateProfileStringA("Framewright", nullptr, nullptr, "FWHOST.INI");
    for (const char* file : kInstalledFiles) DeleteFileA((host + file).c_str());
    for (const char* file : {"\\FWHOST.EXE", "\\scene-01.bmp", "\\scene-02.bmp"}) DeleteFileA((host + file).c_str());
    for (const char* effect : {"pagecurl", "pyrotechnics", "ripple", "lake", "lens"})
      DeleteFileA((host + "\\" + effect + ".png").c_str());
    RemoveDirectoryA((host + "\\html").c_str());
    RemoveDirectoryA((host + "\\plugin").c_str());
    RemoveDirectoryA(host.c_str());
  }
  std::string host;
};

TEST_F(InstallerDialogs, IntroLicenceOkInstallsIntoTheHostDirectory) {
  Session session = RunInstaller("", Session());
  EXPECT_EQ(session.exitCode, 0u);
  EXPECT_EQ(session.caption,
            "Varnel Quillon Application Setup - Kestrel #1 Plugin for Framewright Professional");
  EXPECT_EQ(session.pathField, host);  // the existing installation, its backslash removed
  EXPECT_EQ(session.label, "Your software will be installed in:");
  EXPECT_TRUE(session.licenseSeen);
  ASSERT_EQ(session.messages.size(), 2u);
  EXPECT_EQ(session.messages[0].rfind("This is a self-extracting Windows archive.", 0), 0u);
  EXPECT_NE(session.messages[0].find("\r\n\r\nYou must have installed"), std::string::npos);
  EXPECT_EQ(session.messages[1], "Kestrel #1 Plugin for Framewright Professional has been successfully installed.");
  EXPECT_TRUE(Exists(host + "\\html\\fwplgks1.html"));
  EXPECT_TRUE(Exists(host + "\\html\\license.htm"));
  EXPECT_TRUE(Exists(host + "\\plugin\\fwplgks1.txt"));
}

TEST_F(InstallerDialogs, NoIntroSwitchAndCancelRunNothing) {
  Session cancel;
  cancel.pressCancel = true;
  Session session = RunInstaller("/CD", cancel);
  EXPECT_EQ(session.exitCode, 2u);
  EXPECT_FALSE(session.caption.empty());
  EXPECT_TRUE(session.messages.empty());
  EXPECT_FALSE(session.licenseSeen);
  EXPECT_FALSE(Exists(host + "\\plugin"));
}

TEST_F(InstallerDialogs, DeclinedLicenceEndsAtOnceWithNothingInstalled) {
  Session decline;
  decline.declineLicense = true;
  Session session = RunInstaller("/CD", decline);
  EXPECT_EQ(session.exitCode, 0u);
  EXPECT_TRUE(session.licenseSeen);
  EXPECT_TRUE(session.messages.empty());
  EXPECT_FALSE(Exists(host + "\\html\\license.htm"));
}

// Runs a program to its end (two minutes at most); its exit code, or 0xFFFFFFFF.
DWORD RunToEnd(std::string commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0xFFFFFFFF;
  DWORD code = 0xFFFFFFFF;
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  else TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code;
}

bool WriteScene(const std::string& path, uint32_t seed) {
  DibImage image = RenderScene(72, 64, seed);
  bool written = image && WriteBmpFile(path.c_str(), image);
  FreeDibImage(image);
  return written;
}

// The first bytes of a file.
std::string Head(const std::string& path, DWORD bytes) {
  std::string data(bytes, '\0');
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  DWORD read = 0;
  ReadFile(file, &data[0], bytes, &read, nullptr);
  CloseHandle(file);
  data.resize(read);
  return data;
}

TEST_F(InstallerDialogs, InstallsTheWholeSetAndEachInstalledPluginRenders) {
  if (g_fwhost.empty()) GTEST_SKIP() << "give fwhost.exe as the third argument";
  ASSERT_TRUE(CopyFileA(g_fwhost.c_str(), (host + "\\FWHOST.EXE").c_str(), FALSE));
  Session session = RunInstaller("", Session());
  EXPECT_EQ(session.exitCode, 0u);
  EXPECT_TRUE(session.licenseSeen);
  ASSERT_EQ(session.messages.size(), 2u);
  EXPECT_EQ(session.messages[1], "Kestrel #1 Plugin for Framewright Professional has been successfully installed.");
  for (const char* file : kInstalledFiles) EXPECT_TRUE(Exists(host + file)) << file;
  EXPECT_FALSE(Exists(host + "\\fwplgcrl.dll"));  // nothing stays where it was unpacked

  ASSERT_TRUE(WriteScene(host + "\\scene-01.bmp", 1));
  ASSERT_TRUE(WriteScene(host + "\\scene-02.bmp", 2));
  const std::string program = "\"" + host + "\\FWHOST.EXE\" ";
  const std::string pluginDir = " --plugin-dir \"" + host + "\\plugin\"";
  const std::string scene1 = " \"" + host + "\\scene-01.bmp\"", scene2 = " \"" + host + "\\scene-02.bmp\"";
  const struct {
    const char* effect;
    std::string options;
  } runs[] = {
      {"pagecurl", scene1 + scene2 + " --step 30"},
      {"pyrotechnics", " --width 64 --height 48 --rockets 2 --use-seed --seed 70"},
      {"ripple", scene1 + " --use-seed --seed 50"},
      {"lake", scene1 + " --frames 6"},
      {"lens", scene2 + " --steps 25"},
  };
  for (const auto& run : runs) {
    // An animated PNG, which the host writes itself (its GIFs come from the system encoder).
    std::string output = host + "\\" + run.effect + ".png";
    DWORD code = RunToEnd(program + run.effect + pluginDir + run.options + " --quiet -o \"" + output + "\"");
    EXPECT_EQ(code, 0u) << run.effect;
    EXPECT_EQ(Head(output, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << run.effect;
  }

  // The same Page Curl as a GIF through the system's encoder: a looping animation with a
  // frame (image descriptor after a graphic control block) for each step.
  std::string gif = host + "\\pagecurl.gif";
  EXPECT_EQ(RunToEnd(program + "pagecurl" + pluginDir + runs[0].options + " --quiet -o \"" + gif + "\""), 0u);
  std::string bytes = Head(gif, 1 << 22);
  DeleteFileA(gif.c_str());
  ASSERT_GT(bytes.size(), 6u);
  EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
  EXPECT_NE(bytes.find("NETSCAPE2.0\x03\x01"), std::string::npos);
  EXPECT_NE(bytes.find(std::string("\x21\xF9\x04", 3)), std::string::npos);
  EXPECT_EQ(bytes.back(), ';');
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: win32_installer_tests PLUGIN.EXE [ARTEFACT-DIRECTORY [FWHOST.EXE]]\n");
    return 2;
  }
  g_installer = WindowsPath(argv[1]);
  if (argc > 2) {
    g_artefacts = WindowsPath(argv[2]);
    CreateDirectoryA(g_artefacts.c_str(), nullptr);
  }
  if (argc > 3) g_fwhost = WindowsPath(argv[3]);
  return RUN_ALL_TESTS();
}
