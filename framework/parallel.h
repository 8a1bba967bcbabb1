// Work sharing for builds: a job of `count` independent items spread over a few threads,
// with results that never depend on the number of threads.
//
// How many threads: BuildThreadCount() (the count the host's session asks for, else the
// user's KESTREL_THREADS, else the machine's processors); a build reads it once and hands
// it down (BuildContext::threads). With 1
// thread every call below runs its items in order on the calling thread: the plain
// single-threaded path, with no thread started.
//
// Two ways to share a job:
//
//   ParallelFor(threads, count, body): body(index, worker) for every index. Indexes are
//   handed out in increasing order to whichever thread is free, so which worker runs an
//   index varies from run to run. Each item must write only outputs of its own (frame i's
//   result into slot i), or add into per-worker accumulators whose combined value does not
//   depend on which worker added what (sums of counts). `worker` is in [0, threads);
//   worker 0 is always the calling thread, so it alone may report progress to the host.
//
//   ParallelParts(threads, count, body): the deterministic split. The indexes are cut into
//   `parts` = min(threads, count) contiguous ranges, part p taking [count p / parts,
//   count (p + 1) / parts), and body(part, begin, end) runs each range in order. For
//   results that depend on order (a list of colours in order of first appearance), let
//   each part collect its own and merge the parts' results in part order afterwards.
//
// In both, body returns false to report failure: the call then returns false, and no
// new item or part is started (those already running finish). Bodies run concurrently:
// they may read shared inputs, but must not call the host (but for worker or part 0, the
// calling thread), show messages, or touch a
// FrameList (read the entries before, write them back after, on the calling thread).
// Allocation failures inside a body are reported like any other failure, and the caller
// frees whatever the items made, on the calling thread, once the call has returned.
//
// Example, one result per frame:
//
//   std::vector<DibImage> out(frames.size(), nullptr);
//   bool ok = ParallelFor(build.threads, count, [&](int32_t i, int) {
//     out[i] = RenderOne(frames[i]);
//     return out[i] != nullptr;
//   });
//   // on failure free every non-null out[i]; on success append them in order.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/threads.h"

// The most threads a build uses.
constexpr int kMaxBuildThreads = 64;
// The environment variable through which a user sets the builds' thread count (the
// Windows fwhost.exe also sets it for the plug-in it runs, which has no session record).
constexpr const char* kThreadsVariable = "KESTREL_THREADS";

// A thread count as text: a whole number from 1 to kMaxBuildThreads, nothing else (no
// sign, no spaces); 0 when the text is not one.
int ParseThreadCount(const std::string& text);

// The threads a build uses: the session's count when one is set, else KESTREL_THREADS
// when it holds a valid count, else the processors this process may run on, at most
// kMaxBuildThreads.
int BuildThreadCount();

// The count a host's session asks for, for the span of the session (0: none); returns
// the count set before.
int SetSessionThreadCount(int threads);

namespace parallel_detail {

// Workers for a job: between 1 and the smaller of the threads and the items.
inline int Workers(int threads, int32_t count) {
  if (threads > kMaxBuildThreads) threads = kMaxBuildThreads;
  int workers = count < threads ? static_cast<int>(count) : threads;
  return workers < 1 ? 1 : workers;
}

template <class Body>
struct ForJob {
  Body& body;
  int32_t count;
  std::atomic<int32_t> next{0};
  std::atomic<bool> failed{false};

  static void Run(void* context, int worker) {
    ForJob& job = *static_cast<ForJob*>(context);
    while (!job.failed.load(std::memory_order_relaxed)) {
      const int32_t index = job.next.fetch_add(1, std::memory_order_relaxed);
      if (index >= job.count) return;
      if (!job.body(index, worker)) job.failed.store(true, std::memory_order_relaxed);
    }
  }
};

template <class Body>
struct PartsJob {
  Body& body;
  int32_t count;
  int parts;
  std::atomic<bool> failed{false};

  static void Run(void* context, int part) {
    PartsJob& job = *static_cast<PartsJob*>(context);
    if (job.failed.load(std::memory_order_relaxed)) return;
    const int32_t begin = static_cast<int32_t>(static_cast<int64_t>(job.count) * part / job.parts);
    const int32_t end = static_cast<int32_t>(static_cast<int64_t>(job.count) * (part + 1) / job.parts);
    if (!job.body(part, begin, end)) job.failed.store(true, std::memory_order_relaxed);
  }
};

template <class Body, class Run>
bool ShareParts(int threads, int32_t count, Body& body, Run&& run) {
  if (count <= 0) return true;
  const int parts = Workers(threads, count);
  if (parts == 1) return body(0, 0, count);
  PartsJob<Body> job{body, count, parts};
  run(parts, &PartsJob<Body>::Run, &job);
  return !job.failed.load();
}

}  // namespace parallel_detail

template <class Body>
bool ParallelFor(int threads, int32_t count, Body&& body) {
  if (count <= 0) return true;
  const int workers = parallel_detail::Workers(threads, count);
  if (workers == 1) {
    for (int32_t i = 0; i < count; ++i)
      if (!body(i, 0)) return false;
    return true;
  }
  parallel_detail::ForJob<Body> job{body, count};
  platform::RunParts(workers, &parallel_detail::ForJob<Body>::Run, &job);
  return !job.failed.load();
}

template <class Body>
bool ParallelParts(int threads, int32_t count, Body&& body) {
  return parallel_detail::ShareParts(threads, count, body, platform::RunParts);
}

// ParallelParts on a team's helpers (platform::PartTeam) instead of threads started for
// the call: for renderers that share a small job many times, once or twice a frame.
template <class Body>
bool ParallelParts(platform::PartTeam& team, int32_t count, Body&& body) {
  return parallel_detail::ShareParts(team.parts(), count, body,
                                     [&team](int parts, platform::PartWork work, void* context) {
                                       team.run(parts, work, context);
                                     });
}
