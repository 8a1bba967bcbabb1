// Lens rendering speed: 100 steps over a 640 x 480 photograph with lens diameters of 35
// (the default) and 100 (the most the dialog offers), against the plain GetDibPixel /
// SetDibPixel version of the tests in the same run. The plain version is timed on every
// fifth frame and those frames are compared byte for byte with the renderer's. Counters:
//   fps            frames per second of RenderLens over the whole path
//   reference_fps  frames per second of the plain version over its sample
//   ratio          fps / reference_fps
// BM_LensThreads renders the whole path on all the machine's threads and on one, in turns,
// checks that both give the same frames and reports fps, one_fps, speedup and threads.
#include <vector>

#include "bench/render_bench.h"
#include "effects/lens/lens_render.h"
#include "samples/scenes.h"
#include "tests/lens/lens_reference.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr uint32_t kSteps = 100;
constexpr uint32_t kReferenceEvery = 5;

// One rendering of the path, with the plain version's frames on every fifth point
// compared.
bool RenderBoth(DibImage picture, const std::vector<LensPoint>& path, int32_t diameter, RenderTimes* times) {
  FrameList list;
  double start = ThreadSeconds();
  bool ok = RenderLens({picture, path.data(), kSteps, diameter, 5, &list});
  times->seconds += ThreadSeconds() - start;
  times->frames += list.count;
  for (uint32_t i = 0; ok && i < kSteps; i += kReferenceEvery) {
    start = ThreadSeconds();
    DibImage expected = ReferenceLensFrame(picture, path[i].x, path[i].y, diameter);
    times->referenceSeconds += ThreadSeconds() - start;
    ++times->referenceFrames;
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
  TimeAgainstReference(state, [&](RenderTimes* times) { return RenderBoth(picture, path, diameter, times); });
}

BENCHMARK(BM_Lens)->Arg(35)->Arg(100)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LensThreads(benchmark::State& state) {
  static DibImage picture = RenderScene(kWidth, kHeight, 5);
  const int32_t diameter = LensDiameter(static_cast<uint32_t>(state.range(0)), kWidth, kHeight);
  std::vector<LensPoint> path;
  for (uint32_t i = 0; i < kSteps; ++i) path.push_back(LensPathPoint(i, kSteps, kWidth, kHeight, diameter));
  TimeThreadsAgainstOne(state, [&](int threads, FrameList* list) {
    LensJob job{picture, path.data(), kSteps, diameter, 5, list};
    job.threads = threads;
    return RenderLens(job) != 0;
  });
}

BENCHMARK(BM_LensThreads)->Arg(35)->Arg(100)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunRenderBenchmarks(argc, argv); }
