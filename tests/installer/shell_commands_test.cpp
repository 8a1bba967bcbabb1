// The shell words as a script runs them on POSIX: questions, messages and the files
// they leave in a sandboxed home (desktop entries, SYSTEM.INI and WIN.INI, programs run).
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "installer/script/interpreter.h"
#include "installer/shell/install_options.h"
#include "installer/shell/shell_commands.h"
#include "platform/profile.h"
#include "tests/installer/shell_front_end.h"
#include "tests/installer/shell_sandbox.h"

namespace {

using namespace shell_test;
using installer::kAnswerClosed;
using installer::kAnswerNo;
using installer::kAnswerYes;

class ShellCommands : public ShellSandbox {
 protected:
  void SetUp() override {
    ShellSandbox::SetUp();
    fs::create_directories(InstallDir());
    context.ui = &ui;
    context.settings.productName = "Kestrel Viewer";
    context.substitutions.values[0] = InstallDir().string();
    context.substitutions.values[1] = WindowsDir().string();
  }

  fs::path InstallDir() const { return root / "install"; }

  int RunAction(const std::string& script) {
    installer::ScriptText text{reinterpret_cast<const unsigned char*>(script.data()), script.size()};
    return installer::RunActionPass(text, context);
  }
  int RunClosing(const std::string& script) {
    installer::ScriptText text{reinterpret_cast<const unsigned char*>(script.data()), script.size()};
    return installer::RunClosingPass(text, context);
  }

  std::string Profile(const char* file, const char* section, const char* key) {
    return platform::ReadProfileString(section, key, "(missing)", file, 1024);
  }

  // Waits (up to five seconds) for a file that a program started without waiting makes.
  bool AppearsSoon(const fs::path& path, int milliseconds = 5000) {
    for (int i = 0; i < milliseconds / 50 && !fs::exists(path); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(path);
  }

  ScriptedFrontEnd ui;
  installer::InstallContext context;
};

TEST_F(ShellCommands, SetSaverClampsMinutesAndRecordsTheChoice) {
  ui.answers = {kAnswerYes};
  EXPECT_EQ(RunAction("setsaver \"/opt/savers/stars.scr\" 0\n"), 1);
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], "Do you want to make Kestrel Viewer your default Windows screen saver?");
  EXPECT_EQ(Profile("SYSTEM.INI", "boot", "SCRNSAVE.EXE"), "/opt/savers/stars.scr");
  EXPECT_EQ(Profile("WIN.INI", "windows", "ScreenSaveActive"), "1");
  EXPECT_EQ(Profile("WIN.INI", "windows", "ScreenSaveTimeOut"), "60");

  ui.answers = {kAnswerYes};
  EXPECT_EQ(RunAction("setsaver %1\\saver.scr 45\n"), 1);
  EXPECT_EQ(Profile("SYSTEM.INI", "boot", "SCRNSAVE.EXE"), (InstallDir() / "saver.scr").string());
  EXPECT_EQ(Profile("WIN.INI", "windows", "ScreenSaveTimeOut"), "1800");
}

TEST_F(ShellCommands, SetSaverAnsweredNoChangesNothingAndGoesOn) {
  ui.answers = {kAnswerNo, kAnswerClosed};
  EXPECT_EQ(RunAction("setsaver a.scr 5\nsetsaver b.scr 5\n"), 1);
  EXPECT_EQ(ui.questions.size(), 2u);
  EXPECT_FALSE(fs::exists(WindowsDir() / "SYSTEM.INI"));
  EXPECT_FALSE(fs::exists(WindowsDir() / "WIN.INI"));
}

TEST_F(ShellCommands, OptionLettersAskOnlyForTheirBoxesAndCancelStops) {
  ui.answers = {kAnswerYes, kAnswerNo};
  EXPECT_EQ(RunAction("dooptions Kestrel wM\n"), 1);
  ASSERT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ui.questions[0], "Options for Kestrel\n\nDisplay the What's New document (recommended)?");
  EXPECT_EQ(ui.questions[1], "Options for Kestrel\n\nAdd this application to your Windows Start menu? (suggested)");
  EXPECT_TRUE(context.options.whatsNew);
  EXPECT_FALSE(context.options.startMenu || context.options.desktop || context.options.screenSaver);

  // Cancel: the pass ends with 0, the options stay as they were, nothing after runs.
  ui.questions.clear();
  ui.answers = {kAnswerNo, kAnswerClosed, kAnswerYes};
  EXPECT_EQ(RunAction("dooptions Kestrel wmds\nsetsaver x.scr 1\n"), 0);
  EXPECT_EQ(ui.questions.size(), 2u);
  EXPECT_TRUE(context.options.whatsNew);
  EXPECT_FALSE(fs::exists(WindowsDir() / "SYSTEM.INI"));
}

