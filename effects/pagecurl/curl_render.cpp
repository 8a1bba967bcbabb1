// Drawing one frame.
//
// Each point of the curl's local square shows one of four things, decided by five tests
// (below): the flat picture being peeled (A), the revealed next picture (B), the shaded
// curve of the roll (A darkened toward the reveal edge) or the back of the sheet (the paper
// colour, brightest in the middle of the back). The frame is drawn in three passes in
// that sense: reveal, then shade, then the back over the part of the shading it covers;
// since every pass writes a point from A, B or the paper colour alone and the passes'
// regions nest, each point is written once here with the value the last pass that covers
// it would leave.
//
// The frame is walked by picture rows. Along one row the local point moves along a local
// row (Vertical) or a local column (Horizontal), and each test is monotone in that
// direction (the circle test on either side of the roll's centre), so a row splits into
// at most eight runs on which every test has one value. The runs' ends are found by
// bisection with exactly the arithmetic of the per-point tests, so every point gets the
// same answer as if each were tested on its own. Picture runs stay as copied from A,
// revealed runs are copied from B's row, and only the shaded curve and the back of the
// sheet cost trigonometry per pixel. Points outside the picture are never visited.
#include "effects/pagecurl/curl_render.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "effects/pagecurl/curl_geometry.h"
#include "framework/dib_view.h"
#include "framework/parallel.h"
#include "framework/portable_math.h"

