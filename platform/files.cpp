#include "platform/files.h"

#include "platform/directories.h"

namespace platform {

namespace {
// Separators inside a stored name: '/' everywhere, and '\\' too where the system reads it so.
bool SplitsName(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}
}  // namespace

bool PathMeetsLink(const std::string& base, const std::string& relative) {
  std::string path = base;
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = start;
    while (end < relative.size() && !SplitsName(relative[end])) ++end;
    if (end > start) {
      path = JoinPath(path, relative.substr(start, end - start));
      PathKind kind = QueryPath(path);
      if (kind == PathKind::Link) return true;
      if (kind != PathKind::Directory) return false;  // nothing exists further down
    }
    start = end + 1;
  }
  return false;
}

bool IsValidDosDateTime(uint16_t dosDate, uint16_t dosTime) {
  const unsigned year = 1980u + (dosDate >> 9);
  const unsigned month = (dosDate >> 5) & 15u;
  const unsigned day = dosDate & 31u;
  const unsigned hour = dosTime >> 11;
  const unsigned minute = (dosTime >> 5) & 63u;
  const unsigned second = (dosTime & 31u) * 2u;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 58) return false;
  static const unsigned char kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (day > kDaysInMonth[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return !(month == 2 && day == 29 && !leap);
}

}  // namespace platform
