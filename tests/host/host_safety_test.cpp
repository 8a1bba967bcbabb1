// The host's safeguards one by one: output files written whole or not at all, the
// checks made before any work, the memory estimate, --fit and upright photographs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "effects/pagecurl/pagecurl_manifest.h"
#include "framework/dib_view.h"
#include "framework/host_interface.h"
#include "host/command_line.h"
#include "host/host_service.h"
#include "host/jpeg_orientation.h"
#include "host/memory_estimate.h"
#include "host/output_file.h"
#include "host/picture_file.h"
#include "host/picture_fit.h"
#include "host/preflight.h"
#include "platform/directories.h"

#include <stb_image_write.h>

namespace {

namespace fs = std::filesystem;

class HostSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The process id keeps runs in other build trees at the same time apart.
    directory_ = platform::JoinPath(platform::TemporaryDirectory(), std::string("host-safety-") + info->name() + "-" +
                                                                        std::to_string(getpid()));
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }
  std::string Path(const std::string& name) const { return platform::JoinPath(directory_, name); }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The names in the directory other than `keep`.
  std::vector<std::string> Others(const std::string& keep) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory_))
      if (entry.path().filename() != keep) names.push_back(entry.path().filename().string());
    return names;
  }
  std::string directory_;
};

TEST_F(HostSafetyTest, AnOutputTakesItsNameOnlyWhenComplete) {
  std::ofstream(Path("out.gif")) << "the earlier file";
  {
    OutputFile file;
    std::string error;
    ASSERT_TRUE(file.open(Path("out.gif"), &error)) << error;
    std::fputs("half of a new fi", file.stream());
    EXPECT_EQ(Read("out.gif"), "the earlier file");  // still the old one while writing
    // Dropped: a failed or stopped run.
  }
  EXPECT_EQ(Read("out.gif"), "the earlier file");
  EXPECT_TRUE(Others("out.gif").empty()) << Others("out.gif")[0];

  OutputFile file;
  std::string error;
  ASSERT_TRUE(file.open(Path("out.gif"), &error)) << error;
  const char text[] = "the new file";
  ASSERT_TRUE(file.sink()(reinterpret_cast<const uint8_t*>(text), std::strlen(text)));
  ASSERT_TRUE(file.commit(&error)) << error;
  EXPECT_EQ(Read("out.gif"), "the new file");
  EXPECT_TRUE(Others("out.gif").empty());
}

