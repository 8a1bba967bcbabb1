// The shell commands on Windows, under Wine: the Program Manager conversation against a
// small DDE server of the test's own that records every command text, the options
// dialog worked by window messages, shell-link shortcuts and the screen saver settings.
#include <windows.h>
#include <dde.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "installer/shell/install_options.h"
#include "installer/shell/program_manager.h"
#include "installer/shell/shell_commands.h"
#include "installer/shell/shell_places.h"
#include "installer/shell/win32/dde_window.h"
#include "tests/installer/shell_front_end.h"

namespace {

// What the test's Program Manager saw.
struct ServerLog {
  HWND window = nullptr;
  HWND client = nullptr;
  std::vector<std::string> texts;      // every command text, in order
  std::vector<bool> enabledAtCommand;  // whether its window was enabled at each
  int terminates = 0;
  // Groups with their items, and the window that shows each group.
  std::map<std::string, std::vector<std::string>> groups;
  std::map<std::string, HWND> groupWindows;
  std::string current;
};
ServerLog g_server;

bool IsProgramManagerAtom(ATOM atom) {
  char name[64] = "";
  return atom && GlobalGetAtomNameA(atom, name, sizeof name) && lstrcmpiA(name, "PROGMAN") == 0;
}

// The text between "[word(" and ")]", or empty when the command is another.
std::string ArgumentOf(const std::string& text, const std::string& word) {
  std::string head = "[" + word + "(";
  if (text.compare(0, head.size(), head) != 0 || text.size() < head.size() + 2) return std::string();
  return text.substr(head.size(), text.size() - head.size() - 2);
}

void CarryOut(const std::string& text) {
  std::string group = ArgumentOf(text, "deletegroup");
  if (!group.empty()) {
    g_server.groups.erase(group);
    if (g_server.groupWindows.count(group)) DestroyWindow(g_server.groupWindows[group]);
    g_server.groupWindows.erase(group);
    return;
  }
  group = ArgumentOf(text, "creategroup");
  if (!group.empty()) {
    g_server.groups[group];
    g_server.current = group;
    g_server.groupWindows[group] = CreateWindowA("STATIC", group.c_str(), WS_OVERLAPPEDWINDOW, 300, 300, 200, 100,
                                                 nullptr, nullptr, nullptr, nullptr);
    return;
  }
  std::string item = ArgumentOf(text, "additem");
  if (!item.empty()) g_server.groups[g_server.current].push_back(item);
}

LRESULT CALLBACK ServerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND client = reinterpret_cast<HWND>(wParam);
  switch (message) {
    case WM_DDE_INITIATE:
      if (IsProgramManagerAtom(LOWORD(lParam)) && IsProgramManagerAtom(HIWORD(lParam))) {
        g_server.client = client;
        SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(GlobalAddAtomA("PROGMAN"), GlobalAddAtomA("PROGMAN")));
      }
      return 0;
    case WM_DDE_EXECUTE: {
      HGLOBAL commands = reinterpret_cast<HGLOBAL>(lParam);
      const char* text = static_cast<const char*>(GlobalLock(commands));
      std::string command = text ? text : "";
      GlobalUnlock(commands);
      g_server.texts.push_back(command);
      g_server.enabledAtCommand.push_back(IsWindowEnabled(window) != FALSE);
      CarryOut(command);
      // Accepted; the memory goes back to the client with the answer.
      PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                   PackDDElParam(WM_DDE_ACK, 0x8000, reinterpret_cast<UINT_PTR>(commands)));
      return 0;
    }
    case WM_DDE_TERMINATE:
      ++g_server.terminates;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Handles the messages waiting for this thread's windows.
void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

class ProgramManagerConversation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(installer::PrepareProgramGroups());
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ServerProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KestrelTestProgramManager";
    RegisterClassA(&windowClass);
  }

  void SetUp() override {
    for (auto& [name, window] : g_server.groupWindows) DestroyWindow(window);
    g_server = ServerLog();
    // Top-most, so that the initiate broadcast reaches it before any other window that
    // might answer for Program Manager.
    g_server.window = CreateWindowExA(WS_EX_TOPMOST, "KestrelTestProgramManager", "Test Program Manager",
                                      WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(g_server.window, nullptr);
  }

  void TearDown() override {
    installer::EndProgramGroups(0);
    DestroyWindow(g_server.window);
    PumpMessages();
  }
};

