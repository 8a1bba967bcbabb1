#include "host/command_line.h"

#include <gtest/gtest.h>

#include "framework/host_interface.h"
#include "framework/palette_types.h"
#include "host/selection_buffer.h"

namespace {

RunPlan Parse(const char* effect, const std::vector<std::string>& words, std::string* error = nullptr) {
  RunPlan plan;
  std::string ignored;
  bool ok = ParseRunOptions(*FindEffectRow(effect), words, &plan, error ? error : &ignored);
  if (!error) {
    EXPECT_TRUE(ok) << ignored;
  }
  return plan;
}

bool Refused(const char* effect, const std::vector<std::string>& words, const char* reason) {
  RunPlan plan;
  std::string error;
  bool ok = ParseRunOptions(*FindEffectRow(effect), words, &plan, &error);
  return !ok && error.find(reason) != std::string::npos;
}

TEST(CommandLineTest, PageCurlOptionsBecomeClicksInTheOrderGiven) {
  RunPlan plan = Parse("pagecurl", {"a.jpg", "b.png", "--step", "6", "--corner", "lower-right", "--horizontal",
                                    "--paper=51,0,204", "-o", "out.gif", "--test"});
  std::vector<std::string> expected = {"click 125", "click 125", "set 128 6", "click 134",
                                       "click 129", "click 127", "click 998"};
  EXPECT_EQ(plan.actions, expected);
  ASSERT_EQ(plan.selections.size(), 2u);  // one full path per Add
  EXPECT_EQ(plan.selections[0].size(), 1u);
  EXPECT_EQ(NameOf(plan.selections[0][0]), "a.jpg");
  EXPECT_NE(plan.selections[0][0], "a.jpg");  // made a full path
  EXPECT_EQ(NameOf(plan.selections[1][0]), "b.png");
  EXPECT_EQ(plan.colours, std::deque<int32_t>{PackColour(51, 0, 204)});
  EXPECT_EQ(plan.output, "out.gif");
  EXPECT_EQ(plan.capabilities, HostCapsOptimise | HostCapsTrueColour);
}

TEST(CommandLineTest, PicturesAddedTogetherAreOneSelection) {
  RunPlan plan = Parse("pagecurl", {"--add-together", "x/a.bmp", "--pause", "0", "x/b.bmp", "x/c.bmp"});
  EXPECT_EQ(plan.actions, (std::vector<std::string>{"click 125", "set 123 0", "click 1"}));
  ASSERT_EQ(plan.selections.size(), 1u);
  ASSERT_EQ(plan.selections[0].size(), 3u);
  EXPECT_EQ(NameOf(plan.selections[0][2]), "c.bmp");
}

TEST(CommandLineTest, CommonOptionsUseEachEffectsControlIds) {
  RunPlan lens = Parse("lens", {"p.jpg", "--supercompress", "--no-comment", "--palette", "216", "--delay", "9"});
  EXPECT_EQ(lens.actions, (std::vector<std::string>{"click 101", "check 115", "uncheck 124", "uncheck 110",
                                                    "select 109 5", "set 105 9", "click 1"}));
  RunPlan fireworks = Parse("pyrotechnics", {"--rocket", "3=255,0,0", "--rocket=4=random", "--background", "#102030",
                                             "--without-optimise", "--delay", "200"});
  EXPECT_EQ(fireworks.actions, (std::vector<std::string>{"dblclick 106 2", "shift-dblclick 106 3", "click 107",
                                                         "set 105 200", "click 1"}));
  EXPECT_EQ(fireworks.colours, (std::deque<int32_t>{PackColour(255, 0, 0), PackColour(16, 32, 48)}));
  EXPECT_EQ(fireworks.capabilities, static_cast<uint32_t>(HostCapsTrueColour));
  RunPlan generic = Parse("lake", {"--set", "104=7", "--uncheck", "119", "--click=998", "--open", "q.bmp"});
  EXPECT_EQ(generic.actions, (std::vector<std::string>{"set 104 7", "uncheck 119", "click 998", "click 1"}));
  EXPECT_EQ(generic.selections.size(), 1u);
}

TEST(CommandLineTest, ValuesOutsideTheirRangesAreRefused) {
  EXPECT_TRUE(Refused("pagecurl", {"a.bmp", "--step", "0"}, "1 to 32"));
  EXPECT_TRUE(Refused("pagecurl", {"a.bmp", "--delay", "101"}, "1 to 100"));
  EXPECT_TRUE(Refused("pagecurl", {"a.bmp", "--corner", "middle"}, "not one of"));
  EXPECT_TRUE(Refused("pagecurl", {"a.bmp", "--paper", "256,0,0"}, "colour"));
  EXPECT_TRUE(Refused("pagecurl", {"a.bmp", "--palette", "256"}, "names no palette"));  // several begin so
  EXPECT_TRUE(Refused("pagecurl", {"a.bmp", "--bogus"}, "unknown option --bogus"));
  EXPECT_TRUE(Refused("pagecurl", {}, "at least one picture"));
  // One file may be an animation: frames counts frames once the pictures are read
  // (FwhostTest.AnAnimationIsReencodedFrameByFrame).
  EXPECT_TRUE(Refused("frames", {}, "at least one picture"));
  EXPECT_TRUE(Refused("ripple", {"a.bmp", "b.bmp"}, "takes one picture"));
  EXPECT_TRUE(Refused("pyrotechnics", {"a.bmp"}, "takes no pictures"));
  EXPECT_TRUE(Refused("lake", {"--set", "104"}, "ID=VALUE"));
  EXPECT_TRUE(Refused("lake", {"--delay"}, "needs a value"));
}

TEST(CommandLineTest, PalettesAndColoursByNameOrNumber) {
  EXPECT_EQ(ParsePaletteKind("0"), 0);
  EXPECT_EQ(ParsePaletteKind("8"), 8);
  EXPECT_EQ(ParsePaletteKind("9"), -1);
  EXPECT_EQ(ParsePaletteKind("216"), 5);
  EXPECT_EQ(ParsePaletteKind("256 Gray Levels"), 8);
  EXPECT_EQ(ParsePaletteKind("black"), 0);
  EXPECT_EQ(ParsePaletteKind("216-color"), 5);
  EXPECT_EQ(ParsePaletteKind("256"), -1);
  EXPECT_EQ(ParsePaletteKind("-1"), -1);  // was taken as the beginning of a name
  EXPECT_EQ(ParseColour("1,2,3"), PackColour(1, 2, 3));
  EXPECT_EQ(ParseColour("#ff8000"), PackColour(255, 128, 0));
  for (const char* bad : {"1,2", "1,2,3,4", "a,b,c", "#12345", "-1,0,0", ""}) EXPECT_EQ(ParseColour(bad), -1) << bad;
}

TEST(CommandLineTest, QualityAndWebpOutputsTickTruecolourLast) {
  const int tc = FindEffectRow("lens")->controls.trueColour;
  const std::string check = "check " + std::to_string(tc);
  RunPlan quality = Parse("lens", {"p.jpg", "--no-truecolour", "--quality", "--no-dither", "-o", "a.gif"});
  ASSERT_GE(quality.actions.size(), 3u);
  EXPECT_EQ(quality.actions[quality.actions.size() - 2], check);
  EXPECT_EQ(quality.actions.back(), "click 1");
  EXPECT_TRUE(quality.quality);
  EXPECT_FALSE(quality.qualityDither);
  RunPlan webp = Parse("lens", {"p.jpg", "-o", "a.WebP", "--webp-quality=80"});
  EXPECT_EQ(webp.actions[webp.actions.size() - 2], check);
  EXPECT_EQ(webp.webpQuality, 80);
  EXPECT_TRUE(webp.qualityDither);
  // Without the capability a WebP is made of the paletted frames.
  RunPlan plain = Parse("lens", {"p.jpg", "--without-truecolour", "-o", "a.webp"});
  EXPECT_EQ(plain.actions, (std::vector<std::string>{"click 101", "click 1"}));
  RunPlan gif = Parse("lens", {"p.jpg", "-o", "a.gif"});
  EXPECT_EQ(gif.actions, (std::vector<std::string>{"click 101", "click 1"}));
  EXPECT_TRUE(Refused("lens", {"p.jpg", "--quality", "--without-truecolour"}, "true-colour"));
  EXPECT_TRUE(Refused("lens", {"p.jpg", "--webp-quality", "101"}, "0 to 100"));
  EXPECT_TRUE(Refused("lens", {"p.jpg", "--webp-quality", "x"}, "0 to 100"));
  EXPECT_TRUE(IsWebpName("x.webp"));
  EXPECT_FALSE(IsWebpName("webp"));
  EXPECT_FALSE(IsWebpName("x.webp.gif"));
}

}  // namespace
