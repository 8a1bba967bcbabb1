// End-to-end: the fwhost program driving a real plug-in library (the test effect) and
// its built-in Frames effect, checked through the files it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "platform/directories.h"
#include "samples/bmp_file.h"
#include "samples/scenes.h"
#include "host/plugin_library.h"
#include "tests/host/gif_decoder.h"

namespace {

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error together
};

// What a capture says of one frame.
struct CapturedFrame {
  int delay = 0;
  int key = 0;
  std::vector<RgbColour> table;
  std::vector<std::string> rows;
};

struct Capture {
  std::string task;
  std::vector<CapturedFrame> frames;
  std::string comment;
  std::string sequence;
};

class FwhostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    directory_ = platform::JoinPath(platform::TemporaryDirectory(), std::string("fwhost-test-") + info->name());
    std::string command = "rm -rf '" + directory_ + "' && mkdir -p '" + directory_ + "/settings'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }

  std::string Path(const std::string& name) const { return platform::JoinPath(directory_, name); }

  RunResult Fwhost(const std::string& arguments) {
    std::string log = Path("log.txt");
    std::string command = "KESTREL_WINDOWS_DIR='" + Path("settings") + "' '" FWHOST_PROGRAM "' " + arguments +
                          " >'" + log + "' 2>&1";
    RunResult run;
    int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
  }

  std::string Picture(const std::string& name, uint32_t seed, int32_t width = 24, int32_t height = 16) {
    DibImage scene = RenderScene(width, height, seed);
    std::string path = Path(name);
    EXPECT_TRUE(WriteBmpFile(path.c_str(), scene));
    FreeDibImage(scene);
    return path;
  }

  std::string directory_;
};

RgbColour Hex(const std::string& text, size_t at) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(std::stoi(text.substr(at + i, 2), nullptr, 16)); };
  return {byte(0), byte(2), byte(4)};
}

Capture ReadCapture(const std::string& path) {
  Capture capture;
  std::ifstream in(path);
  std::string line;
  bool inTable = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "task") {
      capture.task = line;
    } else if (word == "frame") {
      capture.frames.emplace_back();
      inTable = false;
    } else if (word == "record") {
      capture.frames.back().delay = std::stoi(line.substr(line.find(" delay=") + 7));
      capture.frames.back().key = std::stoi(line.substr(line.find(" key=") + 5));
    } else if (word == "table") {
      inTable = true;
    } else if (word == "row") {
      inTable = false;
      std::string y, pixels;
      words >> y >> pixels;
      capture.frames.back().rows.push_back(pixels);
    } else if (word == "comment") {
      capture.comment = line.substr(line.find('"'));
    } else if (word == "sequence") {
      capture.sequence = line.substr(9);
    } else if (inTable && !capture.frames.empty()) {
      for (size_t at = 0; at + 6 <= line.size(); at += 7) capture.frames.back().table.push_back(Hex(line, at));
    }
  }
  return capture;
}

// The colour the capture gives pixel x of a row.
RgbColour CapturedColour(const CapturedFrame& frame, int y, int x) {
  const std::string& row = frame.rows[y];
  if (frame.table.empty()) return Hex(row, 6 * x);
  return frame.table[std::stoi(row.substr(2 * x, 2), nullptr, 16)];
}

bool CapturedTransparent(const CapturedFrame& frame, int y, int x) {
  if (frame.key < 0) return false;
  if (frame.table.empty()) {
    RgbColour c = Hex(frame.rows[y], 6 * x);
    return PackColour(c.red, c.green, c.blue) == frame.key;
  }
  return std::stoi(frame.rows[y].substr(2 * x, 2), nullptr, 16) == frame.key;
}

