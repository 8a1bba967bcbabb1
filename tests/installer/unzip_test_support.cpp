#include "tests/installer/unzip_test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace unzip_test {

std::string Archive(const std::string& name) {
  return std::string(KESTREL_UNZIP_ARCHIVES) + "/" + name + ".zip";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SourceBytes(const std::string& archive, const std::string& entry) {
  return ReadFile(fs::path(KESTREL_UNZIP_ARCHIVES) / "sources" / archive / entry);
}

void SandboxTest::SetUp() {
  std::random_device random;
  const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  sandbox = fs::temp_directory_path() / ("kestrel-unzip-" + std::string(test) + "-" + std::to_string(random()));
  destination = sandbox / "dest";
  fs::create_directories(destination);
}

void SandboxTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(sandbox, ignored);
}

std::vector<std::string> SandboxTest::Names(const fs::path& directory) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace unzip_test
