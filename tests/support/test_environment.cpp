#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/directories.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

class PrivateWindowsDirectory : public ::testing::Environment {
 public:
  void SetUp() override {
#ifndef _WIN32
    std::string dir = platform::TemporaryDirectory() + "/kestrel-tests-" + std::to_string(getpid());
    setenv("KESTREL_WINDOWS_DIR", dir.c_str(), 1);
    directory_ = dir;
#endif
  }
  void TearDown() override {
    std::error_code ignored;
    if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
  }

 private:
  std::string directory_;
};

::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PrivateWindowsDirectory);

}  // namespace

std::string TestWindowsDirectory() { return platform::WindowsDirectory(); }
