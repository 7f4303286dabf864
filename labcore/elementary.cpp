// The elementary functions of the single-precision generators, correctly
// rounded. Each has two paths:
//
// - a fast path in plain double arithmetic, good to about 2^-51 relative:
//   where every value within 2^-48 of its result rounds to the same float,
//   that float is the answer;
// - otherwise (about one input in ten million) the value as an unevaluated
//   sum of two doubles (hi + lo, "double-double") to about 2^-90, rounded
//   once.
//
// Why this gives the correctly rounded float: a result is wrong only when
// the exact value lies closer to a midpoint between two floats than the
// approximation's error. No float input of the one-argument functions comes
// nearer a midpoint than about 2^-28 of a float spacing, 2^-52 relative (the
// exhaustive check of `make verify-math` lists the nearest), far outside
// 2^-90. pow(x, y) may hit a midpoint exactly (66049^1.5 = 257^3 has 25
// bits); there an exact integer test decides.
//
// Only IEEE double operations are used, each correctly rounded: + - * / and
// sqrt, no fused multiply-add (the build has -ffp-contract=off; the error-free
// product below relies on it), no long double, no excess precision.
#include "labcore/elementary.hpp"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "labcore/bit_cast.hpp"

static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559);
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the elementary functions need double arithmetic without excess precision"
#endif

