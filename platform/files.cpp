#include "platform/files.h"

#include "platform/directories.h"

namespace platform {

namespace {
char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

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

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*") return true;
  // Greedy matching with one remembered star: linear in practice, never recursive.
  size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace platform
