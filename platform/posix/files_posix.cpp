// Files for POSIX: plain descriptors. Opening never blocks (a pipe or device of the
// requested name is refused before anything is read or written) and never follows a
// symbolic link in the last component when writing.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>

#include <cstdlib>
#include <ctime>
#include <new>

#include "platform/directories.h"
#include "platform/files.h"

namespace platform {

struct OpenFile {
  int fd;
};

namespace {

// Wraps a descriptor that must name a regular file; closes it otherwise.
FileHandle AdoptRegularFile(int fd) {
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  // The descriptor was opened non-blocking only so that a pipe could not stall the
  // open; regular files take the flag back off.
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  auto* file = new (std::nothrow) OpenFile{fd};
  if (!file) close(fd);
  return file;
}

}  // namespace

FileHandle OpenFileForReading(const std::string& path) {
  return AdoptRegularFile(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

FileHandle CreateFileForWriting(const std::string& path, CreateMode mode) {
  if (mode == CreateMode::Append)
    return AdoptRegularFile(open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  if (mode == CreateMode::NewOnly) flags |= O_EXCL;
  FileHandle file = AdoptRegularFile(open(path.c_str(), flags, 0666));
  // Truncated only once it is known to be a regular file of our own opening.
  if (file && ftruncate(file->fd, 0) != 0) {
    CloseFile(file);
    return nullptr;
  }
  return file;
}

size_t ReadFromFile(FileHandle file, void* buffer, size_t bytes) {
  if (!file) return 0;
  size_t done = 0;
  while (done < bytes) {
    ssize_t got = read(file->fd, static_cast<char*>(buffer) + done, bytes - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

size_t WriteToFile(FileHandle file, const void* data, size_t bytes) {
  if (!file) return 0;
  size_t done = 0;
  while (done < bytes) {
    ssize_t put = write(file->fd, static_cast<const char*>(data) + done, bytes - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  return done;
}

bool SeekFile(FileHandle file, uint64_t offset) {
  if (!file || offset > static_cast<uint64_t>(INT64_MAX)) return false;
  return lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(-1);
}

bool SetFileDosTime(FileHandle file, uint16_t dosDate, uint16_t dosTime) {
  if (!file || !IsValidDosDateTime(dosDate, dosTime)) return false;
  struct tm local = {};
  local.tm_year = 80 + (dosDate >> 9);
  local.tm_mon = ((dosDate >> 5) & 15) - 1;
  local.tm_mday = dosDate & 31;
  local.tm_hour = dosTime >> 11;
  local.tm_min = (dosTime >> 5) & 63;
  local.tm_sec = (dosTime & 31) * 2;
  local.tm_isdst = -1;  // let the time zone rules decide summer time
  time_t when = mktime(&local);
  if (when == static_cast<time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time stays
  times[1].tv_sec = when;
  times[1].tv_nsec = 0;
  return futimens(file->fd, times) == 0;
}

bool CloseFile(FileHandle file) {
  if (!file) return true;
  bool ok = close(file->fd) == 0;
  delete file;
  return ok;
}

PathKind QueryPath(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return PathKind::Missing;
  if (S_ISLNK(info.st_mode)) return PathKind::Link;
  if (S_ISDIR(info.st_mode)) return PathKind::Directory;
  if (S_ISREG(info.st_mode)) return PathKind::File;
  return PathKind::Other;
}

bool FileSizeOf(const std::string& path, uint64_t* size) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool MakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

std::string UniqueTemporaryFile(const std::string& directory, const char* prefix) {
  std::string pattern = JoinPath(directory, std::string(prefix) + "XXXXXX");
  int fd = mkstemp(&pattern[0]);
  if (fd < 0) return std::string();
  close(fd);
  return pattern;
}

std::string FallbackTemporaryFile() { return JoinPath(TemporaryDirectory(), "TEMP$$$.$$$"); }

bool FindOrdinaryFiles(const std::string& pattern, std::vector<std::string>* names) {
  names->clear();
  size_t slash = pattern.find_last_of('/');
  std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  std::string wildcard = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  DIR* listing = opendir(directory.c_str());
  if (!listing) return false;
  while (struct dirent* entry = readdir(listing)) {
    std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;  // hidden, and "." and ".."
    if (!MatchesWildcard(wildcard, name)) continue;
    if (QueryPath(JoinPath(directory, name)) == PathKind::File) names->push_back(name);
  }
  closedir(listing);
  // The order of a directory listing is the file system's; sorted, runs repeat.
  std::sort(names->begin(), names->end());
  return true;
}

std::string ExistingSpelling(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0) return path;
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string found;
  if (name.empty()) return found;
  if (DIR* listing = opendir(directory.c_str())) {
    while (dirent* entry = readdir(listing)) {
      if (strcasecmp(entry->d_name, name.c_str()) == 0) {
        found = path.substr(0, slash == std::string::npos ? 0 : slash + 1) + entry->d_name;
        break;
      }
    }
    closedir(listing);
  }
  return found;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace platform
