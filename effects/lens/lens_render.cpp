// The lens is drawn along 628 rays (angles 0, 0.01, ..., 6.27 radians). On each ray,
// sample radius r = 1, 2, ... while r < D / 2 - 1 is spread over the output radii t from
// trunc(radius[r - 1]) while t < radius[r + 1], so neighbouring runs overlap; the rays
// run in angle order, then r, then t, and a later write to a pixel replaces an earlier
// one. A sample lying outside the picture writes nothing.
//
// Everything that does not depend on the lens position is worked out once per
// rendering: the sine and cosine of each angle, the runs of t of each r, and which
// sample each (angle, r) reads. A frame then costs one copy of the picture's rows, one
// read of the D x D sample and the pixel writes of the rays, straight into the rows.
#include "effects/lens/lens_render.h"

#include <algorithm>
#include <cstring>

#include "framework/dib_view.h"
#include "framework/frames_in_order.h"
#include "framework/portable_math.h"
#include "framework/work_buffer.h"

namespace {

constexpr int kAngles = 628;
constexpr double kAngleStep = 0.01;
constexpr int32_t kOutside = -1;  // a sample beyond the picture's edge: writes nothing

// The frame-independent tables of a diameter.
class LensTables {
 public:
  explicit LensTables(int32_t diameter)
      : diameter_(diameter),
        half_(diameter / 2),
        rings_(std::max(0, diameter / 2 - 2)),
        radii_(diameter > 0 ? static_cast<size_t>(diameter) : 0),
        runStart_(std::max(1, rings_)),
        runEnd_(std::max(1, rings_)),
        sampleAt_(static_cast<size_t>(kAngles) * std::max(1, rings_)) {
    if (!ok()) return;
    for (int32_t i = 0; i < half_; ++i) radii_[i] = LensRadius(diameter_, i);
    for (int a = 0; a < kAngles; ++a) {
      const double angle = a * kAngleStep;
      cosines_[a] = PortableCos(angle);
      sines_[a] = PortableSin(angle);
    }
    for (int32_t q = 0; q < rings_; ++q) {
      const int32_t r = q + 1;
      const int32_t start = static_cast<int32_t>(radii_[r - 1]);
      int32_t end = start;
      while (end < radii_[r + 1]) ++end;
      runStart_[q] = start;
      runEnd_[q] = end;
      for (int a = 0; a < kAngles; ++a) {
        const int32_t j = static_cast<int32_t>(r * cosines_[a]) + half_;
        const int32_t k = static_cast<int32_t>(r * sines_[a]) + half_;
        sampleAt_[static_cast<size_t>(a) * rings_ + q] = k * diameter_ + j;
      }
    }
  }

  bool ok() const {
    return diameter_ > 0 && radii_.ok() && runStart_.ok() && runEnd_.ok() && sampleAt_.ok();
  }

  // The elements of the scratch space `draw` reads the D x D square into.
  size_t sampleSize() const { return static_cast<size_t>(diameter_) * static_cast<size_t>(diameter_); }

  // Draws the lens at (cx, cy) into `frame`, a copy of the picture, using `sample`
  // (sampleSize() elements, the caller's own) as scratch space: the tables are only read,
  // so threads with a sample each may draw at once.
  void draw(const DibView& frame, int32_t cx, int32_t cy, int32_t* sample) const {
    readSample(frame, cx, cy, sample);
    const int32_t width = frame.width();
    const int32_t height = frame.height();
    for (int a = 0; a < kAngles; ++a) {
      const double c = cosines_[a];
      const double s = sines_[a];
      const int32_t* sampleAt = &sampleAt_[static_cast<size_t>(a) * rings_];
      for (int32_t q = 0; q < rings_; ++q) {
        const int32_t value = sample[sampleAt[q]];
        if (value == kOutside) continue;
        for (int32_t t = runStart_[q]; t < runEnd_[q]; ++t) {
          const int32_t x = static_cast<int32_t>(cx + t * c);
          const int32_t y = static_cast<int32_t>(cy + t * s);
          if (x < 0 || y < 0 || x >= width || y >= height) continue;
          uint8_t* pixel = frame.pictureRow(y) + 3 * static_cast<size_t>(x);
          pixel[0] = static_cast<uint8_t>(value);
          pixel[1] = static_cast<uint8_t>(value >> 8);
          pixel[2] = static_cast<uint8_t>(value >> 16);
        }
      }
    }
  }

 private:
  // The D x D square whose top-left corner is (cx, cy), row by row; each pixel as its
  // blue, green and red bytes (low to high) or kOutside.
  void readSample(const DibView& frame, int32_t cx, int32_t cy, int32_t* sample) const {
    for (int32_t k = 0; k < diameter_; ++k) {
      int32_t* out = sample + static_cast<size_t>(k) * diameter_;
      const int64_t y = static_cast<int64_t>(cy) + k;
      for (int32_t j = 0; j < diameter_; ++j) {
        const int64_t x = static_cast<int64_t>(cx) + j;
        if (x < 0 || y < 0 || x >= frame.width() || y >= frame.height()) {
          out[j] = kOutside;
          continue;
        }
        const uint8_t* pixel = frame.pictureRow(static_cast<int32_t>(y)) + 3 * x;
        out[j] = pixel[0] | (pixel[1] << 8) | (pixel[2] << 16);
      }
    }
  }

