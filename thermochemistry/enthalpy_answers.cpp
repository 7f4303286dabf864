// Answer sheet of the high-temperature enthalpies (enthalpy_gen).
//
// The Shomate treatment: with Cp = a + 2bT − c/T², the enthalpy increment
// is H(T) − H(298.15) = aT + bT² + c/T + d, and the Shomate function
//   fs = (H(T) − H(298.15) − Cp(298)·(T − 298.15)) / (T − 298.15)²
// equals b + (c/298.15²)·(1/T): a straight line against 1/T, intercept b,
// slope c/298.15². Cp(298) then fixes a, and H(298.15) − H(298.15) = 0
// fixes d.
//
// Dividing by (T − 298.15)² magnifies the scatter of the measured
// increments most at the lowest temperatures, so the line is fitted by
// weighted least squares with the uncertainty of each fs value that the
// stated ±0.5 % scatter of H gives; the coefficients' uncertainties come
// from those weights.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr double t_ref = 298.15;  // reference temperature, K
// The measured increments scatter uniformly within ±0.5 % of their value:
// a relative standard uncertainty of 0.005/√3.
const double h_relative_u = 0.005 / std::sqrt(3.0);
// Temperatures at which the heat capacity law is reported, K.
constexpr double cp_temperatures[] = {500.0, 1000.0};

