// A private home for the shell command tests: every XDG directory, HOME and the
// emulated Windows directory point into a fresh temporary folder, so no test ever
// writes into the real home directory. These variables and PATH are restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace shell_test {

namespace fs = std::filesystem;

class ShellSandbox : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  fs::path root;
  fs::path DataHome() const { return root / "data"; }
  fs::path ConfigHome() const { return root / "config"; }
  fs::path Desktop() const { return root / "Desktop"; }
  fs::path WindowsDir() const { return root / "windows"; }
  fs::path Bin() const { return root / "bin"; }

  // Puts a shell script of that name in front of the PATH.
  void InstallProgram(const std::string& name, const std::string& body);
  // Leaves only the shell on the PATH, so no document opener is found.
  void HideDocumentOpener();

 private:
  std::map<std::string, std::string> saved_;
  std::vector<std::string> unset_;
};

std::string ReadFile(const fs::path& path);

// The .desktop (and .directory) files under a directory, sorted.
std::vector<fs::path> EntriesUnder(const fs::path& directory);

// Runs desktop-file-validate on the file: an empty text when it passes, else its report.
// `available` is false when the validator is not installed.
std::string Validate(const fs::path& file, bool* available);

}  // namespace shell_test
