// The compressed-file copy on Windows: the system's LZ-expanding copy.
#include <windows.h>
#include <lzexpand.h>

#include <vector>

#include "installer/commands/lz_copy.h"

namespace installer {

long long LzCopyFile(const std::string& source, const std::string& destination) {
  // The LZ functions take writable name buffers.
  std::vector<char> from(source.begin(), source.end()), to(destination.begin(), destination.end());
  from.push_back('\0');
  to.push_back('\0');
  OFSTRUCT sourceInfo = {}, destinationInfo = {};
  INT in = LZOpenFileA(from.data(), &sourceInfo, OF_READ);
  if (in < 0) return -1;
  INT out = LZOpenFileA(to.data(), &destinationInfo, OF_CREATE);
  if (out < 0) {
    LZClose(in);
    return -1;
  }
  LONG written = LZCopy(in, out);
  LZClose(in);
  LZClose(out);
  if (written < 0) {
    DeleteFileA(destination.c_str());
    return -1;
  }
  return written;
}

}  // namespace installer
