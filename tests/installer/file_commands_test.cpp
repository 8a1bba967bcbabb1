// The file, INI and system-file commands against a sandbox directory.
#include <gtest/gtest.h>

#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "installer/commands/commands.h"
#include "installer/commands/lz_copy.h"
#include "installer/script/recording_front_end.h"
#include "platform/profile.h"
#include "tests/installer/unzip_test_support.h"

namespace {

using installer::ScriptArguments;
namespace fs = std::filesystem;
using unzip_test::ReadFile;

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A hidden file: a leading dot on POSIX, and the hidden attribute on Windows.
void WriteHiddenFile(const fs::path& path, const std::string& bytes) {
  WriteFile(path, bytes);
#ifdef _WIN32
  SetFileAttributesA(path.string().c_str(), FILE_ATTRIBUTE_HIDDEN);
#endif
}

class FileCommands : public unzip_test::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    context.ui = &ui;
    context.settings.iniSection = "Framewright";
    context.substitutions.values[0] = destination.string();
  }
  // A path in the sandbox as a script writes it (Windows separators).
  std::string ScriptPath(const fs::path& path) const {
    std::string text = path.string();
    for (char& c : text) {
      if (c == '/') c = '\\';
    }
    return text;
  }
  fs::path Ini(const std::string& body) {
    fs::path ini = sandbox / "fwhost.ini";
    WriteFile(ini, "[Framewright]\r\n" + body);
    return ini;
  }

  installer::RecordingFrontEnd ui;
  installer::InstallContext context;
};

TEST_F(FileCommands, InstalledVersionMustEqualThePackedNumber) {
  struct Case {
    const char* stored;
    const char* wanted;
    int result;
  } cases[] = {
      {"64", "2.0a", 1}, {"64", "2.0A", 1}, {"65", "2.0a", 0}, {"65", "2.0b", 1},
      {"1122", "3.1c", 1}, {"96", "2.0a", 0}, {"", "2.0a", 0},
  };
  for (const Case& c : cases) {
    fs::path ini = Ini(std::string("VersionNumber=") + c.stored + "\r\n");
    ui.messages.clear();
    EXPECT_EQ(installer::CheckInstalledVersionCommand(context, {ScriptPath(ini), c.wanted, "incompatible"}), c.result)
        << c.stored << " " << c.wanted;
    EXPECT_EQ(ui.messages.size(), c.result ? 0u : 1u);
  }
  // A missing INI file reads as version 0.
  EXPECT_EQ(installer::CheckInstalledVersionCommand(context, {ScriptPath(sandbox / "none.ini"), "2.0a", "x"}), 0);
}

TEST_F(FileCommands, PatchLevelMustReachTheMinimum) {
  fs::path ini = Ini("PatchLevel=28\r\n");
  EXPECT_EQ(installer::CheckPatchLevelCommand(context, {ScriptPath(ini), "28", "old"}), 1);
  EXPECT_EQ(installer::CheckPatchLevelCommand(context, {ScriptPath(ini), "29", "old"}), 0);
  Ini("PatchLevel=27\r\n");
  EXPECT_EQ(installer::CheckPatchLevelCommand(context, {ScriptPath(ini), "28", "old"}), 0);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"old", "old"}));
  EXPECT_EQ(installer::CheckPatchLevelCommand(context, {ScriptPath(sandbox / "none.ini"), "0", "old"}), 1);
}

TEST_F(FileCommands, AddProfileSplitsAtTheEqualsSigns) {
  fs::path ini = Ini("Other=1\r\n");
  std::string file = ScriptPath(ini);
  EXPECT_EQ(installer::AddProfileCommand(context, {file, "Plugins", "Ripple==fwplgrip.dll"}), 1);
  EXPECT_EQ(installer::AddProfileCommand(context, {file, "Framewright", "Other=2"}), 1);
  EXPECT_EQ(installer::AddProfileCommand(context, {file, "Plugins", "Bare"}), 1);
  EXPECT_EQ(platform::ReadProfileString("Plugins", "Ripple", "?", ini.string(), 100), "fwplgrip.dll");
  EXPECT_EQ(platform::ReadProfileString("Framewright", "Other", "?", ini.string(), 100), "2");
  EXPECT_EQ(platform::ReadProfileString("Plugins", "Bare", "?", ini.string(), 100), "");
}

