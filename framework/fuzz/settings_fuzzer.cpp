// libFuzzer target over the files a plug-in reads from the Windows directory, which
// anyone may have written: its own settings file and the host's FWHOST.INI.
//
// Each input is written as both, in a private Windows directory. The settings are loaded
// into a table like the plug-ins' (numbers, texts, a write-only entry); the checks: every
// text stays terminated inside its room (guard bytes follow each), a write-only entry
// keeps its built-in value, and the file a plug-in writes back when its dialog closes
// reads back as it was written: saved, loaded and saved again it is the same file but
// for its date line (where each of its lines fits in one read; longer lines are read in
// pieces by design). The host's application path is read as the help button reads it,
// and the help document's path made of it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/help_about.h"
#include "framework/settings_file.h"
#include "platform/directories.h"
#include "platform/profile.h"

namespace {

constexpr const char* kSettingsName = "FWPLGFUZ.INI";
constexpr int kGuard = 16;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "settings fuzzer: %s: %s\n", what, detail.c_str());
  std::abort();
}

struct Settings {
  int32_t numbers[6] = {10, 0, 1, -1, 7, 64};
  struct Text {
    char text[kSettingTextSize] = "";
    char guard[kGuard];
  } texts[2];
  int32_t version = 64;  // written, never read back

  Settings() {
    for (Text& t : texts) std::memset(t.guard, 0x5A, kGuard);
  }
  std::vector<SettingsEntry> table() {
    return {
        {"MainDelay", &numbers[0], SettingKind::Number, false},
        {"MainPalette", &numbers[1], SettingKind::Number, false},
        {"Supercompress", &numbers[2], SettingKind::Number, false},
        {"RocketColor00", &numbers[3], SettingKind::Number, false},
        {"Step", &numbers[4], SettingKind::Number, false},
        {"Width", &numbers[5], SettingKind::Number, false},
        {"Picture0", texts[0].text, SettingKind::Text, false},
        {"SourceFile", texts[1].text, SettingKind::Text, false},
        {"VersionNumber", &version, SettingKind::Number, true},
    };
  }
  void check() const {
    for (const Text& t : texts) {
      if (std::memchr(t.text, 0, kSettingTextSize) == nullptr) Fail("a text without its end", "");
      for (char g : t.guard)
        if (g != 0x5A) Fail("a text past its room", "");
    }
    if (version != 64) Fail("a write-only setting was read", std::to_string(version));
  }
};

const std::string& Directory() {
  static const std::string directory = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrel-settings-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) Fail("cannot make a directory", pattern);
    setenv("KESTREL_WINDOWS_DIR", pattern.c_str(), 1);
    return pattern;
  }();
  return directory;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) Fail("cannot write", path);
}

// The saved file without its date line, and whether every line fits one read.
std::string Saved(bool* fits) {
  std::FILE* file = std::fopen(SettingsFilePath(kSettingsName).c_str(), "rb");
  if (!file) Fail("the settings were not written", "");
  std::string text, line;
  *fits = true;
  int c;
  while ((c = std::fgetc(file)) != EOF) {
    line += static_cast<char>(c);
    if (c != '\n') continue;
    if (line.size() > 259) *fits = false;
    if (line.compare(0, 13, ";Last updated") != 0) text += line;
    line.clear();
  }
  std::fclose(file);
  return text + line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& directory = Directory();
  WriteFile(directory + "/" + kSettingsName, data, size);
  WriteFile(directory + "/" + kHostSettingsFile, data, size);

  Settings first;
  std::vector<SettingsEntry> table = first.table();
  LoadSettings(kSettingsName, table.data(), table.size());
  first.check();
  SaveSettings(kSettingsName, table.data(), table.size());
  bool fits = false;
  const std::string written = Saved(&fits);
  Settings second;
  std::vector<SettingsEntry> again = second.table();
  LoadSettings(kSettingsName, again.data(), again.size());
  second.check();
  SaveSettings(kSettingsName, again.data(), again.size());
  bool fitsAgain = false;
  if (fits && Saved(&fitsAgain) != written) Fail("the written settings read back otherwise", written);

  std::string path = platform::ReadProfileString(kHostSection, kApplicationPathKey, "", kHostSettingsFile, 260);
  if (path.size() > 260) Fail("the application path past its limit", std::to_string(path.size()));
  std::string document;
  HelpDocumentPath(path, kHelpDocument, &document);
  platform::ReadProfileInt(kHostSection, "VersionNumber", 0, kHostSettingsFile);
  return 0;
}
