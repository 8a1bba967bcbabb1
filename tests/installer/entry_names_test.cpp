// The name rule must refuse every way out of the destination without refusing the
// ordinary names that merely look alike.
#include "installer/zip/entry_names.h"

#include <gtest/gtest.h>

namespace {

TEST(EntryNames, LookAlikesOfUnsafeNamesAreAccepted) {
  for (const char* name : {"fwplgrip.dll", "sub/file.txt", "sub\\file.txt", "a.b.c", "..hidden",
                           "name..", "dots../x", "CONSOLE.TXT", "com10", "lpt", "nul-file.txt",
                           "auxiliary/aux1.txt", "a b/c d.txt"})
    EXPECT_TRUE(installer::IsSafeEntryName(name)) << name;
}

TEST(EntryNames, EveryFormOfEscapeIsRefused) {
  for (const char* name : {"..", "../x", "a/../../x", "a\\..\\..\\x", "a/..", "./x", "a/./b",
                           "/etc/passwd", "\\x", "//server/share", "C:x", "c:/x", "x:y",
                           "CON", "con", "Con.txt", "sub/PRN", "aux.tar.gz", "NUL ", "COM1",
                           "lpt9.log", "COM\xb9", "CONIN$", "clock$", "... /x", ". /x"})
    EXPECT_FALSE(installer::IsSafeEntryName(name)) << name;
  EXPECT_FALSE(installer::IsSafeEntryName(std::string("a\0/../../x", 10)));
  EXPECT_FALSE(installer::IsSafeEntryName("tab\tname"));
}

TEST(EntryNames, OnlyUnixLinkEntriesAreLinks) {
  const uint32_t link = 0120777u << 16, file = 0100644u << 16;
  EXPECT_TRUE(installer::IsSymbolicLinkEntry(3, link));
  EXPECT_TRUE(installer::IsSymbolicLinkEntry(19, link));
  EXPECT_FALSE(installer::IsSymbolicLinkEntry(3, file));
  EXPECT_FALSE(installer::IsSymbolicLinkEntry(0, link));  // MS-DOS attributes mean no such thing
}

}  // namespace