TEST_F(HostSafetyTest, AnOutputThatCannotBeWrittenIsFoundAtOnce) {
  OutputFile file;
  std::string error;
  EXPECT_FALSE(file.open(Path("missing/out.gif"), &error));
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
  fs::create_directory(Path("folder.gif"));
  EXPECT_FALSE(file.open(Path("folder.gif"), &error));
  EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
#ifndef _WIN32
  fs::create_directory(Path("locked"));
  fs::permissions(Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  if (!file.open(Path("locked/out.gif"), &error)) EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
  else file.abandon();  // the superuser writes anywhere
  fs::permissions(Path("locked"), fs::perms::owner_all);
#endif
}

TEST_F(HostSafetyTest, AFailedWriteLeavesTheEarlierFile) {
  // The error path of the file writers: a sink that fails part-way (a full disk).
  std::ofstream(Path("out.txt")) << "kept";
  std::string error;
  bool ok = WriteOutputFile(Path("out.txt"), &error, [](OutputFile& file) {
    std::fputs("part", file.stream());
    return false;
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(Read("out.txt"), "kept");
  EXPECT_TRUE(Others("out.txt").empty());
}

TEST_F(HostSafetyTest, OutputNamesAreCheckedAgainstThePicturesAndTheFormats) {
  std::ofstream(Path("a.png")) << "picture";
  RunPlan plan;
  plan.pictures = {Path("a.png")};
  plan.output = Path("a.png");
  EXPECT_NE(CheckOutputNames(plan).find("is one of the pictures"), std::string::npos);
  plan.output = directory_ + "/./sub/../a.png";  // the same file written another way
  EXPECT_NE(CheckOutputNames(plan).find("is one of the pictures"), std::string::npos);
#ifndef _WIN32
  fs::create_symlink(Path("a.png"), Path("link.png"));
  plan.output = Path("link.png");
  EXPECT_NE(CheckOutputNames(plan).find("is one of the pictures"), std::string::npos);
#endif
  plan.output = Path("b.gif");
  plan.capture = Path("a.png");
  EXPECT_NE(CheckOutputNames(plan).find("is one of the pictures"), std::string::npos);
  plan.capture.clear();
  EXPECT_EQ(CheckOutputNames(plan), "");
  plan.trueColour = 1;  // a true-colour build is never renamed to fit: refused before
  EXPECT_NE(CheckOutputNames(plan).find("name the output .png"), std::string::npos);
  plan.output = Path("b.png");
  EXPECT_EQ(CheckOutputNames(plan), "");
  plan.output = Path("b.jpg");
  EXPECT_NE(CheckOutputNames(plan).find("writes .gif"), std::string::npos);
  plan.output = Path("b.webp");
  plan.trueColour = 0;
  // Every build writes GIFs; WebP only where libwebp is.
  EXPECT_EQ(CheckOutputNames(plan).empty(), kCanWriteWebp);

  std::string error;
  EXPECT_EQ(OutputKindOf("-", &error), OutputKind::Gif);
  EXPECT_EQ(OutputKindOf("X.GIF", &error), OutputKind::Gif);
  EXPECT_EQ(OutputKindOf("x.Png", &error), OutputKind::Png);
  EXPECT_EQ(OutputKindOf("x", &error), OutputKind::Refused);
}

TEST_F(HostSafetyTest, EveryPictureIsReadBeforeAnyWork) {
  std::ofstream(Path("bad.png")) << "no picture";
  fs::create_directory(Path("dir.png"));
  std::vector<PictureSize> sizes;
  std::vector<std::string> problems;
  CheckPictureFiles({Path("bad.png"), Path("none.png"), Path("dir.png")}, &sizes, &problems);
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].rfind(Path("bad.png"), 0), 0u) << problems[0];
  EXPECT_NE(problems[1].find("no such file"), std::string::npos);
  EXPECT_NE(problems[2].find("directory"), std::string::npos);
  EXPECT_TRUE(sizes.empty());
}

TEST(HostChecks, RefusalsAreToldInTheUsersTerms) {
  const EffectRow& row = *FindEffectRow("pagecurl");
  RunPlan plan;
  std::string error;
  ASSERT_TRUE(ParseRunOptions(row, {"a.bmp", "--without-optimise", "--supercompress", "-o", "x.gif"}, &plan, &error));
  // The dialog's refusal names a line of its script and a control.
  std::string said = ExplainRefusedAction(row, plan, MakeRefusal(RefusalKind::Disabled, 2, row.controls.supercompress));
  EXPECT_EQ(said, "--supercompress needs a host that optimises; it is off with --without-optimise");
  plan = RunPlan();
  ASSERT_TRUE(ParseRunOptions(row, {"a.bmp", "--without-truecolour", "--truecolour", "-o", "x.png"}, &plan, &error));
  said = ExplainRefusedAction(row, plan, MakeRefusal(RefusalKind::Disabled, 2, row.controls.trueColour));
  EXPECT_EQ(said.find("--truecolour needs a host with true colour"), 0u) << said;
  plan = RunPlan();
  ASSERT_TRUE(ParseRunOptions(row, {"a.bmp", "--click", "4242", "-o", "x.gif"}, &plan, &error));
  said = ExplainRefusedAction(row, plan, MakeRefusal(RefusalKind::NoControl, 2, 4242));
  EXPECT_EQ(said, "--click: pagecurl has no control 4242");
  EXPECT_EQ(said.find("line"), std::string::npos);
  // A refusal of no action is said in its own words.
  EXPECT_EQ(ExplainRefusedAction(row, plan, MakeRefusal(RefusalKind::NeedsWindows)),
            "screenshots need real dialog windows: use fwhost.exe, the Windows build");

  EXPECT_EQ(ClosestEffectName("pagecurll"), "pagecurl");
  EXPECT_EQ(ClosestEffectName("Ripple"), "ripple");
  EXPECT_EQ(ClosestEffectName("lenz"), "lens");
  EXPECT_EQ(ClosestEffectName("page"), "pagecurl");
  EXPECT_EQ(ClosestEffectName("xyzzy"), "");
  EXPECT_EQ(SettingsFileNameOf("fwplgcrl"), "FWPLGCRL.INI");
  EXPECT_EQ(SettingsFileNameOf("/x/y/libfwplgtst.so"), "FWPLGTST.INI");
}

TEST(HostChecks, OptionValuesAreCheckedAndChoicesTakeTheirUsualNames) {
  const EffectRow& row = *FindEffectRow("pagecurl");
  std::string error;
  for (const char* corner : {"top-left", "upper-left", "TL", "left-top", "nw", "upper_left"}) {
    RunPlan plan;
    ASSERT_TRUE(ParseRunOptions(row, {"a.bmp", "--corner", corner}, &plan, &error)) << corner << ": " << error;
    EXPECT_EQ(plan.actions[1], "click " + std::to_string(kCurlUpperLeftButton)) << corner;
  }
  RunPlan plan;
  ASSERT_TRUE(ParseRunOptions(row, {"a.bmp", "--corner=bottom-right"}, &plan, &error));
  EXPECT_EQ(plan.actions[1], "click " + std::to_string(kCurlLowerRightButton));
  EXPECT_FALSE(ParseRunOptions(row, {"a.bmp", "--corner", "middle"}, &plan, &error));
  EXPECT_NE(error.find("upper-left, lower-left, upper-right or lower-right"), std::string::npos) << error;
  for (const char* palette : {"-1", "-16", "9", "99"}) {
    EXPECT_FALSE(ParseRunOptions(row, {"a.bmp", "--palette", palette}, &plan, &error)) << palette;
    EXPECT_NE(error.find("names no palette"), std::string::npos) << error;
  }
  EXPECT_FALSE(ParseRunOptions(row, {"a.bmp", "--stpe", "4"}, &plan, &error));
  EXPECT_NE(error.find("(did you mean --step?)"), std::string::npos) << error;
  EXPECT_FALSE(ParseRunOptions(row, {"a.bmp", "--no-diter"}, &plan, &error));
  EXPECT_NE(error.find("(did you mean --no-dither?)"), std::string::npos) << error;
  EXPECT_FALSE(ParseRunOptions(*FindEffectRow("frames"), {"a.bmp", "--paste", "b.bmp"}, &plan, &error));
  EXPECT_NE(error.find("no Paste button"), std::string::npos);

  RunPlan sized;
  ASSERT_TRUE(ParseRunOptions(row, {"a.bmp", "--fit", "640x480", "--max-memory", "1500M", "--remember"}, &sized, &error));
  EXPECT_EQ(sized.fitWidth, 640);
  EXPECT_EQ(sized.fitHeight, 480);
  EXPECT_EQ(sized.maxMemory, uint64_t{1500} << 20);
  EXPECT_TRUE(sized.remember);
  for (const char* fit : {"640", "0x10", "10x", "x10", "10x20000", "-5x5"})
    EXPECT_FALSE(ParseRunOptions(row, {"a.bmp", "--fit", fit}, &plan, &error)) << fit;
  uint64_t bytes = 0;
  EXPECT_TRUE(ParseMemorySize("2G", &bytes));
  EXPECT_EQ(bytes, uint64_t{2} << 30);
  EXPECT_TRUE(ParseMemorySize("800MiB", &bytes));
  EXPECT_EQ(bytes, uint64_t{800} << 20);
  EXPECT_TRUE(ParseMemorySize("4096", &bytes));
  EXPECT_EQ(bytes, 4096u);
  for (const char* bad : {"", "0", "G", "2X", "-1G", "99999999999999999T"}) EXPECT_FALSE(ParseMemorySize(bad, &bytes)) << bad;
}

TEST(MemoryEstimate, PageCurlFramesFollowTheStepAndThePictureSizes) {
  const EffectRow& row = *FindEffectRow("pagecurl");
  RunPlan plan;
  std::string error;
  ASSERT_TRUE(ParseRunOptions(row, {"a", "b", "c", "--step", "15"}, &plan, &error));
  MemoryEstimate estimate;
  std::vector<PictureSize> pictures(3, PictureSize{640, 480});
  ASSERT_TRUE(EstimateBuildMemory(row, plan, pictures, &estimate));
  // Three 640 x 480 pictures at step 15 make 342 frames; the estimate stays just above.
  EXPECT_GE(estimate.frames, 342);
  EXPECT_LE(estimate.frames, 342 * 5 / 4);
  EXPECT_GE(estimate.bytes, uint64_t{342} * 640 * 480 * 3);
  EXPECT_EQ(estimate.width, 640);

  // A 4000 x 3000 photograph does not fit in 8 GB; the way out offered does.
  RunPlan photo;
  ASSERT_TRUE(ParseRunOptions(row, {"p.jpg"}, &photo, &error));
  std::vector<PictureSize> big = {PictureSize{4000, 3000}};
  ASSERT_TRUE(EstimateBuildMemory(row, photo, big, &estimate));
  EXPECT_GT(estimate.bytes, uint64_t{24} << 30);
  std::string advice = ExplainTooLarge(row, photo, big, estimate, uint64_t{8} << 30, false);
  size_t at = advice.find("--fit ");
  ASSERT_NE(at, std::string::npos) << advice;
  EXPECT_NE(advice.find("--step"), std::string::npos);
  int width = 0, height = 0;
  ASSERT_TRUE(ParseSize(advice.substr(at + 6, advice.find(' ', at + 6) - at - 6), 16384, &width, &height)) << advice;
  photo.fitWidth = width;
  photo.fitHeight = height;
  ASSERT_TRUE(EstimateBuildMemory(row, photo, big, &estimate));
  EXPECT_LE(estimate.bytes, uint64_t{6} << 30);  // a quarter of the limit is left for the rest
  EXPECT_EQ(estimate.width * 3, estimate.height * 4);  // proportions kept
  // A GIF output is made from true-colour frames, which take twice the memory.
  RunPlan quality;
  ASSERT_TRUE(ParseRunOptions(row, {"p.jpg", "-o", "x.gif"}, &quality, &error));
  MemoryEstimate qualityEstimate;
  ASSERT_TRUE(EstimateBuildMemory(row, quality, big, &qualityEstimate));
  EXPECT_GT(qualityEstimate.bytes, estimate.bytes + (estimate.bytes - 2 * 3 * uint64_t{4000} * 3000) / 2);
  EXPECT_NE(ExplainTooLarge(row, quality, big, qualityEstimate, uint64_t{8} << 30, false).find("--plugin-colours"),
            std::string::npos);
  // Ripple and Lens are never offered a --fit below their smallest picture.
  RunPlan lens;
  ASSERT_TRUE(ParseRunOptions(*FindEffectRow("lens"), {"p.jpg", "--steps", "1000"}, &lens, &error));
  ASSERT_TRUE(EstimateBuildMemory(*FindEffectRow("lens"), lens, {PictureSize{200, 100}}, &estimate));
  EXPECT_EQ(ExplainTooLarge(*FindEffectRow("lens"), lens, {PictureSize{200, 100}}, estimate, uint64_t{20} << 20, true)
                .find("--fit"),
            std::string::npos);

  // An output whose frames hold more than 100 MB of pixels is said to be large, with a
  // --fit that brings it under; three bytes a pixel in a PNG.
  for (const char* output : {"x.gif", "x.png"}) {
    RunPlan lake;
    ASSERT_TRUE(ParseRunOptions(*FindEffectRow("lake"), {"p.jpg", "--frames", "32", "-o", output}, &lake, &error));
    ASSERT_TRUE(EstimateBuildMemory(*FindEffectRow("lake"), lake, {PictureSize{1600, 1200}}, &estimate));
    std::string note = LargeOutputNote(lake, estimate);
    EXPECT_NE(note.find("may pass 100 MB; --fit "), std::string::npos) << note;
    int fitWidth = 0, fitHeight = 0;
    size_t at = note.find("--fit ") + 6;
    ASSERT_TRUE(ParseSize(note.substr(at, note.find(' ', at) - at), 16384, &fitWidth, &fitHeight)) << note;
    lake.fitWidth = fitWidth;
    lake.fitHeight = fitHeight;
    ASSERT_TRUE(EstimateBuildMemory(*FindEffectRow("lake"), lake, {PictureSize{1600, 1200}}, &estimate));
    EXPECT_EQ(LargeOutputNote(lake, estimate), "") << output;
  }
  RunPlan smallLake;
  ASSERT_TRUE(ParseRunOptions(*FindEffectRow("lake"), {"p.jpg", "-o", "x.png"}, &smallLake, &error));
  ASSERT_TRUE(EstimateBuildMemory(*FindEffectRow("lake"), smallLake, {PictureSize{640, 480}}, &estimate));
  EXPECT_EQ(LargeOutputNote(smallLake, estimate), "");

  // True colour doubles the frames' share; Lake and Lens count from their options.
  RunPlan trueColour;
  ASSERT_TRUE(ParseRunOptions(*FindEffectRow("lens"), {"a", "--steps", "50", "--truecolour"}, &trueColour, &error));
  ASSERT_TRUE(EstimateBuildMemory(*FindEffectRow("lens"), trueColour, {PictureSize{100, 100}}, &estimate));
  EXPECT_EQ(estimate.frames, 50);
  EXPECT_GE(estimate.bytes, uint64_t{2} * 50 * 100 * 100 * 3);
  RunPlan lake;
  ASSERT_TRUE(ParseRunOptions(*FindEffectRow("lake"), {"a"}, &lake, &error));
  ASSERT_TRUE(EstimateBuildMemory(*FindEffectRow("lake"), lake, {PictureSize{100, 80}}, &estimate));
  EXPECT_EQ(estimate.frames, 12);
  EXPECT_EQ(estimate.height, 160);
}

TEST(PictureFit, PicturesShrinkToFitKeepingTheirProportions) {
  EXPECT_EQ(FittedSize({4000, 3000}, 1280, 1280).width, 1280);
  EXPECT_EQ(FittedSize({4000, 3000}, 1280, 1280).height, 960);
  EXPECT_EQ(FittedSize({3000, 4000}, 1280, 720).height, 720);
  EXPECT_EQ(FittedSize({3000, 4000}, 1280, 720).width, 540);
  EXPECT_EQ(FittedSize({100, 50}, 1280, 720).width, 100);  // never enlarged
  EXPECT_EQ(FittedSize({5000, 1}, 100, 100).height, 1);

  // Left half red, right half blue: scaled to half, the halves stay where they were.
  DibImage picture = CreateDibImage(40, 20, nullptr, 24);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) SetDibPixel(picture, x, y, x < 20 ? PackColour(255, 0, 0) : PackColour(0, 0, 255));
  DibImage fitted = FitPicture(OwnedDib(picture), 20, 20).release();
  ASSERT_NE(fitted, nullptr);
  {
    DibView view(fitted);
    EXPECT_EQ(view.width(), 20);
    EXPECT_EQ(view.height(), 10);
  }
  EXPECT_EQ(GetDibPixel(fitted, 2, 5), PackColour(255, 0, 0));
  EXPECT_EQ(GetDibPixel(fitted, 17, 5), PackColour(0, 0, 255));
  FreeDibImage(fitted);
}

