#include "host/host_service.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fstream>

#include "host/capture_file.h"
#include "host/picture_file.h"
#include "platform/directories.h"
#include "platform/memory.h"
#include "samples/bmp_file.h"
#include "tests/support/thread_setting.h"

namespace {

std::vector<uint8_t> BlockBytes(DibImage image) {
  platform::BlockLock lock(image);
  if (!lock) return {};
  const auto* bytes = static_cast<const uint8_t*>(lock.data());
  return std::vector<uint8_t>(bytes, bytes + platform::BlockSize(image));
}

class HostServiceTest : public ::testing::Test {
 protected:
  intptr_t Call(void* task, int32_t operation, intptr_t argument, intptr_t data) {
    return record.callback(task, operation, argument, data);
  }
  intptr_t Call(void* task, int32_t operation, const void* data) {
    return Call(task, operation, 0, reinterpret_cast<intptr_t>(data));
  }

  ProgressDisplay display{stderr, ProgressDisplay::Mode::Quiet};
  HostService service{display};
  HostBuildRecord record = service.record(HostCapsOptimise);
};

TEST_F(HostServiceTest, ADeliveryIsCopiedAsItArrives) {
  NewTaskRecord task;
  std::memset(&task, 0, sizeof task);
  task.size = sizeof task;
  task.version = kInterfaceVersion;
  task.width = 3;
  task.height = 2;
  task.bitsPerPixel = 8;
  task.frameCount = 1;
  task.palette.entries[1] = {9, 8, 7};
  ASSERT_EQ(Call(nullptr, HostOpCreateTestTask, &task), 1);
  RgbPalette palette{};
  DibImage image = CreateDibImage(3, 2, &palette, 8);
  SetDibPixel(image, 2, 1, 1);
  AddImageRecord add;
  std::memset(&add, 0, sizeof add);
  add.size = sizeof add;
  add.image = image;
  add.delay = 12;
  add.transparentKey = 1;
  EXPECT_EQ(Call(&add, HostOpAddImage, &add), 0);  // not the task's address
  EXPECT_EQ(Call(&task, HostOpAddImage, &add), 1);
  FreeDibImage(image);  // the plug-in frees its frames; the host's copy stays
  EXPECT_EQ(Call(&task, HostOpAddComment, "a comment"), 1);
  EXPECT_EQ(Call(&task, HostOpFinishTask, 1, 0), 1);

  ASSERT_EQ(service.deliveries().size(), 1u);
  const Delivery& d = service.deliveries()[0];
  EXPECT_TRUE(d.test);
  EXPECT_EQ(d.width, 3);
  EXPECT_EQ(d.palette.entries[1].red, 9);
  EXPECT_EQ(d.comment, "a comment");
  EXPECT_EQ(d.sequence, (std::vector<int32_t>{HostOpCreateTestTask, HostOpAddImage, HostOpAddComment, HostOpFinishTask}));
  ASSERT_EQ(d.frames.size(), 1u);
  EXPECT_EQ(d.frames[0].delay, 12);
  FramePicture picture;
  ASSERT_TRUE(ReadFramePicture(d.frames[0].bitmap, &picture));
  EXPECT_EQ(picture.pixel(2, 1), 1);
  EXPECT_EQ(picture.pixel(0, 0), 0);

  // The capture shows it the same way on every target.
  std::string path = platform::JoinPath(platform::TemporaryDirectory(), "kestrel-capture-test.txt");
  std::string error;
  ASSERT_TRUE(WriteCaptureFile(d, path, &error)) << error;
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  in.close();
  std::remove(path.c_str());
  auto has = [&lines](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
  EXPECT_TRUE(has("task operation=5 size=contract version=0x200 window=null width=3 height=2 bits=8 zero24=0 "
                  "zero796=0 frames=1 tail=zero"));
  EXPECT_TRUE(has("record size=contract version=0x0 image=set zero12=0 delay=12 zero20=0,0,0 number=0 key=1 "
                  "zero40=zero"));
  EXPECT_TRUE(has("header 40 3 2 1 8 0 8 0 0 256 256"));
  EXPECT_TRUE(has("row 0 000000"));
  EXPECT_TRUE(has("row 1 000001"));
  EXPECT_TRUE(has("comment 9 \"a comment\""));
  EXPECT_TRUE(has("sequence 5 2 3 4"));
}

TEST_F(HostServiceTest, AFrameThatIsNotAReadableBitmapIsRefused) {
  NewTaskRecord task{};
  ASSERT_EQ(Call(nullptr, HostOpCreateTask, &task), 1);
  DibImage bogus = platform::AllocateBlock(20);  // shorter than a bitmap header
  AddImageRecord add{};
  add.image = bogus;
  EXPECT_EQ(Call(&task, HostOpAddImage, &add), 0);
  add.image = nullptr;
  EXPECT_EQ(Call(&task, HostOpAddImage, &add), 0);
  FreeDibImage(bogus);
  Call(&task, HostOpFinishTask, 0, 0);
  EXPECT_TRUE(service.deliveries().empty());
  EXPECT_EQ(service.abandonedDeliveries(), 1);
}

TEST_F(HostServiceTest, RequestsTakeThePreparedAnswersInTurn) {
  std::string a = platform::JoinPath("dir", "a.bmp"), b = platform::JoinPath("dir", "b.bmp");
  service.selections = {{a}, {a, b}, {std::string(300, 'p')}};
  service.colours = {PackColour(1, 2, 3)};
  char path[kOpenFilePathSize];
  ASSERT_EQ(Call(nullptr, HostOpOpenFile, path), 1);
  EXPECT_STREQ(path, a.c_str());
  std::vector<char> buffer(kOpenFilesBufferSize);
  ASSERT_EQ(Call(nullptr, HostOpOpenFiles, buffer.data()), 1);
  EXPECT_STREQ(buffer.data(), "dir");
  EXPECT_EQ(Call(nullptr, HostOpOpenFile, path), 0);  // too long for the plug-in's buffer
  EXPECT_EQ(Call(nullptr, HostOpOpenFiles, buffer.data()), 0);  // none left: cancelled

  ColourRequestRecord request{};
  request.colour = 5;
  EXPECT_EQ(Call(nullptr, HostOpChooseColour, &request), 1);
  EXPECT_EQ(request.colour, PackColour(1, 2, 3));
  EXPECT_EQ(Call(nullptr, HostOpChooseColour, &request), 0);
  EXPECT_EQ(Call(nullptr, HostOpPasteImage, nullptr), 0);  // an empty clipboard
}

TEST_F(HostServiceTest, PicturesAreLoadedForThePlugInOrRefused) {
  std::string good = platform::JoinPath(platform::TemporaryDirectory(), "kestrel-service-good.bmp");
  std::string bad = platform::JoinPath(platform::TemporaryDirectory(), "kestrel-service-bad.bmp");
  DibImage picture = CreateDibImage(4, 4, nullptr, 24);
  ASSERT_TRUE(WriteBmpFile(good.c_str(), picture));
  FreeDibImage(picture);
  std::FILE* file = std::fopen(bad.c_str(), "wb");
  std::fputs("BM not really a picture", file);
  std::fclose(file);
  auto loaded = reinterpret_cast<DibImage>(Call(nullptr, HostOpLoadImage, good.c_str()));
  EXPECT_NE(loaded, nullptr);
  FreeDibImage(loaded);  // the plug-in's now
  EXPECT_EQ(Call(nullptr, HostOpLoadImage, bad.c_str()), 0);
  service.clipboardFile = good;
  auto pasted = reinterpret_cast<DibImage>(Call(nullptr, HostOpPasteImage, nullptr));
  EXPECT_NE(pasted, nullptr);
  FreeDibImage(pasted);
  std::remove(good.c_str());
  std::remove(bad.c_str());
}

// The pictures of every prepared selection are decoded ahead, on several threads, at the
// first file request; each load then hands out the picture decoded for that path once,
// and a picture that could not be decoded ahead is tried again when asked for.
TEST_F(HostServiceTest, PicturesOfTheSelectionsAreDecodedAhead) {
  ThreadSetting setting(7);
  const std::string directory = platform::TemporaryDirectory();
  std::vector<std::string> paths;
  for (int i = 0; i < 4; ++i) {
    paths.push_back(platform::JoinPath(directory, "kestrel-ahead-" + std::to_string(i) + ".bmp"));
    DibImage picture = CreateDibImage(5 + i, 3, nullptr, 24);
    SetDibPixel(picture, 1, 1, PackColour(i, 2 * i, 3 * i));
    ASSERT_TRUE(WriteBmpFile(paths[i].c_str(), picture));
    FreeDibImage(picture);
  }
  const std::string late = platform::JoinPath(directory, "kestrel-ahead-late.bmp");
  std::remove(late.c_str());
  std::vector<std::vector<uint8_t>> expected;
  for (const std::string& name : paths) {
    std::string error;
    DibImage direct = LoadPictureFile(name, &error);
    ASSERT_NE(direct, nullptr) << error;
    expected.push_back(BlockBytes(direct));
    FreeDibImage(direct);
  }
  service.selections = {{paths[0]}, {paths[1], paths[2]}, {late}, {paths[3], paths[3]}};
  char path[kOpenFilePathSize];
  ASSERT_EQ(Call(nullptr, HostOpOpenFile, path), 1);
  // From now on only what was decoded ahead can be loaded; the late picture, made after
  // the first request, only by a second try.
  for (const std::string& name : paths) std::remove(name.c_str());
  DibImage latePicture = CreateDibImage(2, 2, nullptr, 24);
  ASSERT_TRUE(WriteBmpFile(late.c_str(), latePicture));
  FreeDibImage(latePicture);
  const int order[] = {0, 1, 2, 3, 3};
  for (int i : order) {
    auto loaded = reinterpret_cast<DibImage>(Call(nullptr, HostOpLoadImage, paths[i].c_str()));
    ASSERT_NE(loaded, nullptr) << paths[i];
    EXPECT_EQ(BlockBytes(loaded), expected[i]) << paths[i];
    FreeDibImage(loaded);  // the plug-in's now
  }
  auto lateLoaded = reinterpret_cast<DibImage>(Call(nullptr, HostOpLoadImage, late.c_str()));
  EXPECT_NE(lateLoaded, nullptr);
  FreeDibImage(lateLoaded);
  // Each picture decoded ahead is handed out once: a third load of the last finds no file.
  EXPECT_EQ(Call(nullptr, HostOpLoadImage, paths[3].c_str()), 0);
  std::remove(late.c_str());
}

}  // namespace
