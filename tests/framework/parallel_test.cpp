#include "framework/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

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
