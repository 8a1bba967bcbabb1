// The main flow over the installer's own script and archive, in a sandbox.
#include "installer/session/install_session.h"

#include <gtest/gtest.h>

#include <fstream>

#include "installer/script/recording_front_end.h"
#include "tests/installer/unzip_test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(PathField, WindowsDriveLetterGoesInFrontUnlessThePathIsAnExistingOne) {
  installer::InstallerSettings settings;
  EXPECT_EQ(installer::PathFieldText(settings, "D:\\WINDOWS"), "D:");
  settings.defaultPath = "\\Program Files\\Kestrel";
  EXPECT_EQ(installer::PathFieldText(settings, "D:\\WINDOWS"), "D:\\Program Files\\Kestrel");
  EXPECT_EQ(installer::PathFieldText(settings, "/home/u/.config/kestrel"), "\\Program Files\\Kestrel");
  settings.existingPath = true;
  settings.defaultPath = "E:\\Framewright";
  EXPECT_EQ(installer::PathFieldText(settings, "D:\\WINDOWS"), "E:\\Framewright");
}

TEST(StartUp, NoIntroSwitchAndCaption) {
  EXPECT_TRUE(installer::HasNoIntroSwitch("plugin.exe /CD"));
  EXPECT_TRUE(installer::HasNoIntroSwitch("x/CDy"));
  EXPECT_FALSE(installer::HasNoIntroSwitch("plugin.exe /cd"));
  EXPECT_EQ(installer::MainWindowCaption(installer::kMainCaption, "Untitled"),
            "Varnel Quillon Application Setup - Untitled");
}

#ifdef _WIN32
void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The Windows installer carries the script that installs into the host's directory.
class Session : public unzip_test::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    windows = sandbox / "windows";
    host = sandbox / "Framewright Professional";
    fs::create_directories(windows);
    fs::create_directories(host / "html");
    WriteFile(host / "FWHOST.EXE", "host");
    context.ui = &ui;
    context.substitutions.values[1] = windows.string();
    context.substitutions.values[2] = (windows / "system").string();
    ASSERT_TRUE(installer::LoadInstallScript(&script));
  }
  void Host(int version, int patch) {
    WriteFile(windows / "fwhost.ini", "[Framewright]\r\nApplicationPath=" + host.string() +
                                          "\\\r\nVersionNumber=" + std::to_string(version) +
                                          "\r\nPatchLevel=" + std::to_string(patch) + "\r\n");
  }

  fs::path windows, host;
  installer::ScriptText script;
  installer::RecordingFrontEnd ui;
  installer::InstallContext context;
};

TEST_F(Session, InstallsIntoTheExistingHostAndSortsTheFiles) {
  Host(64, 28);
  installer::InstallSession session(script, context);
  EXPECT_EQ(session.Start(), 1);
  EXPECT_TRUE(context.settings.existingPath);
  EXPECT_EQ(context.settings.defaultPath, host.string());  // its trailing backslash removed
  EXPECT_NE(session.IntroText(false), "");
  EXPECT_EQ(session.IntroText(true), "");
  std::string field = installer::PathFieldText(context.settings, context.WindowsDirectory());
  session.Install(field);
  EXPECT_EQ(session.Finish(), installer::kExitInstalled);
  EXPECT_TRUE(session.installed());
  // Every one of the archive's 14 files is sorted into html or plugin; none stays behind.
  EXPECT_EQ(Names(host / "html"),
            (std::vector<std::string>{"fwplgks1-01.gif", "fwplgks1-02.gif", "fwplgks1-02.png",
                                      "fwplgks1-03.gif", "fwplgks1-04.gif", "fwplgks1-05.gif",
                                      "fwplgks1.html", "license.htm"}));
#ifdef _WIN32
  const std::string library = ".dll";
#else
  const std::string library = ".so";
#endif
  EXPECT_EQ(Names(host / "plugin"),
            (std::vector<std::string>{"fwplgcrl" + library, "fwplgks1.txt", "fwplglak" + library,
                                      "fwplglns" + library, "fwplgpyr" + library, "fwplgrip" + library}));
  EXPECT_EQ(Names(host), (std::vector<std::string>{"FWHOST.EXE", "html", "plugin"}));
  EXPECT_EQ(ui.licenses.size(), 1u);
  EXPECT_EQ(ui.messages, std::vector<std::string>{
                             "Kestrel #1 Plugin for Framewright Professional has been successfully installed."});
}

TEST_F(Session, OldPatchLevelStopsBeforeAnythingIsWritten) {
  Host(64, 27);
  installer::InstallSession session(script, context);
  session.Start();
  session.Install(host.string());
  EXPECT_EQ(session.Finish(), installer::kExitFailed);
  EXPECT_FALSE(session.installed());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind("You must have installed Framewright Professional patch 28", 0), 0u);
  EXPECT_EQ(Names(host), (std::vector<std::string>{"FWHOST.EXE", "html"}));
}

