#include "effects/pagecurl/curl_geometry.h"

#include "framework/palette_types.h"
#include "framework/portable_math.h"

namespace {

constexpr double kPi = 3.141592653589793;

double Dot(CurlPoint a, CurlPoint b) { return a.x * b.x + a.y * b.y; }
double Length(CurlPoint v) { return PortableSqrt(v.x * v.x + v.y * v.y); }

}  // namespace

CurlCorner CurlCornerFromBits(uint32_t directionBits) {
  if (directionBits & kCurlUpperLeft) return CurlCorner::kUpperLeft;
  if (directionBits & kCurlLowerLeft) return CurlCorner::kLowerLeft;
  if (directionBits & kCurlUpperRight) return CurlCorner::kUpperRight;
  return CurlCorner::kLowerRight;
}

double ClampedAcos(double cosine) {
  if (!(cosine < 1.0)) return 0.0;  // also a NaN from a zero-length vector
  if (cosine <= -1.0) return PortableAcos(-1.0);
  return PortableAcos(cosine);
}

int ComputeCurlGeometry(int32_t position, uint32_t directionBits, int32_t width, int32_t height,
                        int32_t paperColour, CurlGeometry* geometry) {
  if (position < 1 || width < 1 || height < 1 || !geometry) return 0;
  CurlGeometry& g = *geometry;
  g = CurlGeometry{};
  g.corner = CurlCornerFromBits(directionBits);
  g.horizontal = (directionBits & kCurlHorizontal) != 0;
  g.width = width;
  g.height = height;
  const bool left = g.corner == CurlCorner::kUpperLeft || g.corner == CurlCorner::kLowerLeft;
  const bool upper = g.corner == CurlCorner::kUpperLeft || g.corner == CurlCorner::kUpperRight;
  g.x0 = left ? 0 : width - position;
  g.x1 = left ? position : width;
  g.y0 = upper ? 0 : height - position;
  g.y1 = upper ? position : height;
  g.l1 = g.x1 - g.x0;
  g.l2 = g.y1 - g.y0;
  const double l1 = g.l1;
  const double l2 = g.l2;

  // The roll: a circle of radius rho about K that touches the row y = 0, sized so that
  // the flat part of the sheet plus the rolled part span the region.
  g.theta = PortableAtan(l2 / l1);
  const double half = g.theta / 2;
  g.r = l1 / (PortableCos(half) + (kPi + g.theta) * PortableSin(half));
  g.k = {g.r * PortableCos(half), g.r * PortableSin(half)};
  g.rho = g.k.y;
  g.d = {g.k.x + -PortableSin(g.theta) * g.rho, g.k.y + PortableCos(g.theta) * g.rho};

  // The back of the sheet: D turned about K by twice the angle between KD and the line
  // from K to the far corner gives its tip G.
  const CurlPoint e = {g.d.x - g.k.x, g.d.y - g.k.y};
  const CurlPoint f = {l1 - g.k.x, l2 - g.k.y};
  const double phi = -2 * ClampedAcos(Dot(e, f) / (Length(f) * Length(e)));
  g.g = {g.k.x + (PortableCos(phi) * e.x - PortableSin(phi) * e.y),
         g.k.y + (PortableSin(phi) * e.x + PortableCos(phi) * e.y)};

  g.m1 = l1 / l2;
  g.m2 = (l1 - g.g.x) / (l2 - g.g.y);
  g.m3 = (g.g.y - g.d.y) / (g.g.x - g.d.x);
  g.m4 = (l1 - g.k.x) / l2;

  const CurlPoint p = {-l1, -l2};
  const CurlPoint q = {g.g.x - l1, g.g.y - l2};
  g.diagonalLength = Length(p);
  g.alpha = ClampedAcos(Dot(p, q) / (g.diagonalLength * Length(q)));

  g.paperRed = static_cast<uint8_t>(PackedRed(paperColour));
  g.paperGreen = static_cast<uint8_t>(PackedGreen(paperColour));
  g.paperBlue = static_cast<uint8_t>(PackedBlue(paperColour));
  return 1;
}

void MapCurlPoint(const CurlGeometry& g, int64_t x, int64_t y, int64_t* pictureX,
                  int64_t* pictureY) {
  const int64_t last1 = static_cast<int64_t>(g.l1) - 1;
  const int64_t last2 = static_cast<int64_t>(g.l2) - 1;
  const bool left = g.corner == CurlCorner::kUpperLeft || g.corner == CurlCorner::kLowerLeft;
  const bool upper = g.corner == CurlCorner::kUpperLeft || g.corner == CurlCorner::kUpperRight;
  if (left) x = last1 - x;
  if (upper) y = last2 - y;
  if (g.horizontal) {
    // Swap the roles of the two axes; the corners on the other diagonal are turned
    // round once more so that the peeled corner stays where it was.
    y = last2 - y;
    const int64_t oldX = x;
    x = y;
    y = last2 - oldX;
    if (g.corner == CurlCorner::kUpperRight || g.corner == CurlCorner::kLowerLeft) {
      x = last1 - x;
      y = last2 - y;
    }
  }
  *pictureX = x + g.x0;
  *pictureY = static_cast<int64_t>(g.y1) - 1 - y;
}
