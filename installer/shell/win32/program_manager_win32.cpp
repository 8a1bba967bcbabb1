// The Program Manager conversation: DDE by window messages between the installer's
// hidden "ddeClass" window (the client) and the shell's Program Manager window.
#include <windows.h>
#include <dde.h>

#include <cstring>

#include "installer/shell/program_manager.h"
#include "installer/shell/program_manager_texts.h"
#include "installer/shell/shell_places.h"
#include "installer/shell/win32/dde_window.h"

namespace installer {
namespace {

const char kDdeClassName[] = "ddeClass";
const char kProgramManager[] = "PROGMAN";

struct Conversation {
  HWND client = nullptr;
  HWND server = nullptr;
  bool initiating = false;  // set only while the initiate broadcast is sent
  bool groupCreated = false;
  std::string groupName;  // of the last groupcreate, kept even without a server
};
Conversation g_conversation;

LRESULT CALLBACK DdeWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND sender = reinterpret_cast<HWND>(wParam);
  switch (message) {
    case WM_DDE_ACK:
      if (g_conversation.initiating) {
        // An answer to the initiate broadcast: its two atoms are ours to delete. The first
        // window to answer becomes the server; any later one is told the conversation is
        // over, so that it does not wait for commands that never come.
        GlobalDeleteAtom(LOWORD(lParam));
        GlobalDeleteAtom(HIWORD(lParam));
        if (!g_conversation.server)
          g_conversation.server = sender;
        else if (sender != g_conversation.server)
          PostMessageA(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
        return 0;
      }
      // The answer to an execute: the command memory is freed by the sender of the
      // command, only the packed parameter is released here.
      FreeDDElParam(WM_DDE_ACK, lParam);
      return 0;
    case WM_DDE_DATA: {
      UINT_PTR data = 0, item = 0;
      if (UnpackDDElParam(WM_DDE_DATA, lParam, &data, &item)) {
        if (data) GlobalFree(reinterpret_cast<HGLOBAL>(data));
        if (item) GlobalDeleteAtom(static_cast<ATOM>(item));
      }
      FreeDDElParam(WM_DDE_DATA, lParam);
      return 0;
    }
    case WM_DDE_TERMINATE:
      PostMessageA(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
      if (sender == g_conversation.server) g_conversation.server = nullptr;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void BroadcastInitiate(ATOM application, ATOM topic) {
  g_conversation.initiating = true;
  SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(g_conversation.client),
               MAKELPARAM(application, topic));
  g_conversation.initiating = false;
}

// Starts Program Manager and gives it the time to make its window.
bool StartProgramManager() {
  char commandLine[] = "PROGMAN";
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &process))
    return false;
  WaitForInputIdle(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool Connect() {
  if (!g_conversation.client) return false;
  ATOM application = GlobalAddAtomA(kProgramManager);
  ATOM topic = GlobalAddAtomA(kProgramManager);
  BroadcastInitiate(application, topic);
  if (!g_conversation.server && StartProgramManager()) BroadcastInitiate(application, topic);
  GlobalDeleteAtom(application);
  GlobalDeleteAtom(topic);
  HWND server = g_conversation.server;
  if (!server) return false;
  // The user cannot work in Program Manager while its groups are being changed.
  BringWindowToTop(server);
  ShowWindow(server, SW_RESTORE);
  EnableWindow(server, FALSE);
  return true;
}

// Sends one command text and waits for the server's answer, dispatching only DDE
// messages meanwhile. Whether the server accepted the command is not used.
void Execute(const std::string& text) {
  HWND server = g_conversation.server;
  if (!server) return;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
  if (!memory) return;
  char* bytes = static_cast<char*>(GlobalLock(memory));
  if (!bytes) {
    GlobalFree(memory);
    return;
  }
  std::memcpy(bytes, text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  if (!PostMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(g_conversation.client),
                    reinterpret_cast<LPARAM>(memory))) {
    GlobalFree(memory);
    return;
  }
  MSG message;
  for (;;) {
    BOOL got = GetMessageA(&message, nullptr, WM_DDE_FIRST, WM_DDE_LAST);
    if (got == 0) {
      // A quit request ends the wait; it is posted again so that the loop it was meant
      // for still ends.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    bool answer = message.message == WM_DDE_ACK || message.message == WM_DDE_DATA;
    if (answer && reinterpret_cast<HWND>(message.wParam) == server) break;
    // A server that ended the conversation will never answer.
    if (g_conversation.server != server) break;
  }
  GlobalFree(memory);
}

struct WindowSearch {
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  char title[kGroupNameLimit + 2] = "";
  GetWindowTextA(window, title, sizeof title);
  if (lstrcmpiA(title, search->title) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

// Puts the new group's window at the left of the screen, tall and narrow.
void PlaceGroupWindow(const std::string& group) {
  WindowSearch search = {group.c_str(), nullptr};
  EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return;
  int width = GetSystemMetrics(SM_CXICONSPACING) * 25 / 10;
  int height = GetSystemMetrics(SM_CYSCREEN) - 50;
  MoveWindow(search.found, 10, 10, width, height, TRUE);
}

}  // namespace

bool CreateDdeWindow(HINSTANCE instance) {
  WNDCLASSA windowClass;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.lpfnWndProc = DdeWindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kDdeClassName;
  if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  g_conversation.client = CreateWindowA(kDdeClassName, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                        instance, nullptr);
  return g_conversation.client != nullptr;
}

void DestroyDdeWindow() {
  if (g_conversation.client) DestroyWindow(g_conversation.client);
  g_conversation.client = nullptr;
}

HWND DdeWindow() { return g_conversation.client; }

HWND ProgramManagerServer() { return g_conversation.server; }

bool PrepareProgramGroups() {
  return g_conversation.client || CreateDdeWindow(GetModuleHandleA(nullptr));
}

void CreateProgramGroup(const std::string& group) {
  g_conversation.groupName = group.substr(0, kGroupNameLimit);
  if (!g_conversation.server && !Connect()) return;
  for (const std::string& command : GroupCreateCommands(group)) Execute(command);
  g_conversation.groupCreated = true;
}

void AddProgramItem(const std::string& commandLine, const std::string& title, const std::string& iconFile) {
  if (!g_conversation.server) return;
  Execute(AddItemCommand(commandLine, title, iconFile, ShortPathOf));
}

void EndProgramGroups(int actionResult) {
  HWND server = g_conversation.server;
  if (actionResult == 0) {
    if (g_conversation.groupCreated && server) {
      EnableWindow(server, TRUE);
      g_conversation.server = nullptr;
    }
    return;
  }
  if (g_conversation.groupCreated && server) {
    EnableWindow(server, TRUE);
    Execute(kExitProgramManagerCommand);
    g_conversation.server = nullptr;
  }
  g_conversation.groupCreated = false;
  if (!g_conversation.groupName.empty()) PlaceGroupWindow(g_conversation.groupName);
}

}  // namespace installer
