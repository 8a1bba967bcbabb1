#include "tests/ripple/ripple_oracle.h"

#include <vector>

#include "framework/portable_math.h"
#include "framework/random_source.h"

namespace {

struct Drop {
  int kind = 0;
  int32_t x = 0, y = 0;
  bool fallen = false;
  double heading = 0, threshold = 0;
};

// v / 2^n rounded toward minus infinity, without relying on how >> treats negatives.
int32_t FloorShift(int32_t v, int n) {
  int64_t d = int64_t{1} << n;
  int64_t q = v / d;
  if (v % d != 0 && v < 0) --q;
  return static_cast<int32_t>(q);
}

int32_t Trunc(double v) { return static_cast<int32_t>(v); }

struct Oracle {
  int32_t W, H;
  RandomSource random;
  std::vector<int32_t> maps[2];
  int current = 0;
  Drop drops[16];

  double U() { return random.UnitDraw(); }
  int32_t& C(int32_t x, int32_t y) { return maps[current][y * W + x]; }
  int32_t& P(int32_t x, int32_t y) { return maps[1 - current][y * W + x]; }

  void Stamp(int32_t x, int32_t y, int32_t value) {
    if (x >= 1 && y >= 1 && x <= W - 2 && y <= H - 2) C(x, y) = value;
  }
  void Splash(int32_t x, int32_t y) {
    Stamp(x, y, 255);
    Stamp(x - 1, y, 191);
    Stamp(x + 1, y, 191);
    Stamp(x, y - 1, 191);
    Stamp(x, y + 1, 191);
    Stamp(x - 1, y - 1, 127);
    Stamp(x + 1, y - 1, 127);
    Stamp(x - 1, y + 1, 127);
    Stamp(x + 1, y + 1, 127);
  }

  void SetUp() {
    for (int i = 0; i < 16; ++i) {
      Drop& d = drops[i];
      d.fallen = false;
      d.kind = static_cast<int>(U() * 4.49);
      if (i == 0 && d.kind == 0) d.kind = 1;
      if (d.kind == 1 || d.kind == 2) d.threshold = U();
      if (d.kind == 3) {
        d.heading = U() * 2 * 3.141592653589793;
        d.x = Trunc(U() * (W - 16)) + 8;
        d.y = Trunc(U() * (H - 16)) + 8;
      }
      if (d.kind == 4) {
        d.heading = U() * 2 * 3.141592653589793;
        d.x = Trunc(U() * (W - 80)) + 40;
        d.y = Trunc(U() * (H - 80)) + 40;
      }
    }
  }

  void DropStep() {
    for (Drop& d : drops) {
      bool falls = false;
      if (d.kind == 1 && !d.fallen) {
        if (U() > d.threshold) {
          d.x = Trunc(U() * (W - 16)) + 8;
          d.y = Trunc(U() * (H - 16)) + 8;
          falls = true;
        }
      } else if (d.kind == 2 && !d.fallen) {
        if (U() > d.threshold) {
          d.heading = U() * 2 * 3.141592653589793;
          d.x = W / 2 + Trunc(32 * PortableSin(d.heading));
          d.y = H / 2 + Trunc(32 * PortableCos(d.heading));
          falls = true;
        }
      } else if (d.kind == 3 && !d.fallen) {
        d.heading = d.heading + U() * 0.39269908169872414 - 0.19634954084936207;
        d.x = d.x + Trunc(4 * PortableSin(d.heading));
        d.y = d.y + Trunc(4 * PortableCos(d.heading));
        if (d.x < 4) d.x = 4;
        if (d.x > W - 4) d.x = W - 4;
        if (d.y < 4) d.y = 4;
        if (d.y > H - 4) d.y = H - 4;
        falls = true;
      } else if (d.kind == 4) {
        if (d.fallen) return;
        d.x = W / 2 + Trunc(32 * PortableSin(d.heading));
        d.y = H / 2 + Trunc(32 * PortableCos(d.heading));
        falls = true;
      }
      if (falls) {
        Splash(d.x, d.y);
        d.fallen = true;
        return;
      }
    }
  }

  bool WaveStep() {
    bool alive = false;
    for (int32_t y = 1; y <= H - 2; ++y) {
      for (int32_t x = 1; x <= W - 2; ++x) {
        int32_t v = FloorShift(C(x - 1, y) + C(x + 1, y) + C(x, y - 1) + C(x, y + 1), 1) - P(x, y);
        v = v - FloorShift(v, 4);
        P(x, y) = v;
        if (v > 1) alive = true;
      }
    }
    current = 1 - current;
    return alive;
  }

  DibImage Frame(DibImage picture) {
    DibImage frame = CreateDibImage(W, H, nullptr, 24);
    if (!frame) return nullptr;
    CopyDibRect(frame, 0, 0, picture, 0, 0, W, H);
    for (int32_t y = 1; y <= H - 2; ++y) {
      for (int32_t x = 1; x <= W - 2; ++x) {
        int32_t dx = C(x, y) - C(x + 1, y);
        int32_t dy = C(x, y) - C(x, y + 1);
        int32_t sx = x + FloorShift(dx, 3), sy = y + FloorShift(dy, 3);
        sx = sx < 0 ? 0 : sx > W - 1 ? W - 1 : sx;
        sy = sy < 0 ? 0 : sy > H - 1 ? H - 1 : sy;
        SetDibPixel(frame, x, y, GetDibPixel(picture, sx, sy));
      }
    }
    return frame;
  }
};

}  // namespace

int OracleRunRipple(DibImage picture, uint32_t seed, int32_t delay, int32_t frameCap, FrameList* frames) {
  Oracle o;
  if (!GetDibImageInfo(picture, &o.W, &o.H, nullptr, nullptr)) return 0;
  o.random.SeedRandom(seed);
  o.maps[0].assign(static_cast<size_t>(o.W) * o.H, 0);
  o.maps[1].assign(static_cast<size_t>(o.W) * o.H, 0);
  o.SetUp();
  for (int32_t made = 0; made < frameCap; ++made) {
    o.DropStep();
    bool alive = o.WaveStep();
    DibImage frame = o.Frame(picture);
    if (!frame || !AppendFrame(frames, frame, delay)) {
      FreeDibImage(frame);
      break;
    }
    if (!alive) break;
  }
  return 1;
}
