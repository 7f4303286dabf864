// The weighted linear fit against the closed-form weighted normal
// equations, solved in exact rational arithmetic (Python fractions):
// x = 1..5, y = 2.3 3.9 6.4 7.7 10.4, sigma = 0.1 0.2 0.1 0.4 0.5,
// weights 1/sigma²; intercept = (ΣwxxΣwy − ΣwxΣwxy)/D, slope =
// (ΣwΣwxy − ΣwxΣwy)/D, var(intercept) = Σwxx/D, var(slope) = Σw/D,
// cov = −Σwx/D, D = ΣwΣwxx − (Σwx)², χ² = Σw(y − fit)².
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/dataset.hpp"
#include "analysis/fit.hpp"

namespace {

using namespace analysis;

TEST(FitLinearWeighted, MatchesWeightedNormalEquations) {
  const std::vector<double> x{1, 2, 3, 4, 5};
  const std::vector<double> y{2.3, 3.9, 6.4, 7.7, 10.4};
  const std::vector<double> sigma{0.1, 0.2, 0.1, 0.4, 0.5};
  const PolyFit f = fit_linear_weighted({std::vector<double>(5, 1.0), x}, y, sigma);
  EXPECT_NEAR(f.c[0], 0.25279605263157895, 1e-12);
  EXPECT_NEAR(f.c[1], 2.0156661184210525, 1e-12);
  // Covariance from the sigmas alone: scaling the sigmas scales it, not
  // the coefficients.
  EXPECT_NEAR(f.covariance(0, 0), 0.02138157894736842, 1e-14);
  EXPECT_NEAR(f.covariance(1, 1), 0.0038692434210526316, 1e-15);
  EXPECT_NEAR(f.covariance(0, 1), -0.008141447368421052, 1e-15);
  EXPECT_NEAR(f.residual_sd, std::sqrt(7.178865131578948 / 3.0), 1e-12);

  std::vector<double> doubled = sigma;
  for (double& s : doubled) s *= 2.0;
  const PolyFit g = fit_linear_weighted({std::vector<double>(5, 1.0), x}, y, doubled);
  EXPECT_NEAR(g.c[1], f.c[1], 1e-12);
  EXPECT_NEAR(g.covariance(1, 1), 4.0 * f.covariance(1, 1), 1e-14);
}

TEST(FitLinearWeighted, RefusesUnusableUncertainties) {
  const std::vector<double> x{1, 2, 3};
  const std::vector<double> y{1, 2, 3};
  const std::vector<double> ones(3, 1.0);
  for (const std::vector<double>& sigma : {std::vector<double>{1, 0, 1}, std::vector<double>{1, -1, 1},
                                           std::vector<double>{1, NAN, 1}, std::vector<double>{1, 1}})
    EXPECT_THROW(fit_linear_weighted({ones, x}, y, sigma), AnalysisError);
  // Two equal columns cannot both be fitted.
  EXPECT_THROW(fit_linear_weighted({ones, ones}, y, ones), AnalysisError);
}

}  // namespace