TEST_F(ShellCommands, ProcessOptionsWithoutTargetMakesNoShortcuts) {
  context.options = {false, true, true, true};
  EXPECT_EQ(RunAction("processoptions \"\" Viewer %1\\stars.scr\n"), 1);
  EXPECT_TRUE(EntriesUnder(root).empty());
  // The screen saver needs no target and is set without a question, for 30 minutes.
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(Profile("SYSTEM.INI", "boot", "SCRNSAVE.EXE"), (InstallDir() / "stars.scr").string());
  EXPECT_EQ(Profile("WIN.INI", "windows", "ScreenSaveTimeOut"), "1800");

  EXPECT_EQ(RunAction("processoptions %1\\viewer Viewer\n"), 1);
  EXPECT_TRUE(fs::exists(DataHome() / "applications" / "kestrel-viewer.desktop"));
  EXPECT_TRUE(fs::exists(Desktop() / "viewer.desktop"));
  EXPECT_NE(ReadFile(Desktop() / "viewer.desktop").find("Exec=" + (InstallDir() / "viewer").string() + "\n"),
            std::string::npos);
}

TEST_F(ShellCommands, OptionsNotChosenDoNothing) {
  EXPECT_EQ(RunAction("processoptions %1\\viewer Viewer %1\\stars.scr\n"), 1);
  EXPECT_TRUE(EntriesUnder(root).empty());
  EXPECT_FALSE(fs::exists(WindowsDir() / "SYSTEM.INI"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ShellCommands, WhatsNewOpensTheDocumentAndWaits) {
  InstallProgram("xdg-open", "sleep 0.3\nprintf '%s\\n' \"$@\" > \"" + (root / "opened").string() + "\"");
  std::ofstream(InstallDir() / "WHATSNEW.DOC") << "news";
  context.options.whatsNew = true;
  EXPECT_EQ(RunAction("processoptions\n"), 1);
  // Read at once: the command waits for the program to end.
  EXPECT_EQ(ReadFile(root / "opened"), (InstallDir() / "WHATSNEW.DOC").string() + "\n");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ShellCommands, WhatsNewMissingOrWithoutOpener) {
  HideDocumentOpener();
  context.options.whatsNew = true;
  EXPECT_EQ(RunAction("processoptions\n"), 1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], installer::kWhatsNewFailedMessage);
  // The document is there but nothing can open it: it is named instead.
  std::ofstream(InstallDir() / "WHATSNEW.DOC") << "news";
  EXPECT_EQ(RunAction("processoptions\n"), 1);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1], "No program to open documents was found. Please open " +
                                (InstallDir() / "WHATSNEW.DOC").string() + " yourself.");
}

TEST_F(ShellCommands, RunAppAsksRunsAndWaits) {
  InstallProgram("slow-touch", "sleep 0.3\ntouch \"$1\"");
  ui.answers = {kAnswerNo, kAnswerYes};
  std::string flag = (root / "ran").string();
  EXPECT_EQ(RunAction("runapp \"slow-touch " + flag + "\" \"Run it?\"\nrunapp \"slow-touch " + flag + "\" \"Run it?\"\n"), 1);
  EXPECT_EQ(ui.questions, (std::vector<std::string>{"Run it?", "Run it?"}));
  EXPECT_TRUE(fs::exists(flag));  // at once: the second command waited
  EXPECT_TRUE(ui.messages.empty());

  ui.answers = {kAnswerYes};
  EXPECT_EQ(RunAction("runapp /nowhere/at/all/setup.exe \"Run it?\"\n"), 1);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{installer::kRunFailedMessage}));
}

