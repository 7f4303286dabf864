// The closed-form cubic solver in both precisions.
#include <gtest/gtest.h>

#include <cmath>

#include "labcore/cubic.hpp"

namespace {

namespace c4 = labcore::cubic_eqn_mod;
namespace c8 = labcore::cubic_eqn_mod_d;

template <class Real>
struct Solved {
  int n = 0;
  std::array<std::complex<Real>, 3> r;
};

Solved<float> solve4(float a, float b, float c, float d) {
  Solved<float> s;
  c4::cubic_eqn_solver({a, b, c, d}, s.n, s.r);
  return s;
}
Solved<double> solve8(double a, double b, double c, double d) {
  Solved<double> s;
  c8::cubic_eqn_solver({a, b, c, d}, s.n, s.r);
  return s;
}

TEST(Cubic, ThreeDistinctRootsComeLargestSmallestMiddle) {
  const auto s = solve4(1.0f, -6.0f, 11.0f, -6.0f);
  EXPECT_EQ(s.n, 3);
  EXPECT_NEAR(s.r[0].real(), 3.0f, 1e-5f);
  EXPECT_NEAR(s.r[1].real(), 1.0f, 1e-5f);
  EXPECT_NEAR(s.r[2].real(), 2.0f, 1e-5f);
  for (const auto& z : s.r) EXPECT_EQ(z.imag(), 0.0f);
  const auto d = solve8(1.0, -6.0, 11.0, -6.0);
  EXPECT_EQ(d.n, 3);
  EXPECT_NEAR(d.r[0].real(), 3.0, 1e-6);
  EXPECT_NEAR(d.r[1].real(), 1.0, 1e-6);
  EXPECT_NEAR(d.r[2].real(), 2.0, 1e-6);
}

TEST(Cubic, OneRealRootAndAConjugatePair) {
  const auto s = solve4(1.0f, 0.0f, 0.0f, -1.0f);
  EXPECT_EQ(s.n, 1);
  EXPECT_NEAR(s.r[0].real(), 1.0f, 1e-6f);
  EXPECT_EQ(s.r[0].imag(), 0.0f);
  EXPECT_NEAR(s.r[1].real(), -0.5f, 1e-6f);
  EXPECT_NEAR(s.r[1].imag(), 0.8660254f, 1e-6f);
  EXPECT_EQ(s.r[2].real(), s.r[1].real());
  EXPECT_EQ(s.r[2].imag(), -s.r[1].imag());
  const auto d = solve8(1.0, 0.0, 0.0, -1.0);
  EXPECT_EQ(d.n, 1);
  // sqrt(3) is carried with single-precision accuracy in the double module:
  // the imaginary part is (1.7320507764816284 * (s - t)) / 2, s - t = 1.
  EXPECT_NEAR(d.r[1].imag(), 1.7320507764816284 / 2.0, 1e-15);
  EXPECT_NEAR(d.r[1].imag(), 0.8660254, 1e-7);
}

TEST(Cubic, ADoubleRootIsReportedAsThreeRealRoots) {
  // (x - 1)^2 (x + 2) = x^3 - 3x + 2
  const auto s = solve4(1.0f, 0.0f, -3.0f, 2.0f);
  EXPECT_EQ(s.n, 3);
  EXPECT_NEAR(s.r[0].real(), 1.0f, 1e-5f);
  EXPECT_NEAR(s.r[1].real(), -2.0f, 1e-5f);
  EXPECT_NEAR(s.r[2].real(), 1.0f, 1e-5f);
  const auto d = solve8(1.0, 0.0, -3.0, 2.0);
  EXPECT_EQ(d.n, 3);
  EXPECT_NEAR(d.r[1].real(), -2.0, 1e-9);
}

TEST(Cubic, ASmallPositiveDiscriminantTakesTheTrigonometricBranch) {
  // x^3 - 3x + 2 + eps: q = -1, p = -1 - eps/2, m = p^2 - 1 ~ eps, below 1e-5,
  // where the true roots are one real root and a close complex pair.
  const auto s = solve8(1.0, 0.0, -3.0, 2.0 + 4.0e-6);
  EXPECT_EQ(s.n, 3);
  // |p / q3root| exceeds 1 and is clamped: acos receives exactly -1.
  EXPECT_DOUBLE_EQ(s.r[0].real(), std::cos(std::acos(-1.0) / 3.0) * 2.0);
  EXPECT_EQ(s.r[0].imag(), 0.0);
}

TEST(Cubic, DegenerateCasesGiveRealRootsWithoutNaN) {
  // Triple root (x - 2)^3: q = p = 0.
  const auto t = solve4(1.0f, -6.0f, 12.0f, -8.0f);
  EXPECT_EQ(t.n, 3);
  for (const auto& z : t.r) {
    EXPECT_FALSE(std::isnan(z.real()));
    EXPECT_NEAR(z.real(), 2.0f, 1e-5f);
  }
  // q > 0 with a discriminant below the threshold: x^3 + 0.003x, roots 0
  // and +-0.0548i. One real root, no NaN.
  const auto s = solve8(1.0, 0.0, 0.003, 0.0);
  EXPECT_EQ(s.n, 1);
  EXPECT_NEAR(s.r[0].real(), 0.0, 1e-9);
  EXPECT_NEAR(std::fabs(s.r[1].imag()), std::sqrt(0.003), 1e-6);
  for (const auto& z : s.r) EXPECT_FALSE(std::isnan(z.real()) || std::isnan(z.imag()));
}

TEST(Cubic, CubeRoot) {
  EXPECT_NEAR(c4::cuberoot(-8.0f), -2.0f, 1e-6f);
  EXPECT_NEAR(c8::cuberoot(27.0), 3.0, 1e-14);
  EXPECT_EQ(c4::cuberoot(0.0f), 0.0f);
  EXPECT_EQ(c8::cuberoot(0.0), 0.0);
  EXPECT_TRUE(std::signbit(c8::cuberoot(-0.0)));
}

}  // namespace