namespace {

constexpr double kPi = 3.141592653589793;

enum class CurlPart { kPicture, kRevealed, kShaded, kBack };

// T1: on the inner side of the fold diagonal. T2: beyond the reveal edge. T3: outside the
// back's outer edge. T4: beyond the roll's tangent line. T5: inside the roll.
bool InsideFold(const CurlGeometry& g, double x, double y) { return x < g.l1 + (y - g.l2) * g.m1; }
bool BeyondReveal(const CurlGeometry& g, double x, double y) {
  return g.l1 + (y - g.l2) * g.m2 < x;
}
bool OutsideBack(const CurlGeometry& g, double x, double y) {
  return y < (x - g.g.x) * g.m3 + g.g.y;
}
bool BeyondTangent(const CurlGeometry& g, double x, double y) {
  return g.l1 + (y - g.l2) * g.m4 < x;
}
bool InsideRoll(const CurlGeometry& g, double x, double y) {
  const double dy = y - g.k.y;
  const double dx = x - g.k.x;
  return PortableSqrt(dy * dy + dx * dx) <= g.rho;
}

CurlPart Classify(const CurlGeometry& g, double x, double y) {
  const bool t3 = OutsideBack(g, x, y);
  const bool t5 = InsideRoll(g, x, y);
  if (BeyondReveal(g, x, y) || (BeyondTangent(g, x, y) && t3 && !t5)) return CurlPart::kRevealed;
  if (InsideFold(g, x, y)) return CurlPart::kPicture;
  if (!t5 && !t3) return CurlPart::kBack;
  return CurlPart::kShaded;
}

// The angle at the far corner (L1, L2) between the fold diagonal and the point: 0 on the
// diagonal, alpha on the reveal edge.
double ShadingAngle(const CurlGeometry& g, double x, double y) {
  const double vx = x - g.l1;
  const double vy = y - g.l2;
  const double px = -static_cast<double>(g.l1);
  const double py = -static_cast<double>(g.l2);
  const double dot = vx * px + vy * py;
  return ClampedAcos(dot / (PortableSqrt(vx * vx + vy * vy) * g.diagonalLength));
}

// A channel scaled by a factor of 0 to 1, truncated toward zero.
uint8_t Scaled(uint8_t channel, double factor) {
  const int value = static_cast<int>(channel * factor);
  return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Brightness of the back of the sheet: sin(pi a / alpha) to the power 1.5, 0 where the
// sine is not positive (a point just past the reveal edge by rounding).
double BackStrength(const CurlGeometry& g, double angle) {
  const double sine = PortableSin(kPi * angle / g.alpha);
  return sine > 0 ? sine * PortableSqrt(sine) : 0.0;
}

// The local-to-picture mapping is a turn or mirror plus a shift: X = cx + xx x + xy y,
// Y = cy + yx x + yy y, with each coefficient 0, 1 or -1.
struct AffineMap {
  int64_t cx, xx, xy, cy, yx, yy;
};

AffineMap MapOf(const CurlGeometry& g) {
  int64_t x00, y00, x10, y10, x01, y01;
  MapCurlPoint(g, 0, 0, &x00, &y00);
  MapCurlPoint(g, 1, 0, &x10, &y10);
  MapCurlPoint(g, 0, 1, &x01, &y01);
  return {x00, x10 - x00, x01 - x00, y00, y10 - y00, y01 - y00};
}

// The local points that fall on one picture row: (x, y) = (t, fixed) when the row runs
// along a local row, (fixed, t) when it runs along a local column; X = base + step t.
struct RowWalk {
  bool alongX;
  int64_t fixed;
  int64_t base;
  int64_t step;
  double x(int64_t t) const { return static_cast<double>(alongX ? t : fixed); }
  double y(int64_t t) const { return static_cast<double>(alongX ? fixed : t); }
  int64_t column(int64_t t) const { return base + step * t; }
};

// Adds the first t of [lo, hi] where `test` changes value, if it does; `test` must be
// monotone on [lo, hi].
template <class Test>
void AddChange(int64_t lo, int64_t hi, const Test& test, int64_t* points, int* count) {
  if (lo >= hi) return;
  const bool first = test(lo);
  if (test(hi) == first) return;
  while (hi - lo > 1) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (test(mid) == first)
      lo = mid;
    else
      hi = mid;
  }
  points[(*count)++] = hi;
}

// Splits local points lo..hi of a row into runs on which all five tests are constant;
// returns the number of run starts written (lo first, hi + 1 last).
int RunStarts(const CurlGeometry& g, const RowWalk& walk, int64_t lo, int64_t hi, int64_t* points) {
  int count = 0;
  points[count++] = lo;
  auto test = [&](bool (*fn)(const CurlGeometry&, double, double)) {
    return [&g, &walk, fn](int64_t t) { return fn(g, walk.x(t), walk.y(t)); };
  };
  AddChange(lo, hi, test(InsideFold), points, &count);
  AddChange(lo, hi, test(BeyondReveal), points, &count);
  AddChange(lo, hi, test(OutsideBack), points, &count);
  AddChange(lo, hi, test(BeyondTangent), points, &count);
  // The distance to the roll's centre falls, then rises, along the walk.
  const double centre = walk.alongX ? g.k.x : g.k.y;
  const int64_t split = static_cast<int64_t>(std::floor(centre));
  const int64_t leftEnd = std::min(hi, split);
  const int64_t rightStart = std::max(lo, split + 1);
  AddChange(lo, leftEnd, test(InsideRoll), points, &count);
  AddChange(rightStart, hi, test(InsideRoll), points, &count);
  if (rightStart > lo && rightStart <= hi) points[count++] = rightStart;
  for (int i = 1; i < count; ++i)  // a handful of points: insertion sort
    for (int j = i; j > 0 && points[j - 1] > points[j]; --j) std::swap(points[j - 1], points[j]);
  points[count++] = hi + 1;
  return count;
}

// Draws the curl over `out`, which holds a copy of `a`.
void DrawCurl(const CurlGeometry& g, const DibView& a, const DibView& b, const DibView& out) {
  const AffineMap map = MapOf(g);
  const int64_t last = static_cast<int64_t>(g.l1) - 1;
  const int64_t rowBegin = std::max<int64_t>(0, g.y0);
  const int64_t rowEnd = std::min<int64_t>(g.height, g.y1);
  for (int64_t row = rowBegin; row < rowEnd; ++row) {
    RowWalk walk;
    walk.alongX = map.yy != 0;
    if (walk.alongX) {
      walk.fixed = (row - map.cy) * map.yy;
      walk.base = map.cx + map.xy * walk.fixed;
      walk.step = map.xx;
    } else {
      walk.fixed = (row - map.cy) * map.yx;
      walk.base = map.cx + map.xx * walk.fixed;
      walk.step = map.xy;
    }
    if (walk.fixed < 0 || walk.fixed > last) continue;
    // Local points whose column lies inside the picture.
    int64_t lo, hi;
    if (walk.step > 0) {
      lo = std::max<int64_t>(0, -walk.base);
      hi = std::min<int64_t>(last, g.width - 1 - walk.base);
    } else {
      lo = std::max<int64_t>(0, walk.base - (g.width - 1));
      hi = std::min<int64_t>(last, walk.base);
    }
    if (lo > hi) continue;

    const int32_t y = static_cast<int32_t>(row);
    const uint8_t* from = a.pictureRow(y);
    const uint8_t* revealed = b.pictureRow(y);
    uint8_t* to = out.pictureRow(y);
    int64_t starts[10];
    const int count = RunStarts(g, walk, lo, hi, starts);
    for (int i = 0; i + 1 < count; ++i) {
      const int64_t begin = starts[i];
      const int64_t end = starts[i + 1];
      if (begin >= end) continue;
      const CurlPart part = Classify(g, walk.x(begin), walk.y(begin));
      if (part == CurlPart::kPicture) continue;
      if (part == CurlPart::kRevealed) {
        const int64_t left = std::min(walk.column(begin), walk.column(end - 1));
        const size_t offset = static_cast<size_t>(left) * 3;
        std::memcpy(to + offset, revealed + offset, static_cast<size_t>(end - begin) * 3);
        continue;
      }
      for (int64_t t = begin; t < end; ++t) {
        const size_t offset = static_cast<size_t>(walk.column(t)) * 3;
        const double angle = ShadingAngle(g, walk.x(t), walk.y(t));
        if (part == CurlPart::kShaded) {
          const double factor = 1 - angle / g.alpha;
          for (int c = 0; c < 3; ++c) to[offset + c] = Scaled(from[offset + c], factor);
        } else {
          const double strength = BackStrength(g, angle);
          to[offset + 0] = Scaled(g.paperBlue, strength);
          to[offset + 1] = Scaled(g.paperGreen, strength);
          to[offset + 2] = Scaled(g.paperRed, strength);
        }
      }
    }
  }
}

bool IsTrueColour(const DibView& view) { return view.ok() && view.bits() == 24; }

bool SameForm(const DibView& a, const DibView& b) {
  return IsTrueColour(a) && IsTrueColour(b) && a.width() == b.width() && a.height() == b.height();
}

// Bytes of a row's pixels, without the padding to four bytes.
size_t RowBytes(const DibView& view) { return static_cast<size_t>(view.width()) * 3; }

// The frame for one curl size: a copy of A with the curl drawn over it. `finished` tells
// whether its pixels are B's (the padding after each row is not compared: a frame's is
// always zero, whatever the pictures hold there).
DibImage MakeFrame(const DibView& a, const DibView& b, int32_t position, uint32_t directionBits,
                   int32_t paperColour, bool* finished) {
  CurlGeometry geometry;
  if (!ComputeCurlGeometry(position, directionBits, a.width(), a.height(), paperColour, &geometry))
    return nullptr;
  OwnedDib frame(CreateDibImage(a.width(), a.height(), nullptr, 24));
  DibView out(frame.get());
  if (!out.ok() || !SameForm(out, a)) return nullptr;
  const size_t rowBytes = RowBytes(a);
  for (int32_t y = 0; y < a.height(); ++y) std::memcpy(out.pictureRow(y), a.pictureRow(y), rowBytes);
  DrawCurl(geometry, a, b, out);
  *finished = true;
  for (int32_t y = 0; y < a.height() && *finished; ++y)
    *finished = std::memcmp(out.pictureRow(y), b.pictureRow(y), rowBytes) == 0;
  return frame.release();
}

}  // namespace

