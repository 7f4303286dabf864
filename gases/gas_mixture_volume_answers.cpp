// Answer sheet of the gas-mixture volumes: partial molar volumes by the
// tangent to V against x1, and the excess volume of mixing.
//
// The worksheet: at each pressure the molar volume of the seven mixtures
// against the mole fraction x1 of gas 1, fitted by a cubic in x1 (least
// squares). At a composition x1 the tangent of the curve, slope dV/dx1,
// meets x1 = 1 at the partial molar volume of gas 1 and x1 = 0 at that of
// gas 2 (the method of intercepts):
//   V1 = V + (1 − x1)·dV/dx1,   V2 = V − x1·dV/dx1.
// What is graded is how far each lies from the pure gas's own molar volume
// at the same pressure, V1 − V1° and V2 − V2° (the partial molar excess
// volumes; V1° and V2° the fitted V at x1 = 1 and 0), and the excess volume,
// the fitted V less the straight line between the pure gases,
// V − [(1 − x1)·V2° + x1·V1°]. A partial molar volume itself lies within a
// few cm3/mol of the pure gas's, well inside any tolerance on its own
// scale, so reporting V1° would pass: the difference is the experiment's
// point. Graded at x1 = 0.5 and 30, 50 and 75 bar; the workings carry every
// pressure. Above about 80 bar the gases close to their critical
// temperatures make V(x1) bend more sharply than a cubic through seven
// mixtures can follow: the misfit leaves the partial molar volumes
// uncertain by as much as their excess (over the seed sweep the pure gas's
// own volume passed V1 − V1° at 125 bar in 5 % of the data sets).
//
// True values. The mixtures are van der Waals fluids with the hidden
// constants a(1), a(2), a12 and b(1), b(2) at the hidden t, mixed by
// a = Σ xi·xj·aij and b = Σ xi·bi; the molar volume is the one real root of
// P·V³ − (P·b + R·T)·V² + a·V − a·b = 0. Its partial molar volumes are the
// exact thermodynamic ones, Vi = −(∂P/∂ni)T,V,nj / (∂P/∂V)T,n: for one mole
// of mixture
//   ∂P/∂ni = R·T/(V − b) + R·T·bi/(V − b)² − 2·Σj xj·aij/V²,
//   ∂P/∂V  = −R·T/(V − b)² + 2·a/V³.
//
// Uncertainties. Every graded result is linear in the written volumes and
// depends on the written mole fractions through the fit: they are
// propagated from both. A volume's variance is the larger of the cubic's
// residual variance (three degrees of freedom only, so at times far too
// small) and the measurement's own, a scatter of ±0.01 cm3/mol and the
// rounding to 0.01; a mole fraction's is that of its rounding to three
// decimals, which moves a mixture along the curve by up to 0.0005·dV/dx1
// (the pure gases, 0.000 and 1.000, are exact). A cubic does not follow the
// model's V(x1) exactly: with a gas close to its critical temperature the
// curve bends more sharply than a cubic can, and that misfit shows in the
// residuals.
#include <gsl/gsl_poly.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

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
constexpr std::array<double, 3> graded_pressures{30.0, 50.0, 75.0};  // bar
// The measurement: volumes scattered by ±0.01 cm3/mol and written to 0.01,
// mole fractions written to 0.001 (uniform errors: variance (±h)²/3, a
// digit d²/12).
constexpr double volume_scatter = 0.01;   // cm3/mol, ±
constexpr double volume_digit = 0.01;     // cm3/mol
constexpr double fraction_digit = 0.001;

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
// The partial molar excess volumes V1 − V1° and V2 − V2°.
double excess_v1(std::span<const double> c, double x) { return partial_v1(c, x) - fitted_v(c, 1.0); }
double excess_v2(std::span<const double> c, double x) { return partial_v2(c, x) - fitted_v(c, 0.0); }

// The three graded results at x from the cubic through (x1, V).
std::array<double, 3> graded_of(std::span<const double> x1, std::span<const double> v, double x) {
  const PolyFit fit = analysis::fit_poly(x1, v, fit_degree);
  return {excess_v1(fit.c, x), excess_v2(fit.c, x), excess_v(fit.c, x)};
}

