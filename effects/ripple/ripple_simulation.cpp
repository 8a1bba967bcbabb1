#include "effects/ripple/ripple_simulation.h"

#include <cstring>
#include <new>
#include <vector>

#include "framework/dib_view.h"
#include "framework/parallel.h"
#include "framework/portable_math.h"

namespace {

constexpr double kTwoPi = 2 * 3.141592653589793;
constexpr double kNudgeTurn = 0.39269908169872414;      // pi / 8: the turn's whole span
constexpr double kNudgeHalfTurn = 0.19634954084936207;  // pi / 16
constexpr int32_t kNudgeDistance = 4;
// Kind set-up: floor(u x 4.49) gives 0 to 4.
constexpr double kKindScale = 4.49;

// trunc(u x span) + margin: a random place along one side, `margin` from its edges.
int32_t PlaceAlong(double u, int32_t side, int32_t margin) {
  return static_cast<int32_t>(u * (side - 2 * margin)) + margin;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) { return value < low ? low : value > high ? high : value; }

}  // namespace

uint32_t RippleSeed(int32_t randomType, int32_t randomValue, DibImage picture, uint32_t clockSeconds) {
  uint32_t value = static_cast<uint32_t>(randomValue);
  if (randomType == 2) return clockSeconds;
  if (randomType != 1) return (value << 16) | value;
  // Survey: the red components of every pixel (the third byte of each 24-bit pixel);
  // the sum wraps at 32 bits, so the order of the rows does not matter.
  DibView view(picture);
  if (!view.ok()) return value;
  uint32_t sum = value;
  for (int32_t y = 0; y < view.height(); ++y) {
    if (view.bits() == 24) {
      const uint8_t* row = view.pictureRow(y);
      for (int32_t x = 0; x < view.width(); ++x) sum += row[3 * x + 2];
    } else {
      for (int32_t x = 0; x < view.width(); ++x) sum += static_cast<uint32_t>(view.get(x, y)) & 0xFF;
    }
  }
  return sum;
}

bool RippleWater::start(int32_t width, int32_t height, RandomSource* random) {
  random_ = random;
  width_ = width;
  height_ = height;
  current_ = 0;
  maps_[0].reset();
  maps_[1].reset();
  if (width < 1 || height < 1 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > (1u << 28))
    return false;
  size_t cells = static_cast<size_t>(width) * static_cast<size_t>(height);
  maps_[0].reset(new (std::nothrow) int32_t[cells]());
  maps_[1].reset(new (std::nothrow) int32_t[cells]());
  if (!maps_[0] || !maps_[1]) return false;
  for (int i = 0; i < kRippleDropCount; ++i) setUpDrop(i);
  return true;
}

void RippleWater::setUpDrop(int i) {
  RippleDrop& drop = drops_[i];
  drop = RippleDrop();
  drop.kind = static_cast<int32_t>(random_->UnitDraw() * kKindScale);
  if (i == 0 && drop.kind == kDropNone) drop.kind = kDropScatter;
  switch (drop.kind) {
    case kDropScatter:
    case kDropRing:
      drop.threshold = random_->UnitDraw();
      break;
    case kDropNudge:
      drop.heading = random_->UnitDraw() * kTwoPi;
      drop.x = PlaceAlong(random_->UnitDraw(), width_, 8);
      drop.y = PlaceAlong(random_->UnitDraw(), height_, 8);
      break;
    case kDropLastRing:
      // Placed again on the circle when it falls; the draws are part of the sequence.
      drop.heading = random_->UnitDraw() * kTwoPi;
      drop.x = PlaceAlong(random_->UnitDraw(), width_, 40);
      drop.y = PlaceAlong(random_->UnitDraw(), height_, 40);
      break;
    default:
      break;
  }
}

int RippleWater::dropStep() {
  for (int i = 0; i < kRippleDropCount; ++i) {
    RippleDrop& drop = drops_[i];
    if (drop.kind == kDropNone) continue;
    if (drop.kind == kDropLastRing) {
      if (drop.fallen) return -1;
      drop.x = width_ / 2 + static_cast<int32_t>(kDropCircleRadius * PortableSin(drop.heading));
      drop.y = height_ / 2 + static_cast<int32_t>(kDropCircleRadius * PortableCos(drop.heading));
    } else if (drop.fallen) {
      continue;
    } else if (drop.kind == kDropNudge) {
      drop.heading = drop.heading + random_->UnitDraw() * kNudgeTurn - kNudgeHalfTurn;
      drop.x = Clamp(drop.x + static_cast<int32_t>(kNudgeDistance * PortableSin(drop.heading)), kNudgeDistance,
                     width_ - kNudgeDistance);
      drop.y = Clamp(drop.y + static_cast<int32_t>(kNudgeDistance * PortableCos(drop.heading)), kNudgeDistance,
                     height_ - kNudgeDistance);
    } else {
      if (random_->UnitDraw() <= drop.threshold) continue;
      if (drop.kind == kDropScatter) {
        drop.x = PlaceAlong(random_->UnitDraw(), width_, 8);
        drop.y = PlaceAlong(random_->UnitDraw(), height_, 8);
      } else {
        drop.heading = random_->UnitDraw() * kTwoPi;
        drop.x = width_ / 2 + static_cast<int32_t>(kDropCircleRadius * PortableSin(drop.heading));
        drop.y = height_ / 2 + static_cast<int32_t>(kDropCircleRadius * PortableCos(drop.heading));
      }
    }
    splash(drop.x, drop.y);
    drop.fallen = true;
    return i;
  }
  return -1;
}