  int32_t diameter_;
  int32_t half_;
  int32_t rings_;  // values of r: 1 to D / 2 - 2
  WorkBuffer<double> radii_;
  WorkBuffer<int32_t> runStart_;  // per r: first t
  WorkBuffer<int32_t> runEnd_;    // per r: the first t past the run
  WorkBuffer<int32_t> sampleAt_;  // per angle and r: index into the sample
  double cosines_[kAngles];
  double sines_[kAngles];
};

// A new 24-bit image holding the picture's pixels (padding left zero), or none.
DibImage CopyOfPicture(const DibView& picture) {
  OwnedDib copy(CreateDibImage(picture.width(), picture.height(), nullptr, 24));
  DibView to(copy.get());
  if (!to.ok()) return nullptr;
  const size_t rowBytes = static_cast<size_t>(picture.width()) * 3;
  for (int32_t y = 0; y < picture.height(); ++y) std::memcpy(to.pictureRow(y), picture.pictureRow(y), rowBytes);
  return copy.release();
}

DibImage DrawFrame(const LensTables& tables, const DibView& picture, int32_t cx, int32_t cy, int32_t* sample) {
  OwnedDib frame(CopyOfPicture(picture));
  DibView view(frame.get());
  if (!view.ok()) return nullptr;
  tables.draw(view, cx, cy, sample);
  return frame.release();
}

}  // namespace

int32_t LensDiameter(uint32_t typedDiameter, int32_t width, int32_t height) {
  const int32_t limit = std::max(0, std::min(width / 3, height / 3));
  return typedDiameter < static_cast<uint32_t>(limit) ? static_cast<int32_t>(typedDiameter) : limit;
}

LensPoint LensPathPoint(uint32_t i, uint32_t n, int32_t width, int32_t height, int32_t diameter) {
  const int32_t hx = (width - 2 * diameter) / 2;
  const int32_t hy = (height - 2 * diameter) / 2;
  if (n == 0) return {diameter + hx, diameter + hy};
  const double step = static_cast<double>(i);
  const int32_t dx = static_cast<int32_t>(hx * PortableSin(6.283185307 / n * step));
  const int32_t dy = static_cast<int32_t>(hy * PortableSin(12.56637061 / n * step));
  return {diameter + hx + dx, diameter + hy + dy};
}

platform::MemoryHandle MakeLensPath(uint32_t n, int32_t width, int32_t height, int32_t diameter) {
  // n is at most 2^32 - 1: the size is worked out in 64 bits and must fit the address space.
  const uint64_t bytes = static_cast<uint64_t>(n) * sizeof(LensPoint);
  if (n == 0 || bytes > SIZE_MAX) return nullptr;
  platform::MemoryHandle block = platform::AllocateBlock(static_cast<size_t>(bytes));
  platform::BlockLock lock(block);
  if (!lock) {
    platform::FreeBlock(block);
    return nullptr;
  }
  auto* points = static_cast<LensPoint*>(lock.data());
  for (uint32_t i = 0; i < n; ++i) points[i] = LensPathPoint(i, n, width, height, diameter);
  return block;
}

double LensRadius(int32_t diameter, int32_t i) {
  return static_cast<double>(diameter) * i / PortableSqrt(100.0 + static_cast<double>(i) * i);
}

DibImage RenderLensFrame(DibImage picture, int32_t cx, int32_t cy, int32_t diameter) {
  DibView source(picture);
  if (!source.ok() || source.bits() != 24) return nullptr;
  LensTables tables(diameter);
  WorkBuffer<int32_t> sample(tables.sampleSize());
  if (!tables.ok() || !sample.ok()) return nullptr;
  return DrawFrame(tables, source, cx, cy, sample.data());
}

int RenderLens(const LensJob& job) {
  DibView source(job.picture);
  if (!source.ok() || source.bits() != 24) return 0;
  LensTables tables(job.diameter);
  if (!tables.ok()) return 0;
  // One sample per thread, side by side in one block.
  const int threads = std::max(1, std::min(job.threads, kMaxBuildThreads));
  WorkBuffer<int32_t> samples(tables.sampleSize() * threads);
  if (!samples.ok()) return 0;
  const int64_t frameBytes = static_cast<int64_t>(source.stride()) * source.height();
  const bool made = MakeFramesInOrder(
      threads, job.count, frameBytes,
      [&](int64_t i, int worker) {
        return DrawFrame(tables, source, job.path[i].x, job.path[i].y, &samples[tables.sampleSize() * worker]);
      },
      [&](int64_t, DibImage frame) {
        if (AppendFrame(job.frames, frame, job.delay)) return true;
        FreeDibImage(frame);
        return false;
      });
  return made ? 1 : 0;
}
