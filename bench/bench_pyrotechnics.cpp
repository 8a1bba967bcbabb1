// Pyrotechnics rendering speed: the default settings (5 random rockets, explosion 850,
// gravity 400, energy 80, the stored seed) at 640 x 480, rendered with RenderFireworks
// against the plain version of its tests in the same run, every frame compared byte for
// byte.
//
// Every frame is a new 900 KB picture that the animation keeps, so both versions first
// pay for the system handing out fresh memory (its page faults). BM_Pyrotechnics/fresh
// measures a fresh process like that; BM_Pyrotechnics/warm keeps freed memory in the
// process (as a host that has built before does) and renders once before timing, so it
// measures the rendering itself. Counters:
//   frames     frames of the animation
//   fps        frames per second of RenderFireworks
//   plain_fps  frames per second of the plain version
//   ratio      fps / plain_fps
//
// BM_PyrotechnicsThreads renders the same animation on all the machine's threads (the
// frames of each batch of steps drawn on the threads from the steps' pixels) and on one,
// in turns, checks that both give the same frames and reports fps, one_fps, speedup and
// threads.
#include <benchmark/benchmark.h>


#include <chrono>
#include <cstring>
#include <vector>

#include "bench/render_bench.h"
#include "effects/pyrotechnics/fireworks.h"
#include "framework/dib_view.h"
#include "tests/pyrotechnics/fireworks_oracle.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr uint32_t kSeed = (8634u << 16) | 8634u;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

bool SameFrames(const FrameList& one, const FrameList& other) {
  if (one.count != other.count) return false;
  for (int32_t i = 0; i < one.count; ++i) {
    FrameEntry a, b;
    if (!ReadFrameEntry(&one, i, &a) || !ReadFrameEntry(&other, i, &b) || a.delay != b.delay) return false;
    DibView x(a.image), y(b.image);
    if (!x.ok() || !y.ok() || x.stride() != y.stride() || x.height() != y.height() ||
        std::memcmp(x.pixels(), y.pixels(), static_cast<size_t>(x.stride()) * x.height()) != 0)
      return false;
  }
  return true;
}

void BM_Pyrotechnics(benchmark::State& state) {
  int32_t colours[kMostRockets];
  for (int32_t& colour : colours) colour = static_cast<int32_t>(kRandomColourFlag);
  double seconds = 0, plainSeconds = 0;
  int64_t frames = 0;
  bool warmUp = state.range(0) != 0;
  for (auto _ : state) {
    FrameList list;
    RandomSource random;
    random.SeedRandom(kSeed);
    FireworksScene scene;
    scene.frames = &list;
    scene.random = &random;
    scene.width = kWidth;
    scene.height = kHeight;
    for (int i = 0; i < kMostRockets; ++i) scene.rocketColours[i] = colours[i];
    if (warmUp) {
      warmUp = false;
      FrameList first;
      scene.frames = &first;
      RenderFireworks(scene);
      FreeFrameList(&first);
      scene.frames = &list;
      random.SeedRandom(kSeed);
    }
    Clock::time_point start = Clock::now();
    const int ok = RenderFireworks(scene);
    const double elapsed = Seconds(start);
    state.SetIterationTime(elapsed);
    seconds += elapsed;
    frames += list.count;

    FrameList plain;
    OracleSettings settings{kWidth, kHeight, scene.delay, scene.rockets, scene.background, colours,
                            scene.explosion, scene.gravity, scene.energy, kSeed};
    start = Clock::now();
    const int plainOk = OracleFireworks(settings, &plain);
    plainSeconds += Seconds(start);
    const bool same = ok && plainOk && SameFrames(list, plain);
    FreeFrameList(&list);
    FreeFrameList(&plain);
    if (!same) {
      state.SkipWithError("RenderFireworks and the plain version differ");
      return;
    }
  }
  const double fps = frames / seconds;
  const double plainFps = frames / plainSeconds;
  state.counters["frames"] = static_cast<double>(frames) / state.iterations();
  state.counters["fps"] = fps;
  state.counters["plain_fps"] = plainFps;
  state.counters["ratio"] = fps / plainFps;
}

BENCHMARK(BM_Pyrotechnics)
    ->ArgName("warm")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_PyrotechnicsThreads(benchmark::State& state) {
  TimeThreadsAgainstOne(state, [](int threads, FrameList* list) {
    RandomSource random;
    random.SeedRandom(kSeed);
    FireworksScene scene;
    scene.frames = list;
    scene.random = &random;
    scene.width = kWidth;
    scene.height = kHeight;
    scene.threads = threads;
    for (int32_t& colour : scene.rocketColours) colour = static_cast<int32_t>(kRandomColourFlag);
    return RenderFireworks(scene) == 1;
  });
}

BENCHMARK(BM_PyrotechnicsThreads)->Iterations(60)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunRenderBenchmarks(argc, argv); }