// The graded results and their uncertainties, propagated from the written
// mole fractions and volumes (see the head of the file).
analysis::Estimates graded_estimates(std::span<const double> x1, std::span<const double> v, double residual_sd) {
  const std::size_t n = x1.size();
  std::vector<double> inputs(x1.begin(), x1.end());
  inputs.insert(inputs.end(), v.begin(), v.end());
  const double var_v = std::max(residual_sd * residual_sd, volume_scatter * volume_scatter / 3.0 +
                                                               volume_digit * volume_digit / 12.0);
  std::vector<double> cov(4 * n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    const bool pure = i == 0 || i + 1 == n;  // 0.000 and 1.000 exactly
    cov[i * 2 * n + i] = pure ? 0.0 : fraction_digit * fraction_digit / 12.0;
    cov[(n + i) * 2 * n + n + i] = var_v;
  }
  return analysis::propagate_all(
      [n](std::span<const double> p) {
        const std::array<double, 3> g = graded_of(p.first(n), p.subspan(n), x_graded);
        return std::vector<double>(g.begin(), g.end());
      },
      inputs, cov);
}

// Other routes a careful student may take at x, and their results in the
// order of graded_of. The two-term Redlich-Kister excess, fitted to the five
// mixtures' excess volumes over the line between the written pure gases:
// VE = x1·x2·[k0 + k1·(x1 − x2)], whence at x1 = 0.5 VE = k0/4 and
// V1 − V1° = (k0 + k1)/4, V2 − V2° = (k0 − k1)/4.
std::array<double, 3> redlich_kister_at_half(std::span<const double> x1, std::span<const double> v) {
  const double v0 = v.front(), v1 = v.back(), x0 = x1.front(), xn = x1.back();
  std::vector<std::vector<double>> design(2);
  std::vector<double> excess;
  for (std::size_t i = 1; i + 1 < x1.size(); ++i) {
    const double x = x1[i];
    design[0].push_back(x * (1.0 - x));
    design[1].push_back(x * (1.0 - x) * (2.0 * x - 1.0));
    excess.push_back(v[i] - (v0 + (v1 - v0) * (x - x0) / (xn - x0)));
  }
  const PolyFit k = analysis::fit_linear(design, excess);
  return {(k.c[0] + k.c[1]) / 4.0, (k.c[0] - k.c[1]) / 4.0, k.c[0] / 4.0};
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
                              {"V1-V1°", "cm3/mol", {}},
                              {"V2-V2°", "cm3/mol", {}},
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

    const analysis::Estimates e = graded_estimates(x1, v, fit.residual_sd);
    const std::array<double, 9> cells{p,
                                      fitted_v(c, x_graded),
                                      fitted_slope(c, x_graded),
                                      partial_v1(c, x_graded),
                                      partial_v2(c, x_graded),
                                      e.value[0],
                                      e.value[1],
                                      e.value[2],
                                      e.u(2)};
    for (std::size_t k = 0; k < cells.size(); ++k) middle.columns[k].values.push_back(cells[k]);

    const auto g = std::find(graded_pressures.begin(), graded_pressures.end(), p);
    if (g == graded_pressures.end()) continue;
    graded[static_cast<std::size_t>(g - graded_pressures.begin())] = true;

    // The other routes: the two-term Redlich-Kister excess, a quartic, and
    // the pure gases' volumes as written instead of the cubic's.
    const std::array<double, 3> rk = redlich_kister_at_half(x1, v);
    const PolyFit quartic = analysis::fit_poly(x1, v, fit_degree + 1);
    const std::array<double, 3> by_quartic{excess_v1(quartic.c, x_graded), excess_v2(quartic.c, x_graded),
                                           excess_v(quartic.c, x_graded)};
    const std::array<double, 3> written_ends{
        partial_v1(c, x_graded) - v_at_1, partial_v2(c, x_graded) - v_at_0,
        fitted_v(c, x_graded) - ((1.0 - x_graded) * v_at_0 + x_graded * v_at_1)};
    const auto routes = [&](std::size_t i) {
      return std::vector<analysis::Alternative>{
          {"two-term Redlich-Kister excess over the written pure gases", rk[i]},
          {"quartic in x1 instead of the cubic", by_quartic[i]},
          {"the pure gases' volumes as written, not the cubic's", written_ends[i]}};
    };

    const std::string at = " at x1 = 0.5, " + bar(p) + " bar";
    const std::string k = "(" + bar(p) + ")";
    const std::string fitted = "cubic least-squares fit of V against x1 over the " + std::to_string(x1.size()) +
                               " compositions at " + bar(p) + " bar";
    sheet.add(Result{.key = "V1E" + k, .name = "partial molar excess volume of gas 1, V1 − V1°," + at,
                     .unit = "cm3/mol",
                     .true_value = model.partial(0, x_graded, p) - model.volume(1.0, p), .value = e.value[0],
                     .uncertainty = e.u(0),
                     .method = "V + (1 − x1)·dV/dx1 less the fitted V at x1 = 1, from the " + fitted,
                     .routes = routes(0),
                     .nulls = {{"V1 = V1°, no excess", 0.0}}});
    sheet.add(Result{.key = "V2E" + k, .name = "partial molar excess volume of gas 2, V2 − V2°," + at,
                     .unit = "cm3/mol",
                     .true_value = model.partial(1, x_graded, p) - model.volume(0.0, p), .value = e.value[1],
                     .uncertainty = e.u(1),
                     .method = "V − x1·dV/dx1 less the fitted V at x1 = 0, from the same fit",
                     .routes = routes(1),
                     .nulls = {{"V2 = V2°, no excess", 0.0}}});
    sheet.add(Result{.key = "VE" + k, .name = "excess molar volume" + at, .unit = "cm3/mol",
                     .true_value = model.excess(x_graded, p), .value = e.value[2], .uncertainty = e.u(2),
                     .method = "fitted V less the line between the fitted V of the pure gases",
                     .routes = routes(2),
                     .nulls = {{"ideal mixing, VE = 0", 0.0}}});
  }
  for (std::size_t i = 0; i < graded.size(); ++i)
    if (!graded[i])
      throw AnalysisError("gas_mixture_volume_gen: no table row at " + bar(graded_pressures[i]) + " bar");

  sheet.add(std::move(points));
  sheet.add(std::move(middle));
  sheet.notes.push_back(
      "At each pressure V is fitted by a cubic in x1 (least squares over the seven compositions as written, three "
      "figures); the partial molar volumes are the intercepts of the tangent at x1 = 0.5 with x1 = 1 (gas 1) and "
      "x1 = 0 (gas 2); V1° and V2° are the fitted V at x1 = 1 and 0. Uncertainties are propagated from the written "
      "values: each volume with the larger of the cubic's residual variance and the measurement's (scatter "
      "±0.01 cm3/mol, written to 0.01), each mole fraction with its rounding to three decimals.");
  sheet.notes.push_back(
      "In the workings VE of a written mixture is its volume less the straight line between the written volumes "
      "of the pure gases; the graded VE uses the fitted curve at x1 = 0.5.");
  sheet.notes.push_back(
      "True values: the van der Waals mixture of the hidden a, b, a12 and t at x1 = 0.5; partial molar volumes "
      "−(∂P/∂ni)/(∂P/∂V) less the pure gases' molar volumes, excess volume V(0.5) − [V(0) + V(1)]/2.");
}


