// Whether the frames of a build can be held in memory at once.
//
// Every frame of an animation stays in memory until the host has received it, and the
// host keeps its own copy of each. Effects whose frame count comes from a typed number
// check the whole animation before they render, so that a count far too large ends in
// "Memory error" at once instead of slowly exhausting the machine.
#pragma once

#include <cstdint>

// Bytes CreateDibImage takes for a 24-bit image of width x height, plus its frame-list
// entry; 0 when such an image cannot be made at all.
uint64_t TrueColourFrameBytes(int32_t width, int32_t height);

// True when `count` 24-bit frames of width x height, plus `extraBytes` held beside them,
// take at most half of the memory that can be had now (the other half is left for the
// colour reduction's copies and the host's copies of the delivered frames).
bool FramesFitInMemory(uint64_t count, int32_t width, int32_t height, uint64_t extraBytes = 0);

// The same test against a given amount of usable memory.
bool FramesFitInMemory(uint64_t count, int32_t width, int32_t height, uint64_t extraBytes,
                       uint64_t usableBytes);
