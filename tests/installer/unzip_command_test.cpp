// The `unzip` command: resource to temporary file, extraction, clean-up, messages.
#include "installer/zip/unzip_command.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/directories.h"
#include "tests/installer/unzip_test_support.h"

namespace {

using namespace unzip_test;
using Lines = std::vector<std::string>;

class RecordedUi : public installer::UnzipCommandUi {
 public:
  void Show(const std::string& text) override { status.push_back(text); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  Lines status, messages;
};

class UnzipCommand : public SandboxTest {
 protected:
  // A temporary directory of the test's own: tests running side by side then never see
  // each other's temporary archives.
  void SetUp() override {
    SandboxTest::SetUp();
    fs::create_directories(sandbox / "temporary");
    SetTemporaryDirectory((sandbox / "temporary").string());
  }
  void TearDown() override {
    SetTemporaryDirectory(savedTemporary_);
    SandboxTest::TearDown();
  }
  void SetTemporaryDirectory(const std::string& directory) {
#ifdef _WIN32
    if (savedTemporary_.empty() && std::getenv("TMP")) savedTemporary_ = std::getenv("TMP");
    _putenv(("TMP=" + directory).c_str());
#else
    if (savedTemporary_.empty() && std::getenv("TMPDIR")) savedTemporary_ = std::getenv("TMPDIR");
    if (directory.empty()) unsetenv("TMPDIR");
    else setenv("TMPDIR", directory.c_str(), 1);
#endif
  }
  std::string savedTemporary_;

  // Temporary archive files of ours left in the temporary directory.
  Lines LeftOver() const {
    Lines found;
    for (const std::string& name : Names(platform::TemporaryDirectory()))
      if (name.compare(0, 4, "VARN") == 0 || name == "TEMP$$$.$$$") found.push_back(name);
    return found;
  }
  RecordedUi ui;
};

TEST_F(UnzipCommand, UnpacksTheProductArchiveAndDeletesItsTemporaryFile) {
  const Lines before = LeftOver();
  EXPECT_EQ(installer::RunUnzipCommand("ZIPFILE", destination.string(), ui), 1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.status.size(), 14u);
  EXPECT_EQ(ui.status.back(), "Inflating: license.htm ");
  EXPECT_EQ(Names(destination).size(), 14u);
  for (const std::string& name : Names(destination))
    EXPECT_EQ(ReadFile(destination / name), SourceBytes("product", name)) << name;
  EXPECT_EQ(LeftOver(), before);
}

TEST_F(UnzipCommand, EachFailureShowsItsMessage) {
  EXPECT_EQ(installer::RunUnzipCommand("NOSUCHZIP", destination.string(), ui), 0);
  EXPECT_EQ(ui.messages, Lines{installer::kUnzipMessageDamaged});

  // Entries with a wrong CRC: everything is written, then the command fails.
  ui.messages.clear();
  const Lines before = LeftOver();
  EXPECT_EQ(installer::RunUnzipCommand("BADCRCZIP", destination.string(), ui), 0);
  EXPECT_EQ(ui.messages, Lines{installer::kUnzipMessageFailed});
  EXPECT_EQ(Names(destination), (Lines{"one.txt", "three.txt", "two.txt"}));
  EXPECT_EQ(LeftOver(), before);
}

TEST_F(UnzipCommand, ATemporaryDirectoryThatCannotBeUsed) {
  const std::string missing = (sandbox / "no-such-dir").string();
#ifdef _WIN32
  // No unique name can be had there, so the fixed name in the root of the Windows
  // drive takes its place, and is deleted afterwards.
  const std::string saved = std::getenv("TMP") ? std::getenv("TMP") : "";
  _putenv(("TMP=" + missing).c_str());
  ASSERT_EQ(platform::TemporaryDirectory().compare(0, missing.size(), missing), 0);
  EXPECT_EQ(installer::RunUnzipCommand("ZIPFILE", destination.string(), ui), 1);
  _putenv(("TMP=" + saved).c_str());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(fs::exists(platform::WindowsDirectory().substr(0, 2) + "\\TEMP$$$.$$$"));
#else
  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  setenv("TMPDIR", missing.c_str(), 1);
  EXPECT_EQ(installer::RunUnzipCommand("ZIPFILE", destination.string(), ui), 0);
  if (saved) setenv("TMPDIR", savedValue.c_str(), 1); else unsetenv("TMPDIR");
  EXPECT_EQ(ui.messages, Lines{installer::kUnzipMessageNoTempSpace});
  EXPECT_TRUE(Names(destination).empty());
#endif
}

}  // namespace
