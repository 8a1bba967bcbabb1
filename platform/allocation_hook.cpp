#include "platform/allocation_hook.h"

#include "platform/memory.h"

namespace platform {
namespace {
// Successful allocations still allowed; negative means no limit. The plug-ins run on
// one thread, so a plain variable is enough.
long g_allocationsLeft = -1;
}  // namespace

bool AllocationAllowed() {
  if (g_allocationsLeft < 0) return true;
  if (g_allocationsLeft == 0) return false;
  --g_allocationsLeft;
  return true;
}

void FailAllocationsAfter(long successes) { g_allocationsLeft = successes; }

}  // namespace platform