namespace labcore {
namespace {

// ---------------------------------------------------------------------------
// Double-double arithmetic (Dekker, Knuth): a value hi + lo with
// |lo| <= half an ulp of hi.

struct DD {
  double hi, lo;
};

#include "labcore/elementary_tables.inc"

// a + b exactly.
DD two_sum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// a + b exactly, for |a| >= |b| or a = 0.
DD fast_two_sum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a * b exactly (for |a|, |b| below 2^995), by splitting each factor into
// two halves of 26 bits whose products are exact.
DD two_prod(double a, double b) {
  const double ca = 134217729.0 * a, cb = 134217729.0 * b;  // 2^27 + 1
  const double ah = ca - (ca - a), al = a - ah;
  const double bh = cb - (cb - b), bl = b - bh;
  const double p = a * b;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DD neg(DD a) { return {-a.hi, -a.lo}; }

DD add(DD a, DD b) {
  DD s = two_sum(a.hi, b.hi);
  const DD t = two_sum(a.lo, b.lo);
  s = fast_two_sum(s.hi, s.lo + t.hi);
  return fast_two_sum(s.hi, s.lo + t.lo);
}

DD add(DD a, double b) {
  const DD s = two_sum(a.hi, b);
  return fast_two_sum(s.hi, s.lo + a.lo);
}

DD mul(DD a, DD b) {
  const DD p = two_prod(a.hi, b.hi);
  return fast_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DD mul(DD a, double b) {
  const DD p = two_prod(a.hi, b);
  return fast_two_sum(p.hi, p.lo + a.lo * b);
}

// a / b: three quotient digits, each from the remainder of the last.
DD div(DD a, DD b) {
  const double q1 = a.hi / b.hi;
  DD r = add(a, neg(mul(b, q1)));
  const double q2 = r.hi / b.hi;
  r = add(r, neg(mul(b, q2)));
  const double q3 = r.hi / b.hi;
  return add(fast_two_sum(q1, q2), q3);
}

// The square root of a >= 0: the correctly rounded root and one Newton step.
DD sqrt_dd(DD a) {
  const double s = std::sqrt(a.hi);
  if (s == 0.0) return {s, 0.0};
  const DD p = two_prod(s, s);
  return fast_two_sum(s, (((a.hi - p.hi) - p.lo) + a.lo) / (s + s));
}

// 2^k for -1022 <= k <= 1023.
double pow2(int k) { return labcore::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52); }

// The polynomial sum of c_k v^k: the leading coefficients (head) in
// double-double, the small trailing ones (tail) by plain Horner in hi(v).
template <int NH, int NT>
DD horner(DD v, const DD (&head)[NH], const double (&tail)[NT]) {
  double t = tail[NT - 1];
  for (int i = NT - 2; i >= 0; --i) t = tail[i] + v.hi * t;
  DD acc = add(head[NH - 1], mul(v, t));
  for (int i = NH - 2; i >= 0; --i) acc = add(head[i], mul(v, acc));
  return acc;
}

// ---------------------------------------------------------------------------
// Kernels.

// exp(u) = m * 2^e for |u| below about 746: u = k ln2/64 + r with
// |r| <= ln2/128, exp(u) = 2^(k div 64) * 2^((k mod 64)/64) * exp(r).
struct Scaled {
  DD m;
  int e;
};

Scaled exp_kernel(DD u) {
  const double z = u.hi * kExpInvStep;
  const double kd = (z + 0x1.8p52) - 0x1.8p52;  // z rounded to an integer
  const auto k = static_cast<int>(kd);
  // u.hi - k*C1 is exact: k*C1 has at most 53 bits, and the difference is
  // below ln2/128 on the grid of u.hi.
  DD r = two_sum(u.hi - kd * kExpC1, u.lo);
  r = add(r, neg(two_prod(kd, kExpC2)));
  r = add(r, -(kd * kExpC3));
  const int j = k & 63;
  return {mul(kExp2Table[j], horner(r, kExpHead, kExpTail)), (k - j) / 64};
}

// log(x) for finite x > 0: x = 2^e m with m in [0.7, 1.42); m = (1 + r)/c
// with c from a table near 1/m, so that log x = e ln2 - log c + log(1 + r),
// |r| < 0.0056, and r = m c - 1 is exact.
DD log_kernel(double x) {
  int e = 0;
  if (x < 0x1p-1022) {  // subnormal: scale into the normal range
    x *= 0x1p54;
    e = -54;
  }
  const auto bits = labcore::bit_cast<std::uint64_t>(x);
  e += static_cast<int>(bits >> 52) - 1023;
  double m = labcore::bit_cast<double>((bits & 0x000fffffffffffffu) | 0x3ff0000000000000u);  // [1, 2)
  auto i = static_cast<int>(m * 128.0 + 0.5);
  if (i > kLogLast) {
    m *= 0.5;
    e += 1;
    i = static_cast<int>(m * 128.0 + 0.5);
  }
  const LogEntry& t = kLogTable[i - kLogFirst];
  const DD p = two_prod(m, t.c);
  const DD r = fast_two_sum(p.hi - 1.0, p.lo);
  const DD log1p_r = mul(r, horner(r, kLogHead, kLogTail));
  const auto ed = static_cast<double>(e);
  const DD e_ln2 = add(two_prod(ed, kLn2.hi), ed * kLn2.lo);
  return add(add(e_ln2, t.minus_log_c), log1p_r);
}

// atan(t) for finite t >= 0: for t > 1, pi/2 - atan(1/t); otherwise
// atan(t) = atan(c) + atan((t - c)/(1 + t c)) with c = j/64 nearest t.
DD atan_kernel(DD t) {
  // Beyond 2^53, atan(1/t) = 1/t to far better than 2^-106 of pi/2.
  if (t.hi > 0x1p53) return add(kPiHalf, -(1.0 / t.hi));
  const bool inverted = t.hi > 1.0;
  if (inverted) t = div({1.0, 0.0}, t);
  const auto j = static_cast<int>(t.hi * 64.0 + 0.5);
  const double c = j / 64.0;
  const DD d = j == 0 ? t : div(add(t, -c), add(mul(t, c), 1.0));
  const DD a = add(kAtanTable[j], mul(d, horner(mul(d, d), kAtanHead, kAtanTail)));
  return inverted ? add(kPiHalf, neg(a)) : a;
}

// sin and cos of |r| <= pi/4 (and a little more) by their series.
DD sin_poly(DD r) { return mul(r, horner(mul(r, r), kSinHead, kSinTail)); }
DD cos_poly(DD r) { return horner(mul(r, r), kCosHead, kCosTail); }

// x = (4n + q) pi/2 + r with |r| <= pi/4, for finite |x| >= pi/4. The
// fraction of x * 2/pi is taken from an exact integer product of x's 53-bit
// significand with 256 bits of 2/pi starting where the product's integer
// part stops mattering (a multiple of 4), so huge arguments lose nothing.
struct Reduced {
  DD r;
  unsigned q;
};

// Bits pos .. pos+31 of 2/pi (bit 1 the first after the point).
std::uint32_t two_over_pi_bits(int pos) {
  const int b = pos - 1;
  const int word = b / 32, shift = b % 32;
  if (shift == 0) return kTwoOverPiBits[word];
  return (kTwoOverPiBits[word] << shift) | (kTwoOverPiBits[word + 1] >> (32 - shift));
}

Reduced reduce_pio2(double x) {
  const auto bits = labcore::bit_cast<std::uint64_t>(x);
  const std::uint64_t m = (bits & 0x000fffffffffffffu) | (std::uint64_t{1} << 52);
  const int e = static_cast<int>((bits >> 52) & 0x7ffu) - 1075;  // |x| = m 2^e, e >= -53
  const int first = e - 1 > 1 ? e - 1 : 1;
  // The window: bits first .. first+255 of 2/pi, as eight 32-bit limbs,
  // least significant first. |x| 2/pi = m W 2^-s (mod 4).
  std::uint32_t w[8];
  for (int n = 0; n < 8; ++n) w[7 - n] = two_over_pi_bits(first + 32 * n);
  const int s = first + 255 - e;  // 254 .. 309
  std::uint32_t p[10] = {};
  const std::uint64_t m0 = m & 0xffffffffu, m1 = m >> 32;
  std::uint64_t carry = 0;
  for (int n = 0; n < 8; ++n) {
    const std::uint64_t t = w[n] * m0 + carry;
    p[n] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  p[8] = static_cast<std::uint32_t>(carry);
  carry = 0;
  for (int n = 0; n < 8; ++n) {
    const std::uint64_t t = w[n] * m1 + p[n + 1] + carry;
    p[n + 1] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  p[9] = static_cast<std::uint32_t>(carry);
  // Bits pos .. pos+63 of p (zeros beyond its ends).
  auto limb = [&p](int n) -> std::uint64_t { return n >= 0 && n < 10 ? p[n] : 0u; };
  auto window = [&limb](int pos) {
    const int n = pos >= 0 ? pos / 32 : -((31 - pos) / 32);
    const int shift = pos - 32 * n;
    const std::uint64_t low = limb(n) | (limb(n + 1) << 32);
    return shift == 0 ? low : (low >> shift) | (limb(n + 2) << (64 - shift));
  };
  // Keeps the bits below s, the fraction.
  auto cut = [&p, s] {
    p[s >> 5] &= (1u << (s & 31)) - 1u;
    for (int n = (s >> 5) + 1; n < 10; ++n) p[n] = 0;
  };
  unsigned q = static_cast<unsigned>(window(s) & 3u);
  cut();
  // The fraction f, taken as f - 1 when f >= 1/2.
  const bool negative = (window(s - 1) & 1u) != 0;
  if (negative) {
    ++q;
    std::uint64_t c = 1;  // 2^s - f = (~f + 1) mod 2^s
    for (std::uint32_t& l : p) {
      const std::uint64_t t = static_cast<std::uint64_t>(~l) + c;
      l = static_cast<std::uint32_t>(t);
      c = t >> 32;
    }
    cut();
  }
  int top = -1;  // the leading bit of the fraction
  for (int n = s >> 5; n >= 0 && top < 0; --n)
    if (p[n] != 0) top = 32 * n + 31 - std::countl_zero(p[n]);
  if (top < 0) return {{0.0, 0.0}, q & 3u};  // cannot happen for a double
  constexpr std::uint64_t bits53 = (std::uint64_t{1} << 53) - 1u;
  DD f = {static_cast<double>(window(top - 52) & bits53) * pow2(top - 52 - s),
          static_cast<double>(window(top - 105) & bits53) * pow2(top - 105 - s)};
  if (negative) f = neg(f);
  DD r = mul(f, kPiHalf);
  if (x < 0.0) {
    r = neg(r);
    q = 0u - q;
  }
  return {r, q & 3u};
}

constexpr double kPiQuarter = 0x1.921fb54442d18p-1;

DD cos_dd(double x) {
  if (std::fabs(x) <= kPiQuarter) return cos_poly({x, 0.0});
  const Reduced red = reduce_pio2(x);
  switch (red.q) {
    case 0: return cos_poly(red.r);
    case 1: return neg(sin_poly(red.r));
    case 2: return neg(cos_poly(red.r));
    default: return sin_poly(red.r);
  }
}

// acos(x) = 2 atan(sqrt((1 - x)/(1 + x))) for -1 < x <= 1; 1 - x and 1 + x
// are exact as double-doubles, so the small angles near x = 1 keep their
// relative accuracy.
DD acos_dd(double x) {
  if (x == -1.0) return kPi;
  const DD t = sqrt_dd(div(two_sum(1.0, -x), two_sum(1.0, x)));
  const DD a = atan_kernel(t);
  return {a.hi * 2.0, a.lo * 2.0};
}

// ---------------------------------------------------------------------------
// Rounding to float.

// The float next to f toward +infinity (up) or -infinity.
float float_step(float f, bool up) {
  if (f == 0.0f) return up ? FLT_TRUE_MIN : -FLT_TRUE_MIN;
  auto b = labcore::bit_cast<std::uint32_t>(f);
  b = ((f > 0.0f) == up) ? b + 1u : b - 1u;
  return labcore::bit_cast<float>(b);
}

// The value of a float for the midpoint arithmetic below: infinity stands
// for 2^128, the next binade's first value.
double as_double(float f) {
  if (f > FLT_MAX) return 0x1p128;
  if (f < -FLT_MAX) return -0x1p128;
  return static_cast<double>(f);
}

// hi + lo rounded to the nearest float (ties to even). Rounding hi alone is
// right unless hi is exactly the midpoint between two floats; then the sign
// of lo decides.
float round_to_float(DD v) {
  const auto f = static_cast<float>(v.hi);
  if (v.lo == 0.0 || as_double(f) == v.hi) return f;
  // f is the nearer neighbour of hi, or the even one if hi is the midpoint;
  // g is the other neighbour.
  const float g = float_step(f, v.hi > as_double(f));
  const double mid = (as_double(f) + as_double(g)) * 0.5;  // exact
  if (v.hi != mid) return f;
  return (v.lo > 0.0) == (as_double(g) > as_double(f)) ? g : f;
}

// Sign, odd integer and power of two of a nonzero finite value:
// v = sign * odd * 2^exp.
struct OddScaled {
  std::uint64_t odd;
  int exp;
};

OddScaled odd_scaled(double v) {
  int e = 0;
  double a = std::fabs(v);
  if (a < 0x1p-1022) {
    a *= 0x1p54;
    e = -54;
  }
  const auto bits = labcore::bit_cast<std::uint64_t>(a);
  std::uint64_t m = (bits & 0x000fffffffffffffu) | (std::uint64_t{1} << 52);
  e += static_cast<int>(bits >> 52) - 1075;
  while ((m & 1u) == 0) {
    m >>= 1;
    ++e;
  }
  return {m, e};
}

// base^n for a small n, or 0 when it passes `limit`.
std::uint64_t int_pow(std::uint64_t base, std::int64_t n, std::uint64_t limit) {
  std::uint64_t v = 1;
  for (std::int64_t k = 0; k < n; ++k) {
    if (v > limit / base) return 0;
    v *= base;
  }
  return v;
}

// Whether ax^y equals the double `mid` exactly (ax > 0, y nonzero, both
// finite; mid > 0 with at most 26 bits). With ax = X 2^E, y = Y 2^F and
// mid = M 2^G (X, Y, M odd): for y an integer n, X^n = M and E n = G; for
// y = Y/2^s (s >= 1), X must be the 2^s-th power of an integer W with
// W^Y = M and E Y = G 2^s.
bool pow_hits_exactly(double ax, double y, double mid) {
  const OddScaled xs = odd_scaled(ax), ys = odd_scaled(y), ms = odd_scaled(mid);
  const std::int64_t yodd = y < 0.0 ? -static_cast<std::int64_t>(ys.odd) : static_cast<std::int64_t>(ys.odd);
  constexpr std::int64_t big = std::int64_t{1} << 40;  // beyond any exponent of a finite float result
  if (ys.exp >= 0) {
    if (ys.exp > 40) return false;
    const std::int64_t n = yodd * (std::int64_t{1} << ys.exp);
    if (n > big || n < -big) return false;
    if (xs.odd == 1) return ms.odd == 1 && xs.exp * n == ms.exp;
    return n > 0 && n <= 64 && int_pow(xs.odd, n, ms.odd) == ms.odd && xs.exp * n == ms.exp;
  }
  const int s = -ys.exp;
  if (s > 40) return false;
  const std::int64_t two_s = std::int64_t{1} << s;
  if (xs.odd == 1) return ms.odd == 1 && xs.exp * yodd == ms.exp * two_s;
  if (yodd <= 0 || yodd > 64) return false;
  std::uint64_t w = xs.odd;
  for (int k = 0; k < s; ++k) {  // w = the 2^s-th root of X, if an integer
    const auto root = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(w)));
    if (root * root != w) return false;
    w = root;
  }
  return w > 1 && int_pow(w, yodd, ms.odd) == ms.odd && xs.exp * yodd == ms.exp * two_s;
}

bool is_integer(float y) {
  return std::fabs(y) >= 0x1p23f || static_cast<float>(static_cast<std::int32_t>(y)) == y;
}

bool is_odd_integer(float y) {
  if (std::fabs(y) >= 0x1p24f) return false;  // every float from 2^24 on is even
  const auto i = static_cast<std::int32_t>(y);
  return static_cast<float>(i) == y && (i & 1) != 0;
}

// ---------------------------------------------------------------------------
// Fast paths: the value in plain double arithmetic, to well within 2^-50
// relative (each path's error budget is given with it). Where every value
// within 2^-48 of it rounds to the same float, that float is the result;
// otherwise (about one input in ten million) the double-double kernel
// decides.

constexpr double kFastError = 0x1p-48;

// Whether every value within err of y rounds to the float f nearest y.
bool rounds_safely(double y, double err, float& f) {
  f = static_cast<float>(y);
  const double fd = as_double(f);
  const double mid = (fd + as_double(float_step(f, y > fd))) * 0.5;  // the midpoint on y's side
  return !(std::fabs(y - mid) <= err);
}

// exp(u) for u = hi + lo (|lo| below 2^-40 or so): u = k ln2/64 + r as in
// exp_kernel, r good to 2^-60 absolute (u.hi - k C1 exact, the rest rounded
// once or twice at 2^-53 of 2^-7.5), the series to r^6 (truncation 2^-64),
// the table entry times (1 + q): about 2^-52.8 relative in all.
bool exp_fast(double hi, double lo, float& f) {
  const double z = hi * kExpInvStep;
  const double kd = (z + 0x1.8p52) - 0x1.8p52;
  const auto k = static_cast<int>(kd);
  const double r = (hi - kd * kExpC1) + (lo - kd * kExpC2);
  const double q =
      r + r * r *
              (kExpHead[2].hi +
               r * (kExpHead[3].hi + r * (kExpHead[4].hi + r * (kExpTail[0] + r * kExpTail[1]))));
  const int j = k & 63;
  const DD& t = kExp2Table[j];
  const double y = (t.hi + (t.hi * q + t.lo)) * pow2((k - j) / 64);
  return rounds_safely(y, kFastError * y, f);
}

// log(x) for a float x > 0 (held in a double), as hi + lo to 2^-58
// relative: r = m c - 1 is exact (24 + 20 bits), e ln2 + (-log c) + r is
// summed exactly, and only the series rest r^2 (-1/2 + r/3 - ...), below
// 2^-16, and the low parts are rounded (2^-66 absolute; where the sum is
// below 1/256, x lies in the table's middle entry and the sum is r + rest).
DD log_fast(double x) {
  const auto bits = labcore::bit_cast<std::uint64_t>(x);
  int e = static_cast<int>(bits >> 52) - 1023;
  double m = labcore::bit_cast<double>((bits & 0x000fffffffffffffu) | 0x3ff0000000000000u);
  auto i = static_cast<int>(m * 128.0 + 0.5);
  if (i > kLogLast) {
    m *= 0.5;
    e += 1;
    i = static_cast<int>(m * 128.0 + 0.5);
  }
  const LogEntry& t = kLogTable[i - kLogFirst];
  const double r = m * t.c - 1.0;
  const double rest =
      r * r *
      (kLogHead[1].hi +
       r * (kLogHead[2].hi +
            r * (kLogHead[3].hi +
                 r * (kLogHead[4].hi + r * (kLogTail[0] + r * (kLogTail[1] + r * kLogTail[2]))))));
  const auto ed = static_cast<double>(e);
  const DD a = two_sum(ed * kLn2Hi, t.minus_log_c.hi);
  const DD s = two_sum(a.hi, r);
  return fast_two_sum(s.hi, s.lo + (a.lo + (rest + (ed * kLn2Lo + t.minus_log_c.lo))));
}

// cos(x): for |x| < 2^20, x = k pi/2 + r with pi/2 in three parts (k times
// the first two exact, r to 2^-98 absolute, and no float below 2^20 comes
// nearer a multiple of pi/2 than 2^-30); beyond, r from reduce_pio2 (2^-100
// relative). Then the series of cos r or sin r (truncation 2^-64; rounding
// about 2^-51.3 relative for cos, 2^-52.5 for sin).
bool cos_fast(double x, float& f) {
  double rh = x, rl = 0.0;
  unsigned q = 0;
  if (std::fabs(x) > 0x1p20) {
    const Reduced red = reduce_pio2(x);
    rh = red.r.hi;
    rl = red.r.lo;
    q = red.q;
  } else if (std::fabs(x) > kPiQuarter) {
    const double z = x * kTwoOverPi;
    const double kd = (z + 0x1.8p52) - 0x1.8p52;
    const DD r = two_sum(x - kd * kPiHalf1, -(kd * kPiHalf2));
    rh = r.hi;
    rl = r.lo - kd * kPiHalf3;
    q = static_cast<unsigned>(static_cast<int>(kd)) & 3u;
  }
  const double v = rh * rh;
  double y;
  if ((q & 1u) == 0) {
    const double c =
        v * (kCosHead[1].hi +
             v * (kCosHead[2].hi +
                  v * (kCosHead[3].hi +
                       v * (kCosHead[4].hi +
                            v * (kCosHead[5].hi +
                                 v * (kCosHead[6].hi + v * (kCosTail[0] + v * (kCosTail[1] + v * kCosTail[2]))))))));
    y = 1.0 + (c - rh * rl);
  } else {
    const double s =
        v * (kSinHead[1].hi +
             v * (kSinHead[2].hi +
                  v * (kSinHead[3].hi +
                       v * (kSinHead[4].hi +
                            v * (kSinHead[5].hi + v * (kSinTail[0] + v * (kSinTail[1] + v * kSinTail[2])))))));
    y = rh + (rl + rh * s);
  }
  if (q == 1u || q == 2u) y = -y;
  return rounds_safely(y, kFastError * std::fabs(y), f);
}

// acos(x) = 2 atan(t), t = sqrt((1 - x)/(1 + x)), for -1 < x < 1: t to
// 2.5 2^-53 relative, to which atan is no more sensitive; atan(t) =
// atan(c) + atan(d) with c = j/64 nearest t (or 1/t), d = (t - c)/(1 + t c)
// to 2^-51.4 relative and below 2^-7, so 2^-51 or better relative in all.
bool acos_fast(double x, float& f) {
  double t = std::sqrt((1.0 - x) / (1.0 + x));
  const bool inverted = t > 1.0;
  if (inverted) t = 1.0 / t;
  const auto j = static_cast<int>(t * 64.0 + 0.5);
  const double c = j / 64.0;
  const double d = (t - c) / (1.0 + t * c);
  const double v = d * d;
  double a = kAtanTable[j].hi + (kAtanTable[j].lo + (d + d * v * (kAtanHead[1].hi + v * (kAtanHead[2].hi + v * kAtanTail[0]))));
  if (inverted) a = kPiHalf.hi + (kPiHalf.lo - a);
  const double y = a + a;
  return rounds_safely(y, kFastError * y, f);
}

}  // namespace

// ---------------------------------------------------------------------------
// The functions.

float expf(float x) {
  if (x != x) return x + x;
  if (x > 89.0f) return std::numeric_limits<float>::infinity();
  if (x < -104.0f) return 0.0f;  // below half the least subnormal
  float f;
  if (exp_fast(static_cast<double>(x), 0.0, f)) return f;
  const Scaled v = exp_kernel({static_cast<double>(x), 0.0});
  const double scale = pow2(v.e);
  return round_to_float({v.m.hi * scale, v.m.lo * scale});
}

float logf(float x) {
  if (x != x) return x + x;
  if (x < 0.0f) return std::numeric_limits<float>::quiet_NaN();
  if (x == 0.0f) return -std::numeric_limits<float>::infinity();
  if (x > FLT_MAX) return x;
  const double xd = static_cast<double>(x);
  const DD l = log_fast(xd);
  float f;
  if (rounds_safely(l.hi, kFastError * std::fabs(l.hi), f)) return f;
  return round_to_float(log_kernel(xd));
}

float log10f(float x) {
  if (x != x) return x + x;
  if (x < 0.0f) return std::numeric_limits<float>::quiet_NaN();
  if (x == 0.0f) return -std::numeric_limits<float>::infinity();
  if (x > FLT_MAX) return x;
  const double xd = static_cast<double>(x);
  const DD l = log_fast(xd);
  const DD p = two_prod(l.hi, kInvLn10.hi);
  const double y = p.hi + (p.lo + (l.hi * kInvLn10.lo + l.lo * kInvLn10.hi));
  float f;
  if (rounds_safely(y, kFastError * std::fabs(y), f)) return f;
  return round_to_float(mul(log_kernel(xd), kInvLn10));
}

float cosf(float x) {
  if (x != x) return x + x;
  if (std::fabs(x) > FLT_MAX) return std::numeric_limits<float>::quiet_NaN();
  const double xd = static_cast<double>(x);
  float f;
  if (cos_fast(xd, f)) return f;
  return round_to_float(cos_dd(xd));
}

float acosf(float x) {
  if (x != x) return x + x;
  if (std::fabs(x) > 1.0f) return std::numeric_limits<float>::quiet_NaN();
  if (x == 1.0f) return 0.0f;
  if (x == -1.0f) return static_cast<float>(kPi.hi);  // pi is no midpoint
  const double xd = static_cast<double>(x);
  float f;
  if (acos_fast(xd, f)) return f;
  return round_to_float(acos_dd(xd));
}

float powf(float x, float y) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  if (y == 0.0f || x == 1.0f) return 1.0f;
  if (x != x || y != y) return x + y;
  const float ax = std::fabs(x), ay = std::fabs(y);
  if (x == 0.0f) {
    const bool odd = is_odd_integer(y);
    if (y < 0.0f) return odd ? 1.0f / x : inf;
    return odd ? x : 0.0f;
  }
  if (ay > FLT_MAX) {
    if (ax == 1.0f) return 1.0f;  // (-1)^(+-inf)
    return (ax < 1.0f) == (y < 0.0f) ? inf : 0.0f;
  }
  if (ax > FLT_MAX) {
    const float mag = y < 0.0f ? 0.0f : inf;
    return x < 0.0f && is_odd_integer(y) ? -mag : mag;
  }
  if (x < 0.0f && !is_integer(y)) return std::numeric_limits<float>::quiet_NaN();
  const float sign = x < 0.0f && is_odd_integer(y) ? -1.0f : 1.0f;
  const double axd = static_cast<double>(ax), yd = static_cast<double>(y);

