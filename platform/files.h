// Plain files for the installer: reading an archive, writing the files it unpacks,
// temporary files and the questions asked about paths before writing.
//
// Every file is binary: no line-end or character translation on either target. Writing
// never goes through a symbolic link in the last component of the path and never opens
// a device or a pipe, so a name that happens to match one cannot block or escape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct OpenFile;  // opaque: a file opened by this interface
using FileHandle = OpenFile*;

// An existing regular file opened for reading; null when it cannot be opened.
FileHandle OpenFileForReading(const std::string& path);

enum class CreateMode {
  Replace,  // truncate an existing file of that name, or create it
  NewOnly,  // fail when anything of that name exists
  Append,   // an existing regular file, written at its end; fail when there is none
};

// A regular file opened for writing; null when it cannot be created (missing directory,
// a directory, link, device or pipe of that name, no permission, bad name).
FileHandle CreateFileForWriting(const std::string& path, CreateMode mode);

// Bytes read into `buffer`, fewer than asked only at the end of the file or on error.
size_t ReadFromFile(FileHandle file, void* buffer, size_t bytes);

// Bytes stored; fewer than asked means the medium is full or failed.
size_t WriteToFile(FileHandle file, const void* data, size_t bytes);

// Moves the reading position to `offset` from the start; false when it cannot.
bool SeekFile(FileHandle file, uint64_t offset);

// True when an MS-DOS date and time name a real moment (1980 to 2107, a day that exists
// in its month, hours 0-23, minutes 0-59, seconds 0-58 in steps of two).
bool IsValidDosDateTime(uint16_t dosDate, uint16_t dosTime);

// Sets the file's modification time from an MS-DOS date and time, taken as local time.
// False (and nothing changed) for a date or time that names no real moment.
bool SetFileDosTime(FileHandle file, uint16_t dosDate, uint16_t dosTime);

// Closes the file; false when data still held for it could not be stored. A null
// handle is ignored.
bool CloseFile(FileHandle file);

enum class PathKind { Missing, File, Directory, Link, Other };

// What the path names now; a symbolic link (on Windows any reparse point) in the last
// component is reported as Link, not followed.
PathKind QueryPath(const std::string& path);

// Size of an existing regular file; false when there is none.
bool FileSizeOf(const std::string& path, uint64_t* size);

// Deletes a file (or a link, never what it points to); false when nothing was deleted.
bool RemoveFile(const std::string& path);

// Creates one directory (not its parents); false when it was not created.
bool MakeDirectory(const std::string& path);

// True when some directory that `relative` passes through below `base`, or its last
// component, exists as a symbolic link (Windows: a reparse point). Separators are those
// of the file system itself.
bool PathMeetsLink(const std::string& base, const std::string& relative);

// True when `name` matches the wildcard `pattern` with the Windows rules: without
// regard to case, `*` for any run of characters, `?` for one character, and "*.*"
// for every name.
bool MatchesWildcard(const std::string& pattern, const std::string& name);

// The names (without directory) of the ordinary files that match the last component of
// `pattern` in the directory its other components name: no directories, links, hidden
// or system files. False when the directory cannot be read.
bool FindOrdinaryFiles(const std::string& pattern, std::vector<std::string>* names);

// True when both paths name the same existing file (also through different spellings).
bool SameExistingFile(const std::string& a, const std::string& b);

// The path itself when it names an existing file or directory; otherwise, on systems whose
// file names keep case, the path with its last part replaced by the first entry of its
// directory that matches it without regard to case, as Windows names match. Empty when
// nothing matches.
std::string ExistingSpelling(const std::string& path);

// Asks the system for a unique new file name in `directory` starting with `prefix` and
// creates the file empty; returns its full name, or an empty text when that fails.
std::string UniqueTemporaryFile(const std::string& directory, const char* prefix);

// The fixed name used for a temporary file when no unique name can be had (Windows:
// "TEMP$$$.$$$" in the root of the Windows drive; POSIX: in the temporary directory).
std::string FallbackTemporaryFile();

}  // namespace platform