void analyse(const analysis::Case& c, analysis::AnswerSheet& sheet) {
  const analysis::DataSet& data = c.data();

  const std::size_t cp_row = data.find("Cp(298) = ,");
  const double cp298 = data.value(cp_row, 1);  // J/(mol·K)

  const std::size_t heading = data.find("T(K),H(T)-H(298)");
  const auto rows = data.numeric_rows(heading + 1);
  const std::vector<double> t = data.column(rows, 0);       // K
  const std::vector<double> h_expt = data.column(rows, 1);  // J/mol
  const std::size_t n = t.size();
  if (std::adjacent_find(t.begin(), t.end(), std::not_equal_to<>()) == t.end())
    throw analysis::NoAnswer("enthalpy_gen: every row is at the same temperature; the Shomate line needs two");

  // Columns F to J of the worksheet, and 1/T for the plot.
  std::vector<double> col_f(n), col_g(n), col_h(n), col_i(n), fs(n), inv_t(n), u_fs(n);
  for (std::size_t i = 0; i < n; ++i) {
    col_f[i] = t[i] - t_ref;
    col_g[i] = cp298 * col_f[i];
    col_h[i] = h_expt[i] - col_g[i];
    col_i[i] = col_f[i] * col_f[i];
    fs[i] = col_h[i] / col_i[i];
    inv_t[i] = 1.0 / t[i];
    u_fs[i] = h_relative_u * h_expt[i] / col_i[i];
  }

  // fs = b + slope·(1/T), weighted by 1/u(fs)².
  const std::vector<double> ones(n, 1.0);
  const analysis::PolyFit line = analysis::fit_linear_weighted({ones, inv_t}, fs, u_fs);
  const std::vector<double> p = line.c;  // {b, c/298.15²}

  // The law's coefficients as functions of the line's intercept and slope.
  const auto coeff_b = [](std::span<const double> q) { return q[0]; };
  const auto coeff_c = [](std::span<const double> q) { return q[1] * t_ref * t_ref; };
  const auto coeff_a = [cp298](std::span<const double> q) { return cp298 - 2.0 * q[0] * t_ref + q[1]; };
  const auto coeff_d = [=](std::span<const double> q) {
    return -(coeff_a(q) * t_ref + q[0] * t_ref * t_ref + coeff_c(q) / t_ref);
  };
  const auto estimate = [&](const auto& f) { return analysis::propagate(f, p, line.cov); };

  const std::string fit_method = "weighted least-squares line of fs against 1/T over " + std::to_string(n) +
                                 " points, weights from the ±0.5 % scatter of H";
  const analysis::Estimate b = estimate(coeff_b);
  const analysis::Estimate cc = estimate(coeff_c);
  const analysis::Estimate a = estimate(coeff_a);
  const analysis::Estimate d = estimate(coeff_d);

  sheet.add(Result{.key = "b", .name = "coefficient b of the heat capacity law", .unit = "J/(mol·K²)",
                   .true_value = c.hidden("b"), .value = b.value, .uncertainty = b.u,
                   .method = "intercept of the " + fit_method});
  sheet.add(Result{.key = "c", .name = "coefficient c of the heat capacity law", .unit = "J·K/mol",
                   .true_value = c.hidden("c"), .value = cc.value, .uncertainty = cc.u,
                   .method = "slope of the fs line times 298.15²"});
  sheet.add(Result{.key = "a", .name = "coefficient a of the heat capacity law", .unit = "J/(mol·K)",
                   .true_value = c.hidden("a"), .value = a.value, .uncertainty = a.u,
                   .method = "a = Cp(298) − 2b·298.15 + c/298.15²"});
  sheet.add(Result{.key = "d", .name = "constant d of the enthalpy law", .unit = "J/mol",
                   .true_value = c.hidden("d"), .value = d.value, .uncertainty = d.u,
                   .method = "d = −(a·298.15 + b·298.15² + c/298.15), so that the increment vanishes at 298.15 K"});

  // Cp(T) = a + 2bT − c/T², true value from the hidden a, b and c.
  for (const double tc : cp_temperatures) {
    const auto cp_at = [=](std::span<const double> q) {
      return coeff_a(q) + 2.0 * q[0] * tc - coeff_c(q) / (tc * tc);
    };
    const analysis::Estimate cp = estimate(cp_at);
    const std::string tk = std::to_string(static_cast<int>(tc));
    sheet.add(Result{.key = "Cp(" + tk + ")", .name = "heat capacity at " + tk + " K", .unit = "J/(mol·K)",
                     .true_value = c.hidden("a") + 2.0 * c.hidden("b") * tc - c.hidden("c") / (tc * tc),
                     .value = cp.value, .uncertainty = cp.u, .method = "Cp = a + 2bT − c/T² with the fitted a, b, c"});
  }

  // Columns C to E: the increment the law gives and the deviation from it.
  std::vector<double> h_calc(n), dev(n), dev_pct(n);
  for (std::size_t i = 0; i < n; ++i) {
    h_calc[i] = a.value * t[i] + b.value * t[i] * t[i] + cc.value / t[i] + d.value;
    dev[i] = h_expt[i] - h_calc[i];
    dev_pct[i] = 100.0 * dev[i] / h_expt[i];
  }
  sheet.add(analysis::Workings{
      .title = "Shomate treatment",
      .columns = {Column{"T(K)", "K", t}, Column{"H(T)-H(298) expt", "J/mol", h_expt},
                  Column{"H(T)-H(298) calc", "J/mol", h_calc}, Column{"Deviation Amt.", "J/mol", dev},
                  Column{"%", "%", dev_pct}, Column{"T-298.15", "K", col_f},
                  Column{"Cp(298)*(T-298.15)", "J/mol", col_g}, Column{"col B-col G", "J/mol", col_h},
                  Column{"(T-298.15)^2", "K²", col_i}, Column{"fs", "J/(mol·K²)", fs},
                  Column{"1/T", "1/K", inv_t}, Column{"u(fs)", "J/(mol·K²)", u_fs}}});

  sheet.notes.push_back(
      "fs = (H(T) − H(298.15) − Cp(298)·(T − 298.15))/(T − 298.15)² = b + (c/298.15²)/T; the line is "
      "weighted by 1/u(fs)², u(fs) = (0.005/√3)·H/(T − 298.15)², because the division magnifies the scatter "
      "of the low-temperature points; the uncertainties follow from those weights.");
  sheet.notes.push_back("True values: the hidden a, b, c, d of H(T) − H(298.15) = aT + bT² + c/T + d, and "
                        "Cp(T) = a + 2bT − c/T² from them.");
}

}  // namespace

extern const analysis::Analysis enthalpy_gen_answers{.program = "enthalpy_gen", .analyse = analyse};