TEST_F(ProgramManagerConversation, CommandTextsInOrderAndTheEndStep) {
  installer::CreateProgramGroup("Kestrel Tools");
  ASSERT_EQ(installer::ProgramManagerServer(), g_server.window);
  EXPECT_EQ(g_server.client, installer::DdeWindow());

  // A long name with a short form: the item carries the short one.
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  std::string folder = std::string(temp) + "Kestrel Long Folder Name";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string program = folder + "\\Kestrel Viewer Program.exe";
  CloseHandle(CreateFileA(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  std::string shortProgram = installer::ShortPathOf(program);
  EXPECT_NE(shortProgram, program);
  EXPECT_NE(shortProgram.find('~'), std::string::npos) << shortProgram;

  installer::AddProgramItem(program, "Viewer", "");
  installer::AddProgramItem(program + '\xFF' + "/s readme.txt", "Read me", "C:\\other.ico");
  installer::AddProgramItem("C:\\NOSUCH\\TOOL.EXE", "Tool", "C:\\NOSUCH\\TOOL.ICO");
  installer::EndProgramGroups(1);
  DeleteFileA(program.c_str());
  RemoveDirectoryA(folder.c_str());

  std::vector<std::string> expected = {
      "[deletegroup(Kestrel Tools)]",
      "[creategroup(Kestrel Tools)]",
      "[additem(\"" + shortProgram + "\",\"Viewer\",\"" + shortProgram + "\",0)]",
      "[additem(\"" + program + "\"/s readme.txt,\"Read me\",\"" + shortProgram + "\",0)]",
      "[additem(\"C:\\NOSUCH\\TOOL.EXE\",\"Tool\",\"C:\\NOSUCH\\TOOL.ICO\",0)]",
      "[exitprogman(1)]",
  };
  EXPECT_EQ(g_server.texts, expected);
  // Disabled while the groups change, given back before it is asked to close.
  EXPECT_EQ(g_server.enabledAtCommand, (std::vector<bool>{false, false, false, false, false, true}));
  EXPECT_TRUE(IsWindowEnabled(g_server.window));
  EXPECT_EQ(installer::ProgramManagerServer(), nullptr);

  // The group's window stands at the left, tall and narrow.
  RECT rect;
  ASSERT_TRUE(GetWindowRect(g_server.groupWindows["Kestrel Tools"], &rect));
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 10);
  EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXICONSPACING) * 25 / 10);
  EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYSCREEN) - 50);
}

TEST_F(ProgramManagerConversation, GroupCreatedTwiceIsOneEmptyGroup) {
  installer::CreateProgramGroup("Kestrel");
  installer::AddProgramItem("C:\\A.EXE", "A", "");
  installer::CreateProgramGroup("Kestrel");
  installer::EndProgramGroups(1);
  ASSERT_EQ(g_server.groups.size(), 1u);
  EXPECT_TRUE(g_server.groups["Kestrel"].empty());
  ASSERT_EQ(g_server.texts.size(), 6u);
  EXPECT_EQ(g_server.texts[3], "[deletegroup(Kestrel)]");
  EXPECT_EQ(g_server.texts[4], "[creategroup(Kestrel)]");
}

TEST_F(ProgramManagerConversation, FailedInstallationOnlyGivesTheWindowBack) {
  installer::CreateProgramGroup("Kestrel");
  EXPECT_FALSE(IsWindowEnabled(g_server.window));
  installer::EndProgramGroups(0);
  EXPECT_TRUE(IsWindowEnabled(g_server.window));
  EXPECT_EQ(installer::ProgramManagerServer(), nullptr);
  EXPECT_EQ(g_server.texts.size(), 2u);  // no exitprogman
  installer::AddProgramItem("C:\\A.EXE", "A", "");
  EXPECT_EQ(g_server.texts.size(), 2u);
}

TEST_F(ProgramManagerConversation, ServerThatEndsTheConversationIsForgotten) {
  installer::CreateProgramGroup("Kestrel");
  PostMessageA(installer::DdeWindow(), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(g_server.window), 0);
  PumpMessages();
  EXPECT_EQ(installer::ProgramManagerServer(), nullptr);
  EXPECT_EQ(g_server.terminates, 1);  // answered with a terminate of its own
  installer::AddProgramItem("C:\\A.EXE", "A", "");
  installer::EndProgramGroups(1);
  EXPECT_EQ(g_server.texts.size(), 2u);
}

// The options dialog, read and answered from a timer that fires inside its modal loop.
struct DialogSeen {
  const char* caption;
  int press;  // the button to press
  bool found = false;
  bool visible[installer::kOptionBoxCount] = {};
  bool checked[installer::kOptionBoxCount] = {};
  RECT rect = {};
};
DialogSeen* g_seen = nullptr;

VOID CALLBACK AnswerOptions(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowA(nullptr, g_seen->caption);
  if (!dialog || !IsWindowVisible(dialog)) return;
  KillTimer(nullptr, timer);
  g_seen->found = true;
  GetWindowRect(dialog, &g_seen->rect);
  for (int i = 0; i < installer::kOptionBoxCount; ++i) {
    g_seen->visible[i] = IsWindowVisible(GetDlgItem(dialog, 101 + i)) != FALSE;
    g_seen->checked[i] = IsDlgButtonChecked(dialog, 101 + i) == BST_CHECKED;
  }
  // The user ticks the first box before answering.
  CheckDlgButton(dialog, 101, BST_CHECKED);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(g_seen->press, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, g_seen->press)));
}

