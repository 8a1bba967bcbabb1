#include "host/command_line.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>

#include "effects/lake/lake_manifest.h"
#include "effects/lens/lens_manifest.h"
#include "effects/pagecurl/pagecurl_manifest.h"
#include "effects/pyrotechnics/pyrotechnics_manifest.h"
#include "framework/dialog.h"
#include "framework/host_interface.h"
#include "framework/palette_types.h"
#include "host/preflight.h"
#include "host/selection_buffer.h"

namespace {

// A dialog action on control `id`, as the plan lists it: "click 125", "set 128 6".
std::string Act(const char* verb, int id, const std::string& rest = "") {
  return std::string(verb) + " " + std::to_string(id) + (rest.empty() ? "" : " " + rest);
}

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
  std::vector<std::string> expected = {Act("click", kCurlAdd),
                                       Act("click", kCurlAdd),
                                       Act("set", kCurlStepSize, "6"),
                                       Act("click", kCurlLowerRightButton),
                                       Act("click", kCurlHorizontal),
                                       Act("click", kCurlPaperColour),
                                       // a GIF output is the host's own: true-colour frames asked for last
                                       Act("check", kPageCurlManifest.ids.trueColour),
                                       Act("click", kPageCurlManifest.ids.test)};
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
  EXPECT_EQ(plan.actions, (std::vector<std::string>{Act("click", kCurlAdd), Act("set", kCurlPause, "0"),
                                                    Act("click", kIdOk)}));
  ASSERT_EQ(plan.selections.size(), 1u);
  ASSERT_EQ(plan.selections[0].size(), 3u);
  EXPECT_EQ(NameOf(plan.selections[0][2]), "c.bmp");
}