TEST_F(FileCommands, MoveFileWithAPatternMovesOrdinaryMatchesOnly) {
  fs::path from = sandbox / "from", to = sandbox / "to";
  fs::create_directories(from / "sub.dll");
  fs::create_directories(to);
  WriteFile(from / "fwplgrip.dll", "ripple");
  WriteFile(from / "FWPLGLAK.DLL", "lake");
  WriteFile(from / "notes.txt", "stay");
  WriteHiddenFile(from / ".hidden.dll", "hidden");
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(from) + "\\FWPLG*.DLL", ScriptPath(to) + "\\"}), 1);
  EXPECT_EQ(Names(to), (std::vector<std::string>{"FWPLGLAK.DLL", "fwplgrip.dll"}));
  EXPECT_EQ(ReadFile(to / "fwplgrip.dll"), "ripple");
  EXPECT_EQ(Names(from), (std::vector<std::string>{".hidden.dll", "notes.txt", "sub.dll"}));
  // Directories are not matched: this pattern finds nothing and changes nothing.
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(from) + "\\*.dll", ScriptPath(to)}), 0);
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(from) + "\\*.none", ScriptPath(to)}), 0);
  EXPECT_EQ(Names(from).size(), 3u);
}

TEST_F(FileCommands, MoveFileWithAPlainSourceNeedsAFileNameAsDestination) {
  WriteFile(destination / "a.txt", "text");
  fs::create_directories(sandbox / "dir");
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(destination / "a.txt"), ScriptPath(sandbox / "dir")}), 0);
  EXPECT_EQ(ReadFile(destination / "a.txt"), "text");
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(destination / "A.TXT"), ScriptPath(sandbox / "dir" / "b.txt")}), 1);
  EXPECT_EQ(ReadFile(sandbox / "dir" / "b.txt"), "text");
  EXPECT_FALSE(fs::exists(destination / "a.txt"));
}

// Install directories are often deeper than the 128 characters of the system's
// open-file record: the move must not depend on it.
TEST_F(FileCommands, MoveFileWorksInDeepDirectories) {
  fs::path deep = sandbox / std::string(70, 'd') / std::string(70, 'e');
  fs::create_directories(deep / "plugin");
  WriteFile(deep / "one.dll", "library");
  ASSERT_GT(ScriptPath(deep / "plugin" / "one.dll").size(), 140u);
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(deep) + "\\*.DLL", ScriptPath(deep / "plugin") + "\\"}), 1);
  EXPECT_EQ(ReadFile(deep / "plugin" / "one.dll"), "library");
  EXPECT_FALSE(fs::exists(deep / "one.dll"));
}

TEST_F(FileCommands, ZeroLengthSourceStopsTheMoveAndLosesNothing) {
  fs::path to = sandbox / "to";
  fs::create_directories(to);
  WriteFile(destination / "a.dat", "");
  WriteFile(destination / "b.dat", "bee");
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(destination) + "\\*.dat", ScriptPath(to)}), 0);
  EXPECT_TRUE(fs::exists(destination / "a.dat"));
  EXPECT_EQ(ReadFile(destination / "b.dat"), "bee");  // the remaining match is not moved
  EXPECT_TRUE(Names(to).empty());
}

TEST_F(FileCommands, MovingAFileOntoItselfKeepsIt) {
  WriteFile(destination / "keep.dll", "precious");
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(destination) + "\\*.DLL", ScriptPath(destination) + "\\"}), 1);
  EXPECT_EQ(ReadFile(destination / "keep.dll"), "precious");
}