// The same worksheet as spreadsheet formulas. The table runs across the
// Data sheet: each pressure is a row, each mixture a column, so the cubic of
// a pressure is LINEST of that row against a block of three rows (x1, x1²,
// x1³, one column per mixture) under the table; LINEST treats each row of
// that block as a variable when the y values form a row.
void workbook(const Case& cs, const AnswerSheet&, analysis::SolutionSheet& ws) {
  using analysis::cell_name;
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::on_solution;
  const analysis::DataSet& data = cs.data();
  const std::size_t heading = data.find("P(bar)");
  std::size_t n = 0;
  while (data.number(heading, n + 1)) ++n;
  const std::vector<std::size_t> rows = data.numeric_rows(heading + 1);
  const auto across = [&](std::size_t record) {
    return "Data!" + cell_name(record, 1, true) + ":" + cell_name(record, n, true);
  };
  std::vector<double> x1(n);
  for (std::size_t i = 0; i < n; ++i) x1[i] = data.value(heading, i + 1);
  const std::string xg = "0.5";  // x_graded as the formulas write it

  // Tables under the data set, side by side: the powers of x1, a grid of
  // x1 for the fitted curves, and the written compositions.
  const std::size_t below = data.size() + 2;
  std::vector<std::size_t> block_rows{below, below + 1, below + 2};
  std::vector<ColumnRef> powers;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string x = data_cell(heading, i + 1);
    powers.push_back(ws.column("x1, x1^2, x1^3 (mixture " + std::to_string(i + 1) + ")", "", block_rows,
                               {x, x + "^2", x + "^3"}, {x1[i], x1[i] * x1[i], x1[i] * x1[i] * x1[i]}));
  }
  const std::string block = powers.front().cells.front() + ":" + powers.back().cells.back();

  // Pressure by pressure, on the pressure's own row: the cubic's
  // coefficients, then the tangent at x1 = 0.5 and what it gives.
  std::vector<PolyFit> fits;
  for (const std::size_t row : rows) {
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = data.value(row, i + 1);
    fits.push_back(analysis::fit_poly(x1, v, fit_degree));
  }
  const auto per_row = [&](const std::string& title, const std::function<std::string(std::size_t)>& formula,
                           const std::function<double(std::span<const double>)>& value) {
    std::vector<std::string> fs;
    std::vector<double> vs;
    for (std::size_t j = 0; j < rows.size(); ++j) {
      fs.push_back(formula(j));
      vs.push_back(value(fits[j].c));
    }
    return ws.column(title, "cm3/mol", rows, fs, vs);
  };
  std::vector<ColumnRef> coef;
  for (std::size_t k = 0; k <= fit_degree; ++k)
    coef.push_back(per_row(
        "c" + std::to_string(k) + ", coefficient of x1^" + std::to_string(k),
        [&](std::size_t j) {
          return "INDEX(LINEST(" + across(rows[j]) + "," + block + ",TRUE,TRUE),1," +
                 std::to_string(fit_degree + 1 - k) + ")";
        },
        [k](std::span<const double> c) { return c[k]; }));
  // The cubic and its slope at x in Horner's form over the row's coefficients.
  const auto cubic_at = [&](std::size_t j, const std::string& x) {
    return coef[0].cells[j] + "+" + x + "*(" + coef[1].cells[j] + "+" + x + "*(" + coef[2].cells[j] + "+" + x +
           "*" + coef[3].cells[j] + "))";
  };
  const auto slope_at = [&](std::size_t j, const std::string& x) {
    return coef[1].cells[j] + "+" + x + "*(2*" + coef[2].cells[j] + "+" + x + "*3*" + coef[3].cells[j] + ")";
  };
  const ColumnRef v_half = per_row(
      "V(fit) at x1 = 0.5", [&](std::size_t j) { return cubic_at(j, xg); },
      [](std::span<const double> c) { return fitted_v(c, x_graded); });
  const ColumnRef slope_half = per_row(
      "dV/dx1 at x1 = 0.5", [&](std::size_t j) { return slope_at(j, xg); },
      [](std::span<const double> c) { return fitted_slope(c, x_graded); });
  const ColumnRef v1_half = per_row(
      "V1 at x1 = 0.5", [&](std::size_t j) { return v_half.cells[j] + "+(1-" + xg + ")*" + slope_half.cells[j]; },
      [](std::span<const double> c) { return partial_v1(c, x_graded); });
  const ColumnRef v2_half = per_row(
      "V2 at x1 = 0.5", [&](std::size_t j) { return v_half.cells[j] + "-" + xg + "*" + slope_half.cells[j]; },
      [](std::span<const double> c) { return partial_v2(c, x_graded); });
  const ColumnRef v1e_half = per_row(
      "V1 − V1° at x1 = 0.5",
      [&](std::size_t j) {
        return v1_half.cells[j] + "-(" + coef[0].cells[j] + "+" + coef[1].cells[j] + "+" + coef[2].cells[j] + "+" +
               coef[3].cells[j] + ")";
      },
      [](std::span<const double> c) { return excess_v1(c, x_graded); });
  const ColumnRef v2e_half = per_row(
      "V2 − V2° at x1 = 0.5", [&](std::size_t j) { return v2_half.cells[j] + "-" + coef[0].cells[j]; },
      [](std::span<const double> c) { return excess_v2(c, x_graded); });
  const ColumnRef ve_half = per_row(
      "VE at x1 = 0.5",
      [&](std::size_t j) {
        const std::string& c0 = coef[0].cells[j];
        return v_half.cells[j] + "-((1-" + xg + ")*" + c0 + "+" + xg + "*(" + c0 + "+" + coef[1].cells[j] + "+" +
               coef[2].cells[j] + "+" + coef[3].cells[j] + "))";
      },
      [](std::span<const double> c) { return excess_v(c, x_graded); });

  std::vector<std::size_t> graded_rows;
  for (const double p : graded_pressures) {
    std::size_t j = 0;
    while (j < rows.size() && data.value(rows[j], 0) != p) ++j;
    if (j == rows.size()) throw AnalysisError("gas_mixture_volume_gen: no table row at " + bar(p) + " bar");
    const std::string k = "(" + bar(p) + ")";
    ws.result("V1E" + k, v1e_half.cells[j]);
    ws.result("V2E" + k, v2e_half.cells[j]);
    ws.result("VE" + k, ve_half.cells[j]);
    graded_rows.push_back(j);
  }

  // The fitted cubics over x1 = 0, 0.05, ..., 1 at the graded pressures,
  // and the partial molar volumes along the middle one.
  constexpr std::size_t steps = 20;
  std::vector<std::size_t> grid_rows;
  std::vector<std::string> f_grid;
  std::vector<double> grid;
  for (std::size_t s = 0; s <= steps; ++s) {
    grid_rows.push_back(below + s);
    f_grid.push_back(std::to_string(s) + "/" + std::to_string(steps));
    grid.push_back(static_cast<double>(s) / static_cast<double>(steps));
  }
  const ColumnRef c_grid = ws.column("x1 for the curves", "", grid_rows, f_grid, grid);
  const auto along = [&](const std::string& title, std::size_t j,
                         const std::function<std::string(const std::string&)>& formula,
                         double (*value)(std::span<const double>, double)) {
    std::vector<std::string> fs;
    std::vector<double> vs;
    for (std::size_t s = 0; s <= steps; ++s) {
      fs.push_back(formula(c_grid.cells[s]));
      vs.push_back(value(fits[j].c, grid[s]));
    }
    return ws.column(title, "cm3/mol", grid_rows, fs, vs);
  };
  std::vector<analysis::SolutionSheet::Series> v_chart;
  for (std::size_t g = 0; g < graded_rows.size(); ++g) {
    const std::size_t j = graded_rows[g];
    const std::string at = bar(graded_pressures[g]) + " bar";
    const ColumnRef curve =
        along("V(fit), " + at, j, [&](const std::string& x) { return cubic_at(j, x); }, fitted_v);
    v_chart.push_back({.name = at, .x_range = across(heading), .y_range = across(rows[j]),
                       .colour = static_cast<int>(g)});
    v_chart.push_back({.name = "cubic, " + at, .x_range = on_solution(c_grid.range),
                       .y_range = on_solution(curve.range), .markers = false, .line = true,
                       .colour = static_cast<int>(g)});
  }
  ws.chart("Molar volume of the mixtures against x1", "x1 (mole fraction of gas 1)", "V (cm3/mol)", v_chart);

  const std::size_t middle = graded_rows[graded_rows.size() / 2];
  const std::string at = bar(graded_pressures[graded_rows.size() / 2]) + " bar";
  const auto partial = [&](bool first, const std::string& x, const std::string& v, const std::string& s) {
    return first ? v + "+(1-" + x + ")*" + s : v + "-" + x + "*" + s;
  };
  const ColumnRef v1_curve = along(
      "V1, " + at, middle,
      [&](const std::string& x) { return partial(true, x, "(" + cubic_at(middle, x) + ")", "(" + slope_at(middle, x) + ")"); },
      partial_v1);
  const ColumnRef v2_curve = along(
      "V2, " + at, middle,
      [&](const std::string& x) { return partial(false, x, "(" + cubic_at(middle, x) + ")", "(" + slope_at(middle, x) + ")"); },
      partial_v2);
  // The same at the written compositions, as the student tabulates them.
  std::vector<std::size_t> mix_rows;
  std::vector<std::string> f_x;
  for (std::size_t i = 0; i < n; ++i) {
    mix_rows.push_back(below + i);
    f_x.push_back(data_cell(heading, i + 1));
  }
  const ColumnRef c_x = ws.column("x1 as written", "", mix_rows, f_x, x1);
  std::array<ColumnRef, 2> at_mixtures;
  for (const bool first : {true, false}) {
    std::vector<std::string> fs;
    std::vector<double> vs;
    for (std::size_t i = 0; i < n; ++i) {
      const std::string& x = c_x.cells[i];
      fs.push_back(partial(first, x, "(" + cubic_at(middle, x) + ")", "(" + slope_at(middle, x) + ")"));
      vs.push_back(first ? partial_v1(fits[middle].c, x1[i]) : partial_v2(fits[middle].c, x1[i]));
    }
    at_mixtures[first ? 0 : 1] = ws.column(std::string(first ? "V1" : "V2") + " at the written x1, " + at,
                                           "cm3/mol", mix_rows, fs, vs);
  }
  ws.chart("Partial molar volumes against x1 at " + at, "x1 (mole fraction of gas 1)", "partial molar volume (cm3/mol)",
           {{.name = "V1 (gas 1)", .x_range = on_solution(c_grid.range), .y_range = on_solution(v1_curve.range),
             .markers = false, .line = true, .colour = 0},
            {.name = "V1 at the written x1", .x_range = on_solution(c_x.range),
             .y_range = on_solution(at_mixtures[0].range), .colour = 0},
            {.name = "V2 (gas 2)", .x_range = on_solution(c_grid.range), .y_range = on_solution(v2_curve.range),
             .markers = false, .line = true, .colour = 1},
            {.name = "V2 at the written x1", .x_range = on_solution(c_x.range),
             .y_range = on_solution(at_mixtures[1].range), .colour = 1}});
  ws.note("LINEST lists its coefficients from the last row of x1 powers (x1^3) to the first, then the constant; "
          "V1 = V + (1 − x1)·dV/dx1 and V2 = V − x1·dV/dx1 are where the tangent meets x1 = 1 and x1 = 0; V1° and "
          "V2° are the cubic at x1 = 1 (c0 + c1 + c2 + c3) and at x1 = 0 (c0).");
}

