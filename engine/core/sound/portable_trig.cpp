#include "engine/core/sound/portable_trig.h"

#include <cmath>
#include <cstdint>

namespace {

// A value hi + lo with |lo| at most half a unit in the last place of hi.
struct Double2 {
  double hi;
  double lo;
};

Double2 TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

Double2 QuickTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a * b exactly, by Dekker's splitting (no fused multiply-add, so the same on every machine).
Double2 TwoProduct(double a, double b) {
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double ta = kSplitter * a;
  const double aHigh = ta - (ta - a);
  const double aLow = a - aHigh;
  const double tb = kSplitter * b;
  const double bHigh = tb - (tb - b);
  const double bLow = b - bHigh;
  const double p = a * b;
  return {p, ((aHigh * bHigh - p) + aHigh * bLow + aLow * bHigh) + aLow * bLow};
}

Double2 Add(Double2 a, Double2 b) {
  Double2 s = TwoSum(a.hi, b.hi);
  const Double2 t = TwoSum(a.lo, b.lo);
  s.lo += t.hi;
  s = QuickTwoSum(s.hi, s.lo);
  s.lo += t.lo;
  return QuickTwoSum(s.hi, s.lo);
}

Double2 Multiply(Double2 a, Double2 b) {
  Double2 p = TwoProduct(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return QuickTwoSum(p.hi, p.lo);
}

Double2 Divide(Double2 a, double b) {
  const double q1 = a.hi / b;
  const Double2 p = TwoProduct(q1, b);
  const double q2 = (((a.hi - p.hi) - p.lo) + a.lo) / b;
  return QuickTwoSum(q1, q2);
}

Double2 Negate(Double2 a) {
  return {-a.hi, -a.lo};
}

// pi / 2 as three doubles; the first two have 33 significant bits, so that k times them is exact
// for the k of every |x| this file accepts.
constexpr double kHalfPi1 = 1.5707963267341256;
constexpr double kHalfPi2 = 6.077100506303966e-11;
constexpr double kHalfPi3 = 2.0222662487959506e-21;
constexpr double kTwoOverPi = 0.6366197723675814;

// sin r and cos r for |r| <= pi / 4 by their whole series, nested so that each step divides by
// the next two factors of the factorial; 13 steps leave less than 2^-100. The slow way, for the
// rare values that the quick one below cannot round with certainty.
Double2 SineSeries(Double2 r) {
  const Double2 r2 = Multiply(r, r);
  Double2 t{1.0, 0.0};
  for (int32_t j = 13; j >= 1; --j)
    t = Add({1.0, 0.0}, Negate(Divide(Multiply(r2, t), (2.0 * j) * (2.0 * j + 1.0))));
  return Multiply(r, t);
}

Double2 CosineSeries(Double2 r) {
  const Double2 r2 = Multiply(r, r);
  Double2 t{1.0, 0.0};
  for (int32_t j = 13; j >= 1; --j)
    t = Add({1.0, 0.0}, Negate(Divide(Multiply(r2, t), (2.0 * j - 1.0) * (2.0 * j))));
  return t;
}

// 1/6, 1/24 and 1/120 in double-double.
constexpr Double2 kSixth{0.16666666666666666, 9.25185853854297e-18};
constexpr Double2 kTwentyFourth{0.041666666666666664, 2.3129646346357427e-18};
constexpr Double2 kOneHundredTwentieth{0.008333333333333333, 1.1564823173178714e-19};

// The quick way: the first three terms in double-double, the rest (below 2^-11 of the value) in
// double, within 2^-62 of the value in all.
Double2 SineQuick(Double2 r) {
  const double z = r.hi * r.hi;
  const double tail =
      r.hi * z * z * z *
      (-1.0 / 5040 +
       z * (1.0 / 362880 +
            z * (-1.0 / 39916800 +
                 z * (1.0 / 6227020800 +
                      z * (-1.0 / 1307674368000 +
                           z * (1.0 / 355687428096000 + z * (-1.0 / 121645100408832000)))))));
  const Double2 r2 = Multiply(r, r);
  const Double2 r3 = Multiply(r2, r);
  const Double2 r5 = Multiply(r3, r2);
  Double2 s = Add(r, Negate(Multiply(r3, kSixth)));
  s = Add(s, Multiply(r5, kOneHundredTwentieth));
  return Add(s, {tail, 0.0});
}

Double2 CosineQuick(Double2 r) {
  const double z = r.hi * r.hi;
  const double tail =
      z * z * z *
      (-1.0 / 720 +
       z * (1.0 / 40320 + z * (-1.0 / 3628800 +
                               z * (1.0 / 479001600 + z * (-1.0 / 87178291200 +
                                                           z * (1.0 / 20922789888000 +
                                                                z * (-1.0 / 6402373705728000)))))));
  const Double2 r2 = Multiply(r, r);
  Double2 c = Add({1.0, 0.0}, {-0.5 * r2.hi, -0.5 * r2.lo});
  c = Add(c, Multiply(Multiply(r2, r2), kTwentyFourth));
  return Add(c, {tail, 0.0});
}

// The nearest double when the quick value settles it, else the slow value's.
double Rounded(Double2 quick, Double2 (*slow)(Double2), Double2 r) {
  const double bound = std::fabs(quick.hi) * 0x1p-60;
  if (quick.hi + (quick.lo + bound) == quick.hi && quick.hi + (quick.lo - bound) == quick.hi) {
    return quick.hi;
  }
  return slow(r).hi;
}

double Sine(Double2 r) {
  return Rounded(SineQuick(r), SineSeries, r);
}

double Cosine(Double2 r) {
  return Rounded(CosineQuick(r), CosineSeries, r);
}

// x = k pi / 2 + r with |r| <= pi / 4 (a little more at worst); returns k mod 4. k times the first
// two parts of pi / 2 is exact, and so is x less the first (the two lie within a factor of two).
int32_t Reduce(double x, Double2* r) {
  const double k = std::nearbyint(x * kTwoOverPi);
  if (k == 0.0) {
    *r = {x, 0.0};
    return 0;
  }
  Double2 rest = TwoSum(x - k * kHalfPi1, -(k * kHalfPi2));
  rest = Add(rest, {-(k * kHalfPi3), 0.0});
  *r = rest;
  return static_cast<int32_t>(static_cast<int64_t>(k) & 3);
}

// sin(r + quadrant pi / 2).
double SineInQuadrant(Double2 r, int32_t quadrant) {
  switch (quadrant & 3) {
    case 0:
      return Sine(r);
    case 1:
      return Cosine(r);
    case 2:
      return -Sine(r);
    default:
      return -Cosine(r);
  }
}

}  // namespace

double PortableSin(double x) {
  Double2 r{};
  const int32_t quadrant = Reduce(x, &r);
  return SineInQuadrant(r, quadrant);
}

double PortableCos(double x) {
  Double2 r{};
  const int32_t quadrant = Reduce(x, &r);
  return SineInQuadrant(r, quadrant + 1);
}
