#include "framework/settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/directories.h"

namespace {

// Each read takes at most this many characters; a longer line is read in pieces and
// every piece is handled as a line of its own.
constexpr int kLinePiece = 259;

bool IsKeyEnd(char c) { return static_cast<unsigned char>(c) <= 32 || c == '='; }

// Signed decimal as the C library reads it: leading white space, an optional sign, the
// leading digits; no digits gives 0. Wraps like a 32-bit value.
int32_t ParseSigned(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<uint32_t>(*text - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

void ApplyLine(char* line, const SettingsEntry* table, size_t count) {
  if (line[0] == ';') return;
  for (char* p = line; *p; ++p) {
    if (static_cast<unsigned char>(*p) < 32) {
      *p = '\0';
      break;
    }
  }
  size_t keyLength = 0;
  while (line[keyLength] && !IsKeyEnd(line[keyLength])) ++keyLength;
  // A blank or indented line has an empty key, which would match the first entry of the
  // table; such lines carry no setting and are ignored.
  if (keyLength == 0) return;
  for (size_t i = 0; i < count; ++i) {
    const SettingsEntry& entry = table[i];
    if (entry.writeOnly || std::strncmp(entry.key, line, keyLength) != 0) continue;
    const char* value = line + keyLength;
    while (*value == ' ') ++value;
    while (*value == '=') ++value;
    while (*value == ' ') ++value;
    if (entry.kind == SettingKind::Number) {
      *static_cast<int32_t*>(entry.value) = ParseSigned(value);
    } else {
      char* text = static_cast<char*>(entry.value);
      std::memset(text, 0, kSettingTextSize);
      std::strncpy(text, value, kSettingTextSize - 1);
    }
    return;  // only the first matching entry takes the value
  }
}

}  // namespace

void SettingsTable::add(const SettingsEntry& entry, const char* before) {
  auto at = rows_.begin();
  if (before) {
    while (at != rows_.end() && std::strcmp(at->key, before) != 0) ++at;
    if (at != rows_.end()) {
      rows_.insert(at, entry);
      return;
    }
    at = rows_.begin();  // no such row: the key's own place
  }
  while (at != rows_.end() && std::strcmp(at->key, entry.key) <= 0) ++at;
  rows_.insert(at, entry);
}

void FormatSettingsDate(std::time_t when, char* buffer, size_t size) {
  static const char kDays[] = "SunMonTueWedThuFriSat";
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const std::tm* local = std::localtime(&when);
  if (!local) {
    std::snprintf(buffer, size, "%s", "");
    return;
  }
  std::snprintf(buffer, size, "%.3s %.3s %2d %02d:%02d:%02d %d", kDays + 3 * (local->tm_wday % 7),
                kMonths + 3 * (local->tm_mon % 12), local->tm_mday, local->tm_hour, local->tm_min,
                local->tm_sec, local->tm_year + 1900);
}

std::string SettingsFilePath(const char* fileName) {
  return platform::JoinPath(platform::WindowsDirectory(), fileName);
}

void LoadSettings(const char* fileName, const SettingsEntry* table, size_t count) {
  // Binary mode on every target: line ends are cut as control characters anyway, and
  // the pieces read are then the same everywhere.
  FILE* file = std::fopen(SettingsFilePath(fileName).c_str(), "rb");
  if (!file) return;
  char line[kLinePiece + 1];
  while (std::fgets(line, sizeof line, file)) ApplyLine(line, table, count);
  std::fclose(file);
}

void SaveSettings(const char* fileName, const SettingsEntry* table, size_t count) {
  FILE* file = std::fopen(SettingsFilePath(fileName).c_str(), "wb");
  if (!file) return;
  char date[32] = "";
  FormatSettingsDate(std::time(nullptr), date, sizeof date);
  std::fprintf(file, ";Varnel Quillon animtion plugin configuration file\r\n");
  std::fprintf(file, ";Edit this at your own risk\r\n");
  std::fprintf(file, ";Last updated %24.24s\r\n", date);
  std::fprintf(file, ";\r\n[PlugIn]\r\n");
  for (size_t i = 0; i < count; ++i) {
    const SettingsEntry& entry = table[i];
    if (entry.kind == SettingKind::Number)
      std::fprintf(file, "%s = %u\r\n", entry.key, static_cast<unsigned>(*static_cast<const uint32_t*>(entry.value)));
    else
      std::fprintf(file, "%s = %s\r\n", entry.key, static_cast<const char*>(entry.value));
  }
  std::fclose(file);
}