// The GIF shows, after every frame, the captured frames composed in order.
void ExpectGifShowsCapture(const DecodedGif& gif, const Capture& capture) {
  ASSERT_EQ(gif.frames.size(), capture.frames.size());
  int width = gif.width;
  std::vector<RgbColour> screen(static_cast<size_t>(gif.width) * gif.height, RgbColour{0, 0, 0});
  for (size_t f = 0; f < capture.frames.size(); ++f) {
    const CapturedFrame& frame = capture.frames[f];
    EXPECT_EQ(gif.frames[f].delay, frame.delay);
    for (int y = 0; y < static_cast<int>(frame.rows.size()); ++y)
      for (int x = 0; x < width; ++x)
        if (!CapturedTransparent(frame, y, x)) screen[y * width + x] = CapturedColour(frame, y, x);
    for (size_t p = 0; p < screen.size(); ++p)
      ASSERT_TRUE(SameColour(gif.frames[f].screen[p], screen[p])) << "frame " << f << " pixel " << p;
  }
}

TEST_F(FwhostTest, ABuildThroughAPlugInLibraryRoundTripsThroughTheGif) {
  RunResult run = Fwhost("'" TEST_PLUGIN_LIBRARY "' --set 130=5 --delay 7 --supercompress -o '" + Path("out.gif") +
                   "' --capture '" + Path("out.txt") + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  Capture capture = ReadCapture(Path("out.txt"));
  EXPECT_NE(capture.task.find("operation=1 "), std::string::npos);
  EXPECT_EQ(capture.sequence, "1 2 2 2 2 2 3 4");
  ASSERT_EQ(capture.frames.size(), 5u);
  EXPECT_EQ(capture.frames[0].key, -1);
  EXPECT_GE(capture.frames[1].key, 0);

  DecodedGif gif;
  std::string error;
  ASSERT_TRUE(DecodeGifFile(Path("out.gif"), &gif, &error)) << error;
  EXPECT_TRUE(gif.loops);
  ASSERT_EQ(gif.comments.size(), 1u);
  EXPECT_EQ(gif.comments[0].substr(0, 15), "CREATED BY...\r\n");
  for (size_t f = 0; f < gif.frames.size(); ++f) {
    EXPECT_EQ(gif.frames[f].transparent, capture.frames[f].key);
    EXPECT_EQ(gif.frames[f].disposal, 1);  // leave in place
  }
  ExpectGifShowsCapture(gif, capture);

  // Other tools read the file too.
  std::string info = "gifsicle --info '" + Path("out.gif") + "' >'" + Path("info.txt") + "' 2>&1";
  ASSERT_EQ(std::system(info.c_str()), 0);
  std::ifstream in(Path("info.txt"));
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("5 images"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("loop forever"), std::string::npos);
}

TEST_F(FwhostTest, ATestPressSendsATrialTaskWithoutTransparency) {
  RunResult run = Fwhost("'" TEST_PLUGIN_LIBRARY "' --supercompress --no-comment --test --capture '" + Path("out.txt") + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  Capture capture = ReadCapture(Path("out.txt"));
  EXPECT_NE(capture.task.find("operation=5 "), std::string::npos);
  EXPECT_EQ(capture.sequence, "5 2 2 2 2 4");
  for (const CapturedFrame& frame : capture.frames) EXPECT_EQ(frame.key, -1);
}

TEST_F(FwhostTest, ThePlugInRemembersItsSettingsUnlessFresh) {
  ASSERT_EQ(Fwhost("'" TEST_PLUGIN_LIBRARY "' --set 130=6 -q --capture '" + Path("a.txt") + "'").status, 0);
  ASSERT_EQ(Fwhost("'" TEST_PLUGIN_LIBRARY "' -q --capture '" + Path("b.txt") + "'").status, 0);
  ASSERT_EQ(Fwhost("'" TEST_PLUGIN_LIBRARY "' -q --fresh --capture '" + Path("c.txt") + "'").status, 0);
  EXPECT_EQ(ReadCapture(Path("b.txt")).frames.size(), 6u);
  EXPECT_EQ(ReadCapture(Path("c.txt")).frames.size(), 4u);
}

TEST_F(FwhostTest, FramesKeepTheOrderGivenWhetherAddedOneByOneOrTogether) {
  std::vector<std::string> pictures = {Picture("c.bmp", 3), Picture("a.bmp", 1), Picture("b.bmp", 2)};
  for (const char* together : {"", " --add-together"}) {
    RunResult run = Fwhost("frames '" + pictures[0] + "' '" + pictures[1] + "' '" + pictures[2] + "' --truecolour" +
                           together + " --capture '" + Path("out.txt") + "' -o '" + Path("out.gif") + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    // Photographs in true colour hold more colours than a GIF frame: an animated PNG.
    EXPECT_NE(run.output.find("writing an animated PNG"), std::string::npos) << run.output;
    EXPECT_TRUE(std::ifstream(Path("out.png")).good());
    Capture capture = ReadCapture(Path("out.txt"));
    ASSERT_EQ(capture.frames.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      DibImage scene = RenderScene(24, 16, i == 0 ? 3 : i);
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
          RgbColour c = CapturedColour(capture.frames[i], y, x);
          ASSERT_EQ(PackColour(c.red, c.green, c.blue), GetDibPixel(scene, x, y)) << together << " frame " << i;
        }
      FreeDibImage(scene);
    }
  }
}

TEST_F(FwhostTest, ARefusedPictureReachesThePlugInsMessageAndFailsTheRun) {
  std::string good = Picture("good.bmp", 1);
  std::string bad = Path("bad.bmp");
  std::ofstream(bad) << "BM this is no picture";
  RunResult run = Fwhost("frames '" + good + "' '" + bad + "' '" + good + "' -o '" + Path("out.gif") + "'");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Message: Error reading file"), std::string::npos) << run.output;

  RunResult paste = Fwhost("'" TEST_PLUGIN_LIBRARY "' --paste '" + bad + "' --click 102 -o '" + Path("p.gif") + "'");
  EXPECT_NE(paste.output.find("Message: Clipboard error"), std::string::npos) << paste.output;
  EXPECT_EQ(paste.status, 1);
}

TEST_F(FwhostTest, APastedPictureBecomesTheFrames) {
  std::string picture = Picture("clip.bmp", 7, 12, 9);
  RunResult run = Fwhost("'" TEST_PLUGIN_LIBRARY "' --paste '" + picture + "' --click 102 --truecolour --capture '" + Path("out.txt") + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  Capture capture = ReadCapture(Path("out.txt"));
  ASSERT_FALSE(capture.frames.empty());
  DibImage scene = RenderScene(12, 9, 7);
  RgbColour c = CapturedColour(capture.frames[0], 4, 5);
  EXPECT_EQ(PackColour(c.red, c.green, c.blue), GetDibPixel(scene, 5, 4));
  FreeDibImage(scene);
}

TEST_F(FwhostTest, PageCurlIsFoundByNameAndItsPaperColourComesFromTheCommandLine) {
  std::string picture = Picture("one.bmp", 4, 20, 14);
  RunResult run = Fwhost("pagecurl '" + picture + "' --plugin-dir '" PLUGIN_DIRECTORY
                         "' --fresh --step 1 --corner lower-right --horizontal --paper 10,200,30 --truecolour"
                         " --capture '" + Path("out.txt") + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  Capture capture = ReadCapture(Path("out.txt"));
  ASSERT_GT(capture.frames.size(), 2u);
  // One picture starts from a plain sheet of the paper colour, only its corner curling.
  int paper = 0;
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 20; ++x) paper += SameColour(CapturedColour(capture.frames[0], y, x), {10, 200, 30});
  EXPECT_GT(paper, 20 * 14 / 2);
}

// Decoding, rendering, colour reduction and writing share their work among the threads
// --threads asks for: the files written are the same for any number.
TEST_F(FwhostTest, AnyNumberOfThreadsWritesTheSameFiles) {
  auto bytes = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  std::string frames;
  for (int i = 0; i < 6; ++i) frames += " '" + Picture("f" + std::to_string(i) + ".bmp", 10 + i / 2, i == 4 ? 30 : 40, 30) + "'";
  const std::string pictures = "'" + Picture("a.bmp", 1, 40, 30) + "' '" + Picture("b.bmp", 2, 40, 30) + "'";
  struct Run {
    const char* name;
    std::string arguments;
    const char* output;
  };
  const Run runs[] = {
      {"frames, Supercompress", "frames" + frames + " --supercompress", "out.gif"},
      {"frames, remapped", "frames" + frames + " --no-dither", "out.gif"},
      {"frames, true colour", "frames" + frames + " --truecolour", "out.png"},
      {"page curl, Supercompress",
       "pagecurl " + pictures + " --plugin-dir '" PLUGIN_DIRECTORY "' --fresh --step 6 --supercompress", "out.gif"},
  };
  for (const Run& run : runs) {
    std::string capture, output;
    for (int threads : {1, 2, 7}) {
      RunResult result = Fwhost(run.arguments + " --threads " + std::to_string(threads) + " --capture '" +
                                Path("out.txt") + "' -o '" + Path(run.output) + "'");
      ASSERT_EQ(result.status, 0) << run.name << "\n" << result.output;
      if (threads == 1) {
        capture = bytes(Path("out.txt"));
        output = bytes(Path(run.output));
        ASSERT_GT(output.size(), 100u) << run.name;
        continue;
      }
      EXPECT_TRUE(bytes(Path("out.txt")) == capture) << run.name << ", " << threads << " threads";
      EXPECT_TRUE(bytes(Path(run.output)) == output) << run.name << ", " << threads << " threads";
    }
  }
  for (const char* bad : {"0", "65", "two"}) EXPECT_EQ(Fwhost("frames" + frames + " --threads " + bad).status, 2) << bad;
}

TEST_F(FwhostTest, ListingAndHelpAndRefusals) {
  RunResult list = Fwhost("list --plugin-dir '" TEST_PLUGIN_DIRECTORY "'");
  EXPECT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find("Test Effect - a plug-in for tests"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("frames"), std::string::npos);

  RunResult help = Fwhost("pagecurl --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("--step N"), std::string::npos);
  EXPECT_NE(help.output.find("1 to 32; built-in 15"), std::string::npos);

  RunResult refused = Fwhost("'" TEST_PLUGIN_LIBRARY "' --click 4242");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.output.find("no control 4242"), std::string::npos) << refused.output;
  EXPECT_EQ(Fwhost("pagecurl --step 40 a.bmp").status, 2);
  EXPECT_EQ(Fwhost("'" + Path("missing.so") + "'").status, 2);
}

}  // namespace

namespace {

// The Page Curl library as a host loads it: the three exports and the description record
// (the size the host set comes back, every other byte but the version and the two texts
// is zero, and nothing past the size is touched).
TEST(PlugInLibrary, PageCurlDescribesItselfInTheHostsRecord) {
  PluginLibrary library;
  std::string error;
  ASSERT_TRUE(library.open(std::string(PLUGIN_DIRECTORY) + "/fwplgcrl.so", &error)) << error;
  unsigned char record[600];
  std::memset(record, 0xCC, sizeof record);
  uint32_t size = 520;
  std::memcpy(record, &size, 4);
  ASSERT_EQ(library.exports().getParams(reinterpret_cast<PluginDescription*>(record), nullptr), 1);
  uint32_t readBack, version;
  std::memcpy(&readBack, record, 4);
  std::memcpy(&version, record + 4, 4);
  EXPECT_EQ(readBack, 520u);
  EXPECT_EQ(version, 0x200u);
  const char* name = reinterpret_cast<const char*>(record + 8);
  const char* notice = reinterpret_cast<const char*>(record + kDescriptionNoticeOffset);
  EXPECT_STREQ(name, "Page Curl");
  EXPECT_GT(std::strlen(notice), 0u);
  for (size_t i = 8 + std::strlen(name); i < kDescriptionNoticeOffset; ++i) ASSERT_EQ(record[i], 0) << i;
  for (size_t i = kDescriptionNoticeOffset + std::strlen(notice); i < size; ++i) ASSERT_EQ(record[i], 0) << i;
  EXPECT_EQ(record[size], 0xCC);
}

}  // namespace
