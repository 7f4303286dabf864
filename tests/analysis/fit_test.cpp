// The fits against numbers worked out independently, in exact rational
// arithmetic from the normal equations (tests/data/answers/fit_reference.py),
// and checked against a real spreadsheet: LibreOffice Calc's LINEST of the
// line data, with and without a constant (tests/data/answers/linest.fods,
// evaluated by `soffice --headless --convert-to csv` into
// linest_libreoffice.csv); propagation against an analytic case.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/dataset.hpp"
#include "analysis/fit.hpp"

namespace {

using namespace analysis;

const std::vector<double> lx{1, 2, 3, 4, 5, 6};
const std::vector<double> ly{2.1, 3.9, 6.2, 7.8, 10.1, 12.2};

TEST(FitLine, MatchesLinestOfTheSameData) {
  const LineFit f = fit_line(lx, ly);
  EXPECT_NEAR(f.slope, 2.02, 1e-13);
  EXPECT_NEAR(f.intercept, -0.02, 1e-13);
  EXPECT_NEAR(f.se_slope, 0.042761798705987904, 1e-13);
  EXPECT_NEAR(f.se_intercept, 0.16653327995729061, 1e-13);
  EXPECT_NEAR(f.cov_slope_intercept, -0.0064, 1e-14);
  EXPECT_NEAR(f.residual_sd, 0.17888543819998318, 1e-13);
  EXPECT_NEAR(f.r2, 0.9982106661074999, 1e-13);
  EXPECT_EQ(f.n, 6u);
  // The line's uncertainty at x: sqrt(var_i + 2x cov + x² var_s).
  EXPECT_NEAR(f.se_at(0.0), f.se_intercept, 1e-15);
  EXPECT_NEAR(f.se_at(3.5), std::sqrt(0.16653327995729061 * 0.16653327995729061 - 7 * 0.0064 +
                                       12.25 * 0.042761798705987904 * 0.042761798705987904),
              1e-13);
  // Where it reaches y = 10: x = 10.02/2.02, u = se_at(x)/|slope|.
  EXPECT_NEAR(f.x_at(10.0), 10.02 / 2.02, 1e-13);
  EXPECT_NEAR(f.se_x_at(10.0), f.se_at(10.02 / 2.02) / 2.02, 1e-15);
}

TEST(FitLine, ThroughTheOrigin) {
  const LineFit f = fit_line_through_origin(lx, ly);
  EXPECT_NEAR(f.slope, 2.0153846153846153, 1e-13);
  EXPECT_NEAR(f.se_slope, 0.016802769163558152, 1e-13);
  EXPECT_NEAR(f.residual_sd, 0.16028820197477944, 1e-13);
  EXPECT_NEAR(f.r2, 0.9996525719040932, 1e-13);  // LINEST's R² without a constant
  EXPECT_EQ(f.intercept, 0.0);
}

TEST(FitLine, DegenerateInputs) {
  const std::vector<double> one{1}, two{1, 2}, same{3, 3, 3};
  EXPECT_THROW(fit_line(one, one), AnalysisError);
  EXPECT_THROW(fit_line(two, lx), AnalysisError);       // lengths differ
  EXPECT_THROW(fit_line(same, lx), AnalysisError);      // lengths differ
  EXPECT_THROW(fit_line(same, same), AnalysisError);    // one x: no slope
  const LineFit exact = fit_line(two, std::vector<double>{3, 5});
  EXPECT_DOUBLE_EQ(exact.slope, 2.0);
  EXPECT_DOUBLE_EQ(exact.intercept, 1.0);
  EXPECT_TRUE(std::isnan(exact.se_slope));               // no residual variance
}

TEST(FitPoly, QuadraticMatchesLinest) {
  const std::vector<double> x{0, 1, 2, 3, 4, 5};
  const std::vector<double> y{1.0, 2.2, 5.1, 9.8, 17.2, 26.1};
  const PolyFit f = fit_poly(x, y, 2);
  ASSERT_EQ(f.degree(), 2u);
  EXPECT_NEAR(f.c[0], 1.082142857142857, 1e-12);
  EXPECT_NEAR(f.c[1], -0.03892857142857143, 1e-12);
  EXPECT_NEAR(f.c[2], 1.0089285714285714, 1e-12);
  EXPECT_NEAR(f.se(0), 0.17337927831681577, 1e-12);
  EXPECT_NEAR(f.se(1), 0.1630855488953678, 1e-12);
  EXPECT_NEAR(f.se(2), 0.03130861849134731, 1e-12);
  EXPECT_NEAR(f.covariance(0, 1), -0.021565051020408163, 1e-13);
  EXPECT_NEAR(f.covariance(2, 1), -0.004901147959183673, 1e-13);
  EXPECT_NEAR(f.residual_sd, 0.1912988188547909, 1e-12);
  EXPECT_NEAR(f.at(2.0), 1.082142857142857 - 2 * 0.03892857142857143 + 4 * 1.0089285714285714, 1e-12);
  EXPECT_NEAR(f.slope_at(2.0), -0.03892857142857143 + 4 * 1.0089285714285714, 1e-12);
  EXPECT_NEAR(f.se_at(0.0), f.se(0), 1e-15);

  // The same model as a general design gives the same fit, and a line as
  // a polynomial of degree 1 gives fit_line's numbers.
  std::vector<std::vector<double>> design{{1, 1, 1, 1, 1, 1}, x, {0, 1, 4, 9, 16, 25}};
  const PolyFit g = fit_linear(design, y);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(g.c[i], f.c[i], 1e-12);
  const PolyFit line = fit_poly(lx, ly, 1);
  EXPECT_NEAR(line.se(1), 0.042761798705987904, 1e-13);
  EXPECT_NEAR(line.covariance(0, 1), -0.0064, 1e-14);
}

TEST(FitPoly, IntegralOfTheFittedPolynomial) {
  // y = 1 - 2x + 3x^2 exactly: the integral from 0 to 2 is 2 - 4 + 8 = 6,
  // from 3 to 1 it is -(3 - 9 + 27 - (1 - 1 + 1)) = -20.
  const std::vector<double> x{0, 1, 2, 3};
  const std::vector<double> y{1, 2, 9, 22};
  const PolyFit f = fit_poly(x, y, 2);
  EXPECT_NEAR(f.integral(0.0, 2.0), 6.0, 1e-12);
  EXPECT_NEAR(f.integral(3.0, 1.0), -20.0, 1e-12);
  EXPECT_EQ(f.integral(1.5, 1.5), 0.0);
}

TEST(FitPoly, DependentColumnsAndTooFewPoints) {
  const std::vector<double> x{1, 2, 3, 4};
  const std::vector<double> y{1, 2, 2, 5};
  EXPECT_THROW(fit_linear({x, x}, y), AnalysisError);
  EXPECT_THROW(fit_poly(std::vector<double>{1, 2}, std::vector<double>{1, 2}, 2), AnalysisError);
}

TEST(FitCurve, RecoversAnExponentialAndItsLinearCovariance) {
  // y = 3·exp(−0.5 x) exactly: the fit lands on the parameters.
  std::vector<double> x, y;
  for (int i = 0; i < 10; ++i) {
    x.push_back(0.5 * i);
    y.push_back(3.0 * std::exp(-0.25 * i));
  }
  const Model decay = [](double t, std::span<const double> p) { return p[0] * std::exp(p[1] * t); };
  const CurveFit f = fit_curve(decay, x, y, std::vector<double>{1.0, -0.1});
  EXPECT_NEAR(f.p[0], 3.0, 1e-9);
  EXPECT_NEAR(f.p[1], -0.5, 1e-9);
  // A model linear in its parameters: the curve fit's covariance is the
  // linear one.
  const Model line = [](double t, std::span<const double> p) { return p[0] + p[1] * t; };
  const CurveFit g = fit_curve(line, lx, ly, std::vector<double>{0.0, 1.0});
  EXPECT_NEAR(g.p[1], 2.02, 1e-9);
  EXPECT_NEAR(g.se(1), 0.042761798705987904, 1e-8);
  EXPECT_NEAR(g.covariance(0, 1), -0.0064, 1e-9);
  EXPECT_NEAR(g.residual_sd, 0.17888543819998318, 1e-9);
}

TEST(Propagate, ProductAndRatioAgainstTheAnalyticFormula) {
  // f = p0·p1: u² = p1²·C00 + p0²·C11 + 2·p0·p1·C01.
  const std::vector<double> p{3.0, -4.0};
  const std::vector<double> cov{0.04, 0.01, 0.01, 0.09};
  const Estimate e = propagate([](std::span<const double> q) { return q[0] * q[1]; }, p, cov);
  EXPECT_DOUBLE_EQ(e.value, -12.0);
  EXPECT_NEAR(e.u, std::sqrt(16 * 0.04 + 9 * 0.09 + 2 * 3 * -4 * 0.01), 1e-9);
  // f = exp(p0)/p1 with p0 at zero (the step falls back to the
  // uncertainty): ∂f/∂p0 = 1/p1, ∂f/∂p1 = −1/p1².
  const std::vector<double> z{0.0, 2.0};
  const Estimate r = propagate([](std::span<const double> q) { return std::exp(q[0]) / q[1]; }, z, cov);
  EXPECT_NEAR(r.u, std::sqrt(0.25 * 0.04 + 0.0625 * 0.09 - 2 * 0.5 * 0.25 * 0.01), 1e-9);
  EXPECT_THROW(propagate([](std::span<const double>) { return 0.0; }, p, std::vector<double>{1}), AnalysisError);
  const std::vector<double> unknown{NAN, 0, 0, 0};
  EXPECT_TRUE(std::isnan(propagate([](std::span<const double> q) { return q[0]; }, p, unknown).u));
}

TEST(Trapezoid, RisingAndFalling) {
  const std::vector<double> x{0, 1, 3}, y{0, 2, 6};
  EXPECT_DOUBLE_EQ(trapezoid(x, y), 1 + 8);
  const std::vector<double> xr{3, 1, 0}, yr{6, 2, 0};
  EXPECT_DOUBLE_EQ(trapezoid(xr, yr), -9.0);
}

// Natural cubic splines against scipy's CubicSpline(bc_type="natural")
// .integrate: uneven points, and x² on seven even points (a natural spline
// is not exact for it: 8.67022792 against 26/3).
TEST(SplineIntegral, NaturalSplineAgainstScipyAndBadInput) {
  const std::vector<double> x{0, 1, 2.5, 4}, y{1, 3, 2, 5};
  EXPECT_NEAR(spline_integral(x, y), 10.73423423, 1e-8);
  std::vector<double> xs, ys;
  for (int i = 0; i < 7; ++i) xs.push_back(1 + i / 3.0), ys.push_back(xs.back() * xs.back());
  EXPECT_NEAR(spline_integral(xs, ys), 8.67022792, 1e-8);
  EXPECT_THROW(spline_integral(std::vector<double>{0, 1}, std::vector<double>{0, 1}), AnalysisError);
  EXPECT_THROW(spline_integral(std::vector<double>{0, 1, 1}, std::vector<double>{0, 1, 2}), AnalysisError);
}

}  // namespace
