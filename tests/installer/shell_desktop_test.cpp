// Shortcuts and program groups on a freedesktop.org desktop: the files they become, and
// that desktop-file-validate accepts every one of them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "installer/shell/posix/desktop_entry.h"
#include "installer/shell/program_manager.h"
#include "installer/shell/shell_places.h"
#include "tests/installer/shell_sandbox.h"

namespace {

using namespace shell_test;
using installer::ShellFolder;

class DesktopFiles : public ShellSandbox {
 protected:
  // Every entry under the sandbox passes the validator (skipped when it is missing).
  void ExpectAllValid() {
    std::vector<fs::path> entries = EntriesUnder(root);
    ASSERT_FALSE(entries.empty());
    for (const fs::path& entry : entries) {
      bool available = false;
      std::string report = Validate(entry, &available);
      if (!available) GTEST_SKIP() << "desktop-file-validate is not installed (Debian package desktop-file-utils)";
      EXPECT_EQ(report, "") << entry << "\n" << ReadFile(entry);
    }
  }
};

TEST(DesktopEntryText, ExecQuotesWhatMustBeQuotedAndEscapesValues) {
  using installer::ExecValue;
  EXPECT_EQ(ExecValue({"/opt/kestrel/run", "-x"}), "/opt/kestrel/run -x");
  EXPECT_EQ(ExecValue({"/opt/My Apps/run"}), "\"/opt/My Apps/run\"");
  EXPECT_EQ(ExecValue({"/a/$HOME`x`\"q\"\\b"}), "\"/a/\\$HOME\\`x\\`\\\"q\\\"\\\\b\"");
  EXPECT_EQ(ExecValue({"/a/100%", ""}), "/a/100%% \"\"");
  // The value escaping comes on top: each backslash doubled once more.
  EXPECT_EQ(installer::EscapeDesktopValue("a\\b\r\nc\td\x01"), "a\\\\b\\r\\nc\\td");
  EXPECT_EQ(installer::AsUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(installer::AsUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(installer::AsUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");  // overlong form: not UTF-8
  EXPECT_EQ(installer::DesktopFileId("Kestrel #1 Plugin!"), "kestrel-1-plugin");
  EXPECT_EQ(installer::DesktopFileId("###"), "unnamed");
}

TEST_F(DesktopFiles, FoldersComeFromTheXdgVariablesAndTheUserDirsFile) {
  EXPECT_EQ(installer::ShellFolderPath(ShellFolder::StartMenu), (DataHome() / "applications").string());
  EXPECT_EQ(installer::ShellFolderPath(ShellFolder::Desktop), Desktop().string());
  unsetenv("XDG_DESKTOP_DIR");
  EXPECT_EQ(installer::ShellFolderPath(ShellFolder::Desktop), (root / "home" / "Desktop").string());
  fs::create_directories(ConfigHome());
  std::ofstream(ConfigHome() / "user-dirs.dirs") << "# made by a test\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
  EXPECT_EQ(installer::ShellFolderPath(ShellFolder::Desktop), (root / "home" / "Schreibtisch").string());
}

TEST_F(DesktopFiles, ShortcutsAreValidEntriesThatStartTheTargetInItsDirectory) {
  ASSERT_TRUE(installer::MakeShortcut(ShellFolder::StartMenu, "/opt/Kestrel Tools/viewer", "/opt/Kestrel Tools/", "Kestrel Viewer"));
  ASSERT_TRUE(installer::MakeShortcut(ShellFolder::Desktop, "/opt/Kestrel Tools/viewer", "/opt/Kestrel Tools/", "Kestrel Viewer"));
  fs::path menuEntry = DataHome() / "applications" / "kestrel-kestrel-viewer.desktop";
  fs::path desktopEntry = Desktop() / "kestrel-viewer.desktop";
  EXPECT_EQ(ReadFile(menuEntry),
            "[Desktop Entry]\nType=Application\nName=Kestrel Viewer\n"
            "Exec=\"/opt/Kestrel Tools/viewer\"\nPath=/opt/Kestrel Tools/\nTerminal=false\n");
  EXPECT_EQ(ReadFile(desktopEntry), ReadFile(menuEntry));
  // Desktops run launchers on the desktop only when they are executable.
  struct stat info;
  ASSERT_EQ(stat(desktopEntry.c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IXUSR);
  ASSERT_EQ(stat(menuEntry.c_str(), &info), 0);
  EXPECT_FALSE(info.st_mode & S_IXUSR);
  ExpectAllValid();
}

TEST_F(DesktopFiles, HostileNamesStillMakeValidEntries) {
  ASSERT_TRUE(installer::MakeShortcut(ShellFolder::StartMenu, "/opt/a\"b$c`d\\e%f", "/opt/", std::string("Caf\xE9\r\nLine\\2")));
  std::vector<fs::path> entries = EntriesUnder(DataHome());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].filename(), "kestrel-caf-line-2.desktop");
  std::string text = ReadFile(entries[0]);
  EXPECT_NE(text.find("Name=Caf\xC3\xA9\\r\\nLine\\\\2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\"\n"), std::string::npos) << text;
  ExpectAllValid();
}

TEST_F(DesktopFiles, GroupIsAMenuWithItsItems) {
  installer::CreateProgramGroup("Kestrel #1");
  installer::AddProgramItem("/opt/kestrel/viewer --big", "Viewer", "/opt/kestrel/viewer.png");
  installer::AddProgramItem(std::string("/opt/My Kestrel/read") + '\xFF' + "\"read me.txt\" -q", "Read me", "");
  installer::EndProgramGroups(1);

  fs::path directory = DataHome() / "desktop-directories" / "kestrel-kestrel-1.directory";
  EXPECT_EQ(ReadFile(directory), "[Desktop Entry]\nType=Directory\nName=Kestrel #1\n");
  std::string menu = ReadFile(ConfigHome() / "menus" / "applications-merged" / "kestrel-kestrel-1.menu");
  EXPECT_NE(menu.find("<Name>Kestrel #1</Name>"), std::string::npos) << menu;
  EXPECT_NE(menu.find("<Directory>kestrel-kestrel-1.directory</Directory>"), std::string::npos) << menu;
  EXPECT_NE(menu.find("<Category>X-Kestrel-kestrel-1</Category>"), std::string::npos) << menu;

  fs::path items = DataHome() / "applications" / "kestrel-kestrel-1";
  EXPECT_EQ(ReadFile(items / "viewer.desktop"),
            "[Desktop Entry]\nType=Application\nName=Viewer\nExec=/opt/kestrel/viewer --big\n"
            "Path=/opt/kestrel/\nTerminal=false\nIcon=/opt/kestrel/viewer.png\nCategories=X-Kestrel-kestrel-1;\n");
  // The marker keeps a program with blanks in one word; its parameters follow.
  EXPECT_NE(ReadFile(items / "read-me.desktop").find("Exec=\"/opt/My Kestrel/read\" \"read me.txt\" -q\n"),
            std::string::npos)
      << ReadFile(items / "read-me.desktop");
  ExpectAllValid();
}

}  // namespace
