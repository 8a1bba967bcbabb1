// Polynomial kernels and reductions in the classic minimax form: sin and cos reduce the
// argument by multiples of pi/2 in three pieces (Cody-Waite), then evaluate odd and
// even polynomials on [-pi/4, pi/4]; atan folds the argument onto four reference points;
// acos uses a rational approximation of asin near 0 and a square-root form near +-1.
#include "framework/portable_math.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t HighWord(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return static_cast<uint32_t>(bits >> 32);
}

double WithLowWordCleared(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  bits &= 0xFFFFFFFF00000000ull;
  std::memcpy(&x, &bits, sizeof bits);
  return x;
}

// sin(x + y) for |x| <= pi/4, y the tail of x (ignored when hasTail is false).
double KernelSin(double x, double y, bool hasTail) {
  const double S1 = -1.66666666666666324348e-01;
  const double S2 = 8.33333333332248946124e-03;
  const double S3 = -1.98412698298579493134e-04;
  const double S4 = 2.75573137070700676789e-06;
  const double S5 = -2.50507602534068634195e-08;
  const double S6 = 1.58969099521155010221e-10;
  double z = x * x;
  double v = z * x;
  double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
  if (!hasTail) return x + v * (S1 + z * r);
  return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4.
double KernelCos(double x, double y) {
  const double C1 = 4.16666666666666019037e-02;
  const double C2 = -1.38888888888741095749e-03;
  const double C3 = 2.48015872894767294178e-05;
  const double C4 = -2.75573143513906633035e-07;
  const double C5 = 2.08757232129817482790e-09;
  const double C6 = -1.13596475577881948265e-11;
  double z = x * x;
  double w = z * z;
  double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
  double hz = 0.5 * z;
  w = 1.0 - hz;
  return w + (((1.0 - w) - hz) + (z * r - x * y));
}

// x = n * pi/2 + (y0 + y1) with |y0 + y1| <= about pi/4; returns n.
int ReduceByHalfPi(double x, double* y0, double* y1) {
  const double kInvHalfPi = 6.36619772367581382433e-01;
  const double kHalfPi1 = 1.57079632673412561417e+00;   // first 33 bits of pi/2
  const double kHalfPi1Tail = 6.07710050650619224932e-11;
  const double kHalfPi2 = 6.07710050630396597660e-11;   // next 33 bits
  const double kHalfPi2Tail = 2.02226624879595063154e-21;
  const double kHalfPi3 = 2.02226624871116645580e-21;   // next 33 bits
  const double kHalfPi3Tail = 8.47842766036889956997e-32;
  const double kToInteger = 6755399441055744.0;         // 1.5 x 2^52 rounds to an integer

  double fn = (x * kInvHalfPi + kToInteger) - kToInteger;
  int n = static_cast<int>(fn);
  double r = x - fn * kHalfPi1;
  double w = fn * kHalfPi1Tail;
  *y0 = r - w;
  int exponent = static_cast<int>((HighWord(x) >> 20) & 0x7FF);
  if (exponent - static_cast<int>((HighWord(*y0) >> 20) & 0x7FF) > 16) {
    // Heavy cancellation: take the next 33 bits of pi/2 into account.
    double t = r;
    w = fn * kHalfPi2;
    r = t - w;
    w = fn * kHalfPi2Tail - ((t - r) - w);
    *y0 = r - w;
    if (exponent - static_cast<int>((HighWord(*y0) >> 20) & 0x7FF) > 49) {
      t = r;
      w = fn * kHalfPi3;
      r = t - w;
      w = fn * kHalfPi3Tail - ((t - r) - w);
      *y0 = r - w;
    }
  }
  *y1 = (r - *y0) - w;
  return n;
}

// Arguments beyond this lose the reduction's precision; they are first brought into
// range with the exact remainder of 2 pi (deterministic, if not accurate).
constexpr double kReductionLimit = 1.0e6;
constexpr double kTwoPi = 6.28318530717958647692;

double Reduced(double x) { return std::fabs(x) > kReductionLimit ? std::fmod(x, kTwoPi) : x; }

double AsinRatio(double z) {
  const double pS0 = 1.66666666666666657415e-01;
  const double pS1 = -3.25565818622400915405e-01;
  const double pS2 = 2.01212532134862925881e-01;
  const double pS3 = -4.00555345006794114027e-02;
  const double pS4 = 7.91534994289814532176e-04;
  const double pS5 = 3.47933107596021167570e-05;
  const double qS1 = -2.40339491173441421878e+00;
  const double qS2 = 2.02094576023350569471e+00;
  const double qS3 = -6.88283971605453293030e-01;
  const double qS4 = 7.70381505559019352791e-02;
  double p = z * (pS0 + z * (pS1 + z * (pS2 + z * (pS3 + z * (pS4 + z * pS5)))));
  double q = 1.0 + z * (qS1 + z * (qS2 + z * (qS3 + z * qS4)));
  return p / q;
}

}  // namespace

