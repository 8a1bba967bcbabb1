// What the renderer benchmarks share: processor time of the calling thread, the timing
// of a renderer against its plain version, and a main that keeps freed memory in the
// process.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include "framework/parallel.h"
#include "platform/memory.h"
#include "tests/support/rendered_frames.h"

// Seconds of processor time of this thread: the machine may be busy with other work.
inline double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// The heap as fwhost has it (huge pages where the system offers them), and freed frames
// kept in the process and reused (blocks up to 32 MiB from the heap, which is never given
// back), so that both versions are timed on their own work rather than on the kernel
// handing out and clearing fresh pages for every new frame, which costs both the same.
inline int RunRenderBenchmarks(int argc, char** argv) {
  platform::PrepareHeapForFrames();
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// Processor time and frames of the renderer and of the plain version.
struct RenderTimes {
  double seconds = 0;
  double referenceSeconds = 0;
  int64_t frames = 0;
  int64_t referenceFrames = 0;
};

// Runs `round` (one rendering by both versions, adding to the times; false when their
// bytes differ) once untimed, so that the frames' memory is the process's own, then once
// per iteration. Reports fps, reference_fps and their ratio.
template <typename Round>
void TimeAgainstReference(benchmark::State& state, Round round) {
  RenderTimes times;
  if (!round(&times)) {
    state.SkipWithError("renderer and plain version differ");
    return;
  }
  times = RenderTimes{};
  for (auto _ : state) {
    const double before = times.seconds;
    if (!round(&times)) {
      state.SkipWithError("renderer and plain version differ");
      return;
    }
    state.SetIterationTime(times.seconds - before);
  }
  const double fps = times.frames / times.seconds;
  const double referenceFps = times.referenceFrames / times.referenceSeconds;
  state.counters["fps"] = fps;
  state.counters["reference_fps"] = referenceFps;
  state.counters["ratio"] = fps / referenceFps;
}

// Frame lists alike: the same count, delays and image bytes.
inline bool SameFrameLists(const FrameList& one, const FrameList& other) {
  if (one.count != other.count) return false;
  for (int32_t i = 0; i < one.count; ++i) {
    FrameEntry a{}, b{};
    if (!ReadFrameEntry(&one, i, &a) || !ReadFrameEntry(&other, i, &b) || a.delay != b.delay ||
        !SameBlock(a.image, b.image))
      return false;
  }
  return true;
}

// Wall-clock seconds: threads share the work, so the calling thread's processor time
// would not show the gain.
inline double WallSeconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// Renders with render(threads, list) on all the build's threads and on one, in turns in
// every iteration after an untimed pair (so that the frames' memory is the process's
// own, where the allocator keeps it), checks that both lists hold the same frames, and
// reports, from the fastest run of each (a busy machine only ever slows a run down)
//   fps      frames per second on all threads
//   one_fps  frames per second on one thread
//   speedup  fps / one_fps
//   threads  the threads used
template <typename Render>
void TimeThreadsAgainstOne(benchmark::State& state, Render render) {
  const int threads = BuildThreadCount();
  double best = 0, oneBest = 0;
  int64_t frames = 0;
  {
    FrameList shared, single;
    render(threads, &shared);
    render(1, &single);
    FreeFrameList(&shared);
    FreeFrameList(&single);
  }
  for (auto _ : state) {
    FrameList shared, single;
    double start = WallSeconds();
    bool ok = render(threads, &shared);
    const double elapsed = WallSeconds() - start;
    state.SetIterationTime(elapsed);
    start = WallSeconds();
    ok = render(1, &single) && ok;
    const double oneElapsed = WallSeconds() - start;
    if (best == 0 || elapsed < best) best = elapsed;
    if (oneBest == 0 || oneElapsed < oneBest) oneBest = oneElapsed;
    frames = shared.count;
    const bool same = SameFrameLists(shared, single);
    FreeFrameList(&shared);
    FreeFrameList(&single);
    if (!ok || !same) {
      state.SkipWithError(ok ? "the threads' frames differ from one thread's" : "rendering failed");
      return;
    }
  }
  state.counters["fps"] = frames / best;
  state.counters["one_fps"] = frames / oneBest;
  state.counters["speedup"] = oneBest / best;
  state.counters["threads"] = threads;
}
