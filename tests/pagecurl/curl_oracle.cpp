#include "tests/pagecurl/curl_oracle.h"

#include <cstring>

#include "effects/pagecurl/curl_geometry.h"
#include "framework/dib_view.h"
#include "framework/portable_math.h"

namespace {

int32_t Scale(int channel, double factor) {
  int value = static_cast<int>(channel * factor);
  return value < 0 ? 0 : value > 255 ? 255 : value;
}

}  // namespace

DibImage OracleCurlFrame(DibImage a, DibImage b, int32_t position, uint32_t directionBits,
                         int32_t paperColour, int* finished) {
  int32_t w = 0, h = 0;
  int bits = 0;
  RgbPalette palette;
  CurlGeometry g;
  if (!GetDibImageInfo(a, &w, &h, &bits, &palette) ||
      !ComputeCurlGeometry(position, directionBits, w, h, paperColour, &g))
    return nullptr;
  DibImage out = CreateDibImage(w, h, &palette, bits);
  if (!out) return nullptr;
  CopyDibRect(out, 0, 0, a, 0, 0, w, h);
  const double pi = 3.141592653589793;
  const double L1 = g.l1, L2 = g.l2;
  for (int pass = 1; pass <= 3; ++pass) {
    for (int32_t ly = g.l2 - 1; ly >= 0; --ly) {
      for (int32_t lx = 0; lx < g.l1; ++lx) {
        const double x = lx, y = ly;
        const bool t1 = x < L1 + (y - L2) * g.m1;
        const bool t2 = L1 + (y - L2) * g.m2 < x;
        const bool t3 = y < (x - g.g.x) * g.m3 + g.g.y;
        const bool t4 = L1 + (y - L2) * g.m4 < x;
        const bool t5 =
            PortableSqrt((y - g.k.y) * (y - g.k.y) + (x - g.k.x) * (x - g.k.x)) <= g.rho;
        int64_t px, py;
        MapCurlPoint(g, lx, ly, &px, &py);
        const int32_t X = static_cast<int32_t>(px), Y = static_cast<int32_t>(py);
        auto shadingAngle = [&] {
          const double vx = x - L1, vy = y - L2, pvx = -L1, pvy = -L2;
          return ClampedAcos((vx * pvx + vy * pvy) / (PortableSqrt(vx * vx + vy * vy) *
                                                      PortableSqrt(pvx * pvx + pvy * pvy)));
        };
        if (pass == 1) {
          bool reveal = t2 || (t4 && t3 && !t5);
          SetDibPixel(out, X, Y, GetDibPixel(reveal ? b : a, X, Y));
        } else if (pass == 2 && !t1 && !t2 && (!t4 || !t3 || t5)) {
          int32_t pixel = GetDibPixel(a, X, Y);
          if (pixel == -1) pixel = 0;
          const double f = 1 - shadingAngle() / g.alpha;
          SetDibPixel(out, X, Y,
                      PackColour(Scale(PackedRed(pixel), f), Scale(PackedGreen(pixel), f),
                                 Scale(PackedBlue(pixel), f)));
        } else if (pass == 3 && !t1 && !t2 && !t5 && !t3) {
          double s = PortableSin(pi * shadingAngle() / g.alpha);
          s = s > 0 ? s * PortableSqrt(s) : 0;
          SetDibPixel(
              out, X, Y,
              PackColour(Scale(g.paperRed, s), Scale(g.paperGreen, s), Scale(g.paperBlue, s)));
        }
      }
    }
  }
  DibView frame(out), next(b);
  *finished = frame.ok() && next.ok() && frame.stride() == next.stride() &&
              frame.height() == next.height() &&
              std::memcmp(frame.pixels(), next.pixels(),
                          static_cast<size_t>(frame.stride()) * frame.height()) == 0;
  return out;
}
