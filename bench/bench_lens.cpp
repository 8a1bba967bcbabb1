// Lens rendering speed: 100 steps over a 640 x 480 photograph with lens diameters of 35
// (the default) and 100 (the most the dialog offers), against the plain GetDibPixel /
// SetDibPixel version of the tests in the same run. The plain version is timed on every
// fifth frame and those frames are compared byte for byte with the renderer's. Counters:
//   fps            frames per second of RenderLens over the whole path
//   reference_fps  frames per second of the plain version over its sample
//   ratio          fps / reference_fps
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

#include <cstring>
#include <vector>

#include "effects/lens/lens_render.h"
#include "samples/scenes.h"
#include "tests/lens/lens_reference.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr uint32_t kSteps = 100;
constexpr uint32_t kReferenceEvery = 5;

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

// One rendering of the path, with the plain version's frames on every fifth point
// compared; adds the times.
bool RenderBoth(DibImage picture, const std::vector<LensPoint>& path, int32_t diameter, double* seconds,
                double* referenceSeconds, int64_t* frames, int64_t* sampled) {
  FrameList list;
  double start = Now();
  bool ok = RenderLens({picture, path.data(), kSteps, diameter, 5, &list});
  *seconds += Now() - start;
  *frames += list.count;
  for (uint32_t i = 0; ok && i < kSteps; i += kReferenceEvery) {
    start = Now();
    DibImage expected = ReferenceLensFrame(picture, path[i].x, path[i].y, diameter);
    *referenceSeconds += Now() - start;
    ++*sampled;
    FrameEntry entry;
    ok = ReadFrameEntry(&list, static_cast<int32_t>(i), &entry) && SameBlock(entry.image, expected);
    FreeDibImage(expected);
  }
  FreeFrameList(&list);
  return ok;
}

void BM_Lens(benchmark::State& state) {
  static DibImage picture = RenderScene(kWidth, kHeight, 5);
  const int32_t diameter = LensDiameter(static_cast<uint32_t>(state.range(0)), kWidth, kHeight);
  std::vector<LensPoint> path;
  for (uint32_t i = 0; i < kSteps; ++i) path.push_back(LensPathPoint(i, kSteps, kWidth, kHeight, diameter));
  double seconds = 0, referenceSeconds = 0;
  int64_t frames = 0, sampled = 0;
  // A first round untimed: the memory of the frames is then the process's own.
  if (!RenderBoth(picture, path, diameter, &seconds, &referenceSeconds, &frames, &sampled)) {
    state.SkipWithError("renderer and plain version differ");
    return;
  }
  seconds = referenceSeconds = 0;
  frames = sampled = 0;
  for (auto _ : state) {
    const double before = seconds;
    if (!RenderBoth(picture, path, diameter, &seconds, &referenceSeconds, &frames, &sampled)) {
      state.SkipWithError("renderer and plain version differ");
      return;
    }
    state.SetIterationTime(seconds - before);
  }
  const double fps = frames / seconds;
  const double referenceFps = sampled / referenceSeconds;
  state.counters["fps"] = fps;
  state.counters["reference_fps"] = referenceFps;
  state.counters["ratio"] = fps / referenceFps;
}

BENCHMARK(BM_Lens)->Arg(35)->Arg(100)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
