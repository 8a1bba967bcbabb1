// Page Curl rendering speed: the animation of two 640 x 480 photographs at step 15, for
// each corner (Vertical and Horizontal), against the point-by-point oracle in the same run.
//
// The whole animation is rendered with RenderCurlFrames and timed per frame. The oracle
// costs about P^2 per frame with P up to three times the larger side, so it is timed on
// every eighth frame of each transition only, an even sample of the curl sizes; the same
// frames are rendered again with RenderCurlFrame, compared byte for byte with the oracle's,
// and timed too. Counters:
//   fps           frames per second of the whole animation
//   oracle_fps    frames per second of the oracle over its sample
//   ratio         fps / oracle_fps
//   sample_ratio  oracle time / renderer time over the very same sampled frames
//
// BM_PageCurlThreads renders each animation on all the machine's threads and on one, in
// turns within the same run, checks that both give the same frames, and reports
//   fps           frames per second on all threads
//   one_fps       frames per second on one thread
//   speedup       fps / one_fps
//   threads       the threads used
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "bench/render_bench.h"
#include "effects/pagecurl/curl_geometry.h"
#include "effects/pagecurl/curl_render.h"
#include "framework/dib_view.h"
#include "framework/parallel.h"
#include "samples/scenes.h"
#include "tests/pagecurl/curl_oracle.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kStep = 15;
constexpr int32_t kOracleEvery = 8;
constexpr int32_t kPaper = 13369395;

struct Photographs {
  DibImage pictures[2];
  Photographs() : pictures{RenderScene(kWidth, kHeight, 1), RenderScene(kWidth, kHeight, 2)} {}
  ~Photographs() {
    FreeDibImage(pictures[0]);
    FreeDibImage(pictures[1]);
  }
};

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

bool SameBytes(DibImage one, DibImage other) {
  DibView a(one), b(other);
  return a.ok() && b.ok() && a.stride() == b.stride() && a.height() == b.height() &&
         std::memcmp(a.pixels(), b.pixels(), static_cast<size_t>(a.stride()) * a.height()) == 0;
}

// Frames per transition, read from the delays: the last frame of each carries the pause.
std::vector<int32_t> TransitionLengths(const FrameList& list, int32_t pause) {
  std::vector<int32_t> lengths;
  int32_t length = 0;
  for (int32_t i = 0; i < list.count; ++i) {
    FrameEntry entry;
    ReadFrameEntry(&list, i, &entry);
    ++length;
    if (entry.delay == pause) {
      lengths.push_back(length);
      length = 0;
    }
  }
  return lengths;
}

void BM_PageCurl(benchmark::State& state) {
  static const Photographs photographs;
  const uint32_t bits = static_cast<uint32_t>(state.range(0));
  CurlJob job{photographs.pictures, 2, 3, 100, kPaper, kStep, bits, nullptr, nullptr, nullptr};
  double seconds = 0;
  int64_t frames = 0;
  std::vector<int32_t> lengths;
  for (auto _ : state) {
    FrameList list;
    job.frames = &list;
    Clock::time_point start = Clock::now();
    const int ok = RenderCurlFrames(job);
    const double elapsed = Seconds(start);
    state.SetIterationTime(elapsed);
    seconds += elapsed;
    frames += list.count;
    lengths = TransitionLengths(list, job.pause);
    FreeFrameList(&list);
    if (!ok) {
      state.SkipWithError("rendering failed");
      return;
    }
  }

  double oracleSeconds = 0;
  double sampleSeconds = 0;
  int32_t sampled = 0;
  for (size_t i = 0; i < lengths.size() && i < 2; ++i) {
    DibImage current = photographs.pictures[i];
    DibImage next = photographs.pictures[(i + 1) % 2];
    for (int32_t frame = 0; frame < lengths[i]; frame += kOracleEvery) {
      const int32_t position = kStep * (frame + 1);
      int oracleDone = 0, done = 0;
      Clock::time_point start = Clock::now();
      DibImage expected = OracleCurlFrame(current, next, position, bits, kPaper, &oracleDone);
      oracleSeconds += Seconds(start);
      start = Clock::now();
      DibImage actual = RenderCurlFrame(current, next, position, bits, kPaper, &done);
      sampleSeconds += Seconds(start);
      const bool same = expected && actual && done == oracleDone && SameBytes(expected, actual);
      FreeDibImage(expected);
      FreeDibImage(actual);
      if (!same) {
        state.SkipWithError("renderer and oracle differ");
        return;
      }
      ++sampled;
    }
  }
  const double fps = frames / seconds;
  const double oracleFps = sampled / oracleSeconds;
  state.counters["frames"] = static_cast<double>(frames) / state.iterations();
  state.counters["fps"] = fps;
  state.counters["oracle_fps"] = oracleFps;
  state.counters["ratio"] = fps / oracleFps;
  state.counters["sample_ratio"] = oracleSeconds / sampleSeconds;
}

void BM_PageCurlThreads(benchmark::State& state) {
  static const Photographs photographs;
  const uint32_t bits = static_cast<uint32_t>(state.range(0));
  TimeThreadsAgainstOne(state, [&](int threads, FrameList* list) {
    CurlJob job{photographs.pictures, 2, 3, 100, kPaper, kStep, bits, list, nullptr, nullptr};
    job.threads = threads;
    return RenderCurlFrames(job) != 0;
  });
}

void Corners(benchmark::internal::Benchmark* benchmark) {
  for (uint32_t orientation : {0u, kCurlHorizontal})
    for (uint32_t corner : {kCurlUpperLeft, kCurlLowerLeft, kCurlUpperRight, kCurlLowerRight})
      benchmark->Arg(static_cast<int64_t>(corner | orientation));
}

BENCHMARK(BM_PageCurl)
    ->Apply(Corners)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PageCurlThreads)
    ->Apply(Corners)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunRenderBenchmarks(argc, argv); }
