// Answer sheet of the gas-mixture volumes: partial molar volumes by the
// tangent to V against x1, and the excess volume of mixing.
//
// The worksheet: at each pressure the molar volume of the seven mixtures
// against the mole fraction x1 of gas 1, fitted by a cubic in x1 (least
// squares). At a composition x1 the tangent of the curve, slope dV/dx1,
// meets x1 = 1 at the partial molar volume of gas 1 and x1 = 0 at that of
// gas 2 (the method of intercepts):
//   V1 = V + (1 − x1)·dV/dx1,   V2 = V − x1·dV/dx1.
// The excess volume is the fitted V less the straight line between the
// fitted volumes of the pure gases, V − [(1 − x1)·V(0) + x1·V(1)]. Graded
// at x1 = 0.5 and three pressures; the workings carry every pressure.
//
// True values. The mixtures are van der Waals fluids with the hidden
// constants a(1), a(2), a12 and b(1), b(2) at the hidden t, mixed by
// a = Σ xi·xj·aij and b = Σ xi·bi; the molar volume is the one real root of
// P·V³ − (P·b + R·T)·V² + a·V − a·b = 0. Its partial molar volumes are the
// exact thermodynamic ones, Vi = −(∂P/∂ni)T,V,nj / (∂P/∂V)T,n: for one mole
// of mixture
//   ∂P/∂ni = R·T/(V − b) + R·T·bi/(V − b)² − 2·Σj xj·aij/V²,
//   ∂P/∂V  = −R·T/(V − b)² + 2·a/V³.
// A cubic does not follow the model's V(x1) exactly: with a gas close to its
// critical temperature the curve bends more sharply than a cubic can, but
// that misfit shows in the residuals and so in the uncertainties. The
// mole fractions are written to three decimals, which scatters the points
// along the curve by up to 0.0005·dV/dx1, more than the volumes' own
// scatter; the residuals carry that too.
#include <gsl/gsl_poly.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::AnalysisError;
using analysis::AnswerSheet;
using analysis::Case;
using analysis::Column;
using analysis::Estimate;
using analysis::PolyFit;
using analysis::Result;
using analysis::Workings;

constexpr double gas_constant = 83.145;  // cm3·bar/(mol·K), the experiment's value
constexpr std::size_t fit_degree = 3;    // V against x1: a cubic
constexpr double x_graded = 0.5;         // mole fraction of gas 1 where results are graded
constexpr std::array<double, 3> graded_pressures{30.0, 75.0, 125.0};  // bar

// The tangent construction at x on a fitted V(x1), as functions of the
// polynomial's coefficients (for propagation).
double fitted_v(std::span<const double> c, double x) {
  double s = 0;
  for (std::size_t k = c.size(); k-- > 0;) s = s * x + c[k];
  return s;
}
double fitted_slope(std::span<const double> c, double x) {
  double s = 0;
  for (std::size_t k = c.size(); k-- > 1;) s = s * x + static_cast<double>(k) * c[k];
  return s;
}
double partial_v1(std::span<const double> c, double x) { return fitted_v(c, x) + (1.0 - x) * fitted_slope(c, x); }
double partial_v2(std::span<const double> c, double x) { return fitted_v(c, x) - x * fitted_slope(c, x); }
double excess_v(std::span<const double> c, double x) {
  return fitted_v(c, x) - ((1.0 - x) * fitted_v(c, 0.0) + x * fitted_v(c, 1.0));
}

// The van der Waals mixture of the hidden model at mole fraction x of gas 1.
struct Mixture {
  std::array<double, 2> a{}, b{};
  double a12 = 0, rt = 0;

  double a_mix(double x) const { return x * x * a[0] + 2.0 * x * (1.0 - x) * a12 + (1.0 - x) * (1.0 - x) * a[1]; }
  double b_mix(double x) const { return x * b[0] + (1.0 - x) * b[1]; }

  // The largest real root of the cubic in V: above the mixture's critical
  // temperature the only one.
  double volume(double x, double p) const {
    const double am = a_mix(x), bm = b_mix(x);
    std::array<double, 3> v{};
    const int n = gsl_poly_solve_cubic(-(bm + rt / p), am / p, -am * bm / p, &v[0], &v[1], &v[2]);
    return *std::max_element(v.begin(), v.begin() + n);
  }

  // Partial molar volume of gas i (0 or 1) at x and p.
  double partial(int i, double x, double p) const {
    const double v = volume(x, p), am = a_mix(x), bm = b_mix(x);
    const double bi = b[static_cast<std::size_t>(i)];
    const double sum_a = i == 0 ? x * a[0] + (1.0 - x) * a12 : x * a12 + (1.0 - x) * a[1];
    const double dp_dni = rt / (v - bm) + rt * bi / ((v - bm) * (v - bm)) - 2.0 * sum_a / (v * v);
    const double dp_dv = -rt / ((v - bm) * (v - bm)) + 2.0 * am / (v * v * v);
    return -dp_dni / dp_dv;
  }
  double excess(double x, double p) const {
    return volume(x, p) - ((1.0 - x) * volume(0.0, p) + x * volume(1.0, p));
  }
};

std::string bar(double p) { return std::to_string(static_cast<int>(std::lround(p))); }

