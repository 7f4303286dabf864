// Several results propagated at once, against covariances worked out by
// hand: a linear map (exact, A·C·Aᵀ) and a product and quotient (first-order
// rules for relative uncertainties).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/dataset.hpp"
#include "analysis/fit.hpp"

namespace {

using namespace analysis;

TEST(PropagateAll, ALinearMapGivesACAt) {
  // f = (p0 + 2 p1, 3 p0 - p1), C = [[0.04, 0.01], [0.01, 0.09]]:
  // A C Aᵀ worked out by hand:
  //   var f0 = 0.04 + 4*0.01 + 4*0.09 = 0.44
  //   var f1 = 9*0.04 - 6*0.01 + 0.09 = 0.39
  //   cov    = 3*0.04 + (-1 + 6)*0.01 - 2*0.09 = -0.01
  const std::vector<double> p{1.5, -2.0};
  const std::vector<double> c{0.04, 0.01, 0.01, 0.09};
  const Estimates e = propagate_all(
      [](std::span<const double> q) { return std::vector<double>{q[0] + 2 * q[1], 3 * q[0] - q[1]}; }, p, c);
  ASSERT_EQ(e.value.size(), 2u);
  EXPECT_DOUBLE_EQ(e.value[0], -2.5);
  EXPECT_DOUBLE_EQ(e.value[1], 6.5);
  EXPECT_NEAR(e.cov[0], 0.44, 1e-9);
  EXPECT_NEAR(e.cov[3], 0.39, 1e-9);
  EXPECT_NEAR(e.cov[1], -0.01, 1e-9);
  EXPECT_NEAR(e.cov[2], -0.01, 1e-9);
  EXPECT_NEAR(e.u(0), std::sqrt(0.44), 1e-9);
}

TEST(PropagateAll, ProductAndQuotientOfIndependentValues) {
  // x = 4 ± 0.2, y = 2 ± 0.1 (5 % each): x·y = 8 and x/y = 2 both carry
  // sqrt(2)·5 %; their covariance is (dxy/dx)(dq/dx)u_x² + (dxy/dy)(dq/dy)u_y²
  // = 2·0.5·0.04 + 4·(-1)·0.01 = 0.
  const std::vector<double> p{4.0, 2.0};
  const std::vector<double> c{0.04, 0.0, 0.0, 0.01};
  const Estimates e = propagate_all(
      [](std::span<const double> q) { return std::vector<double>{q[0] * q[1], q[0] / q[1]}; }, p, c);
  EXPECT_NEAR(e.u(0), 8.0 * 0.05 * std::sqrt(2.0), 1e-8);
  EXPECT_NEAR(e.u(1), 2.0 * 0.05 * std::sqrt(2.0), 1e-8);
  EXPECT_NEAR(e.cov[1], 0.0, 1e-9);
}

TEST(PropagateAll, AFunctionThatChangesItsNumberOfResultsIsRefused) {
  const std::vector<double> p{1.0};
  const std::vector<double> c{1.0};
  EXPECT_THROW(propagate_all(
                   [](std::span<const double> q) { return std::vector<double>(q[0] > 1.0 ? 2 : 1, q[0]); }, p, c),
               AnalysisError);
  EXPECT_THROW(propagate_all([](std::span<const double> q) { return std::vector<double>{q[0]}; }, p,
                             std::vector<double>{1.0, 0.0}),
               AnalysisError);
}

}  // namespace