#ifndef _WIN32
TEST_F(FileCommands, MatchedNamesNeverLeadOutOfTheDestination) {
  fs::path from = sandbox / "from", to = sandbox / "to" / "inner";
  fs::create_directories(from);
  fs::create_directories(to);
  WriteFile(from / "a\\..\\..\\escaped.dll", "x");  // a legal POSIX name with backslashes
  EXPECT_EQ(installer::MoveFileCommand(context, {ScriptPath(from) + "\\*.dll", ScriptPath(to)}), 1);
  EXPECT_EQ(Names(to), std::vector<std::string>{"a\\..\\..\\escaped.dll"});
  EXPECT_EQ(Names(sandbox / "to"), std::vector<std::string>{"inner"});
}
#endif

TEST_F(FileCommands, CopyTakesTheResourceNameWithDotsAsUnderscores) {
  fs::path target = destination / "readme.txt";
  EXPECT_EQ(installer::CopyCommand(context, {"readme.txt", ScriptPath(target)}), 1);
  EXPECT_EQ(ReadFile(target), "Read me.\r\n");
  EXPECT_EQ(ui.statusTexts, std::vector<std::string>{"Copying readme.txt"});
  // A compressed resource is expanded on the way.
  EXPECT_EQ(installer::CopyCommand(context, {"packed.txt", ScriptPath(destination / "p.txt")}), 1);
  EXPECT_EQ(ReadFile(destination / "p.txt"), "ABCABCABC");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FileCommands, CopyFailsForMissingAndEmptyResources) {
  EXPECT_EQ(installer::CopyCommand(context, {"no.such", ScriptPath(destination / "x")}), 0);
  EXPECT_EQ(installer::CopyCommand(context, {"empty.dat", ScriptPath(destination / "y")}), 0);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Error unpacking no.such", "Error unpacking empty.dat"}));
}

TEST_F(FileCommands, CheckFileExistsAcceptsFilesAndDirectories) {
  WriteFile(destination / "FWHOST.EXE", "x");
  EXPECT_EQ(installer::CheckFileExistsCommand(context, {ScriptPath(destination / "FWHOST.EXE"), "m"}), 1);
  EXPECT_EQ(installer::CheckFileExistsCommand(context, {ScriptPath(destination), "m"}), 1);
  EXPECT_EQ(installer::CheckFileExistsCommand(context, {ScriptPath(destination / "none"), "missing"}), 0);
  EXPECT_EQ(installer::CheckFileExistsCommand(context, {"", "empty"}), 0);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"missing", "empty"}));
}

TEST_F(FileCommands, MakeDirectoryMakesOneLevelSilently) {
  EXPECT_EQ(installer::MakeDirectoryCommand(context, {ScriptPath(destination / "a" / "b")}), 1);
  EXPECT_FALSE(fs::exists(destination / "a"));
  EXPECT_EQ(installer::MakeDirectoryCommand(context, {ScriptPath(destination / "a")}), 1);
  EXPECT_TRUE(fs::is_directory(destination / "a"));
}

TEST_F(FileCommands, UninstallLogIsOnlyAddedTo) {
  EXPECT_EQ(installer::AddToUninstallCommand(context, {"plugin\\fwplgrip.dll"}), 1);
  EXPECT_TRUE(Names(destination).empty());
  WriteFile(destination / "INSTALLD.TXT", "first\r\n");
  EXPECT_EQ(installer::AddToUninstallCommand(context, {"plugin\\fwplgrip.dll"}), 1);
  EXPECT_EQ(ReadFile(destination / "INSTALLD.TXT"), "first\r\n plugin\\fwplgrip.dll\r\n");
}

TEST_F(FileCommands, UninstallLogPathLongerThanItsBufferWritesNothing) {
  fs::path deep = destination / std::string(120, 'd') / std::string(120, 'e');
  fs::create_directories(deep);
  WriteFile(deep / "INSTALLD.TXT", "first\r\n");
  context.substitutions.values[0] = deep.string();
  ASSERT_GE(context.InstallPath().size() + 13, 260u);
  EXPECT_EQ(installer::AddToUninstallCommand(context, {"x"}), 1);
  EXPECT_EQ(ReadFile(deep / "INSTALLD.TXT"), "first\r\n");
}

