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
// The rockets draw in order on one surface, so only the copying of the surface into each
// frame could be shared among threads. BM_PyrotechnicsCaptureThreads measures whether
// that would pay: 60 captures of a 640 x 480 surface (a new frame and its rows copied)
// on one thread and with the rows split among all the machine's threads, in turns, the
// bytes compared. Counters: one_fps and fps (captures per second), speedup, threads.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "bench/render_bench.h"
#include "effects/pyrotechnics/draw_surface.h"
#include "effects/pyrotechnics/fireworks.h"
#include "framework/dib_view.h"
#include "framework/parallel.h"
#include "samples/scenes.h"
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
  if (warmUp) {
    // Freed blocks stay with the process instead of going back to the system.
  }
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

// A capture with the rows shared among `threads` threads.
DibImage CaptureOnThreads(const DibView& surface, int threads) {
  DibImage frame = CreateDibImage(surface.width(), surface.height(), nullptr, 24);
  DibView view(frame);
  const size_t stride = view.stride();
  ParallelParts(threads, surface.height(), [&](int, int32_t begin, int32_t end) {
    std::memcpy(view.pixels() + stride * begin, surface.pixels() + stride * begin, stride * (end - begin));
    return true;
  });
  return frame;
}

void BM_PyrotechnicsCaptureThreads(benchmark::State& state) {
  constexpr int kCaptures = 60;
  DibImage picture = RenderScene(kWidth, kHeight, 4);
  const DibView surface(picture);
  const int threads = BuildThreadCount();
  double seconds = 0, oneSeconds = 0;
  for (auto _ : state) {
    std::vector<DibImage> one, shared;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < kCaptures; ++i) {
      one.push_back(CreateDibImage(kWidth, kHeight, nullptr, 24));
      CopySurfaceRows(surface.pixels(), kWidth, kHeight, surface.stride(), one.back());
    }
    oneSeconds += Seconds(start);
    start = Clock::now();
    for (int i = 0; i < kCaptures; ++i) shared.push_back(CaptureOnThreads(surface, threads));
    const double elapsed = Seconds(start);
    state.SetIterationTime(elapsed);
    seconds += elapsed;
    bool same = true;
    for (int i = 0; i < kCaptures; ++i) {
      DibView a(one[i]), b(shared[i]);
      same = same && std::memcmp(a.pixels(), b.pixels(), static_cast<size_t>(a.stride()) * a.height()) == 0;
      FreeDibImage(one[i]);
      FreeDibImage(shared[i]);
    }
    if (!same) {
      state.SkipWithError("the shared captures differ");
      break;
    }
  }
  FreeDibImage(picture);
  const double captures = static_cast<double>(kCaptures) * state.iterations();
  state.counters["fps"] = captures / seconds;
  state.counters["one_fps"] = captures / oneSeconds;
  state.counters["speedup"] = oneSeconds / seconds;
  state.counters["threads"] = threads;
}

BENCHMARK(BM_PyrotechnicsCaptureThreads)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunRenderBenchmarks(argc, argv); }
