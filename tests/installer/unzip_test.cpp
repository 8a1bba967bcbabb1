// The extractor on archives made by Info-ZIP zip and Python's zipfile (see
// make_test_archives.py): every entry byte-exact, the status texts, the result codes.
#include "installer/zip/unzip.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <fstream>

#include "platform/memory.h"
#include "tests/installer/unzip_test_support.h"

namespace {

using namespace unzip_test;
using installer::ExtractArchive;
using Lines = std::vector<std::string>;

class Unzip : public SandboxTest {
 protected:
  int Extract(const std::string& archive) {
    status.lines.clear();
    return ExtractArchive(Archive(archive), destination.string(), status);
  }
  void ExpectExtracted(const std::string& archive, const Lines& entries) {
    for (const std::string& entry : entries)
      EXPECT_EQ(ReadFile(destination / entry), SourceBytes(archive, entry)) << archive << ": " << entry;
  }
  RecordedStatus status;
};

TEST_F(Unzip, StoredAndDeflatedEntriesComeOutExactWithTheirTexts) {
  EXPECT_EQ(Extract("stored"), installer::kUnzipOk);
  EXPECT_EQ(status.lines, (Lines{"Extracting alpha.txt", "Extracting beta.bin", "Extracting empty.txt"}));
  ExpectExtracted("stored", {"alpha.txt", "beta.bin", "empty.txt"});

  EXPECT_EQ(Extract("deflated"), installer::kUnzipOk);
  EXPECT_EQ(status.lines, (Lines{"Inflating: readme.txt ", "Inflating: scene.bin "}));
  ExpectExtracted("deflated", {"readme.txt", "scene.bin"});

  // Flag bit 3: the local header holds no CRC or sizes; the central directory's count.
  EXPECT_EQ(Extract("descriptor"), installer::kUnzipOk);
  ExpectExtracted("descriptor", {"later.txt"});
}

TEST_F(Unzip, EndRecordIsFoundBehindTheLongestCommentAndAcrossBlockEdges) {
  EXPECT_EQ(Extract("comment_max"), installer::kUnzipOk);
  ExpectExtracted("comment_max", {"first.txt", "second.txt"});
  for (const char* archive : {"edge_1_0", "edge_2_0", "edge_3_0", "edge_2_40"}) {
    EXPECT_EQ(Extract(archive), installer::kUnzipOk) << archive;
    ExpectExtracted(archive, {"pad.bin", "edge.txt"});
  }
  // A signature inside the comment's last bytes is passed over for the real record.
  EXPECT_EQ(Extract("late_signature"), installer::kUnzipOk);
  ExpectExtracted("late_signature", {"real.txt"});
}

TEST_F(Unzip, TruncatedArchivesHaveNoEndRecord) {
  // edge_cut: the only signature runs across a block edge into the last 21 bytes.
  for (const char* archive : {"edge_cut", "truncated_end", "truncated_half"}) {
    EXPECT_EQ(Extract(archive), installer::kUnzipError) << archive;
    EXPECT_EQ(status.lines, Lines{"Bad ZIP file"}) << archive;
  }
  EXPECT_TRUE(Names(destination).empty());
  // Entry data cut out of the middle: the directory no longer matches the entries.
  EXPECT_NE(Extract("truncated_data"), installer::kUnzipOk);
}

TEST_F(Unzip, PrefixBytesAndDirectoryCorrectionsStillExtract) {
  EXPECT_EQ(Extract("prefixed"), installer::kUnzipWarning);
  ExpectExtracted("deflated", {"readme.txt", "scene.bin"});
  for (const char* archive : {"zero_offset", "directory_moved", "directory_short"}) {
    fs::remove_all(destination);
    fs::create_directory(destination);
    EXPECT_EQ(Extract(archive), installer::kUnzipError) << archive;
    EXPECT_EQ(status.lines, (Lines{"Inflating: readme.txt ", "Inflating: scene.bin "})) << archive;
    ExpectExtracted("deflated", {"readme.txt", "scene.bin"});
  }
  fs::remove_all(destination);
  fs::create_directory(destination);
  EXPECT_EQ(Extract("directory_lost"), installer::kUnzipDamaged);
  EXPECT_EQ(status.lines, Lines{"The ZIP file is damaged"});
  EXPECT_TRUE(Names(destination).empty());
}

TEST_F(Unzip, WrongCrcIsWrittenWholeAndFailsAfterTheOtherEntries) {
  EXPECT_EQ(Extract("bad_crc"), installer::kUnzipWarning);
  EXPECT_EQ(status.lines, (Lines{"Inflating: one.txt ", "Inflating: two.txt ", "Inflating: three.txt "}));
  ExpectExtracted("bad_crc", {"one.txt", "two.txt", "three.txt"});
}

TEST_F(Unzip, UnknownMethodLeavesAnEmptyFileAndFails) {
  EXPECT_EQ(Extract("method12"), installer::kUnzipWarning);
  EXPECT_EQ(status.lines, Lines{"Unknown compression method: packed.txt"});
  ASSERT_TRUE(fs::exists(destination / "packed.txt"));
  EXPECT_EQ(fs::file_size(destination / "packed.txt"), 0u);
}

TEST_F(Unzip, ExistingFilesAreReplacedAndATrailingSeparatorIsNotDoubled) {
  std::ofstream(destination / "alpha.txt", std::ios::binary) << std::string(20000, 'x');
  const std::string withSeparator = destination.string() + kSeparator;
  EXPECT_EQ(ExtractArchive(Archive("stored"), withSeparator, status), installer::kUnzipOk);
  ExpectExtracted("stored", {"alpha.txt", "beta.bin", "empty.txt"});

  MemoryOutput output;
  EXPECT_EQ(ExtractArchive(Archive("stored"), withSeparator, status, output), installer::kUnzipOk);
  EXPECT_EQ(output.files.count(withSeparator + "alpha.txt"), 1u);
  EXPECT_EQ(output.files.size(), 3u);
}

TEST_F(Unzip, MultiDiskArchivesAreRefusedButADiskTwoOfTwoIsRead) {
  EXPECT_EQ(Extract("multidisk"), installer::kUnzipMultiDisk);  // made by zip -s
  EXPECT_EQ(status.lines, Lines{"Multi-disk archives are not supported"});
  EXPECT_TRUE(Names(destination).empty());
  EXPECT_EQ(Extract("second_of_two"), installer::kUnzipWarning);
  ExpectExtracted("second_of_two", {"whole.txt"});
}

TEST_F(Unzip, EveryTraversalFormIsRefusedAndTheOthersGoOn) {
  Lines expected{"Extracting good1.txt"};
  std::ifstream names(std::string(KESTREL_UNZIP_ARCHIVES) + "/traversal_names.txt", std::ios::binary);
  for (std::string name; std::getline(names, name);) expected.push_back("Skipping unsafe entry " + name);
  expected.push_back("Inflating: good2.txt ");
  ASSERT_GT(expected.size(), 15u);

  EXPECT_EQ(Extract("traversal"), installer::kUnzipWarning);
  EXPECT_EQ(status.lines, expected);
  EXPECT_EQ(Names(destination), (Lines{"good1.txt", "good2.txt"}));
  EXPECT_EQ(Names(sandbox), Lines{"dest"});
  ExpectExtracted("traversal", {"good1.txt", "good2.txt"});
}

TEST_F(Unzip, SymbolicLinkEntriesAreRefused) {
  EXPECT_EQ(Extract("symlink"), installer::kUnzipWarning);  // made by zip -y
  EXPECT_EQ(status.lines, (Lines{"Skipping unsafe entry escape.lnk", "Extracting plain.txt"}));
  EXPECT_EQ(Names(destination), Lines{"plain.txt"});
}

#ifndef _WIN32
TEST_F(Unzip, NamesThroughExistingLinksAreRefused) {
  fs::create_directory(sandbox / "outside");
  std::ofstream(sandbox / "outside" / "target.txt") << "unchanged";
  fs::create_directory_symlink("../outside", destination / "linkdir");
  fs::create_symlink("../outside/target.txt", destination / "filelink");

  EXPECT_EQ(Extract("through_link"), installer::kUnzipWarning);
  EXPECT_EQ(status.lines, (Lines{"Skipping unsafe entry linkdir/evil.txt", "Skipping unsafe entry filelink",
                                 "Extracting fine.txt"}));
  EXPECT_EQ(Names(sandbox / "outside"), Lines{"target.txt"});
  EXPECT_EQ(ReadFile(sandbox / "outside" / "target.txt"), "unchanged");
  EXPECT_TRUE(fs::is_symlink(destination / "filelink"));
}
#endif

TEST_F(Unzip, HostTwoEntriesAreSkippedWithoutReadingAnAnswer) {
  // An answer waits on standard input; the extractor must neither read it nor act on it.
  const fs::path answer = sandbox / "answer.txt";
  std::ofstream(answer) << "y\n";
  ASSERT_TRUE(std::freopen(answer.string().c_str(), "r", stdin));
  EXPECT_EQ(Extract("skipped_host"), installer::kUnzipWarning);
  EXPECT_EQ(status.lines, Lines{"Extracting kept.txt"});
  EXPECT_EQ(Names(destination), Lines{"kept.txt"});
  EXPECT_EQ(std::getc(stdin), 'y');
}

TEST_F(Unzip, LongNamesAreCutWithAWarning) {
  MemoryOutput output;
  EXPECT_EQ(ExtractArchive(Archive("long_name"), "dest", status, output), installer::kUnzipWarning);
  const std::string cut = std::string(200, 'd') + "/" + std::string(58, 'n');
  ASSERT_EQ(output.files.size(), 1u);
  EXPECT_EQ(output.files.begin()->first, std::string("dest") + kSeparator + cut);
  EXPECT_EQ(status.lines, Lines{"Extracting " + cut});
}

TEST_F(Unzip, AFullDiskStopsTheWholeExtraction) {
  MemoryOutput roomy(100000);
  EXPECT_EQ(ExtractArchive(Archive("deflated"), "d", status, roomy), installer::kUnzipWriteFailed);
  EXPECT_EQ(status.lines, (Lines{"Inflating: readme.txt ", "Inflating: scene.bin ",
                                 "Write error in scene.bin (disk full?)"}));
  status.lines.clear();
  MemoryOutput tight(1000);
  EXPECT_EQ(ExtractArchive(Archive("stored"), "d", status, tight), installer::kUnzipWriteFailed);
  EXPECT_EQ(status.lines, (Lines{"Extracting alpha.txt", "Write error in alpha.txt (disk full?)"}));
  EXPECT_EQ(tight.files.size(), 1u);  // the entries after it are not even created
}

TEST_F(Unzip, IrregularDirectoriesAndLocalHeaders) {
  EXPECT_EQ(Extract("empty"), installer::kUnzipWarning);
  EXPECT_TRUE(status.lines.empty());
  // The directory holds one header more than the end record counts.
  EXPECT_EQ(Extract("extra_entry"), installer::kUnzipWarning);
  EXPECT_EQ(Names(destination), Lines{"counted.txt"});
  // A local header offset beyond the file; the next entry still comes out.
  EXPECT_EQ(Extract("local_missing"), installer::kUnzipDamaged);
  EXPECT_EQ(status.lines, Lines{"Extracting found.txt"});
  // A local header cut short by the end of the file.
  EXPECT_EQ(Extract("local_cut"), installer::kUnzipEndsEarly);
}

TEST_F(Unzip, ArchiveIsFoundWithOrWithoutItsSuffix) {
  const std::string missing = (sandbox / "nothing").string();
  EXPECT_EQ(ExtractArchive(missing, destination.string(), status), installer::kUnzipNoArchive);
  EXPECT_EQ(status.lines, Lines{"Can't find ZIP file " + missing});

  // A directory of the archive's name does not hide the archive beside it.
  fs::create_directory(sandbox / "pack");
  fs::copy_file(Archive("stored"), sandbox / "pack.zip");
  EXPECT_EQ(ExtractArchive((sandbox / "pack").string(), destination.string(), status), installer::kUnzipOk);
  ExpectExtracted("stored", {"alpha.txt", "beta.bin", "empty.txt"});
}

TEST_F(Unzip, MemoryFailures) {
  platform::FailAllocationsAfter(0);
  EXPECT_EQ(Extract("deflated"), installer::kUnzipNoMemory);
  EXPECT_TRUE(status.lines.empty());
  platform::FailAllocationsAfter(1);  // the buffers, but not the inflate tables
  EXPECT_EQ(Extract("deflated"), installer::kUnzipWarning);
  platform::FailAllocationsAfter(-1);
  EXPECT_EQ(status.lines, (Lines{"Inflating: readme.txt ", "Memory error", "Inflating: scene.bin ", "Memory error"}));
}

TEST_F(Unzip, FileTimesComeFromTheDosDateAndTimeAsLocalTime) {
  EXPECT_EQ(Extract("bad_crc"), installer::kUnzipWarning);  // entries dated 2003-01-15 13:45:30
  std::tm local = {};
  local.tm_year = 103;
  local.tm_mon = 0;
  local.tm_mday = 15;
  local.tm_hour = 13;
  local.tm_min = 45;
  local.tm_sec = 30;
  local.tm_isdst = -1;
  struct stat info;
  ASSERT_EQ(stat((destination / "one.txt").string().c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, std::mktime(&local));
}

}  // namespace