TEST(CommandLineTest, CommonOptionsUseEachEffectsControlIds) {
  RunPlan lens = Parse("lens", {"p.jpg", "--supercompress", "--no-comment", "--palette", "216", "--delay", "9"});
  const CommonControlIds& lensIds = kLensManifest.ids;
  EXPECT_EQ(lens.actions, (std::vector<std::string>{Act("click", kPictureSelect), Act("check", lensIds.supercompress),
                                                    Act("uncheck", lensIds.comment),
                                                    Act("uncheck", lensIds.customPalette),
                                                    Act("select", lensIds.palette, "5"), Act("set", lensIds.delay, "9"),
                                                    Act("click", kIdOk)}));
  RunPlan fireworks = Parse("pyrotechnics", {"--rocket", "3=255,0,0", "--rocket=4=random", "--background", "#102030",
                                             "--without-optimise", "--delay", "200"});
  EXPECT_EQ(fireworks.actions,
            (std::vector<std::string>{Act("dblclick", kPyroRocketList, "2"), Act("shift-dblclick", kPyroRocketList, "3"),
                                      Act("click", kPyroBackground),
                                      Act("set", kPyrotechnicsManifest.ids.delay, "200"), Act("click", kIdOk)}));
  EXPECT_EQ(fireworks.colours, (std::deque<int32_t>{PackColour(255, 0, 0), PackColour(16, 32, 48)}));
  EXPECT_EQ(fireworks.capabilities, static_cast<uint32_t>(HostCapsTrueColour));
  const std::string frameCount = std::to_string(kLakeFrameCount), reflection = std::to_string(kLakeReflectionOnly);
  const int test = kLakeManifest.ids.test;
  RunPlan generic = Parse("lake", {"--set", frameCount + "=7", "--uncheck", reflection,
                                   "--click=" + std::to_string(test), "--open", "q.bmp"});
  EXPECT_EQ(generic.actions, (std::vector<std::string>{Act("set", kLakeFrameCount, "7"),
                                                       Act("uncheck", kLakeReflectionOnly), Act("click", test),
                                                       Act("click", kIdOk)}));
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
  EXPECT_TRUE(Refused("lake", {"--set", std::to_string(kLakeFrameCount)}, "ID=VALUE"));
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
  const std::string check = Act("check", kLensManifest.ids.trueColour);
  RunPlan quality = Parse("lens", {"p.jpg", "--no-truecolour", "--quality", "--no-dither", "-o", "a.gif"});
  ASSERT_GE(quality.actions.size(), 3u);
  EXPECT_EQ(quality.actions[quality.actions.size() - 2], check);
  EXPECT_EQ(quality.actions.back(), "click 1");
  EXPECT_TRUE(quality.quality);
  EXPECT_FALSE(quality.qualityDither);
  EXPECT_EQ(quality.qualityLevel, kDefaultQualityLevel);
  // A level only after "=": a separate word is a picture, as it would be anywhere else.
  RunPlan levels = Parse("pagecurl", {"--quality=1", "a.jpg", "--quality", "90", "--quality=100", "-o", "a.gif"});
  EXPECT_TRUE(levels.quality);
  EXPECT_EQ(levels.qualityLevel, 100);
  EXPECT_EQ(levels.pictures.size(), 2u);
  EXPECT_EQ(Parse("lens", {"p.jpg", "--quality=7", "-o", "a.gif"}).qualityLevel, 7);
  for (const char* bad : {"--quality=0", "--quality=101", "--quality=", "--quality=high", "--quality=-5"})
    EXPECT_TRUE(Refused("lens", {"p.jpg", bad, "-o", "a.gif"}, "--quality=Q takes a number from 1 to 100")) << bad;
  // A GIF or PNG output holds the host's colours unless an option sets the plug-in's own;
  // a capture alone records what the plug-in delivers with its own settings.
  const std::vector<std::string> ownColours = {Act("click", kPictureSelect), Act("click", kIdOk)};
  const std::vector<std::string> trueColour = {Act("click", kPictureSelect), check, Act("click", kIdOk)};
  struct Case {
    std::vector<std::string> words;
    bool quality;             // the host makes the GIF
    bool trueColour;          // the host asks for true-colour frames
    size_t ownColourActions;  // the actions the colour options add before OK
  };
  for (const Case& c : std::vector<Case>{{{"-o", "a.gif"}, true, true, 0},
                                         {{"-o", "-"}, true, true, 0},
                                         {{"-o", "a.PNG"}, false, true, 0},
                                         {{"--capture", "a.txt"}, false, false, 0},
                                         {{"--plugin-colours", "-o", "a.gif"}, false, false, 0},
                                         {{"--plugin-colors", "-o", "a.png"}, false, false, 0},
                                         {{"--palette", "3", "-o", "a.gif"}, false, false, 2},
                                         {{"--no-dither", "-o", "a.gif"}, false, false, 1},
                                         {{"--custom-palette", "-o", "a.png"}, false, false, 1},
                                         {{"--supercompress", "-o", "a.gif"}, false, false, 1},
                                         {{"--no-comment", "-o", "a.gif"}, true, true, 1},
                                         {{"--without-truecolour", "-o", "a.gif"}, false, false, 0}}) {
    std::vector<std::string> words = {"p.jpg"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    RunPlan plan = Parse("lens", words);
    std::string name = c.words[0] + " " + c.words[1];
    EXPECT_EQ(plan.quality, c.quality) << name;
    bool ticked = plan.actions.size() >= 2 && plan.actions[plan.actions.size() - 2] == check;
    EXPECT_EQ(ticked, c.trueColour) << name;
    EXPECT_EQ(plan.actions.size(), (ticked ? trueColour : ownColours).size() + c.ownColourActions) << name;
  }
  EXPECT_TRUE(Refused("lens", {"p.jpg", "--quality", "--plugin-colours"}, "give one of them"));
  EXPECT_TRUE(Refused("lens", {"p.jpg", "--quality", "--without-truecolour"}, "true-colour"));
  if (!kCanWriteWebp) {
    // A build without a WebP writer has no option for one either.
    EXPECT_TRUE(Refused("lens", {"p.jpg", "-o", "a.webp", "--webp-quality=80"}, "unknown option --webp-quality"));
    return;
  }
  RunPlan webp = Parse("lens", {"p.jpg", "-o", "a.WebP", "--webp-quality=80"});
  ASSERT_GE(webp.actions.size(), 2u);
  EXPECT_EQ(webp.actions[webp.actions.size() - 2], check);
  EXPECT_EQ(webp.webpQuality, 80);
  EXPECT_TRUE(webp.qualityDither);
  // Without the capability a WebP is made of the paletted frames.
  RunPlan plain = Parse("lens", {"p.jpg", "--without-truecolour", "-o", "a.webp"});
  EXPECT_EQ(plain.actions, (std::vector<std::string>{Act("click", kPictureSelect), Act("click", kIdOk)}));
  EXPECT_TRUE(Refused("lens", {"p.jpg", "--webp-quality", "101"}, "0 to 100"));
  EXPECT_TRUE(Refused("lens", {"p.jpg", "--webp-quality", "x"}, "0 to 100"));
  EXPECT_TRUE(IsWebpName("x.webp"));
  EXPECT_FALSE(IsWebpName("webp"));
  EXPECT_FALSE(IsWebpName("x.webp.gif"));
}



// The help, the parser and the suggestions come from one table of options: every option
// the help shows is accepted with a value of the kind the help names, and a name with a
// letter missing is answered with a suggestion.
TEST(CommandLineTest, EveryOptionInTheHelpIsAcceptedAndSuggested) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  PrintCommonHelp(file);
  std::rewind(file);
  std::string help;
  for (int c; (c = std::fgetc(file)) != EOF;) help += static_cast<char>(c);
  std::fclose(file);
  const std::map<std::string, std::string> samples = {
      {"FILE", "x.txt"}, {"N", "3"}, {"N|NAME", "2"}, {"Q", "50"}, {"WxH", "64x64"}, {"SIZE", "1G"},
      {"DIR", "."}, {"ID=TEXT", "101=5"}, {"ID", "101"}, {"ID=INDEX", "101=0"}, {"R,G,B", "1,2,3"}, {"", ""}};
  std::istringstream lines(help);
  int seen = 0;
  for (std::string line; std::getline(lines, line);) {
    size_t at = line.find("--");
    if (line.compare(0, 2, "  ") != 0 || at == std::string::npos || at > 6) continue;
    std::istringstream words(line.substr(at));
    std::string option, argument;
    words >> option >> argument;
    if (!argument.empty() && !std::isupper(static_cast<unsigned char>(argument[0]))) argument.clear();
    bool negatable = option.compare(0, 7, "--[no-]") == 0;
    std::string name = negatable ? option.substr(7) : option.substr(2);
    name = name.substr(0, name.find("[="));  // an optional value: --quality[=Q]
    ASSERT_TRUE(samples.count(argument)) << line;
    for (const std::string& spelling : negatable ? std::vector<std::string>{name, "no-" + name}
                                                 : std::vector<std::string>{name}) {
      std::vector<std::string> words = {"a.bmp", "--" + spelling};
      if (!argument.empty()) words.push_back(samples.at(argument));
      std::string error;
      RunPlan plan;
      ParseRunOptions(*FindEffectRow("pagecurl"), words, &plan, &error);
      EXPECT_EQ(error.find("unknown option"), std::string::npos) << spelling << ": " << error;
    }
    if (name.size() > 5) {
      std::string typo = name.substr(0, 1) + name.substr(2);
      EXPECT_TRUE(Refused("pagecurl", {"a.bmp", "--" + typo}, "did you mean --")) << typo;
    }
    ++seen;
  }
  EXPECT_GE(seen, 30);
}

}  // namespace

