// Lake rendering speed: the reflection of a 640 x 480 photograph in 12 and 32 frames
// (the default and the most the dialog offers), with the composition of every frame
// under the picture, against the plain CopyDibRect version of the tests in the same run.
// Every frame of both is compared byte for byte. Counters:
//   fps            frames per second of RenderLake followed by ComposeLakeFrames
//   reference_fps  frames per second of the plain version
//   ratio          fps / reference_fps
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

#include <cstring>
#include <vector>

#include "effects/lake/lake_render.h"
#include "samples/scenes.h"
#include "tests/lake/lake_reference.h"

namespace {

// Freed frames stay with the process and are reused, so that both versions are timed on
// their own work rather than on the kernel handing out and clearing fresh pages for every
// new frame, which costs both the same.
void KeepFreedMemory() {
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

// Processor time of this thread: the machine may be busy with other work.
double Now() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

bool SameBlock(DibImage one, DibImage other) {
  const size_t size = platform::BlockSize(one);
  if (size == 0 || size != platform::BlockSize(other)) return false;
  platform::BlockLock a(one), b(other);
  return a && b && std::memcmp(a.data(), b.data(), size) == 0;
}

// One rendering by both versions, compared frame by frame; adds their times.
bool RenderBoth(DibImage picture, int32_t count, double* seconds, double* referenceSeconds, int64_t* frames) {
  FrameList list;
  double start = Now();
  bool ok = RenderLake(picture, count, 8, &list) && ComposeLakeFrames(picture, &list, nullptr, nullptr);
  *seconds += Now() - start;
  *frames += list.count;

  start = Now();
  std::vector<DibImage> expected;
  DibImage mirror = ReferenceMirror(picture);
  for (int32_t j = 0; j < count; ++j) {
    DibImage reflection = ReferenceLakeFrame(mirror, j, count);
    expected.push_back(ReferenceComposeLakeFrame(picture, reflection));
    FreeDibImage(reflection);
  }
  FreeDibImage(mirror);
  *referenceSeconds += Now() - start;

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
  double seconds = 0, referenceSeconds = 0;
  int64_t frames = 0;
  // A first round untimed: the memory of the frames is then the process's own.
  if (!RenderBoth(picture, count, &seconds, &referenceSeconds, &frames)) {
    state.SkipWithError("renderer and plain version differ");
    return;
  }
  seconds = referenceSeconds = 0;
  frames = 0;
  for (auto _ : state) {
    const double before = seconds;
    if (!RenderBoth(picture, count, &seconds, &referenceSeconds, &frames)) {
      state.SkipWithError("renderer and plain version differ");
      return;
    }
    state.SetIterationTime(seconds - before);
  }
  const double fps = frames / seconds;
  const double referenceFps = frames / referenceSeconds;
  state.counters["fps"] = fps;
  state.counters["reference_fps"] = referenceFps;
  state.counters["ratio"] = fps / referenceFps;
}

BENCHMARK(BM_Lake)->Arg(12)->Arg(32)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
