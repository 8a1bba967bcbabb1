#include "framework/help_about.h"

#include <gtest/gtest.h>

namespace {

TEST(HelpAbout, VersionLineAndHelpCommand) {
  AboutInfo about{"Page Curl Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3};
  EXPECT_EQ(FormatVersionLine(about), "Version 2.0a (patch 3)");
  EXPECT_EQ(AboutText(about).rfind("Version 2.0a (patch 3)\r\n", 0), 0u);
  std::string path;
  EXPECT_FALSE(HelpDocumentPath("", kHelpDocument, &path));
  EXPECT_FALSE(HelpDocumentPath("C:", kHelpDocument, &path));  // shorter than 3 characters
#ifdef _WIN32
  ASSERT_TRUE(HelpDocumentPath("C:\\FW", kHelpDocument, &path));
  EXPECT_EQ(path, "C:\\FW\\html\\FWPLGKS1.HTML");
  ASSERT_TRUE(HelpDocumentPath("C:\\FW\\", kHelpDocument, &path));
  EXPECT_EQ(path, "C:\\FW\\html\\FWPLGKS1.HTML");
#else
  ASSERT_TRUE(HelpDocumentPath("/opt/fw/", kHelpDocument, &path));
  EXPECT_EQ(path, "/opt/fw/html/FWPLGKS1.HTML");
#endif
  EXPECT_EQ(HelpCommandLine("viewer", "doc.html", "PAGECURL"), "viewer doc.html#PAGECURL");
  EXPECT_EQ(HelpCommandLine("viewer", "doc.html", ""), "viewer doc.html");
}

TEST(HelpAbout, LogoStateWord) {
  uint32_t state = MakeLogoState(kLogoTimerId, 0, 32, true);
  EXPECT_EQ(state, 99u | (24u << 16) | (1u << 24));  // depths above 8 are kept as 24
  EXPECT_EQ(LogoDepth(MakeLogoState(99, 0, 8, false)), 8);
  EXPECT_FALSE(LogoRunning(WithLogoRunning(state, false)));
  EXPECT_EQ(LogoTimerId(WithLogoRunning(state, false)), 99);
  for (int i = 0; i < 23; ++i) state = AdvanceLogoFrame(state);
  EXPECT_EQ(LogoFrame(state), 23);
  state = AdvanceLogoFrame(state);
  EXPECT_EQ(LogoFrame(state), 0);  // from 23 back to 0
  EXPECT_EQ(LogoDepth(state), 24);
  EXPECT_TRUE(LogoRunning(state));
}

}  // namespace
