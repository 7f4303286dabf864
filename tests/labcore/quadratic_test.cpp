// The single-precision quadratic solver.
#include <gtest/gtest.h>

#include "labcore/quadratic.hpp"

namespace {

struct Solved {
  int n = -1;
  std::array<std::complex<float>, 2> r;
};

Solved solve(float a, float b, float c) {
  Solved s;
  labcore::quadratic_eqn_mod::quadratic_eqn_solver({a, b, c}, s.n, s.r);
  return s;
}

TEST(Quadratic, DistinctRealRootsComeLargerFirst) {
  const auto s = solve(1.0f, 1.0f, -6.0f);
  EXPECT_EQ(s.n, 2);
  EXPECT_EQ(s.r[0], std::complex<float>(2.0f, 0.0f));
  EXPECT_EQ(s.r[1], std::complex<float>(-3.0f, 0.0f));
}

TEST(Quadratic, NoRealRootsGiveTheConjugatePair) {
  const auto s = solve(1.0f, 0.0f, 4.0f);
  EXPECT_EQ(s.n, 0);
  EXPECT_EQ(s.r[0], std::complex<float>(0.0f, 2.0f));
  EXPECT_EQ(s.r[1], std::complex<float>(0.0f, -2.0f));
  const auto t = solve(2.0f, 4.0f, 10.0f);  // -1 +- 2i
  EXPECT_EQ(t.n, 0);
  EXPECT_EQ(t.r[0], std::complex<float>(-1.0f, 2.0f));
  EXPECT_EQ(t.r[1], std::complex<float>(-1.0f, -2.0f));
}

TEST(Quadratic, ADoubleRootCountsAsNoRealRoots) {
  const auto s = solve(1.0f, -4.0f, 4.0f);
  EXPECT_EQ(s.n, 0);
  EXPECT_EQ(s.r[0].real(), 2.0f);
  EXPECT_EQ(s.r[1].real(), 2.0f);
  EXPECT_EQ(s.r[0].imag(), 0.0f);
  EXPECT_EQ(s.r[1].imag(), 0.0f);
}

TEST(Quadratic, DiscriminantIsFormedInSinglePrecision) {
  // With b = 1 + 2^-12, b*b is 1 + 2^-11 + 2^-24 exactly but 1 + 2^-11 in
  // float (a tie, rounded to even), so against 4ac = 1 + 2^-11 the float
  // discriminant is exactly 0: a double root, not two real ones.
  const float b = 1.0f + 0x1p-12f;
  const auto s = solve(0.25f, b, 1.0f + 0x1p-11f);
  EXPECT_EQ(s.n, 0);
  EXPECT_EQ(s.r[0].imag(), 0.0f);
}

}  // namespace