void RippleWater::splash(int32_t x, int32_t y) {
  static const int32_t kStamp[3][3] = {{127, 191, 127}, {191, 255, 191}, {127, 191, 127}};
  int32_t* map = maps_[current_].get();
  for (int32_t dy = -1; dy <= 1; ++dy) {
    for (int32_t dx = -1; dx <= 1; ++dx) {
      int32_t cx = x + dx, cy = y + dy;
      if (cx < 1 || cy < 1 || cx > width_ - 2 || cy > height_ - 2) continue;
      map[static_cast<size_t>(cy) * width_ + cx] = kStamp[dy + 1][dx + 1];
    }
  }
}

int RippleRowThreads(int threads, int32_t width, int32_t height) {
  if (threads <= 1 || static_cast<int64_t>(width) * height < kRippleThreadedCells) return 1;
  return threads;
}

bool RippleWater::waveStep(int threads) {
  platform::PartTeam team(RippleRowThreads(threads, width_, height_));
  return waveStep(team);
}

bool RippleWater::waveStep(platform::PartTeam& team) {
  const int32_t* c = maps_[current_].get();
  int32_t* p = maps_[current_ ^ 1].get();
  const size_t w = static_cast<size_t>(width_);
  // Each part steps its own rows of P (reading C only) and says whether any of them is
  // alive; the surface is alive when any part's rows are.
  bool alive[kMaxBuildThreads] = {};
  ParallelParts(team, height_ - 2, [&](int part, int32_t begin, int32_t end) {
    for (int32_t y = begin + 1; y < end + 1; ++y) {
      const int32_t* above = c + (y - 1) * w;
      const int32_t* row = c + y * w;
      const int32_t* below = c + (y + 1) * w;
      int32_t* out = p + y * w;
      // Branch-free so the compiler can vectorise the row; the alive test is folded into
      // the largest value seen.
      int32_t largest = INT32_MIN;
      for (size_t x = 1; x + 1 < w; ++x) {
        int32_t v = ((row[x - 1] + row[x + 1] + above[x] + below[x]) >> 1) - out[x];
        v -= v >> 4;
        out[x] = v;
        largest = v > largest ? v : largest;
      }
      if (largest > 1) alive[part] = true;
    }
    return true;
  });
  current_ ^= 1;
  for (bool partAlive : alive)
    if (partAlive) return true;
  return false;
}

DibImage RippleFrame(DibImage picture, const RippleWater& water, int threads) {
  platform::PartTeam team(RippleRowThreads(threads, water.width(), water.height()));
  return RippleFrame(picture, water, team);
}

DibImage RippleFrame(DibImage picture, const RippleWater& water, platform::PartTeam& team) {
  const int32_t w = water.width(), h = water.height();
  OwnedDib frame(CreateDibImageToFill(w, h, nullptr, 24));  // every row is written below
  if (!frame) return nullptr;
  // The views close before the owner frees a frame given up.
  DibView source(picture), target(frame.get());
  if (!source.ok() || !target.ok() || source.bits() != 24 || source.width() != w || source.height() != h)
    return nullptr;
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  std::vector<const uint8_t*> sourceRows(h);
  for (int32_t y = 0; y < h; ++y) sourceRows[y] = source.pictureRow(y);
  const int32_t* heights = water.current();
  // Every row of the frame is written by one part only, from the picture and the map.
  ParallelParts(team, h, [&](int, int32_t begin, int32_t end) {
    for (int32_t y = begin; y < end; ++y) {
      // Each row is copied and then patched while it is still in the cache.
      uint8_t* out = target.pictureRow(y);
      std::memcpy(out, sourceRows[y], rowBytes);
      if (y == 0 || y == h - 1) continue;
      const int32_t* row = heights + static_cast<size_t>(y) * w;
      const int32_t* below = row + w;
      for (int32_t x = 1; x < w - 1; ++x) {
        int32_t ox = (row[x] - row[x + 1]) >> 3;
        int32_t oy = (row[x] - below[x]) >> 3;
        if ((ox | oy) == 0) continue;  // undisplaced: the copy already holds the pixel
        int32_t sx = Clamp(x + ox, 0, w - 1);
        int32_t sy = Clamp(y + oy, 0, h - 1);
        const uint8_t* from = sourceRows[sy] + 3 * sx;
        uint8_t* to = out + 3 * x;
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
      }
    }
    return true;
  });
  return frame.release();
}

int RunRipple(DibImage picture, RandomSource* random, int32_t delay, FrameList* frames, int32_t frameCap,
              int threads) {
  int32_t width = 0, height = 0;
  int bits = 0;
  if (!GetDibImageInfo(picture, &width, &height, &bits, nullptr)) return 0;
  // The dialog's pictures are true colour already; any other is converted once.
  OwnedDib converted(bits == 24 ? nullptr : ConvertToTrueColour(picture));
  if (bits != 24 && !converted) return 0;
  DibImage source = converted ? converted.get() : picture;
  RippleWater water;
  if (!water.start(width, height, random)) return 0;
  // One team for the whole animation: two small jobs a frame would spend much of their
  // time starting threads.
  platform::PartTeam team(RippleRowThreads(threads, width, height));
  for (int32_t made = 0; made < frameCap; ++made) {
    water.dropStep();
    bool alive = water.waveStep(team);
    DibImage frame = RippleFrame(source, water, team);
    if (!frame) break;
    if (!AppendFrame(frames, frame, delay)) {
      FreeDibImage(frame);
      break;
    }
    if (!alive) break;
  }
  return 1;
}
