// The natural cubic spline against the textbook construction (second
// derivatives zero at both ends, continuity of the first derivative),
// solved separately with numpy for y = x³ at x = 0, 1, 2, 3: the knot
// second derivatives are 0, 4.8, 16.8, 0.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/dataset.hpp"
#include "analysis/interpolate.hpp"

namespace {

using analysis::Spline;

TEST(Spline, NaturalCubicThroughTheKnots) {
  const std::vector<double> x{0, 1, 2, 3};
  const std::vector<double> y{0, 1, 8, 27};
  const Spline s(x, y);
  for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(s.at(x[i]), y[i], 1e-12);
  EXPECT_NEAR(s.at(1.5), 3.15, 1e-12);  // not 3.375: the natural ends flatten the cubic
  EXPECT_NEAR(s.at(0.5), 0.2, 1e-12);
  EXPECT_NEAR(s.slope_at(1.5), 6.5, 1e-12);
  // Beyond the table the end tangents carry on.
  EXPECT_NEAR(s.slope_at(0.0), 0.2, 1e-12);
  EXPECT_NEAR(s.slope_at(3.0), 21.8, 1e-12);
  EXPECT_NEAR(s.at(-1.0), -0.2, 1e-12);
  EXPECT_NEAR(s.at(4.0), 27.0 + 21.8, 1e-12);
  // A copy reads the same table.
  const Spline copy = s;
  EXPECT_EQ(copy.at(2.5), s.at(2.5));
}

TEST(Spline, RefusesTablesItCannotInterpolate) {
  const std::vector<std::vector<double>> bad_x{{0, 1, 1, 2}, {0, 2, 1, 3}, {0, 1}};
  for (const auto& x : bad_x) {
    const std::vector<double> y(x.size(), 1.0);
    EXPECT_THROW(Spline(x, y), analysis::AnalysisError);
  }
  const std::vector<double> x{0, 1, 2};
  const std::vector<double> y{0, 1};
  EXPECT_THROW(Spline(x, y), analysis::AnalysisError);
}

}  // namespace