namespace {

// Options the run could not honour are refused before any work, in the user's words, or
// (where the run still makes sense) said as a note.
TEST(CommandLineTest, OptionsThatWouldBeDroppedAreRefusedOrNoted) {
  const struct {
    std::vector<std::string> words;
    const char* reason;
  } refused[] = {
      {{"a.bmp", "-o", "a.gif", "--output", "b.gif"}, "is given twice"},
      {{"a.bmp", "--webp-quality", "50", "-o", "x.gif"},
       kCanWriteWebp ? "--webp-quality sets the quality of a .webp output" : "unknown option --webp-quality"},
      {{"a.bmp", "--palette", "2", "--quality", "-o", "x.gif"}, "--palette sets the plug-in's own colours"},
      {{"a.bmp", "--quality", "--webp-quality", "50", "-o", "x.webp"},
       kCanWriteWebp ? "--webp-quality makes a lossy WebP" : "unknown option --webp-quality"},
#ifndef _WIN32
      {{"a.bmp", "--screenshot", "s.bmp", "-o", "x.gif"}, "only fwhost.exe"},
#endif
  };
  for (const auto& c : refused) EXPECT_TRUE(Refused("pagecurl", c.words, c.reason)) << c.reason;
  RunPlan plan = Parse("pagecurl", {"a.bmp", "--supercompress", "--test", "-o", "x.gif"});
  ASSERT_EQ(plan.warnings.size(), 1u);
  EXPECT_NE(plan.warnings[0].find("Test build"), std::string::npos);
  EXPECT_TRUE(Parse("pagecurl", {"a.bmp", "--supercompress", "-o", "x.gif"}).warnings.empty());
}

}  // namespace
