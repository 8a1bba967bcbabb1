// Ripple speed: the whole animation of a 640 x 480 photograph with the default seed
// ("&Use seed" 8634), against the plain version of its tests in the same run, frame for
// frame and byte for byte. Both are timed in processor time of the process (user and
// system), so that other programs sharing the machine do not skew the ratio.
//
// Both run on a warmed heap, as in a host that has built before: freed frames stay with
// the allocator instead of going back to the system, and one untimed animation comes
// first. (On fresh memory every new frame costs the system's page faults, the same for
// both versions, which would hide the difference measured here.) Counters:
//   frames      frames of the animation
//   fps         frames per second of RunRipple (simulation and frames)
//   plain_fps   frames per second of the plain version
//   ratio       fps / plain_fps
// BM_RippleThreads/W/H runs the animation of a W x H photograph on all the machine's
// threads and on one, in turns (wall-clock time), checks that both give the same frames
// and reports fps, one_fps, speedup and threads.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstring>
#include <ctime>

#include "bench/render_bench.h"
#include "effects/ripple/ripple_simulation.h"
#include "framework/dib_view.h"
#include "samples/scenes.h"
#include "tests/ripple/ripple_oracle.h"

namespace {


constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr uint32_t kDefaultSeed = (8634u << 16) | 8634u;

double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

bool SameFrames(const FrameList& one, const FrameList& other) {
  if (one.count != other.count) return false;
  for (int32_t i = 0; i < one.count; ++i) {
    FrameEntry a{}, b{};
    ReadFrameEntry(&one, i, &a);
    ReadFrameEntry(&other, i, &b);
    DibView va(a.image), vb(b.image);
    if (!va.ok() || !vb.ok() || va.stride() != vb.stride() || va.height() != vb.height() ||
        std::memcmp(va.pixels(), vb.pixels(), static_cast<size_t>(va.stride()) * va.height()) != 0)
      return false;
  }
  return true;
}

void BM_Ripple(benchmark::State& state) {
  DibImage picture = RenderScene(kWidth, kHeight, 1);
  double seconds = 0;
  int64_t frames = 0;
  FrameList fast;
  {
    RandomSource random;
    random.SeedRandom(kDefaultSeed);
    RunRipple(picture, &random, 5, &fast);  // warms the heap
  }
  for (auto _ : state) {
    FreeFrameList(&fast);
    RandomSource random;
    random.SeedRandom(kDefaultSeed);
    const double start = ProcessSeconds();
    const int ok = RunRipple(picture, &random, 5, &fast);
    const double elapsed = ProcessSeconds() - start;
    state.SetIterationTime(elapsed);
    seconds += elapsed;
    frames += fast.count;
    if (!ok) {
      state.SkipWithError("the animation failed");
      FreeDibImage(picture);
      return;
    }
  }
  FrameList plain;
  const double start = ProcessSeconds();
  OracleRunRipple(picture, kDefaultSeed, 5, kRippleFrameCap, &plain);
  const double plainSeconds = ProcessSeconds() - start;
  const bool same = SameFrames(fast, plain);
  const int32_t plainCount = plain.count;
  FreeFrameList(&fast);
  FreeFrameList(&plain);
  FreeDibImage(picture);
  if (!same) {
    state.SkipWithError("the frames differ from the plain version's");
    return;
  }
  const double fps = frames / seconds;
  const double plainFps = plainCount / plainSeconds;
  state.counters["frames"] = static_cast<double>(frames) / state.iterations();
  state.counters["fps"] = fps;
  state.counters["plain_fps"] = plainFps;
  state.counters["ratio"] = fps / plainFps;
}

BENCHMARK(BM_Ripple)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RippleThreads(benchmark::State& state) {
  DibImage picture = RenderScene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)), 1);
  TimeThreadsAgainstOne(state, [&](int threads, FrameList* list) {
    RandomSource random;
    random.SeedRandom(kDefaultSeed);
    return RunRipple(picture, &random, 5, list, kRippleFrameCap, threads) != 0;
  });
  FreeDibImage(picture);
}

// At and above the size from which the rows are shared.
BENCHMARK(BM_RippleThreads)
    ->Args({384, 384})
    ->Args({kWidth, kHeight})
    ->Args({1024, 768})
    ->Args({1280, 960})
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunRenderBenchmarks(argc, argv); }
