// Shared by both memory back ends: the countdown behind FailAllocationsAfter.
#pragma once

namespace platform {

// True when the next allocation may succeed; counts it against the countdown.
bool AllocationAllowed();

}  // namespace platform
