#include "tests/pyrotechnics/fireworks_oracle.h"

#include <cstring>
#include <vector>

#include "framework/dib_view.h"

#include "framework/random_source.h"

namespace {

struct PlainRocket {
  int32_t x0, y0, r, g, b, s;
  std::vector<int32_t> vx, vy;
};

}  // namespace

int OracleFireworks(const OracleSettings& o, FrameList* frames) {
  RandomSource random;
  random.SeedRandom(o.seed);
  DibImage canvas = CreateDibImage(o.width, o.height, nullptr, 24);
  DibImage surface = CreateDibImage(o.width, o.height, nullptr, 24);
  if (!canvas || !surface) {
    FreeDibImage(canvas);
    FreeDibImage(surface);
    return 0;
  }
  for (int32_t y = 0; y < o.height; ++y)
    for (int32_t x = 0; x < o.width; ++x) SetDibPixel(canvas, x, y, o.background);

  random.UnitDraw();
  random.UnitDraw();
  random.UnitDraw();
  random.UnitDraw();
  double u1 = random.UnitDraw();
  double u2 = random.UnitDraw();
  double u3 = random.UnitDraw();
  random.UnitDraw();
  int e = static_cast<int>(u1 * o.explosion * 3 * 0.25) + o.explosion / 4 + 1;
  int P = static_cast<int>(u2 * 90 * 3 * 0.25) + 90 / 4 + 1;
  int L = static_cast<int>(u3 * o.energy * 3 * 0.25) + o.energy / 4 + 1;

  std::vector<PlainRocket> rockets(o.rockets);
  int ok = 1;
  for (int pass = 0; ok; ++pass) {
    if (pass > 0 && random.UnitDraw() * 100 < 20) {
      random.UnitDraw();
      random.UnitDraw();
      random.UnitDraw();
      random.UnitDraw();
    }
    int drew = 0;
    for (int i = 0; i < o.rockets; ++i) {
      PlainRocket& k = rockets[i];
      if (pass == 0) {
        if (static_cast<uint32_t>(o.rocketColours[i]) >> 31) {
          k.r = static_cast<int>(random.UnitDraw() * 128) + 128;
          k.b = static_cast<int>(random.UnitDraw() * 128) + 128;
          k.g = static_cast<int>(random.UnitDraw() * 128) + 128;
        } else {
          k.r = o.rocketColours[i] & 255;
          k.g = (o.rocketColours[i] >> 8) & 255;
          k.b = (o.rocketColours[i] >> 16) & 255;
        }
        k.x0 = static_cast<int>(random.UnitDraw() * o.width * 0.5 + o.width / 4);
        k.y0 = static_cast<int>(random.UnitDraw() * o.height * 0.5 + o.height / 4);
        for (int p = 0; p < P; ++p) {
          k.vx.push_back(static_cast<int>(static_cast<int>(random.UnitDraw() * e) - e * 0.5));
          k.vy.push_back(static_cast<int>(static_cast<int>(random.UnitDraw() * e * 7 * 0.125) - e * 0.125));
        }
        k.s = 0;
      }
      if (k.s >= L) continue;
      drew = 1;
      int* channels[3] = {&k.r, &k.b, &k.g};
      for (int* c : channels) {
        int v = *c + static_cast<int>(random.UnitDraw() * 64) - 32;
        if (v >= 0 && v <= 255) *c = v;
      }
      int32_t colour = k.r + k.g * 256 + k.b * 65536;
      double t = k.s * 0.01;
      for (int p = 0; p < P; ++p)
        SetDibPixel(canvas, k.x0 + static_cast<int>(k.vx[p] * t),
                    k.y0 - static_cast<int>(k.vy[p] * t - o.gravity * t * t), colour);
      if (k.s >= L / 2) {
        for (int p = 0; p < P; ++p)
          for (int j = 0; j < 2; ++j) {
            double w = (2 * (k.s - L / 2) + j) * 0.01;
            SetDibPixel(canvas, k.x0 + static_cast<int>(k.vx[p] * w),
                        k.y0 - static_cast<int>(k.vy[p] * w - o.gravity * w * w), o.background);
          }
      }
      ++k.s;
    }
    // The drawing's rows go to the surface image, and from there pixel by pixel to a new frame.
    {
      DibView from(canvas), to(surface);
      if (!from.ok() || !to.ok()) ok = 0;
      for (int32_t row = 0; ok && row < o.height; ++row)
        std::memcpy(to.storedRow(row), from.storedRow(row), 3 * static_cast<size_t>(o.width));
    }
    DibImage frame = ok ? CreateDibImage(o.width, o.height, nullptr, 24) : nullptr;
    if (!frame || !CopyDibRect(frame, 0, 0, surface, 0, 0, o.width, o.height) || !AppendFrame(frames, frame, o.delay)) {
      FreeDibImage(frame);
      ok = 0;
    }
    if (pass > 0 && !drew) break;
  }
  FreeDibImage(canvas);
  FreeDibImage(surface);
  return ok;
}
