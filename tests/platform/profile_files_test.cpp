// INI files written and read with the Windows rules, and wildcard matching of names.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/files.h"
#include "platform/profile.h"

namespace {

namespace fs = std::filesystem;

TEST(Wildcards, MatchWithoutCaseAndWithStarsAndQuestionMarks) {
  using platform::MatchesWildcard;
  EXPECT_TRUE(MatchesWildcard("FWPLG*.DLL", "fwplgrip.dll"));
  EXPECT_TRUE(MatchesWildcard("*.HTM", "license.htm"));
  EXPECT_FALSE(MatchesWildcard("*.HTM", "fwplgks1.html"));
  EXPECT_TRUE(MatchesWildcard("FWPLGKS1*.GIF", "fwplgks1-01.gif"));
  EXPECT_TRUE(MatchesWildcard("a?c", "ABC"));
  EXPECT_FALSE(MatchesWildcard("a?c", "ac"));
  EXPECT_TRUE(MatchesWildcard("*.*", "README"));
  EXPECT_TRUE(MatchesWildcard("*a*b*", "xxaxxbxx"));
  EXPECT_FALSE(MatchesWildcard("*a*b", "xxaxxbxxc"));
  EXPECT_TRUE(MatchesWildcard("plain.txt", "PLAIN.TXT"));
}

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path = fs::temp_directory_path() / ("kestrel-profile-" + std::to_string(std::random_device()()) + ".ini");
  }
  void TearDown() override { fs::remove(path); }
  void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string Read(const std::string& section, const std::string& key) {
    return platform::ReadProfileString(section, key, "(none)", path.string(), 100);
  }
  fs::path path;
};

TEST_F(ProfileFile, EntriesLandInTheirOwnSection) {
  Write("[First]\r\nA=1\r\n\r\n[Second]\r\nA=2\r\n");
  ASSERT_TRUE(platform::WriteProfileEntry("first", "b", "3", path.string()));
  ASSERT_TRUE(platform::WriteProfileEntry("Second", "a", "4", path.string()));
  ASSERT_TRUE(platform::WriteProfileEntry("Third", "C", "5", path.string()));
  EXPECT_EQ(Read("First", "A"), "1");
  EXPECT_EQ(Read("First", "B"), "3");
  EXPECT_EQ(Read("Second", "B"), "(none)");
  EXPECT_EQ(Read("Second", "A"), "4");
  EXPECT_EQ(Read("Third", "c"), "5");
  // A key written again replaces its line rather than adding one.
  ASSERT_TRUE(platform::WriteProfileEntry("Second", "A", "6", path.string()));
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str().find("a=4"), std::string::npos);
  EXPECT_EQ(Read("Second", "A"), "6");
}

TEST_F(ProfileFile, IntegersReadTheirLeadingDigits) {
  Write("[S]\r\nPlain=28\r\nTrailing=27 patches\r\nWord=many\r\nEmpty=\r\n");
  const std::string file = path.string();
  EXPECT_EQ(platform::ReadProfileInt("S", "Plain", 9, file), 28);
  EXPECT_EQ(platform::ReadProfileInt("S", "Trailing", 9, file), 27);
  EXPECT_EQ(platform::ReadProfileInt("S", "Word", 9, file), 0);
  EXPECT_EQ(platform::ReadProfileInt("S", "Empty", 9, file), 0);
  EXPECT_EQ(platform::ReadProfileInt("S", "Missing", 9, file), 9);
  EXPECT_EQ(platform::ReadProfileInt("Other", "Plain", 9, file), 9);
}

// The plug-ins name the host's settings file "FWHOST.INI" and the installer's script
// "fwhost.ini"; both must reach the one file, whatever its spelling, and writing must not
// make a second file.
TEST_F(ProfileFile, NamesDifferingOnlyInCaseAreOneFile) {
  Write("[Framewright]\r\nPatchLevel=28\r\n");
  fs::path upper = path.parent_path() / path.filename().string();
  std::string name = upper.filename().string();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  upper.replace_filename(name);
  EXPECT_EQ(platform::ReadProfileInt("Framewright", "PatchLevel", 0, upper.string()), 28);
  ASSERT_TRUE(platform::WriteProfileEntry("Framewright", "VersionNumber", "64", upper.string()));
  EXPECT_EQ(Read("Framewright", "VersionNumber"), "64");
  EXPECT_FALSE(fs::exists(upper) && !fs::equivalent(upper, path));
}

TEST(ExistingSpelling, FindsTheEntryWhoseNameMatchesWithoutCase) {
  fs::path directory = fs::temp_directory_path() / ("kestrel-spelling-" + std::to_string(std::random_device()()));
  fs::create_directories(directory / "html");
  std::ofstream(directory / "html" / "fwplgks1.html") << "page";
  const std::string html = (directory / "html").string();
  EXPECT_EQ(platform::ExistingSpelling(html + "/fwplgks1.html"), html + "/fwplgks1.html");
  EXPECT_TRUE(fs::equivalent(platform::ExistingSpelling((directory / "html" / "FWPLGKS1.HTML").string()),
                             directory / "html" / "fwplgks1.html"));
  EXPECT_EQ(platform::ExistingSpelling((directory / "html" / "FWPLGKS2.HTML").string()), "");
  EXPECT_EQ(platform::ExistingSpelling((directory / "missing" / "fwplgks1.html").string()), "");
  fs::remove_all(directory);
}

}  // namespace
