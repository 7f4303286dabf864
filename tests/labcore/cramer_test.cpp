// The 3x3 determinant and Cramer's-rule solver, with its guard against
// nearly singular and negative determinants.
#include <gtest/gtest.h>

#include <cmath>

#include "labcore/cramer.hpp"
#include "labcore/program.hpp"

namespace {

using labcore::Matrix3;
using labcore::Vector3;

Matrix3 diagonal(float d1, float d2, float d3) { return {{{d1, 0.0f, 0.0f}, {0.0f, d2, 0.0f}, {0.0f, 0.0f, d3}}}; }

TEST(Cramer, SolvesAndLeavesItsInputs) {
  Vector3 x{};
  labcore::cramer3x3(diagonal(1.0f, 1.0f, 1.0f), {1.0f, 2.0f, 3.0f}, x);
  EXPECT_EQ(x, (Vector3{1.0f, 2.0f, 3.0f}));
  // 2x + y + z = 7, x = 1, x + 3y + 2z = 14: every column and every element
  // of b takes part.
  const Matrix3 a{{{2.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f}, {1.0f, 3.0f, 2.0f}}};
  const Matrix3 a_before = a;
  labcore::cramer3x3(a, {7.0f, 1.0f, 14.0f}, x);
  EXPECT_EQ(x, (Vector3{1.0f, 3.0f, 2.0f}));
  EXPECT_EQ(a, a_before);
}

TEST(Cramer, DeterminantKeepsItsEvaluationOrder) {
  // A heat-capacity fit, rows (1, T, 1/T^2): the terms cancel to about 1e-7
  // of their size, so another order or grouping changes the last digits.
  const float t[3] = {15.0f, 104.699203f, 271.615845f};
  Matrix3 d{};
  for (int i = 0; i < 3; ++i) d[i] = {1.0f, t[i], 1.0f / (t[i] * t[i])};
  EXPECT_EQ(labcore::mdet3(d), 0.719657898f);
  EXPECT_EQ(labcore::mdet3({{{2.0f, 3.0f, 5.0f}, {7.0f, 11.0f, 13.0f}, {17.0f, 19.0f, 23.0f}}}), -78.0f);
}

TEST(Cramer, RejectsDeterminantsUpToTheThresholdAndNegativeOnes) {
  const Matrix3 rejected[] = {
      diagonal(1.0e-5f, 1.0f, 1.0f),  // exactly the threshold
      diagonal(0.0f, 1.0f, 1.0f),
      {{{0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}},  // well conditioned, -1
      diagonal(std::nanf(""), 1.0f, 1.0f),
  };
  for (const Matrix3& a : rejected) {
    Vector3 x{-7.0f, -7.0f, -7.0f};
    try {
      labcore::cramer3x3(a, {1.0f, 2.0f, 3.0f}, x);
      ADD_FAILURE() << "accepted a determinant of " << labcore::mdet3(a);
    } catch (const labcore::Failure& f) {
      EXPECT_EQ(f.records(),
                std::vector<std::string>{"  Calculation numerically unstable. Try again with different seeds"});
      EXPECT_EQ(f.status(), labcore::exit_computation_failed);
    }
    EXPECT_EQ(x, (Vector3{-7.0f, -7.0f, -7.0f}));
  }
  // The next float above the threshold is accepted.
  const float above = std::nextafter(1.0e-5f, 1.0f);
  Vector3 x{};
  labcore::cramer3x3(diagonal(above, 1.0f, 1.0f), {above, 2.0f, 3.0f}, x);
  EXPECT_EQ(x, (Vector3{1.0f, 2.0f, 3.0f}));
}

}  // namespace
