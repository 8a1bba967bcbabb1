#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "installer/shell/shell_places.h"
#include "platform/directories.h"

namespace installer {

std::string ShortPathOf(const std::string& path) {
  char shortPath[MAX_PATH] = "";
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
  if (length == 0 || length >= sizeof shortPath) return path;
  return std::string(shortPath, length);
}

std::string ShellFolderPath(ShellFolder folder) {
  // The Start menu folder itself, not its Programs subfolder.
  int id = folder == ShellFolder::StartMenu ? CSIDL_STARTMENU : CSIDL_DESKTOPDIRECTORY;
  char path[MAX_PATH] = "";
  CoInitialize(nullptr);
  BOOL found = SHGetSpecialFolderPathA(nullptr, path, id, FALSE);
  CoUninitialize();
  return found ? std::string(path) : std::string();
}

bool MakeShortcut(ShellFolder folder, const std::string& target, const std::string& workingDirectory,
                  const std::string& name) {
  std::string directory = ShellFolderPath(folder);
  if (directory.empty()) return false;
  std::string linkPath = platform::JoinPath(directory, name + ".lnk");
  WCHAR widePath[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH)) return false;

  bool saved = false;
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    link->SetPath(target.c_str());
    link->SetDescription(name.c_str());
    link->SetWorkingDirectory(workingDirectory.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      saved = SUCCEEDED(file->Save(widePath, TRUE));
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return saved;
}

void SetDefaultScreenSaver(const std::string& saverFile, int seconds) {
  WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", saverFile.c_str(), "SYSTEM.INI");
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, SPIF_UPDATEINIFILE);
  SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(seconds), nullptr, SPIF_UPDATEINIFILE);
}

bool OpenDocument(const std::string& path) {
  HINSTANCE result = ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, "", SW_SHOWMAXIMIZED);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool HaveDocumentOpener() { return true; }

}  // namespace installer
