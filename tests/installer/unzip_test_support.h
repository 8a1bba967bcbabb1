// Shared by the extractor tests: where the archives made at build time are, a sandbox
// directory per test, a status line that records, and an in-memory output.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "installer/zip/output_files.h"
#include "installer/zip/status_line.h"

namespace unzip_test {

namespace fs = std::filesystem;

// The archive OUTDIR/<name>.zip of make_test_archives.py.
std::string Archive(const std::string& name);
// The bytes an entry of that archive was made from.
std::string SourceBytes(const std::string& archive, const std::string& entry);
std::string ReadFile(const fs::path& path);

class RecordedStatus : public installer::StatusLine {
 public:
  void Show(const std::string& text) override { lines.push_back(text); }
  std::vector<std::string> lines;
};

// Files kept in memory, with an optional capacity after which writes come up short.
class MemoryOutput : public installer::OutputFiles {
 public:
  explicit MemoryOutput(size_t capacity = SIZE_MAX) : room_(capacity) {}
  bool MeetsLink(const std::string&, const std::string&) override { return false; }
  bool Create(const std::string& path) override {
    open_ = path;
    files[path].clear();
    return true;
  }
  size_t Write(const void* data, size_t bytes) override {
    size_t put = bytes < room_ ? bytes : room_;
    files[open_].append(static_cast<const char*>(data), put);
    room_ -= put;
    return put;
  }
  void SetTime(uint16_t, uint16_t) override {}
  bool Close() override { return true; }
  std::map<std::string, std::string> files;

 private:
  size_t room_;
  std::string open_;
};

// A fresh directory for each test, removed afterwards; `destination` lies inside it.
class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Names of the files and directories in `directory`, sorted.
  std::vector<std::string> Names(const fs::path& directory) const;
  fs::path sandbox;
  fs::path destination;
};

// The native separator, as the extractor puts it between directory and name.
constexpr char kSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

}  // namespace unzip_test
