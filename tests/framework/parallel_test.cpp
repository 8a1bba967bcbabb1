#include "framework/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "framework/frames_in_order.h"
#include "platform/memory.h"
#include "tests/support/thread_setting.h"

namespace {

thread_local bool t_callingThread = false;  // set on the test's own thread only

TEST(ParallelFor, RunsEveryIndexOnceWhateverTheThreads) {
  for (int threads : {1, 2, 7}) {
    for (int32_t count : {0, 1, 3, 100}) {
      std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
      std::atomic<int> highestWorker{0};
      EXPECT_TRUE(ParallelFor(threads, count, [&](int32_t i, int worker) {
        ++runs[i];
        int seen = highestWorker.load();
        while (worker > seen && !highestWorker.compare_exchange_weak(seen, worker)) {
        }
        return true;
      }));
      for (int32_t i = 0; i < count; ++i) ASSERT_EQ(runs[i].load(), 1) << threads << " threads, index " << i;
      EXPECT_LT(highestWorker.load(), threads);
      EXPECT_LT(highestWorker.load(), count > 0 ? count : 1);
    }
  }
}

TEST(ParallelFor, WorkerZeroIsTheCallingThreadAndAFailureStopsTheJob) {
  t_callingThread = true;
  std::atomic<bool> workerZeroElsewhere{false};
  std::atomic<int> started{0};
  bool ok = ParallelFor(7, 1000, [&](int32_t i, int worker) {
    if (worker == 0 && !t_callingThread) workerZeroElsewhere = true;
    ++started;
    return i != 5;
  });
  t_callingThread = false;
  EXPECT_FALSE(ok);
  EXPECT_FALSE(workerZeroElsewhere.load());
  EXPECT_LT(started.load(), 1000);  // no new index is taken once one has failed
  // One thread: in order, stopping at the failure.
  std::vector<int32_t> order;
  EXPECT_FALSE(ParallelFor(1, 10, [&](int32_t i, int) {
    order.push_back(i);
    return i != 3;
  }));
  EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(ParallelParts, SplitsIntoFixedContiguousRanges) {
  for (int threads : {1, 2, 7}) {
    for (int32_t count : {1, 5, 7, 100}) {
      const int parts = threads < count ? threads : count;
      std::vector<std::pair<int32_t, int32_t>> ranges(static_cast<size_t>(parts), {-1, -1});
      EXPECT_TRUE(ParallelParts(threads, count, [&](int part, int32_t begin, int32_t end) {
        ranges[part] = {begin, end};
        return true;
      }));
      for (int p = 0; p < parts; ++p) {
        EXPECT_EQ(ranges[p].first, static_cast<int32_t>(int64_t{count} * p / parts)) << threads << "/" << count;
        EXPECT_EQ(ranges[p].second, static_cast<int32_t>(int64_t{count} * (p + 1) / parts));
        EXPECT_LT(ranges[p].first, ranges[p].second);  // no part is empty
      }
      EXPECT_EQ(ranges.front().first, 0);
      EXPECT_EQ(ranges.back().second, count);
    }
  }
  EXPECT_FALSE(ParallelParts(2, 10, [](int part, int32_t, int32_t) { return part == 0; }));
}

// A team serves many jobs in a row, each with as many parts as it asks for (at most the
// team's), the same ranges as threads started per job, part 0 on the calling thread, and
// every part of every job done before run returns.
TEST(ParallelParts, ATeamServesManyJobsLikeThreadsStartedForEach) {
  for (int size : {1, 2, 7}) {
    platform::PartTeam team(size);
    EXPECT_EQ(team.parts(), size);
    for (int job = 0; job < 300; ++job) {
      const int32_t count = job % 11;  // 0 to 10 items: fewer parts than the team, or all
      std::vector<int> sums(static_cast<size_t>(size), 0);
      std::vector<std::pair<int32_t, int32_t>> ranges(static_cast<size_t>(size), {-1, -1});
      std::atomic<bool> zeroElsewhere{false};
      t_callingThread = true;
      ASSERT_TRUE(ParallelParts(team, count, [&](int part, int32_t begin, int32_t end) {
        if (part == 0 && !t_callingThread) zeroElsewhere = true;
        ranges[part] = {begin, end};
        for (int32_t i = begin; i < end; ++i) sums[part] += i + 1;
        return true;
      }));
      t_callingThread = false;
      EXPECT_FALSE(zeroElsewhere.load());
      int total = 0;
      for (int s : sums) total += s;
      ASSERT_EQ(total, count * (count + 1) / 2) << size << " threads, job " << job;
      std::vector<std::pair<int32_t, int32_t>> started(static_cast<size_t>(size), {-1, -1});
      ParallelParts(size, count, [&](int part, int32_t begin, int32_t end) {
        started[part] = {begin, end};
        return true;
      });
      ASSERT_EQ(ranges, started) << size << " threads, job " << job;
    }
  }
  // A failing part fails the job; the team serves the next one as before.
  platform::PartTeam team(3);
  EXPECT_FALSE(ParallelParts(team, 9, [](int part, int32_t, int32_t) { return part != 1; }));
  std::atomic<int> parts{0};
  EXPECT_TRUE(ParallelParts(team, 9, [&](int, int32_t, int32_t) { return ++parts > 0; }));
  EXPECT_EQ(parts.load(), 3);
}

TEST(ThreadCount, ComesFromTheEnvironmentOrTheProcessors) {
  EXPECT_EQ(ParseThreadCount("1"), 1);
  EXPECT_EQ(ParseThreadCount("64"), 64);
  for (const char* bad : {"", "0", "65", "-2", "+2", " 2", "2x", "007"}) EXPECT_EQ(ParseThreadCount(bad), 0) << bad;
  {
    ThreadSetting setting(7);
    EXPECT_EQ(BuildThreadCount(), 7);
  }
  {
    ThreadSetting setting("lots");
    const int processors = platform::ProcessorCount();
    EXPECT_GE(processors, 1);
    EXPECT_EQ(BuildThreadCount(), processors < kMaxBuildThreads ? processors : kMaxBuildThreads);
  }
}

TEST(ParallelFor, InjectedAllocationFailuresCountAcrossThreads) {
  // Exactly the allowed number of allocations succeed, however many threads make them.
  std::atomic<int> succeeded{0};
  std::vector<platform::MemoryHandle> blocks(4000, nullptr);
  platform::FailAllocationsAfter(1500);
  ParallelFor(7, 4000, [&](int32_t i, int) {
    blocks[i] = platform::AllocateBlock(16);
    if (blocks[i]) ++succeeded;
    return true;
  });
  platform::FailAllocationsAfter(-1);
  EXPECT_EQ(succeeded.load(), 1500);
  for (platform::MemoryHandle block : blocks) platform::FreeBlock(block);
}

}  // namespace

namespace {

// Batches hold as many frames as fit in their memory, but at least one per thread.
TEST(MakeFramesInOrder, BatchesAreBoundedByMemoryButServeEveryThread) {
  EXPECT_EQ(OrderedBatchSize(1, 100), 1);
  EXPECT_EQ(OrderedBatchSize(0, 100), 1);
  EXPECT_EQ(OrderedBatchSize(2, 100), kOrderedBatchFrames);
  EXPECT_EQ(OrderedBatchSize(7, kOrderedBatchBytes / 3), 7);
  EXPECT_EQ(OrderedBatchSize(2, kOrderedBatchBytes / 3), 3);
  EXPECT_EQ(OrderedBatchSize(7, kOrderedBatchBytes * 5), 7);
  EXPECT_EQ(OrderedBatchSize(1000, kOrderedBatchBytes * 5), kMaxBuildThreads);
}

// Frames made on any thread are used in order on the calling thread; a frame that
// cannot be made or used ends the job, and the batch's later frames are freed.
TEST(MakeFramesInOrder, UsesFramesInOrderAndStopsAtTheFirstFailure) {
  t_callingThread = true;
  for (int threads : {1, 2, 7}) {
    for (int64_t failAt : {int64_t{-1}, int64_t{0}, int64_t{5}, int64_t{29}}) {
      for (bool failInUse : {false, true}) {
        // Small frames come in one batch, large ones (a quarter of a batch) in several.
        const int64_t frameBytes = failInUse == (failAt % 2 == 0) ? 64 : kOrderedBatchBytes / 4;
        std::vector<int64_t> used;
        std::vector<DibImage> kept;
        const bool ok = MakeFramesInOrder(
            threads, 30, frameBytes,
            [&](int64_t i, int worker) -> DibImage {
              EXPECT_LT(worker, threads);
              if (i == failAt && !failInUse) return nullptr;
              return CreateDibImage(static_cast<int32_t>(i) + 1, 1, nullptr, 24);
            },
            [&](int64_t i, DibImage image) {
              EXPECT_TRUE(t_callingThread);
              int32_t width = 0, height = 0;
              EXPECT_TRUE(GetDibImageInfo(image, &width, &height, nullptr, nullptr));
              EXPECT_EQ(width, i + 1);
              if (i == failAt) {
                FreeDibImage(image);
                return false;
              }
              used.push_back(i);
              kept.push_back(image);
              return true;
            });
        const int64_t expected = failAt < 0 ? 30 : failAt;
        EXPECT_EQ(ok, failAt < 0);
        ASSERT_EQ(static_cast<int64_t>(used.size()), expected) << threads << "/" << failAt;
        for (int64_t i = 0; i < expected; ++i) EXPECT_EQ(used[i], i);
        for (DibImage image : kept) FreeDibImage(image);  // the sanitizer build checks the rest were freed
      }
    }
  }
}

}  // namespace
