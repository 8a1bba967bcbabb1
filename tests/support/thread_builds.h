// Checks of an effect's builds on several threads: the same delivery at every thread
// count, and an allocation failure on any thread ending in "Memory error" with nothing
// delivered.
//
// `build(failAfter)` makes one whole build through the effect's dialog on a fresh host
// whose failAllocationsInBuild is `failAfter` (-1: none) and returns what came of it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "tests/support/fake_host.h"
#include "tests/support/thread_setting.h"

struct BuildOutcome {
  std::vector<std::string> messages;
  std::vector<DeliveredTask> tasks;
};

// Two deliveries alike in every byte the host was handed.
inline ::testing::AssertionResult SameDelivery(const DeliveredTask& a, const DeliveredTask& b) {
  if (a.width != b.width || a.height != b.height || a.bits != b.bits || a.frameCount != b.frameCount ||
      a.finished != b.finished || a.comment != b.comment || a.frames.size() != b.frames.size())
    return ::testing::AssertionFailure() << "the tasks differ (" << a.frames.size() << " and " << b.frames.size()
                                         << " frames)";
  if (std::memcmp(&a.palette, &b.palette, sizeof a.palette) != 0)
    return ::testing::AssertionFailure() << "the palettes differ";
  for (size_t i = 0; i < a.frames.size(); ++i) {
    const DeliveredFrame& x = a.frames[i];
    const DeliveredFrame& y = b.frames[i];
    if (x.delay != y.delay || x.frameNumber != y.frameNumber || x.transparentKey != y.transparentKey ||
        x.bitmap != y.bitmap)
      return ::testing::AssertionFailure() << "frame " << i << " differs";
  }
  return ::testing::AssertionSuccess();
}

// The build delivers one finished animation of at least `minimumFrames` frames, the same
// on 2 and 7 threads as on one.
template <class Build>
void ExpectTheSameDeliveryOnAnyThreadCount(Build build, size_t minimumFrames) {
  BuildOutcome one;
  {
    ThreadSetting setting(1);
    one = build(-1);
  }
  ASSERT_TRUE(one.messages.empty()) << one.messages[0];
  ASSERT_EQ(one.tasks.size(), 1u);
  ASSERT_GE(one.tasks[0].frames.size(), minimumFrames);
  for (int threads : {2, 7}) {
    ThreadSetting setting(threads);
    const BuildOutcome shared = build(-1);
    EXPECT_TRUE(shared.messages.empty()) << threads;
    ASSERT_EQ(shared.tasks.size(), 1u) << threads;
    EXPECT_TRUE(SameDelivery(shared.tasks[0], one.tasks[0])) << threads << " threads";
  }
}

// Fails the k-th allocation of the build on `threads` threads, for k growing from 0 (in
// steps that widen as k grows) until a build gets through: every build must either
// deliver the whole animation or say "Memory error" once and deliver nothing. The
// sanitizer build checks that nothing leaks.
template <class Build>
void ExpectAllocationFailuresToEndCleanly(int threads, long limit, Build build) {
  ThreadSetting setting(threads);
  const BuildOutcome whole = build(-1);
  ASSERT_EQ(whole.tasks.size(), 1u);
  bool completed = false;
  long failed = 0;
  for (long k = 0; k < limit && !completed; k += 1 + k / 64) {
    const BuildOutcome outcome = build(k);
    platform::FailAllocationsAfter(-1);
    completed = outcome.tasks.size() == 1 && outcome.tasks[0].finished == 1;
    if (completed) {
      EXPECT_TRUE(SameDelivery(outcome.tasks[0], whole.tasks[0])) << k;
    } else {
      ++failed;
      EXPECT_EQ(outcome.messages, std::vector<std::string>{"Memory error"}) << k;
      EXPECT_TRUE(outcome.tasks.empty()) << k;
    }
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(failed, 0);
}
