#include "framework/settings_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_environment.h"

namespace {

// A table shaped like a plug-in's: ascending keys, a text entry, a write-only entry.
struct Settings {
  int32_t comment = 1, customPalette = 1, delay = 3, direction = 32, pause = 100, patch = 3;
  char path[kSettingTextSize] = "";
  SettingsEntry table[6] = {
      {"AddDescriptiveCommentBlock", &comment, SettingKind::Number, false},
      {"FileNamePath", path, SettingKind::Text, false},
      {"MainCustompalette", &customPalette, SettingKind::Number, false},
      {"MainDelay", &delay, SettingKind::Number, false},
      {"MainPause", &pause, SettingKind::Number, false},
      {"PatchLevel", &patch, SettingKind::Number, true},
  };
  void load() { LoadSettings("TESTSET.INI", table, 6); }
  void save() { SaveSettings("TESTSET.INI", table, 6); }
};

void WriteFile(const std::string& text) {
  std::ofstream out(SettingsFilePath("TESTSET.INI"), std::ios::binary);
  out << text;
}

std::string ReadFile() {
  std::ifstream in(SettingsFilePath("TESTSET.INI"), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { std::remove(SettingsFilePath("TESTSET.INI").c_str()); }
  void TearDown() override { std::remove(SettingsFilePath("TESTSET.INI").c_str()); }
};

TEST_F(SettingsFile, WritesTheHeaderAndOneLinePerEntry) {
  Settings s;
  std::snprintf(s.path, sizeof s.path, "%s", "C:\\pictures");
  s.pause = -1;
  s.save();
  std::string text = ReadFile();
  std::istringstream lines(text);
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line)) {
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\r');  // every line ends with CR LF
    all.push_back(line.substr(0, line.size() - 1));
  }
  ASSERT_EQ(all.size(), 11u);
  EXPECT_EQ(all[0], ";Varnel Quillon animtion plugin configuration file");
  EXPECT_EQ(all[1], ";Edit this at your own risk");
  EXPECT_EQ(all[2].substr(0, 14), ";Last updated ");
  EXPECT_EQ(all[2].size(), 14u + 24u);
  EXPECT_EQ(all[3], ";");
  EXPECT_EQ(all[4], "[PlugIn]");
  EXPECT_EQ(all[5], "AddDescriptiveCommentBlock = 1");
  EXPECT_EQ(all[6], "FileNamePath = C:\\pictures");
  EXPECT_EQ(all[8], "MainDelay = 3");
  EXPECT_EQ(all[9], "MainPause = 4294967295");  // numbers are written unsigned
  EXPECT_EQ(all[10], "PatchLevel = 3");
}

TEST_F(SettingsFile, DateHasTheTwentyFourCharacterForm) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 11;
  when.tm_mday = 8;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 7;
  when.tm_isdst = -1;
  char date[32];
  FormatSettingsDate(std::mktime(&when), date, sizeof date);
  EXPECT_STREQ(date, "Tue Dec  8 09:05:07 2026");
}

TEST_F(SettingsFile, ReadingRules) {
  WriteFile(
      "[PlugIn]\r\n"
      "MainDelay=7\r\n"             // no blanks
      "Main = 5\r\n"                // a prefix: the first entry that begins with it
      "maindelay = 99\r\n"          // keys are case-sensitive
      "PatchLevel = 9\r\n"          // write-only: ignored
      "MainPause = -1\r\n"          // signed
      "   AddDescriptiveCommentBlock = 0\r\n"  // indented: empty key, ignored
      "\r\n"
      "= 0\r\n"
      "FileNamePath = some where\x01 cut\r\n");
  Settings s;
  s.load();
  EXPECT_EQ(s.delay, 7);
  EXPECT_EQ(s.customPalette, 5);
  EXPECT_EQ(s.patch, 3);
  EXPECT_EQ(s.pause, -1);
  EXPECT_EQ(s.comment, 1);
  EXPECT_STREQ(s.path, "some where");
}

TEST_F(SettingsFile, SpacesAndEqualSignsAroundTheValueAndTheLaterLineWins) {
  WriteFile("MainDelay   ==  7\nMainPause = 12\nMainPause = 13\nMainCustompalette = x\n");
  Settings s;
  s.load();
  EXPECT_EQ(s.delay, 7);
  EXPECT_EQ(s.pause, 13);
  EXPECT_EQ(s.customPalette, 0);  // no digits read as 0
}

TEST_F(SettingsFile, LongLinesAreReadInPieces) {
  // A 300-character text value: the first piece sets the path (cut at 259 characters of
  // line), the rest of the line is a piece of its own whose key matches nothing.
  std::string value(300, 'a');
  WriteFile("FileNamePath = " + value + "\nMainDelay = 8\n");
  Settings s;
  s.load();
  EXPECT_EQ(std::string(s.path), std::string(259 - 15, 'a'));
  EXPECT_EQ(s.delay, 8);
}

TEST_F(SettingsFile, RoundTripAndMissingFile) {
  Settings defaults;
  defaults.load();  // no file: nothing changes
  EXPECT_EQ(defaults.delay, 3);
  Settings written;
  written.delay = 42;
  written.pause = -7;
  written.patch = 99;  // written, but reading never takes it back
  std::snprintf(written.path, sizeof written.path, "%s", "x y z");
  written.save();
  Settings read;
  read.load();
  EXPECT_EQ(read.delay, 42);
  EXPECT_EQ(read.pause, -7);
  EXPECT_EQ(read.patch, 3);
  EXPECT_STREQ(read.path, "x y z");
}

TEST_F(SettingsFile, TablesKeepTheOrderOfTheFile) {
  int32_t comment = 1, delay = 3, diameter = 35, palette = 6, steps = 100, version = 64;
  char path[kSettingTextSize] = "";
  SettingsTable table;
  table.add("MainDelay", &delay);
  table.add(SettingsEntry{"VersionNumber", &version, SettingKind::Number, true});
  table.add("AddDescriptiveCommentBlock", &comment);
  table.add("MainPalette", &palette);
  table.add("FileNamePath", path);
  // Kept where the file has always had them, out of ascending order...
  table.add("MainDiameter", &diameter, "MainDelay");
  table.add("MainSteps", &steps, "MainPalette");
  // ...and a row placed before a key the table lacks goes to its ascending place.
  int32_t added = 0;
  table.add("MainAdded", &added, "NoSuchKey");
  std::vector<std::string> keys;
  for (size_t i = 0; i < table.size(); ++i) keys.push_back(table.data()[i].key);
  EXPECT_EQ(keys, (std::vector<std::string>{"AddDescriptiveCommentBlock", "FileNamePath", "MainAdded", "MainDiameter",
                                            "MainDelay", "MainSteps", "MainPalette", "VersionNumber"}));
  EXPECT_EQ(table.data()[1].kind, SettingKind::Text);
  EXPECT_TRUE(table.data()[7].writeOnly);
  // The order decides where a key cut short is read: the first row it begins.
  WriteFile("MainD = 7\r\n");
  LoadSettings("TESTSET.INI", table.data(), table.size());
  EXPECT_EQ(diameter, 7);
  EXPECT_EQ(delay, 3);
}

}  // namespace