TEST_F(FileCommands, SwapDiskAsksUntilTheFileIsThereOrNo) {
  ui.answers = {installer::kAnswerNo};
  EXPECT_EQ(installer::SwapDiskCommand(context, {ScriptPath(destination / "DISK2"), "Insert disk 2"}), 0);
  EXPECT_EQ(ui.questions.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
  ui.answers = {installer::kAnswerYes, installer::kAnswerClosed};
  EXPECT_EQ(installer::SwapDiskCommand(context, {ScriptPath(destination / "DISK2"), "Insert disk 2"}), 0);
  EXPECT_EQ(ui.questions.size(), 3u);
  WriteFile(destination / "DISK2", "");
  EXPECT_EQ(installer::SwapDiskCommand(context, {ScriptPath(destination / "DISK2"), "Insert disk 2"}), 1);
}

TEST_F(FileCommands, SystemLibraryKeepsABackupOfTheInstalledCopy) {
  fs::path system = sandbox / "system", source = sandbox / "disk";
  fs::create_directories(system);
  fs::create_directories(source);
  WriteFile(system / "TWAIN.DLL", "old");
  WriteFile(system / "TWAIN.BAK", "older");
  WriteFile(source / "TWAIN.DLL", "new");
  context.substitutions.values[2] = system.string();
  EXPECT_EQ(installer::InstallSystemLibraryCommand(context, {"TWAIN.DLL", ScriptPath(source)}), 1);
  EXPECT_EQ(ReadFile(system / "TWAIN.BAK"), "old");
#ifndef _WIN32
  EXPECT_EQ(ReadFile(system / "TWAIN.DLL"), "new");  // Windows decides by version resources
#endif
  // A directory that cannot be read, or is too long, ends the command with 0.
  context.substitutions.values[1] = "";
  EXPECT_EQ(installer::InstallTwainDriverCommand(context, {"TWAIN.DLL", ScriptPath(source)}), 0);
  context.substitutions.values[1] = std::string(261, 'w');
  EXPECT_EQ(installer::InstallTwainDriverCommand(context, {"TWAIN.DLL", ScriptPath(source)}), 0);
}

TEST_F(FileCommands, MachineChecksShowTheirMessages) {
  context.machine.screenColourBits = 4;
  EXPECT_EQ(installer::CheckDriverCommand(context, {}), 0);
  context.machine.screenColourBits = 16;
  EXPECT_EQ(installer::CheckDriverCommand(context, {}), 1);
  context.machine.processorType = 486;
  EXPECT_EQ(installer::CheckProcessorCommand(context, {"586", "too slow"}), 1);
  EXPECT_EQ(installer::CheckProcessorCommand(context, {"486", "not shown"}), 1);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{installer::kFewColoursMessage, "too slow"}));
}

// Expands a compressed stream held in memory.
std::string Expand(const std::string& input) {
  size_t at = 0;
  std::string out;
  long long n = installer::LzExpand(
      [&](unsigned char* buffer, size_t size) {
        size_t take = std::min(size, input.size() - at);
        std::copy(input.begin() + at, input.begin() + at + take, buffer);
        at += take;
        return take;
      },
      [&](const unsigned char* data, size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return true;
      });
  EXPECT_EQ(n, static_cast<long long>(out.size()));
  return out;
}

TEST(LzExpand, ExpandsCompressedFilesAndCopiesOthers) {
  const std::string header("SZDD\x88\xF0\x27\x33" "A\0\x09\0\0\0", 14);
  EXPECT_EQ(Expand(header + "\x07" "ABC\xF0\xF3"), "ABCABCABC");
  // A match into the untouched window reads its spaces; a stream may end mid-group.
  EXPECT_EQ(Expand(header + std::string("\x01" "Z\x00\x00", 4)), "Z   ");
  EXPECT_EQ(Expand("plain text"), "plain text");
  EXPECT_EQ(Expand(header.substr(0, 10)), header.substr(0, 10));
  EXPECT_EQ(Expand(""), "");
}

}  // namespace