double PortableSin(double x) {
  if (!std::isfinite(x)) return x - x;
  x = Reduced(x);
  if (std::fabs(x) <= 7.85398163397448278999e-01) return KernelSin(x, 0.0, false);
  double y0, y1;
  switch (ReduceByHalfPi(x, &y0, &y1) & 3) {
    case 0: return KernelSin(y0, y1, true);
    case 1: return KernelCos(y0, y1);
    case 2: return -KernelSin(y0, y1, true);
    default: return -KernelCos(y0, y1);
  }
}

double PortableCos(double x) {
  if (!std::isfinite(x)) return x - x;
  x = Reduced(x);
  if (std::fabs(x) <= 7.85398163397448278999e-01) return KernelCos(x, 0.0);
  double y0, y1;
  switch (ReduceByHalfPi(x, &y0, &y1) & 3) {
    case 0: return KernelCos(y0, y1);
    case 1: return -KernelSin(y0, y1, true);
    case 2: return -KernelCos(y0, y1);
    default: return KernelSin(y0, y1, true);
  }
}

double PortableAtan(double x) {
  static const double kAtanHigh[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01,
                                     9.82793723247329054082e-01, 1.57079632679489655800e+00};
  static const double kAtanLow[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17,
                                    1.39033110312309984516e-17, 6.12323399573676603587e-17};
  static const double aT[] = {3.33333333333329318027e-01,  -1.99999999998764832476e-01,
                              1.42857142725034663711e-01,  -1.11111104054623557880e-01,
                              9.09088713343650656196e-02,  -7.69187620504482999495e-02,
                              6.66107313738753120669e-02,  -5.83357013379057348645e-02,
                              4.97687799461593236017e-02,  -3.65315727442169155270e-02,
                              1.62858201153657823623e-02};
  if (std::isnan(x)) return x;
  uint32_t ix = HighWord(x) & 0x7FFFFFFF;
  bool negative = x < 0;
  if (ix >= 0x44100000) return negative ? -(kAtanHigh[3] + kAtanLow[3]) : kAtanHigh[3] + kAtanLow[3];
  int id;
  if (ix < 0x3FDC0000) {  // |x| < 0.4375
    if (ix < 0x3E400000) return x;
    id = -1;
  } else {
    x = std::fabs(x);
    if (ix < 0x3FF30000) {          // |x| < 1.1875
      if (ix < 0x3FE60000) {        // 7/16 <= |x| < 11/16
        id = 0;
        x = (2.0 * x - 1.0) / (2.0 + x);
      } else {                      // 11/16 <= |x| < 19/16
        id = 1;
        x = (x - 1.0) / (x + 1.0);
      }
    } else if (ix < 0x40038000) {   // |x| < 2.4375
      id = 2;
      x = (x - 1.5) / (1.0 + 1.5 * x);
    } else {
      id = 3;
      x = -1.0 / x;
    }
  }
  double z = x * x;
  double w = z * z;
  double s1 = z * (aT[0] + w * (aT[2] + w * (aT[4] + w * (aT[6] + w * (aT[8] + w * aT[10])))));
  double s2 = w * (aT[1] + w * (aT[3] + w * (aT[5] + w * (aT[7] + w * aT[9]))));
  if (id < 0) return x - x * (s1 + s2);
  z = kAtanHigh[id] - ((x * (s1 + s2) - kAtanLow[id]) - x);
  return negative ? -z : z;
}

double PortableAcos(double x) {
  const double kHalfPiHigh = 1.57079632679489655800e+00;
  const double kHalfPiLow = 6.12323399573676603587e-17;
  double ax = std::fabs(x);
  if (!(ax <= 1.0)) return (x - x) / (x - x);  // NaN, also for NaN input
  if (ax == 1.0) return x > 0 ? 0.0 : 2.0 * kHalfPiHigh;
  if (ax < 0.5) {
    if (ax <= 6.938893903907228e-18) return kHalfPiHigh;  // 2^-57
    return kHalfPiHigh - (x - (kHalfPiLow - x * AsinRatio(x * x)));
  }
  if (x < 0) {
    double z = (1.0 + x) * 0.5;
    double s = std::sqrt(z);
    double w = AsinRatio(z) * s - kHalfPiLow;
    return 2.0 * (kHalfPiHigh - (s + w));
  }
  double z = (1.0 - x) * 0.5;
  double s = std::sqrt(z);
  double df = WithLowWordCleared(s);
  double c = (z - df * df) / (s + df);
  double w = AsinRatio(z) * s + c;
  return 2.0 * (df + w);
}
