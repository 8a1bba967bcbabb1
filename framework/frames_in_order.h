// Frames made on a build's threads and used in order: for renderers whose frame i depends
// only on i, so that any thread may make it, while the frame list is filled (or rewritten)
// in order on the calling thread.
//
// The frames are made a batch at a time, as many as fit in about kOrderedBatchBytes (but
// at least one per thread): every frame made is kept, so a batch holds frames the list
// would hold anyway, and large batches start the threads seldom. Only when a frame cannot
// be made are the batch's later frames made in vain. With one thread each frame is made
// and used before the next is made: the plain path.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/dib_image.h"
#include "framework/parallel.h"

constexpr int64_t kOrderedBatchBytes = int64_t{64} << 20;
constexpr int32_t kOrderedBatchFrames = 1024;

// Frames to make at once on `threads` threads when each takes about `frameBytes`.
inline int32_t OrderedBatchSize(int threads, int64_t frameBytes) {
  if (threads <= 1) return 1;
  threads = std::min(threads, kMaxBuildThreads);
  const int64_t fitting = kOrderedBatchBytes / std::max<int64_t>(1, frameBytes);
  return static_cast<int32_t>(std::max<int64_t>(threads, std::min<int64_t>(fitting, kOrderedBatchFrames)));
}

// Makes frames 0 to count - 1 with make(index, worker), a new image or none on failure
// (run concurrently: see ParallelFor), and passes each to use(index, image) in index
// order on the calling thread. use takes the image, whether or not it succeeds (false
// on failure). Stops at the first frame that cannot be made or used: the frames of the
// batch after it are freed, those used before it stay used. True when every frame was
// made and used.
template <class Make, class Use>
bool MakeFramesInOrder(int threads, int64_t count, int64_t frameBytes, Make&& make, Use&& use) {
  if (count <= 0) return true;
  const int32_t batch = OrderedBatchSize(threads, frameBytes);
  std::vector<DibImage> made(static_cast<size_t>(batch), nullptr);
  for (int64_t first = 0; first < count; first += batch) {
    const int32_t size = static_cast<int32_t>(std::min<int64_t>(batch, count - first));
    ParallelFor(threads, size, [&](int32_t k, int worker) {
      made[k] = make(first + k, worker);
      return made[k] != nullptr;
    });
    bool ok = true;
    for (int32_t k = 0; k < size; ++k) {
      DibImage image = made[k];
      made[k] = nullptr;
      if (ok) ok = image && use(first + k, image);
      else FreeDibImage(image);
    }
    if (!ok) return false;
  }
  return true;
}
