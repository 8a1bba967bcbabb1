// Lake rendering speed: the reflection of a 640 x 480 photograph in 12 and 32 frames
// (the default and the most the dialog offers), with the composition of every frame
// under the picture, against the plain CopyDibRect version of the tests in the same run.
// Every frame of both is compared byte for byte. Counters:
//   fps            frames per second of RenderLake followed by ComposeLakeFrames
//   reference_fps  frames per second of the plain version
//   ratio          fps / reference_fps
// BM_LakeThreads renders the same on all the machine's threads and on one, in turns, checks
// that both give the same frames and reports fps, one_fps, speedup and threads.
#include <vector>

#include "bench/render_bench.h"
#include "effects/lake/lake_render.h"
#include "samples/scenes.h"
#include "tests/lake/lake_reference.h"

namespace {

// One rendering by both versions, compared frame by frame.
bool RenderBoth(DibImage picture, int32_t count, RenderTimes* times) {
  FrameList list;
  double start = ThreadSeconds();
  bool ok = RenderLake(picture, count, 8, &list) && ComposeLakeFrames(picture, &list, nullptr, nullptr);
  times->seconds += ThreadSeconds() - start;
  times->frames += list.count;

  start = ThreadSeconds();
  std::vector<DibImage> expected;
  DibImage mirror = ReferenceMirror(picture);
  for (int32_t j = 0; j < count; ++j) {
    DibImage reflection = ReferenceLakeFrame(mirror, j, count);
    expected.push_back(ReferenceComposeLakeFrame(picture, reflection));
    FreeDibImage(reflection);
  }
  FreeDibImage(mirror);
  times->referenceSeconds += ThreadSeconds() - start;
  times->referenceFrames += count;

  for (int32_t j = 0; ok && j < count; ++j) {
    FrameEntry entry;
    ok = ReadFrameEntry(&list, j, &entry) && SameBlock(entry.image, expected[j]);
  }
  for (DibImage image : expected) FreeDibImage(image);
  FreeFrameList(&list);
  return ok;
}

void BM_Lake(benchmark::State& state) {
  static DibImage picture = RenderScene(640, 480, 3);
  const int32_t count = static_cast<int32_t>(state.range(0));
  TimeAgainstReference(state, [&](RenderTimes* times) { return RenderBoth(picture, count, times); });
}

BENCHMARK(BM_Lake)->Arg(12)->Arg(32)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LakeThreads(benchmark::State& state) {
  static DibImage picture = RenderScene(640, 480, 3);
  const int32_t count = static_cast<int32_t>(state.range(0));
  TimeThreadsAgainstOne(state, [&](int threads, FrameList* list) {
    return RenderLake(picture, count, 8, list, threads) && ComposeLakeFrames(picture, list, nullptr, nullptr, threads);
  });
}

BENCHMARK(BM_LakeThreads)->Arg(12)->Arg(32)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunRenderBenchmarks(argc, argv); }
