#include "platform/allocation_hook.h"

#include <atomic>

#include "platform/memory.h"

namespace platform {
namespace {
// Successful allocations still allowed; negative means no limit. Builds allocate on
// several threads at once, so the countdown is atomic: exactly `successes` allocations
// get through, whichever threads make them.
std::atomic<long> g_allocationsLeft{-1};
}  // namespace

bool AllocationAllowed() {
  long left = g_allocationsLeft.load(std::memory_order_relaxed);
  for (;;) {
    if (left < 0) return true;
    if (left == 0) return false;
    if (g_allocationsLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return true;
  }
}

void FailAllocationsAfter(long successes) { g_allocationsLeft.store(successes, std::memory_order_relaxed); }

}  // namespace platform