  // |x|^y = exp(y log|x|). The fast path: log to 2^-58 relative makes
  // y log|x| good to 2^-51.7 absolute below 104 (beyond, the result is
  // 0 or infinity), which exp_fast's budget leaves room for.
  const DD l = log_fast(axd);
  const DD u = two_prod(yd, l.hi);
  if (u.hi > 89.5) return sign * inf;
  if (u.hi < -104.5) return sign * 0.0f;
  float f;
  if (exp_fast(u.hi, u.lo + yd * l.lo, f)) return sign * f;

  // Near a midpoint: the double-double value to under 2^-80 relative, and
  // where even that is within 2^-80 of the midpoint, an exact test.
  const Scaled v = exp_kernel(mul(log_kernel(axd), yd));
  const double scale = pow2(v.e);
  const DD r = {v.m.hi * scale, v.m.lo * scale};
  const auto g = static_cast<float>(r.hi);
  const double gd = as_double(g);
  const double mid = (gd + as_double(float_step(g, r.hi > gd))) * 0.5;
  const double gap = (r.hi - mid) + r.lo;
  if (mid > 0.0 && std::fabs(gap) <= 0x1p-80 * r.hi) {
    if (pow_hits_exactly(axd, yd, mid)) return sign * static_cast<float>(mid);  // the tie, to even
    return sign * round_to_float({mid, gap});
  }
  return sign * round_to_float(r);
}

}  // namespace labcore
