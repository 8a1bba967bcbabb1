#include "installer/zip/entry_names.h"

#include <cstring>

namespace installer {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Windows opens a device whatever the extension: "nul.txt" and "COM1 .log" are devices
// too, so only the part before the first dot, without trailing spaces, is compared.
bool NamesDevice(const std::string& component) {
  size_t length = component.find('.');
  if (length == std::string::npos) length = component.size();
  while (length > 0 && component[length - 1] == ' ') --length;
  std::string base;
  for (size_t i = 0; i < length; ++i) base += Upper(component[i]);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : kDevices)
    if (base == device) return true;
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
    // Digits, and the superscript one, two and three of the Latin-1 code page.
    unsigned char unit = static_cast<unsigned char>(base[3]);
    return (unit >= '0' && unit <= '9') || unit == 0xB9 || unit == 0xB2 || unit == 0xB3;
  }
  return false;
}

// "..", "." and, since Windows drops trailing dots and spaces, "...", ". ." and " ".
bool OnlyDotsAndSpaces(const std::string& component) {
  for (char c : component)
    if (c != '.' && c != ' ') return false;
  return true;
}

}  // namespace

bool IsSafeEntryName(const std::string& name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) < 32 || c == ':') return false;
  if (!name.empty() && IsSeparator(name[0])) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (end > start) {
      std::string component = name.substr(start, end - start);
      if (OnlyDotsAndSpaces(component) || NamesDevice(component)) return false;
    }
    start = end + 1;
  }
  return true;
}

bool IsSymbolicLinkEntry(uint8_t hostMadeBy, uint32_t externalAttributes) {
  const uint8_t kUnix = 3, kMacOsX = 19;
  if (hostMadeBy != kUnix && hostMadeBy != kMacOsX) return false;
  return ((externalAttributes >> 16) & 0170000u) == 0120000u;
}

}  // namespace installer
