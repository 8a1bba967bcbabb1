// The plug-in settings file: a small text file per plug-in in the Windows directory,
// read when the main dialog starts and rewritten from scratch when it closes.
//
//   ;Varnel Quillon animtion plugin configuration file
//   ;Edit this at your own risk
//   ;Last updated Tue Dec  8 12:00:55 2026
//   ;
//   [PlugIn]
//   AddDescriptiveCommentBlock = 1
//   ...
//
// Numbers are written unsigned and read signed, so every 32-bit value round-trips.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// Room of a text setting: 260 characters and a terminator.
constexpr size_t kSettingTextSize = 261;

enum class SettingKind { Number, Text };

struct SettingsEntry {
  const char* key;
  void* value;  // int32_t* for numbers, char[kSettingTextSize] for texts
  SettingKind kind;
  bool writeOnly;  // written but never read back: the built-in value always wins
};

// A settings table built row by row. The file lists its keys in ascending byte order, so
// a row goes before the first row whose key sorts after its own; a row that the file has
// always listed elsewhere names the key of the row it goes before instead. The order
// matters beyond the file's look: a line whose key is cut short is read into the first
// row whose key it begins.
class SettingsTable {
 public:
  void add(const SettingsEntry& entry, const char* before = nullptr);
  void add(const char* key, int32_t* number, const char* before = nullptr) {
    add(SettingsEntry{key, number, SettingKind::Number, false}, before);
  }
  void add(const char* key, char (&text)[kSettingTextSize]) { add(SettingsEntry{key, text, SettingKind::Text, false}); }

  const SettingsEntry* data() const { return rows_.data(); }
  size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }

 private:
  std::vector<SettingsEntry> rows_;
};

// The local date and time in the 24-character form of the file's third line:
// weekday, month, day right-aligned in two places, hh:mm:ss and the year.
void FormatSettingsDate(std::time_t when, char* buffer, size_t size);

// Full path of a settings file name: the Windows directory and the name.
std::string SettingsFilePath(const char* fileName);

// Reads the file into the table's variables; a missing file changes nothing.
void LoadSettings(const char* fileName, const SettingsEntry* table, size_t count);

// Rewrites the whole file; a file that cannot be written is silently skipped.
void SaveSettings(const char* fileName, const SettingsEntry* table, size_t count);
