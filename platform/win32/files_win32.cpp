// Files for Windows: the real file API on handles. Writing refuses a reparse point
// (symbolic link or junction) of the requested name and anything that is not a disk
// file (a device name such as CON, a pipe).
#include <windows.h>

#include "platform/directories.h"
#include "platform/files.h"

namespace platform {
namespace {

HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle AdoptDiskFile(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return nullptr;
  }
  return reinterpret_cast<FileHandle>(handle);
}

}  // namespace

FileHandle OpenFileForReading(const std::string& path) {
  return AdoptDiskFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateFileForWriting(const std::string& path, CreateMode mode) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return nullptr;
  if (mode == CreateMode::Append) {
    FileHandle file = AdoptDiskFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && SetFilePointer(Native(file), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
      CloseHandle(Native(file));
      return nullptr;
    }
    return file;
  }
  DWORD disposition = mode == CreateMode::NewOnly ? CREATE_NEW : CREATE_ALWAYS;
  return AdoptDiskFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

size_t ReadFromFile(FileHandle file, void* buffer, size_t bytes) {
  if (!file) return 0;
  size_t done = 0;
  while (done < bytes) {
    DWORD got = 0;
    DWORD ask = bytes - done > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes - done);
    if (!ReadFile(Native(file), static_cast<char*>(buffer) + done, ask, &got, nullptr) || got == 0)
      break;
    done += got;
  }
  return done;
}

size_t WriteToFile(FileHandle file, const void* data, size_t bytes) {
  if (!file) return 0;
  size_t done = 0;
  while (done < bytes) {
    DWORD put = 0;
    DWORD ask = bytes - done > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes - done);
    if (!WriteFile(Native(file), static_cast<const char*>(data) + done, ask, &put, nullptr) ||
        put == 0)
      break;
    done += put;
  }
  return done;
}

bool SeekFile(FileHandle file, uint64_t offset) {
  if (!file) return false;
  LONG high = static_cast<LONG>(offset >> 32);
  DWORD low = SetFilePointer(Native(file), static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
  return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool SetFileDosTime(FileHandle file, uint16_t dosDate, uint16_t dosTime) {
  if (!file || !IsValidDosDateTime(dosDate, dosTime)) return false;
  FILETIME local, universal;
  if (!DosDateTimeToFileTime(dosDate, dosTime, &local)) return false;
  if (!LocalFileTimeToFileTime(&local, &universal)) return false;
  return SetFileTime(Native(file), nullptr, nullptr, &universal) != 0;
}

bool CloseFile(FileHandle file) { return !file || CloseHandle(Native(file)) != 0; }

PathKind QueryPath(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::Link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Directory;
  return PathKind::File;
}

bool FileSizeOf(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

std::string UniqueTemporaryFile(const std::string& directory, const char* prefix) {
  char name[MAX_PATH + 1] = "";
  if (!GetTempFileNameA(directory.c_str(), prefix, 0, name)) return std::string();
  return name;
}

std::string FallbackTemporaryFile() {
  std::string windows = WindowsDirectory();
  char drive = windows.empty() ? 'C' : windows[0];
  return std::string(1, drive) + ":\\TEMP$$$.$$$";
}

bool FindOrdinaryFiles(const std::string& pattern, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                        FILE_ATTRIBUTE_REPARSE_POINT;
  do {
    if (!(found.dwFileAttributes & skipped)) names->push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
  auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(handle, info) != 0;
    CloseHandle(handle);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION first, second;
  if (!identify(a, &first) || !identify(b, &second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// Windows matches names without regard to case itself.
std::string ExistingSpelling(const std::string& path) {
  return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : path;
}

}  // namespace platform