TEST_F(Session, NewPathIsMadeOneLevelAtATimeBeforeTheFirstCommand) {
  Host(64, 28);
  installer::InstallSession session(script, context);
  session.Start();
  fs::path fresh = sandbox / "new" / "deeper" / "place";
  session.Install(fresh.string());
  EXPECT_EQ(session.Finish(), installer::kExitFailed);  // no FWHOST.EXE there
  EXPECT_TRUE(fs::is_directory(fresh));
  EXPECT_TRUE(Names(fresh).empty());
}

TEST_F(Session, CancelRunsNothing) {
  Host(64, 28);
  installer::InstallSession session(script, context);
  session.Start();
  EXPECT_EQ(session.Finish(), installer::kExitCancelled);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.licenses.empty());
  EXPECT_EQ(Names(host), (std::vector<std::string>{"FWHOST.EXE", "html"}));
}

TEST_F(Session, WithoutAnExistingHostTheDefaultPathIsOnTheWindowsDrive) {
  installer::InstallSession session(script, context);
  session.Start();
  EXPECT_FALSE(context.settings.existingPath);
  EXPECT_EQ(installer::PathFieldText(context.settings, "C:\\WINDOWS"),
            "C:\\Program Files\\Varnel Quillon\\Framewright Professional");
}

#else
// The native installer carries the script written for Linux: the plug-ins and their help
// into the data directory, the installation recorded in the settings directory.
class LinuxSession : public unzip_test::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    settings = sandbox / "config";
    data = sandbox / "data" / "kestrel";
    // INI files named without a directory are in the settings directory.
    setenv("KESTREL_WINDOWS_DIR", settings.string().c_str(), 1);
    context.ui = &ui;
    context.substitutions.values[1] = settings.string();
    ASSERT_TRUE(installer::LoadInstallScript(&script));
  }
  void TearDown() override {
    unsetenv("KESTREL_WINDOWS_DIR");
    SandboxTest::TearDown();
  }

  fs::path settings, data;
  installer::ScriptText script;
  installer::RecordingFrontEnd ui;
  installer::InstallContext context;
};

TEST_F(LinuxSession, InstallsIntoTheDataDirectoryAndTheNextRunFindsIt) {
  installer::InstallSession session(script, context);
  EXPECT_EQ(session.Start(), 1);
  EXPECT_FALSE(context.settings.existingPath);
  EXPECT_EQ(context.settings.defaultPath, "");  // the installer proposes the data directory
  EXPECT_NE(session.IntroText(false).find("for fwhost"), std::string::npos);
  session.Install(data.string());
  EXPECT_EQ(session.Finish(), installer::kExitInstalled);
  EXPECT_EQ(Names(data), (std::vector<std::string>{"help", "plugins"}));
  EXPECT_EQ(Names(data / "help"),
            (std::vector<std::string>{"fwplgks1-01.gif", "fwplgks1-02.gif", "fwplgks1-02.png", "fwplgks1-03.gif",
                                      "fwplgks1-04.gif", "fwplgks1-05.gif", "fwplgks1.html", "license.htm"}));
  EXPECT_EQ(Names(data / "plugins"),
            (std::vector<std::string>{"fwplgcrl.so", "fwplgks1.txt", "fwplglak.so", "fwplglns.so", "fwplgpyr.so",
                                      "fwplgrip.so"}));
  EXPECT_EQ(ui.licenses.size(), 1u);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Kestrel #1 plug-in set has been successfully installed."});

  installer::InstallContext next;
  next.ui = &ui;
  next.substitutions.values[1] = settings.string();
  installer::InstallSession again(script, next);
  again.Start();
  EXPECT_TRUE(next.settings.existingPath);
  EXPECT_EQ(next.settings.defaultPath, data.string());
}

TEST_F(LinuxSession, ADeclinedLicenceStopsBeforeAnythingButThePathIsWritten) {
  ui.agreeToLicense = false;
  installer::InstallSession session(script, context);
  session.Start();
  fs::path fresh = sandbox / "new" / "deeper" / "place";
  session.Install(fresh.string());
  EXPECT_TRUE(context.quitRequested);
  EXPECT_FALSE(session.installed());
  // The directories the path needed, outermost first, for the front end to remove.
  EXPECT_EQ(session.madeDirectories(),
            (std::vector<std::string>{(sandbox / "new").string(), (sandbox / "new" / "deeper").string(),
                                      fresh.string()}));
  EXPECT_TRUE(Names(fresh).empty());
  EXPECT_FALSE(fs::exists(settings));
}
#endif

TEST(InstallPath, IsCutTo999Characters) {
  installer::RecordingFrontEnd ui;
  installer::InstallContext context;
  context.ui = &ui;
  const std::string text = "endscript\r\n";
  installer::ScriptText script{reinterpret_cast<const unsigned char*>(text.data()), text.size()};
  installer::InstallSession session(script, context);
  std::string relative(1200, 'p');  // no separator: no directory is made
  session.Install(relative + "\\ignored");
  EXPECT_EQ(session.Finish(), installer::kExitInstalled);
  EXPECT_EQ(context.InstallPath(), std::string(999, 'p'));
}

}  // namespace
