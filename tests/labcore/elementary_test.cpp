// labcore's binary32 functions: the special values of the C standard's
// annex F, ties and exact powers worked out by hand, identities that IEEE
// arithmetic rounds correctly by itself, and a sample of random inputs and
// the hardest inputs found by the exhaustive check (verify_math), all
// against MPFR's correctly rounded values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "labcore/elementary.hpp"
#include "support/mpfr_reference.hpp"

namespace labtest {
// Test names show the function's name.
void PrintTo(const UnaryFunction& f, std::ostream* os) { *os << f.name; }
}  // namespace labtest

namespace {

using labtest::bits_float;
using labtest::float_bits;
using labtest::same_float;

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

#define EXPECT_SAME(got, want) EXPECT_PRED2(same_float, got, want)

TEST(Elementary, SpecialValuesOfTheOneArgumentFunctions) {
  for (float n : {nan, -nan}) {
    EXPECT_SAME(labcore::expf(n), nan);
    EXPECT_SAME(labcore::logf(n), nan);
    EXPECT_SAME(labcore::log10f(n), nan);
    EXPECT_SAME(labcore::cosf(n), nan);
    EXPECT_SAME(labcore::acosf(n), nan);
  }
  EXPECT_SAME(labcore::expf(inf), inf);
  EXPECT_SAME(labcore::expf(-inf), 0.0f);
  EXPECT_SAME(labcore::expf(0.0f), 1.0f);
  EXPECT_SAME(labcore::expf(-0.0f), 1.0f);
  EXPECT_SAME(labcore::expf(100.0f), inf);
  EXPECT_SAME(labcore::expf(-110.0f), 0.0f);
  // The least subnormal 2^-149 is exp(-103.28); exp(-103.9) = 1.07 2^-150
  // still rounds up to it, exp(-103.98) = 0.99 2^-150 down to zero.
  EXPECT_SAME(labcore::expf(-103.9f), 0x1p-149f);
  EXPECT_SAME(labcore::expf(-103.98f), 0.0f);
  for (auto f : {labcore::logf, labcore::log10f}) {
    EXPECT_SAME(f(0.0f), -inf);
    EXPECT_SAME(f(-0.0f), -inf);
    EXPECT_SAME(f(inf), inf);
    EXPECT_SAME(f(-1.0f), nan);
    EXPECT_SAME(f(-inf), nan);
    EXPECT_SAME(f(1.0f), 0.0f);  // +0
  }
  // Decimal logarithms of the powers of ten that floats hold exactly.
  float p = 1.0f;
  for (int k = 0; k <= 10; ++k, p *= 10.0f) EXPECT_SAME(labcore::log10f(p), static_cast<float>(k)) << p;
  // 0.1f is 0.100000001490116: log10 = -0.9999999935, nearer -1 than the
  // float above it (-1 + 2^-24 = -0.99999994).
  EXPECT_SAME(labcore::log10f(0.1f), -1.0f);
  EXPECT_SAME(labcore::cosf(inf), nan);
  EXPECT_SAME(labcore::cosf(-inf), nan);
  EXPECT_SAME(labcore::cosf(0.0f), 1.0f);
  EXPECT_SAME(labcore::cosf(-0.0f), 1.0f);
  EXPECT_SAME(labcore::acosf(1.0f), 0.0f);
  EXPECT_SAME(labcore::acosf(-1.0f), 0x1.921fb6p+1f);  // pi rounded to float
  EXPECT_SAME(labcore::acosf(0.0f), 0x1.921fb6p+0f);   // pi/2
  EXPECT_SAME(labcore::acosf(1.0000001f), nan);
  EXPECT_SAME(labcore::acosf(-inf), nan);
}

TEST(Elementary, SpecialValuesOfPow) {
  struct Case {
    float x, y, want;
  };
  const Case cases[] = {
      {nan, 0.0f, 1.0f},      {nan, -0.0f, 1.0f},   {1.0f, nan, 1.0f},     {1.0f, inf, 1.0f},
      {-1.0f, inf, 1.0f},     {-1.0f, -inf, 1.0f},  {nan, 1.0f, nan},      {2.0f, nan, nan},
      {0.0f, -3.0f, inf},     {-0.0f, -3.0f, -inf}, {-0.0f, -2.0f, inf},   {-0.0f, -0.5f, inf},
      {0.0f, 3.0f, 0.0f},     {-0.0f, 3.0f, -0.0f}, {-0.0f, 2.0f, 0.0f},   {-0.0f, 0.5f, 0.0f},
      {-0.0f, -inf, inf},     {0.5f, inf, 0.0f},    {2.0f, inf, inf},      {0.5f, -inf, inf},
      {2.0f, -inf, 0.0f},     {-inf, 3.0f, -inf},   {-inf, -3.0f, -0.0f},  {-inf, 2.0f, inf},
      {-inf, -2.0f, 0.0f},    {-inf, 0.5f, inf},    {inf, -1.0f, 0.0f},    {inf, 0.5f, inf},
      {-8.0f, 1.0f / 3.0f, nan}, {-2.0f, 3.0f, -8.0f}, {-2.0f, -3.0f, -0.125f}, {-2.0f, 2.0f, 4.0f},
      {-1.0f, 1e30f, 1.0f},   {-1.0f, 3.0f, -1.0f},  {2.0f, 128.0f, inf},  {-2.0f, 129.0f, -inf},
      {2.0f, -149.0f, 0x1p-149f}, {-2.0f, -149.0f, -0x1p-149f},
  };
  for (const Case& c : cases)
    EXPECT_SAME(labcore::powf(c.x, c.y), c.want) << "pow(" << c.x << ", " << c.y << ")";
}

// Results that lie exactly on a midpoint between two floats go to the one
// with the even last bit; exact powers come out exact.
TEST(Elementary, PowTiesAndExactPowers) {
  struct Case {
    float x, y, want;
  };
  const Case cases[] = {
      // 2^-150 is halfway between 0 and the least subnormal 2^-149: to 0.
      {0x1p-75f, 2.0f, 0.0f},
      {0x1p-50f, 3.0f, 0.0f},
      {0.25f, 75.0f, 0.0f},
      {0x1p-100f, 1.5f, 0.0f},
      // 2^-151 rounds to 0, 2^-149 is held exactly.
      {0.5f, 149.0f, 0x1p-149f},
      {0.5f, 151.0f, 0.0f},
      // (3 2^-75)^2 = 9 2^-150 = 4.5 2^-149: between 4 and 5 times 2^-149, to 4.
      {0x3p-75f, 2.0f, 0x1p-147f},
      // 4097^2 = 16785409, odd and above 2^24 (float spacing 2 there):
      // between 16785408 and 16785410, to 16785408 (mantissa 8392704, even).
      {4097.0f, 2.0f, 16785408.0f},
      // 66049^1.5 = 257^3 = 16974593: to 16974592.
      {66049.0f, 1.5f, 16974592.0f},
      // 4099^2 = 16801801: to 16801800 (mantissa 8400900, even).
      {4099.0f, 2.0f, 16801800.0f},
      // Exact values.
      {10.0f, 2.0f, 100.0f},
      {10.0f, 10.0f, 1e10f},
      {3.0f, 15.0f, 14348907.0f},
      {0.5f, -126.0f, 0x1p126f},
      {16.0f, 0.25f, 2.0f},
      {65536.0f, 0.0625f, 2.0f},
      {6561.0f, 0.75f, 729.0f},
  };
  for (const Case& c : cases)
    EXPECT_SAME(labcore::powf(c.x, c.y), c.want) << "pow(" << c.x << ", " << c.y << ")";
}

// IEEE arithmetic rounds x*x, 1/x and sqrt(x) correctly, so pow must agree
// with them at y = 2, -1 and 0.5 for every base (zero and infinity aside,
// where pow's own rules hold).
TEST(Elementary, PowAgreesWithCorrectlyRoundedArithmetic) {
  std::mt19937 rng(24u);
  for (int i = 0; i < 200000; ++i) {
    const float x = bits_float(rng() & 0x7fffffffu);
    if (!std::isfinite(x) || x == 0.0f) continue;
    ASSERT_PRED2(same_float, labcore::powf(x, 2.0f), x * x) << x;
    ASSERT_PRED2(same_float, labcore::powf(-x, 2.0f), x * x) << x;
    ASSERT_PRED2(same_float, labcore::powf(x, -1.0f), 1.0f / x) << x;
    ASSERT_PRED2(same_float, labcore::powf(-x, -1.0f), -1.0f / x) << x;
    ASSERT_PRED2(same_float, labcore::powf(x, 0.5f), std::sqrt(x)) << x;
  }
}

// The inputs nearest a midpoint, as listed by verify_math.
struct HardCase {
  const char* function;
  std::uint32_t bits;
};
constexpr HardCase kHardest[] = {
    {"expf", 0xc16912cdu},    // -0x1.d2259ap+3, 2^-28.7 of a spacing from a midpoint
    {"expf", 0xbbf0edf1u},    // -0x1.e1dbe2p-8, 2^-27.7
    {"expf", 0xc2b2e798u},    // -0x1.65cf3p+6, 2^-27.7
    {"expf", 0x377eff81u},    // 0x1.fdff02p-17, 2^-27.6
    {"logf", 0x38dcbe38u},    // 0x1.b97c7p-14, 2^-29.9
    {"logf", 0x4665a9a6u},    // 0x1.cb534cp+13, 2^-29.5
    {"logf", 0x5ee8984eu},    // 0x1.d1309cp+62, 2^-29.4
    {"logf", 0x3bf86ef0u},    // 0x1.f0ddep-8, 2^-29.3
    {"log10f", 0x604df02cu},  // 0x1.9be058p+65, 2^-29.9
    {"log10f", 0x120b93dcu},  // 0x1.1727b8p-91, 2^-29.4
    {"log10f", 0x13ae78d3u},  // 0x1.5cf1a6p-88, 2^-29.4
    {"log10f", 0x2f149212u},  // 0x1.292424p-33, 2^-29.3
    {"acosf", 0xbc406ccdu},   // -0x1.80d99ap-7, 2^-29.9
    {"acosf", 0x3c8a2f9bu},   // 0x1.145f36p-6, 2^-28.0
    {"acosf", 0xba9d5f75u},   // -0x1.3abeeap-10, 2^-27.7
    {"acosf", 0x3b7d281bu},   // 0x1.fa5036p-9, 2^-27.3
    {"powf(10,y)", 0xbac4c65cu},  // -0x1.898cb8p-10, 2^-29.9
    {"powf(10,y)", 0x417d7f60u},  // 0x1.fafecp+3, 2^-29.1
    {"powf(10,y)", 0xb326c4e3u},  // -0x1.4d89c6p-25, 2^-28.8
    {"powf(10,y)", 0xbf230886u},  // -0x1.46110cp-1, 2^-28.2
    {"cosf", 0x5922aa80u},    // 0x1.4555p+51, 2^-29.5
    {"cosf", 0xf908cd73u},    // -0x1.119ae6p+115, 2^-29.4
    {"cosf", 0x61703976u},    // 0x1.e072ecp+67, 2^-29.3
};

class ElementarySample : public testing::TestWithParam<labtest::UnaryFunction> {};

// A million random inputs against MPFR: half any float (NaN, infinities,
// subnormals, the ranges where the result overflows or is exactly 0, 1 or
// a NaN), half where the result is an ordinary number.
TEST_P(ElementarySample, AMillionRandomInputsAndTheHardestAreCorrectlyRounded) {
  const labtest::UnaryFunction& fn = GetParam();
  const std::string name = fn.name;
  std::mt19937_64 rng(std::hash<std::string>{}(name));
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int failures = 0;
  for (int i = 0; i < 1000000 && failures < 10; ++i) {
    float x = bits_float(static_cast<std::uint32_t>(rng()));
    if (i % 2 == 1) {
      const double u = unit(rng);
      if (name == "expf") x = static_cast<float>(-104.0 + 193.0 * u);
      else if (name == "acosf") x = static_cast<float>(2.0 * u - 1.0);
      else if (name == "cosf") x = static_cast<float>(std::ldexp(u, static_cast<int>(rng() % 40u) - 12));
      else if (name == "powf(10,y)") x = static_cast<float>(-45.0 + 84.0 * u);
      else x = std::fabs(x);
    }
    const float got = fn.ours(x), want = labtest::mpfr_float(fn.mpfr, x);
    if (!same_float(got, want)) {
      ++failures;
      ADD_FAILURE() << name << "(" << x << " = " << std::hexfloat << x << ") = " << got << ", MPFR " << want;
    }
  }
  for (const HardCase& h : kHardest) {
    if (name != h.function) continue;
    const float x = bits_float(h.bits);
    EXPECT_PRED2(same_float, fn.ours(x), labtest::mpfr_float(fn.mpfr, x)) << name << "(" << std::hexfloat << x << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Functions, ElementarySample, testing::ValuesIn(labtest::unary_functions()),
                         [](const testing::TestParamInfo<labtest::UnaryFunction>& info) {
                           std::string n = info.param.name;
                           return n == "powf(10,y)" ? std::string("pow10") : n;
                         });

// A million random (x, y) pairs of pow against MPFR, mostly with a result
// in range.
TEST(Elementary, PowAtAMillionRandomPairs) {
  std::mt19937_64 rng(1729u);
  int failures = 0;
  for (std::uint64_t i = 0; i < 1000000 && failures < 10; ++i) {
    const auto [x, y] = labtest::random_pow_pair(rng(), i);
    const float got = labcore::powf(x, y), want = labtest::mpfr_powf(x, y);
    if (!same_float(got, want)) {
      ++failures;
      ADD_FAILURE() << std::hexfloat << "pow(" << x << ", " << y << ") = " << got << ", MPFR " << want;
    }
  }
}

}  // namespace