// What the student is given beside the data set.
const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout out{
        .task =
            "The molar volume of mixtures of two gases was measured at one temperature, for seven compositions "
            "and twenty pressures. At 30, 50 and 75 bar find, for the equimolar mixture (x1 = 0.5), the partial "
            "molar volumes of both gases by the tangent to V against x1 (the method of intercepts) and report how "
            "far each lies from the pure gas's own molar volume at that pressure, V1 − V1° and V2 − V2°, and the "
            "excess molar volume VE of the mixture. The partial molar volumes themselves lie within a few cm3/mol "
            "of the pure gases'; the differences are what the experiment measures.",
        .data =
            "The record `temperature:` gives T (K). The record `P(bar)` holds the mole fractions x1 of gas 1 of the "
            "seven mixtures (0 and 1 are the pure gases), written to three decimals. Each following record is one "
            "pressure P (bar), 30 to 125 bar, and the molar volumes V (cm3/mol) of the seven mixtures in the same "
            "order, written to 0.01 cm3/mol with a scatter of ±0.01 cm3/mol.",
        .constants = {{.name = "R, gas constant",
                       .value = gas_constant,
                       .unit = "cm3·bar/(mol·K)",
                       .use = "R·T/P, the molar volume of an ideal gas, to see how far the gases are from it"}},
        .conventions = {"x1 is the mole fraction of gas 1; V1° and V2° are the molar volumes of the pure gases "
                        "(x1 = 1 and x1 = 0) at the same pressure.",
                        "Volumes in cm3/mol, pressures in bar."},
        .results = {}};
    const std::string cubic =
        "fit V against x1 at that pressure by a cubic (least squares over the seven mixtures), or the excess "
        "volume by the two-term Redlich-Kister form; a quadratic cannot follow two gases of different size";
    for (const double p : graded_pressures) {
      const std::string k = "(" + bar(p) + ")", at = " at x1 = 0.5, " + bar(p) + " bar";
      out.results.push_back({.key = "V1E" + k, .name = "partial molar excess volume of gas 1, V1 − V1°," + at,
                             .unit = "cm3/mol",
                             .method = "V1 = V + (1 − x1)·dV/dx1 at x1 = 0.5, less V1°: " + cubic});
      out.results.push_back({.key = "V2E" + k, .name = "partial molar excess volume of gas 2, V2 − V2°," + at,
                             .unit = "cm3/mol", .method = "V2 = V − x1·dV/dx1 at x1 = 0.5, less V2°, from the same fit"});
      out.results.push_back({.key = "VE" + k, .name = "excess molar volume" + at, .unit = "cm3/mol",
                             .method = "V at x1 = 0.5 less (V1° + V2°)/2, from the same fit"});
    }
    return out;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis gas_mixture_volume_gen_answers{
    .program = "gas_mixture_volume_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
