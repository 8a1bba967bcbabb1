#include "host/selection_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/host_interface.h"
#include "platform/directories.h"

namespace {

// The strings of a buffer up to its final empty string.
std::vector<std::string> Strings(const std::vector<char>& buffer) {
  std::vector<std::string> strings;
  size_t at = 0;
  while (buffer.at(at) != '\0') {
    strings.emplace_back(buffer.data() + at);
    at += strings.back().size() + 1;
  }
  return strings;
}

std::string In(const std::string& directory, const std::string& name) { return platform::JoinPath(directory, name); }

TEST(SelectionBufferTest, OneFileIsItsFullPathAlone) {
  std::vector<char> buffer(kOpenFilesBufferSize, 'x');
  std::string error;
  std::string path = In("pictures", "a.bmp");
  ASSERT_TRUE(WriteSelectionBuffer({path}, buffer.data(), buffer.size(), &error)) << error;
  EXPECT_EQ(Strings(buffer), std::vector<std::string>{path});
  EXPECT_EQ(buffer[path.size() + 1], '\0');  // the empty string that ends the selection
  EXPECT_EQ(ReadSelectionBuffer(buffer.data(), buffer.size()), std::vector<std::string>{path});
}

TEST(SelectionBufferTest, SeveralFilesAreTheDirectoryThenTheNamesInOrder) {
  std::vector<char> buffer(kOpenFilesBufferSize, 'x');
  std::string error;
  std::vector<std::string> paths = {In("pictures", "c.png"), In("pictures", "a.jpg"), In("pictures", "b.gif")};
  ASSERT_TRUE(WriteSelectionBuffer(paths, buffer.data(), buffer.size(), &error)) << error;
  EXPECT_EQ(Strings(buffer), (std::vector<std::string>{"pictures", "c.png", "a.jpg", "b.gif"}));
  EXPECT_EQ(ReadSelectionBuffer(buffer.data(), buffer.size()), paths);
}

TEST(SelectionBufferTest, RefusesWhatAFileDialogCouldNotReturn) {
  std::vector<char> buffer(64);
  std::string error;
  EXPECT_FALSE(WriteSelectionBuffer({}, buffer.data(), buffer.size(), &error));
  EXPECT_FALSE(WriteSelectionBuffer({In("one", "a.bmp"), In("two", "b.bmp")}, buffer.data(), buffer.size(), &error));
  EXPECT_NE(error.find("one directory"), std::string::npos);
  // 60 bytes of name and its terminator fit a 64-byte buffer only without the directory.
  std::string name(60, 'n');
  EXPECT_TRUE(WriteSelectionBuffer({name}, buffer.data(), 62, &error));
  EXPECT_FALSE(WriteSelectionBuffer({name}, buffer.data(), 61, &error));
}

TEST(SelectionBufferTest, ReadingStopsAtTheBufferEnd) {
  const char unterminated[] = {'d', '\0', 'a', '\0', 'b', 'c'};
  std::vector<std::string> paths = ReadSelectionBuffer(unterminated, sizeof unterminated);
  EXPECT_EQ(paths, (std::vector<std::string>{In("d", "a"), In("d", "bc")}));
}

}  // namespace