int RunOptions(DialogSeen* seen, installer::InstallContext& context, const char* letters) {
  g_seen = seen;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerOptions);
  int result = installer::DoOptionsCommand(context, {"Kestrel", letters, ""});
  KillTimer(nullptr, timer);
  return result;
}

TEST(OptionsDialog, LettersShowAndTickTheirBoxes) {
  shell_test::ScriptedFrontEnd ui;
  installer::InstallContext context;
  context.ui = &ui;
  DialogSeen seen;
  seen.caption = "Options for Kestrel";
  seen.press = installer::kOptionsContinueId;
  EXPECT_EQ(RunOptions(&seen, context, "wM"), 1);
  ASSERT_TRUE(seen.found);
  EXPECT_TRUE(seen.visible[0] && seen.visible[1]);
  EXPECT_FALSE(seen.visible[2] || seen.visible[3]);
  EXPECT_FALSE(seen.checked[0]);
  EXPECT_TRUE(seen.checked[1]);
  EXPECT_FALSE(seen.checked[2] || seen.checked[3]);
  EXPECT_TRUE(context.options.whatsNew && context.options.startMenu);
  EXPECT_FALSE(context.options.desktop || context.options.screenSaver);
  // Centred on the screen.
  EXPECT_LE(std::abs((seen.rect.left + seen.rect.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);

  DialogSeen cancelled;
  cancelled.caption = "Options for Kestrel";
  cancelled.press = installer::kOptionsCancelId;
  EXPECT_EQ(RunOptions(&cancelled, context, "WMDS"), 0);
  ASSERT_TRUE(cancelled.found);
  EXPECT_TRUE(cancelled.checked[0] && cancelled.checked[1] && cancelled.checked[2] && cancelled.checked[3]);
  EXPECT_FALSE(context.options.desktop);  // kept from the first dialog
}

// In the Start menu folder, which lives inside the Wine prefix (the desktop folder may
// lead into the user's real home).
TEST(ShellPlaces, ShortcutIsALinkWithPathDescriptionAndDirectory) {
  std::string menu = installer::ShellFolderPath(installer::ShellFolder::StartMenu);
  ASSERT_FALSE(menu.empty());
  EXPECT_EQ(menu.find("Programs"), std::string::npos) << menu;
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  std::string target = std::string(windows) + "\\notepad.exe";
  ASSERT_TRUE(installer::MakeShortcut(installer::ShellFolder::StartMenu, target, std::string(windows) + "\\",
                                      "Kestrel Test Notes"));
  std::string link = menu + "\\Kestrel Test Notes.lnk";
  ASSERT_NE(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES) << link;

  CoInitialize(nullptr);
  IShellLinkA* shellLink = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&shellLink))));
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  WCHAR widePath[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, widePath, MAX_PATH);
  ASSERT_TRUE(SUCCEEDED(file->Load(widePath, STGM_READ)));
  char text[MAX_PATH] = "";
  shellLink->GetPath(text, sizeof text, nullptr, 0);
  EXPECT_EQ(lstrcmpiA(text, target.c_str()), 0) << text;
  shellLink->GetDescription(text, sizeof text);
  EXPECT_STREQ(text, "Kestrel Test Notes");
  shellLink->GetWorkingDirectory(text, sizeof text);
  EXPECT_EQ(lstrcmpiA(text, (std::string(windows) + "\\").c_str()), 0) << text;
  file->Release();
  shellLink->Release();
  CoUninitialize();
  DeleteFileA(link.c_str());
}

TEST(ShellPlaces, ScreenSaverTimeOutAndSystemIniEntry) {
  UINT oldTimeOut = 0;
  SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &oldTimeOut, 0);
  shell_test::ScriptedFrontEnd ui;
  installer::InstallContext context;
  context.ui = &ui;
  context.settings.productName = "Kestrel";
  for (auto [minutes, seconds] : {std::pair<const char*, UINT>{"0", 60}, {"45", 1800}, {"12", 720}}) {
    ui.answers = {installer::kAnswerYes};
    EXPECT_EQ(installer::SetSaverCommand(context, {"C:\\KESTREL\\STARS.SCR", minutes, ""}), 1);
    UINT timeOut = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &timeOut, 0);
    EXPECT_EQ(timeOut, seconds) << minutes;
  }
  char saver[MAX_PATH] = "";
  GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", saver, sizeof saver, "SYSTEM.INI");
  EXPECT_STREQ(saver, "C:\\KESTREL\\STARS.SCR");
  EXPECT_EQ(ui.questions.back(), "Do you want to make Kestrel your default Windows screen saver?");
  SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, oldTimeOut, nullptr, SPIF_UPDATEINIFILE);
}

}  // namespace