void analyse(const Case& cs, AnswerSheet& sheet) {
  const analysis::DataSet& data = cs.data();
  const std::size_t heading = data.find("P(bar)");
  std::vector<double> x1;
  for (std::size_t col = 1; data.number(heading, col); ++col) x1.push_back(data.value(heading, col));
  if (x1.size() < fit_degree + 2)
    throw AnalysisError("gas_mixture_volume_gen: record " + std::to_string(heading + 1) + " holds " +
                        std::to_string(x1.size()) + " mole fractions, too few for a cubic with a residual");
  const std::vector<std::size_t> rows = data.numeric_rows(heading + 1);

  const Mixture model{.a = {cs.hidden("a", 1), cs.hidden("a", 2)},
                      .b = {cs.hidden("b", 1), cs.hidden("b", 2)},
                      .a12 = cs.hidden("a12"),
                      .rt = gas_constant * cs.hidden("t")};

  Workings points{.title = "V against x1, pressure by pressure (cubic fit and tangents)",
                  .columns = {{"P(bar)", "bar", {}},
                              {"x1", "", {}},
                              {"V", "cm3/mol", {}},
                              {"V(fit)", "cm3/mol", {}},
                              {"dV/dx1", "cm3/mol", {}},
                              {"V1", "cm3/mol", {}},
                              {"V2", "cm3/mol", {}},
                              {"VE", "cm3/mol", {}}}};
  Workings middle{.title = "at x1 = 0.5, every pressure",
                  .columns = {{"P(bar)", "bar", {}},
                              {"V(fit)", "cm3/mol", {}},
                              {"dV/dx1", "cm3/mol", {}},
                              {"V1", "cm3/mol", {}},
                              {"V2", "cm3/mol", {}},
                              {"VE", "cm3/mol", {}},
                              {"u(VE)", "cm3/mol", {}}}};

  std::vector<bool> graded(graded_pressures.size(), false);
  for (const std::size_t row : rows) {
    const double p = data.value(row, 0);
    std::vector<double> v(x1.size());
    for (std::size_t i = 0; i < x1.size(); ++i) v[i] = data.value(row, i + 1);
    const PolyFit fit = analysis::fit_poly(x1, v, fit_degree);
    const std::span<const double> c(fit.c);

    // The excess volume of each written mixture against the straight line
    // between the written pure gases, as the student tabulates it.
    const double v_at_0 = v.front(), v_at_1 = v.back();
    const double x_first = x1.front(), x_last = x1.back();
    for (std::size_t i = 0; i < x1.size(); ++i) {
      const double ideal = v_at_0 + (v_at_1 - v_at_0) * (x1[i] - x_first) / (x_last - x_first);
      const std::array<double, 8> cells{p, x1[i], v[i], fitted_v(c, x1[i]), fitted_slope(c, x1[i]),
                                        partial_v1(c, x1[i]), partial_v2(c, x1[i]), v[i] - ideal};
      for (std::size_t k = 0; k < cells.size(); ++k) points.columns[k].values.push_back(cells[k]);
    }

    auto at_half = [&](double (*f)(std::span<const double>, double)) {
      return analysis::propagate([f](std::span<const double> q) { return f(q, x_graded); }, fit.c, fit.cov);
    };
    const Estimate v1 = at_half(partial_v1), v2 = at_half(partial_v2), ve = at_half(excess_v);
    const std::array<double, 7> cells{p,        fitted_v(c, x_graded), fitted_slope(c, x_graded), v1.value,
                                      v2.value, ve.value,              ve.u};
    for (std::size_t k = 0; k < cells.size(); ++k) middle.columns[k].values.push_back(cells[k]);

    const auto g = std::find(graded_pressures.begin(), graded_pressures.end(), p);
    if (g == graded_pressures.end()) continue;
    graded[static_cast<std::size_t>(g - graded_pressures.begin())] = true;
    const std::string at = " at x1 = 0.5, " + bar(p) + " bar";
    const std::string k = "(" + bar(p) + ")";
    const std::string fitted = "cubic least-squares fit of V against x1 over the " + std::to_string(x1.size()) +
                               " compositions at " + bar(p) + " bar";
    sheet.add(Result{.key = "V1" + k, .name = "partial molar volume of gas 1" + at, .unit = "cm3/mol",
                     .true_value = model.partial(0, x_graded, p), .value = v1.value, .uncertainty = v1.u,
                     .method = "V + (1 − x1)·dV/dx1 from the " + fitted});
    sheet.add(Result{.key = "V2" + k, .name = "partial molar volume of gas 2" + at, .unit = "cm3/mol",
                     .true_value = model.partial(1, x_graded, p), .value = v2.value, .uncertainty = v2.u,
                     .method = "V − x1·dV/dx1 from the same fit"});
    sheet.add(Result{.key = "VE" + k, .name = "excess molar volume" + at, .unit = "cm3/mol",
                     .true_value = model.excess(x_graded, p), .value = ve.value, .uncertainty = ve.u,
                     .method = "fitted V less the line between the fitted V of the pure gases"});
  }
  for (std::size_t i = 0; i < graded.size(); ++i)
    if (!graded[i])
      throw AnalysisError("gas_mixture_volume_gen: no table row at " + bar(graded_pressures[i]) + " bar");

  sheet.add(std::move(points));
  sheet.add(std::move(middle));
  sheet.notes.push_back(
      "At each pressure V is fitted by a cubic in x1 (least squares over the seven compositions as written, three "
      "figures); the partial molar volumes are the intercepts of the tangent at x1 = 0.5 with x1 = 1 (gas 1) and "
      "x1 = 0 (gas 2). Uncertainties are propagated from the fit's covariance.");
  sheet.notes.push_back(
      "In the workings VE of a written mixture is its volume less the straight line between the written volumes "
      "of the pure gases; the graded VE uses the fitted curve at x1 = 0.5.");
  sheet.notes.push_back(
      "True values: the van der Waals mixture of the hidden a, b, a12 and t at x1 = 0.5; partial molar volumes "
      "−(∂P/∂ni)/(∂P/∂V), excess volume V(0.5) − [V(0) + V(1)]/2.");
}

}  // namespace

extern const analysis::Analysis gas_mixture_volume_gen_answers{.program = "gas_mixture_volume_gen",
                                                                .analyse = analyse};
