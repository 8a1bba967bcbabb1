// The compressed-file copy on Windows: the system's LZ-expanding copy. The files are
// opened by name with _lopen/_lcreat and handed to the LZ functions by handle, because
// opening them through LZOpenFile limits a path to 128 characters, and many install
// directories are longer.
#include <windows.h>
#include <lzexpand.h>

#include "installer/commands/lz_copy.h"

namespace installer {

long long LzCopyFile(const std::string& source, const std::string& destination) {
  HFILE file = _lopen(source.c_str(), OF_READ | OF_SHARE_DENY_WRITE);
  if (file == HFILE_ERROR) return -1;
  INT in = LZInit(file);  // takes the file over; reads it expanded when it is compressed
  if (in < 0) {
    _lclose(file);
    return -1;
  }
  HFILE out = _lcreat(destination.c_str(), 0);
  if (out == HFILE_ERROR) {
    LZClose(in);
    return -1;
  }
  LONG written = LZCopy(in, out);
  LZClose(in);
  if (_lclose(out) == HFILE_ERROR) written = -1;
  if (written < 0) {
    DeleteFileA(destination.c_str());
    return -1;
  }
  return written;
}

}  // namespace installer