TEST_F(ShellCommands, RunInstallerSkipsWhenTheApplicationIsPresent) {
  fs::create_directories(root / "updater");
  std::ofstream(root / "updater" / "UPDATE.EXE") << "present";
  ASSERT_TRUE(platform::WriteProfileEntry("Updater", "ApplicationPath", (root / "updater").string(), "UPDATER.INI"));
  InstallProgram("start-updater", "touch \"" + (root / "started").string() + "\"");
  ui.answers = {kAnswerYes};
  EXPECT_EQ(RunAction("runinstaller start-updater \"Get the updater?\" UPDATER.INI,UPDATE.EXE,Updater\n"), 1);
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_FALSE(AppearsSoon(root / "started", 500));

  // Without the program file the installer is offered, and started without waiting.
  fs::remove(root / "updater" / "UPDATE.EXE");
  EXPECT_EQ(RunAction("runinstaller start-updater \"Get the updater?\" UPDATER.INI,UPDATE.EXE,Updater\n"), 1);
  EXPECT_EQ(ui.questions, (std::vector<std::string>{"Get the updater?"}));
  EXPECT_TRUE(AppearsSoon(root / "started"));

  // An INI file without the key offers it as well; a start that fails says so.
  ui.questions.clear();
  ui.answers = {kAnswerYes};
  EXPECT_EQ(RunAction("runinstaller /nowhere/setup.exe Get? NOSUCH.INI,UPDATE.EXE,Updater\n"), 1);
  EXPECT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{installer::kInstallerFailedMessage}));
}

TEST_F(ShellCommands, ShortcutsOnlyWhenAnsweredYes) {
  ui.answers = {kAnswerNo, kAnswerNo};
  EXPECT_EQ(RunAction("addtostartmenu Menu? %1\\viewer Viewer\naddshortcut Desk? %1\\viewer Viewer\n"), 1);
  EXPECT_TRUE(EntriesUnder(root).empty());
  ui.answers = {kAnswerYes};
  EXPECT_EQ(RunAction("addshortcut Desk? \"\" Nothing\n"), 1);  // no program: no entry
  EXPECT_TRUE(EntriesUnder(root).empty());
  ui.questions.clear();
  ui.answers = {kAnswerYes, kAnswerYes};
  EXPECT_EQ(RunAction("addtostartmenu Menu? %1\\viewer Viewer\naddshortcut Desk? %1\\viewer Viewer\n"), 1);
  EXPECT_EQ(ui.questions, (std::vector<std::string>{"Menu?", "Desk?"}));
  std::string entry = ReadFile(DataHome() / "applications" / "kestrel-viewer.desktop");
  EXPECT_NE(entry.find("Path=" + InstallDir().string() + "/\n"), std::string::npos) << entry;
  EXPECT_EQ(ReadFile(Desktop() / "viewer.desktop"), entry);
}

TEST_F(ShellCommands, GroupScriptTwiceLeavesOneEmptyGroupAndNeverStops) {
  std::string script =
      "groupcreate \"Kestrel Tools\"\n"
      "groupadd %1\\viewer Viewer\n"
      "groupcreate \"Kestrel Tools\"\n"
      "groupadd \"\" Nothing\n";
  EXPECT_EQ(RunAction(script), 1);
  EXPECT_EQ(EntriesUnder(DataHome() / "applications").size(), 0u);
  EXPECT_EQ(EntriesUnder(DataHome() / "desktop-directories").size(), 1u);
  // The end of the pass closes the group: items after it go nowhere.
  EXPECT_EQ(RunAction("groupadd %1\\viewer Viewer\n"), 1);
  EXPECT_EQ(EntriesUnder(DataHome() / "applications").size(), 0u);
}

TEST_F(ShellCommands, ShowFileOpensOrNamesTheDocument) {
  // Written under another name and renamed, so the file appears whole.
  std::string opened = (root / "opened").string();
  InstallProgram("xdg-open", "printf '%s\\n' \"$@\" > \"" + opened + ".part\" && mv \"" + opened + ".part\" \"" + opened + "\"");
  std::ofstream(InstallDir() / "readme.txt") << "read me";
  EXPECT_EQ(RunClosing("showfile readme.txt\n"), 1);
  EXPECT_TRUE(AppearsSoon(root / "opened"));
  EXPECT_EQ(ReadFile(root / "opened"), (InstallDir() / "readme.txt").string() + "\n");
  EXPECT_TRUE(ui.messages.empty());

  HideDocumentOpener();
  EXPECT_EQ(RunClosing("showfile readme.txt\nshowfile missing.txt\n"), 1);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"No program to open documents was found. Please open " +
                                                   (InstallDir() / "readme.txt").string() + " yourself."}));
}

}  // namespace