DibImage RenderCurlFrame(DibImage current, DibImage next, int32_t position, uint32_t directionBits,
                         int32_t paperColour, int* finished) {
  DibView a(current);
  DibView b(next);
  if (!SameForm(a, b) || !finished) return nullptr;
  bool done = false;
  DibImage frame = MakeFrame(a, b, position, directionBits, paperColour, &done);
  *finished = done ? 1 : 0;
  return frame;
}

namespace {

constexpr int32_t kFramesPerThread = 4;
constexpr int64_t kBatchBytes = int64_t{256} << 20;

// One frame of a batch: rendered speculatively, kept only up to the transition's end.
struct BatchFrame {
  DibImage image;
  bool finished;
};

// Renders the transition from `a` to `b`. The frames of one transition differ only in
// the curl size, so a batch of consecutive sizes is rendered at once on the job's threads
// and appended in order; the first finished frame ends the transition, and any frames of
// the batch past it are dropped. The frames appended are thus exactly those one thread
// would make. A frame that cannot be made fails the rendering only if the transition
// needs it.
bool RenderTransition(const CurlJob& job, const DibView& a, const DibView& b) {
  const int threads = job.threads < 1 ? 1 : job.threads > kMaxBuildThreads ? kMaxBuildThreads : job.threads;
  // A few frames per thread, so that starting the threads and waiting for the slowest
  // costs little beside them; at most batch - 1 frames past the end are wasted. Large
  // pictures make smaller batches, so that a batch never holds much memory.
  const int64_t frameBytes = static_cast<int64_t>(a.stride()) * a.height() + 1;
  const int64_t fitting = std::max<int64_t>(1, kBatchBytes / frameBytes);
  const int32_t batch = static_cast<int32_t>(std::min<int64_t>(threads == 1 ? 1 : kFramesPerThread * threads, fitting));
  std::vector<BatchFrame> frames(static_cast<size_t>(batch));
  // P grows every frame and a curl of about three times the larger side reveals all of
  // B, so the transition ends; the bound on P only keeps the sum from overflowing.
  const int64_t step = job.step;
  for (int64_t first = step;; first += batch * step) {
    // Curl sizes above INT32_MAX are never drawn: a transition that needs them fails.
    const int32_t size = static_cast<int32_t>(std::min<int64_t>(batch, (INT32_MAX - first) / step + 1));
    ParallelFor(threads, size, [&](int32_t k, int) {
      bool finished = false;
      const int32_t position = static_cast<int32_t>(first + k * step);
      frames[k].image = MakeFrame(a, b, position, job.directionBits, job.paperColour, &finished);
      frames[k].finished = finished;
      return true;
    });
    bool ended = false, ok = true;
    for (int32_t k = 0; k < size; ++k) {
      BatchFrame& frame = frames[k];
      if (!ended && ok) {
        if (!frame.image || !AppendFrame(job.frames, frame.image, frame.finished ? job.pause : job.delay)) {
          ok = false;
        } else {
          ended = frame.finished;
          frame.image = nullptr;  // the list's now
        }
      }
      FreeDibImage(frame.image);
      frame.image = nullptr;
    }
    if (!ok) return false;
    if (ended) return true;
    if (first + batch * step > INT32_MAX) return false;
  }
}

}  // namespace

int RenderCurlFrames(const CurlJob& job) {
  if (!job.pictures || job.count < 1 || !job.frames || job.step < 1) return 0;
  {
    DibView first(job.pictures[0]);
    for (int32_t i = 0; i < job.count; ++i) {
      DibView picture(job.pictures[i]);
      if (!SameForm(first, picture)) return 0;
    }
  }
  for (int32_t i = 0; i < job.count; ++i) {
    if (job.progress) job.progress(job.progressContext, i, job.count);
    DibView a(job.pictures[i]);
    DibView b(job.pictures[(i + 1) % job.count]);
    if (!SameForm(a, b) || !RenderTransition(job, a, b)) return 0;
  }
  return 1;
}
