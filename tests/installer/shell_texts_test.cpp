// The texts sent to Program Manager and the splitting of command lines: the same on
// both targets.
#include <gtest/gtest.h>

#include "installer/shell/program_manager_texts.h"
#include "platform/process.h"

namespace {

using installer::AddItemCommand;

// A system that knows short names for two paths only.
std::string FakeShortPath(const std::string& path) {
  if (path == "C:\\Program Files\\Kestrel\\view.exe") return "C:\\PROGRA~1\\KESTREL\\VIEW.EXE";
  if (path == "C:\\Program Files\\Kestrel\\view.ico") return "C:\\PROGRA~1\\KESTREL\\VIEW.ICO";
  return path;
}

TEST(ProgramManagerTexts, GroupIsDeletedBeforeItIsCreated) {
  std::vector<std::string> texts = installer::GroupCreateCommands("Kestrel Plugins");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "[deletegroup(Kestrel Plugins)]");
  EXPECT_EQ(texts[1], "[creategroup(Kestrel Plugins)]");
  EXPECT_STREQ(installer::kExitProgramManagerCommand, "[exitprogman(1)]");
}

TEST(ProgramManagerTexts, ItemUsesShortNamesAndTheCommandAsIconWhenNoneIsGiven) {
  EXPECT_EQ(AddItemCommand("C:\\Program Files\\Kestrel\\view.exe", "Viewer", "", FakeShortPath),
            "[additem(\"C:\\PROGRA~1\\KESTREL\\VIEW.EXE\",\"Viewer\",\"C:\\PROGRA~1\\KESTREL\\VIEW.EXE\",0)]");
  EXPECT_EQ(AddItemCommand("C:\\Program Files\\Kestrel\\view.exe", "Viewer",
                           "C:\\Program Files\\Kestrel\\view.ico", FakeShortPath),
            "[additem(\"C:\\PROGRA~1\\KESTREL\\VIEW.EXE\",\"Viewer\",\"C:\\PROGRA~1\\KESTREL\\VIEW.ICO\",0)]");
  // No short name known: the texts as given.
  EXPECT_EQ(AddItemCommand("D:\\x.exe", "X", "D:\\y.ico", FakeShortPath), "[additem(\"D:\\x.exe\",\"X\",\"D:\\y.ico\",0)]");
}

TEST(ProgramManagerTexts, ParameterMarkerQuotesTheProgramAndMakesItTheIcon) {
  std::string line = std::string("C:\\Program Files\\Kestrel\\view.exe") + '\xFF' + "/s readme.txt";
  // The icon given is replaced by the program itself.
  EXPECT_EQ(AddItemCommand(line, "Read me", "C:\\other.ico", FakeShortPath),
            "[additem(\"C:\\Program Files\\Kestrel\\view.exe\"/s readme.txt,\"Read me\","
            "\"C:\\PROGRA~1\\KESTREL\\VIEW.EXE\",0)]");
  // Only the first marker separates.
  std::string twice = std::string("a.exe") + '\xFF' + "b" + '\xFF' + "c";
  EXPECT_EQ(AddItemCommand(twice, "T", "", FakeShortPath), std::string("[additem(\"a.exe\"b") + '\xFF' + "c,\"T\",\"a.exe\",0)]");
}

TEST(CommandLine, WordsFollowQuotesAndBlanks) {
  using V = std::vector<std::string>;
  EXPECT_EQ(platform::SplitCommandLine("setup.exe /q"), (V{"setup.exe", "/q"}));
  EXPECT_EQ(platform::SplitCommandLine("  \"/opt/My Tools/run\"\t-x  "), (V{"/opt/My Tools/run", "-x"}));
  EXPECT_EQ(platform::SplitCommandLine("a\"b c\"d \"\" e"), (V{"ab cd", "", "e"}));
  EXPECT_EQ(platform::SplitCommandLine("say \\\"hi\\\" C:\\dir\\"), (V{"say", "\"hi\"", "C:\\dir\\"}));
  EXPECT_EQ(platform::SplitCommandLine("\"open to the end"), (V{"open to the end"}));
  EXPECT_TRUE(platform::SplitCommandLine(" \t ").empty());
}

}  // namespace