TEST(PictureFit, APictureReadByTheChecksServesItsFirstLoadAndIsFittedThere) {
  ProgressDisplay display(stderr, ProgressDisplay::Mode::Quiet);
  HostService service(display);
  service.fitWidth = 10;
  service.fitHeight = 10;
  const char* path = "/no/such/directory/picture.bmp";
  service.preloaded[path] = CreateDibImage(40, 20, nullptr, 24);
  service.preloaded["/never/asked.bmp"] = CreateDibImage(4, 4, nullptr, 24);  // freed by the service
  auto load = [&] { return reinterpret_cast<DibImage>(service.serve(nullptr, HostOpLoadImage, 0, reinterpret_cast<intptr_t>(path))); };
  DibImage first = load();
  ASSERT_NE(first, nullptr);
  {
    DibView view(first);
    EXPECT_EQ(view.width(), 10);
    EXPECT_EQ(view.height(), 5);
  }
  FreeDibImage(first);
  EXPECT_EQ(load(), nullptr);  // the second load reads the file, which is not there
}

TEST(Orientation, EveryTagTurnsThePictureUpright) {
  // A 3 x 2 picture of indexes 0 1 2 / 3 4 5, and how each tag shows it.
  const std::vector<std::vector<unsigned char>> shown = {
      {},
      {0, 1, 2, 3, 4, 5},
      {2, 1, 0, 5, 4, 3},
      {5, 4, 3, 2, 1, 0},
      {3, 4, 5, 0, 1, 2},
      {0, 3, 1, 4, 2, 5},
      {3, 0, 4, 1, 5, 2},
      {5, 2, 4, 1, 3, 0},
      {2, 5, 1, 4, 0, 3},
  };
  for (int tag = 1; tag <= 8; ++tag) {
    std::vector<unsigned char> pixels = {0, 1, 2, 3, 4, 5};
    int width = 3, height = 2;
    ApplyOrientation(tag, &pixels, &width, &height, 1);
    EXPECT_EQ(pixels, shown[tag]) << "tag " << tag;
    EXPECT_EQ(width, tag >= 5 ? 2 : 3) << "tag " << tag;
  }
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<unsigned char>*>(context);
  out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

// A JPEG of a 32 x 16 picture, red on the left and blue on the right, with an Exif block
// giving `orientation` (none for 0), in the byte order asked.
std::vector<unsigned char> TaggedJpeg(int orientation, bool bigEndian) {
  std::vector<unsigned char> rgb(32 * 16 * 3);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      unsigned char* p = &rgb[(y * 32 + x) * 3];
      p[0] = x < 16 ? 255 : 0;
      p[2] = x < 16 ? 0 : 255;
    }
  std::vector<unsigned char> jpeg;
  stbi_write_jpg_to_func(&AppendBytes, &jpeg, 32, 16, 3, rgb.data(), 100);
  if (orientation == 0) return jpeg;
  std::vector<unsigned char> tiff = bigEndian
      ? std::vector<unsigned char>{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
                                   0, static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0}
      : std::vector<unsigned char>{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
                                   static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0, 0};
  std::vector<unsigned char> segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  size_t length = segment.size() - 2;
  segment[2] = static_cast<unsigned char>(length >> 8);
  segment[3] = static_cast<unsigned char>(length);
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

bool Reddish(int32_t colour) { return PackedRed(colour) > 200 && PackedBlue(colour) < 60; }
bool Bluish(int32_t colour) { return PackedBlue(colour) > 200 && PackedRed(colour) < 60; }

TEST(Orientation, JpegPhotographsArriveUpright) {
  EXPECT_EQ(JpegOrientation(TaggedJpeg(0, false).data(), TaggedJpeg(0, false).size()), 1);
  for (bool bigEndian : {false, true}) {
    std::vector<unsigned char> jpeg = TaggedJpeg(6, bigEndian);
    ASSERT_EQ(JpegOrientation(jpeg.data(), jpeg.size()), 6);
    std::string error;
    DibImage picture = DecodePictureFile(jpeg.data(), jpeg.size(), &error);
    ASSERT_NE(picture, nullptr) << error;
    {
      // Turned a quarter clockwise: 16 wide, 32 high, the red left half now on top.
      DibView view(picture);
      EXPECT_EQ(view.width(), 16);
      EXPECT_EQ(view.height(), 32);
    }
    EXPECT_TRUE(Reddish(GetDibPixel(picture, 8, 4)));
    EXPECT_TRUE(Bluish(GetDibPixel(picture, 8, 28)));
    FreeDibImage(picture);
  }
  std::vector<unsigned char> upsideDown = TaggedJpeg(3, false);
  std::string error;
  DibImage picture = DecodePictureFile(upsideDown.data(), upsideDown.size(), &error);
  ASSERT_NE(picture, nullptr) << error;
  EXPECT_TRUE(Bluish(GetDibPixel(picture, 4, 8)));  // the right half now on the left
  FreeDibImage(picture);
  // A damaged Exif block is ignored.
  std::vector<unsigned char> damaged = TaggedJpeg(6, false);
  damaged[2 + 4 + 6] = 'X';  // "II" spoiled
  EXPECT_EQ(JpegOrientation(damaged.data(), damaged.size()), 1);
  EXPECT_EQ(JpegOrientation(damaged.data(), 20), 1);
}

}  // namespace
