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
#include "analysis/workbook.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr double t_ref = 298.15;  // reference temperature, K
// The measured increments scatter uniformly within ±0.5 % of their value:
// a relative standard uncertainty of 0.005/√3.
const double h_relative_u = 0.005 / std::sqrt(3.0);
// Temperatures at which the heat capacity law is reported, K.
constexpr double cp_temperatures[] = {500.0, 1000.0};

// The data set read back and the worksheet's columns F to J, 1/T and
// u(fs), with the weighted line of fs against 1/T.
struct Shomate {
  std::size_t cp_record = 0;
  double cp298 = 0;                 // J/(mol·K)
  std::vector<std::size_t> rows;    // records of the table
  std::vector<double> t, h_expt;    // K, J/mol
  std::vector<double> col_f, col_g, col_h, col_i, fs, inv_t, u_fs;
  analysis::PolyFit line;           // fs = c[0] + c[1]·(1/T)
};

Shomate shomate(const analysis::DataSet& data) {
  Shomate s;
  s.cp_record = data.find("Cp(298) = ,");
  s.cp298 = data.value(s.cp_record, 1);

  const std::size_t heading = data.find("T(K),H(T)-H(298)");
  s.rows = data.numeric_rows(heading + 1);
  s.t = data.column(s.rows, 0);
  s.h_expt = data.column(s.rows, 1);
  const std::vector<double>& t = s.t;
  const std::size_t n = t.size();
  if (std::adjacent_find(t.begin(), t.end(), std::not_equal_to<>()) == t.end())
    throw analysis::NoAnswer("enthalpy_gen: every row is at the same temperature; the Shomate line needs two");

  // Columns F to J of the worksheet, and 1/T for the plot.
  for (std::vector<double>* col : {&s.col_f, &s.col_g, &s.col_h, &s.col_i, &s.fs, &s.inv_t, &s.u_fs}) col->resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    s.col_f[i] = t[i] - t_ref;
    s.col_g[i] = s.cp298 * s.col_f[i];
    s.col_h[i] = s.h_expt[i] - s.col_g[i];
    s.col_i[i] = s.col_f[i] * s.col_f[i];
    s.fs[i] = s.col_h[i] / s.col_i[i];
    s.inv_t[i] = 1.0 / t[i];
    s.u_fs[i] = h_relative_u * s.h_expt[i] / s.col_i[i];
  }

  // fs = b + slope·(1/T), weighted by 1/u(fs)².
  const std::vector<double> ones(n, 1.0);
  s.line = analysis::fit_linear_weighted({ones, s.inv_t}, s.fs, s.u_fs);
  return s;
}

void analyse(const analysis::Case& c, analysis::AnswerSheet& sheet) {
  const Shomate s = shomate(c.data());
  const double cp298 = s.cp298;
  const std::vector<double>& t = s.t;
  const std::vector<double>& h_expt = s.h_expt;
  const std::size_t n = t.size();
  const analysis::PolyFit& line = s.line;
  const std::vector<double> p = line.c;  // {b, c/298.15²}

  // The law's coefficients as functions of the line's intercept and slope.
  const auto coeff_b = [](std::span<const double> q) { return q[0]; };
  const auto coeff_c = [](std::span<const double> q) { return q[1] * t_ref * t_ref; };
  const auto coeff_a = [cp298](std::span<const double> q) { return cp298 - 2.0 * q[0] * t_ref + q[1]; };
  const auto coeff_d = [=](std::span<const double> q) {
    return -(coeff_a(q) * t_ref + q[0] * t_ref * t_ref + coeff_c(q) / t_ref);
  };
  const auto estimate = [&](const auto& f) { return analysis::propagate(f, p, line.cov); };

  // Other fits a student may make, each as the line's {intercept b, slope
  // c/298.15²}: the line unweighted (LINEST over the data set's columns),
  // least squares of H itself with Cp(298) and H(298.15) = 0 imposed,
  //   H − Cp(298)·(T − 298.15) = b·(T − 298.15)² + (c/298.15²)·(T − 298.15)²/T,
  // and the weighted line without the lowest temperature, whose fs the
  // division magnifies most.
  std::vector<std::pair<std::string, std::vector<double>>> fits;
  {
    const analysis::LineFit plain = analysis::fit_line(s.inv_t, s.fs);
    fits.push_back({"unweighted line of fs against 1/T", {plain.intercept, plain.slope}});
    std::vector<double> square(n), over_t(n);
    for (std::size_t i = 0; i < n; ++i) square[i] = s.col_i[i], over_t[i] = s.col_i[i] / t[i];
    fits.push_back({"least squares of H − Cp(298)·(T − 298.15) on (T − 298.15)² and (T − 298.15)²/T",
                    analysis::fit_linear({square, over_t}, s.col_h).c});
    if (n > 3) {
      const std::vector<double> ones(n - 1, 1.0), x(s.inv_t.begin() + 1, s.inv_t.end()),
          y(s.fs.begin() + 1, s.fs.end()), u(s.u_fs.begin() + 1, s.u_fs.end());
      fits.push_back({"the weighted line without the lowest temperature",
                      analysis::fit_linear_weighted({ones, x}, y, u).c});
    }
  }
  const auto routes = [&](const auto& f) {
    std::vector<analysis::Alternative> out;
    for (const auto& [name, q] : fits) out.push_back({name, f(q)});
    return out;
  };

  // The null answer, Cp taken as constant (its value at 298.15 K), leaves
  // out what the experiment measures, Cp's rise with T: it shows in b and
  // in Cp at 500 and 1000 K. Against a, c and d it passes in many data sets
  // (c itself is near zero in a third of them), so it is not listed there.
  const std::string constant_cp = "Cp taken as constant, Cp(298)";
  const std::string fit_method = "weighted least-squares line of fs against 1/T over " + std::to_string(n) +
                                 " points, weights from the ±0.5 % scatter of H";
  const analysis::Estimate b = estimate(coeff_b);
  const analysis::Estimate cc = estimate(coeff_c);
  const analysis::Estimate a = estimate(coeff_a);
  const analysis::Estimate d = estimate(coeff_d);

  sheet.add(Result{.key = "b", .name = "coefficient b of the heat capacity law", .unit = "J/(mol·K²)",
                   .true_value = c.hidden("b"), .value = b.value, .uncertainty = b.u,
                   .method = "intercept of the " + fit_method, .routes = routes(coeff_b),
                   .nulls = {{constant_cp, 0.0}}});
  sheet.add(Result{.key = "c", .name = "coefficient c of the heat capacity law", .unit = "J·K/mol",
                   .true_value = c.hidden("c"), .value = cc.value, .uncertainty = cc.u,
                   .method = "slope of the fs line times 298.15²", .routes = routes(coeff_c)});
  sheet.add(Result{.key = "a", .name = "coefficient a of the heat capacity law", .unit = "J/(mol·K)",
                   .true_value = c.hidden("a"), .value = a.value, .uncertainty = a.u,
                   .method = "a = Cp(298) − 2b·298.15 + c/298.15²", .routes = routes(coeff_a)});
  sheet.add(Result{.key = "d", .name = "constant d of the enthalpy law", .unit = "J/mol",
                   .true_value = c.hidden("d"), .value = d.value, .uncertainty = d.u,
                   .method = "d = −(a·298.15 + b·298.15² + c/298.15), so that the increment vanishes at 298.15 K",
                   .routes = routes(coeff_d)});

  // Cp(T) = a + 2bT − c/T², true value from the hidden a, b and c.
  for (const double tc : cp_temperatures) {
    const auto cp_at = [=](std::span<const double> q) {
      return coeff_a(q) + 2.0 * q[0] * tc - coeff_c(q) / (tc * tc);
    };
    const analysis::Estimate cp = estimate(cp_at);
    const std::string tk = std::to_string(static_cast<int>(tc));
    sheet.add(Result{.key = "Cp(" + tk + ")", .name = "heat capacity at " + tk + " K", .unit = "J/(mol·K)",
                     .true_value = c.hidden("a") + 2.0 * c.hidden("b") * tc - c.hidden("c") / (tc * tc),
                     .value = cp.value, .uncertainty = cp.u, .method = "Cp = a + 2bT − c/T² with the fitted a, b, c",
                     .routes = routes(cp_at), .nulls = {{constant_cp, cp298}}});
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
                  Column{"%", "%", dev_pct}, Column{"T-298.15", "K", s.col_f},
                  Column{"Cp(298)*(T-298.15)", "J/mol", s.col_g}, Column{"col B-col G", "J/mol", s.col_h},
                  Column{"(T-298.15)^2", "K²", s.col_i}, Column{"fs", "J/(mol·K²)", s.fs},
                  Column{"1/T", "1/K", s.inv_t}, Column{"u(fs)", "J/(mol·K²)", s.u_fs}}});

  sheet.notes.push_back(
      "fs = (H(T) − H(298.15) − Cp(298)·(T − 298.15))/(T − 298.15)² = b + (c/298.15²)/T; the line is "
      "weighted by 1/u(fs)², u(fs) = (0.005/√3)·H/(T − 298.15)², because the division magnifies the scatter "
      "of the low-temperature points; the uncertainties follow from those weights.");
  sheet.notes.push_back("True values: the hidden a, b, c, d of H(T) − H(298.15) = aT + bT² + c/T + d, and "
                        "Cp(T) = a + 2bT − c/T² from them.");
}

// The same worksheet as spreadsheet formulas over the Data sheet, in the
// order of the analysis: columns F to J of the data set's headings, 1/T,
// u(fs) and the weight 1/u(fs)² on each row; the weighted line in closed
// form from the weighted sums,
//   Δ = Σw·Σwx² − (Σwx)²,  slope = (Σw·Σwxy − Σwx·Σwy)/Δ,
//   intercept = (Σwx²·Σwy − Σwx·Σwxy)/Δ,
// with variances Σw/Δ and Σwx²/Δ and covariance −Σwx/Δ; then the law's
// coefficients with their uncertainties, Cp at the two temperatures, and
// columns C to E against the law.
void workbook(const analysis::Case& c, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::data_ref;
  using analysis::on_solution;
  const Shomate s = shomate(c.data());
  const std::vector<std::size_t>& rows = s.rows;
  const std::size_t n = rows.size();
  const std::string cp = data_cell(s.cp_record, 1);
  const std::string t0 = ws.constant("T_ref"), scatter = ws.constant("H_scatter");
  const auto column = [&](const std::string& heading, const std::string& unit, const std::vector<double>& values,
                          const auto& formula) {
    std::vector<std::string> f(n);
    for (std::size_t i = 0; i < n; ++i) f[i] = formula(i);
    return ws.column(heading, unit, rows, f, values);
  };
  const auto t_cell = [&](std::size_t i) { return data_ref(rows[i], 0); };
  const auto h_cell = [&](std::size_t i) { return data_ref(rows[i], 1); };
  using Series = analysis::SolutionSheet::Series;
  const std::string measured_t = analysis::data_range(rows.front(), rows.back(), 0),
                    measured_h = analysis::data_range(rows.front(), rows.back(), 1);

  ws.step("The Shomate function fs = (H(T) − H(298.15) − Cp(298)·(T − T0))/(T − T0)² and its weights");
  const ColumnRef f = column("F: T-298.15", "K", s.col_f, [&](std::size_t i) { return t_cell(i) + "-" + t0; });
  const ColumnRef g = column("G: Cp(298)*(T-298.15)", "J/mol", s.col_g,
                             [&](std::size_t i) { return cp + "*" + f.cells[i]; });
  const ColumnRef h = column("H: col B-col G", "J/mol", s.col_h,
                             [&](std::size_t i) { return h_cell(i) + "-" + g.cells[i]; });
  const ColumnRef sq = column("I: (T-298.15)^2", "K²", s.col_i,
                              [&](std::size_t i) { return f.cells[i] + "*" + f.cells[i]; });
  const ColumnRef fs = column("J: fs", "J/(mol·K²)", s.fs,
                              [&](std::size_t i) { return h.cells[i] + "/" + sq.cells[i]; });
  const ColumnRef x = column("1/T", "1/K", s.inv_t, [&](std::size_t i) { return "1/" + t_cell(i); });
  const ColumnRef u = column("u(fs) = u(H)/I", "J/(mol·K²)", s.u_fs, [&](std::size_t i) {
    return scatter + "/SQRT(3)*" + h_cell(i) + "/" + sq.cells[i];
  });
  std::vector<double> weight(n);
  for (std::size_t i = 0; i < n; ++i) weight[i] = 1.0 / (s.u_fs[i] * s.u_fs[i]);
  const ColumnRef w = column("w = 1/u(fs)²", "mol²K⁴/J²", weight,
                             [&](std::size_t i) { return "1/(" + u.cells[i] + "*" + u.cells[i] + ")"; });
  ws.note("u(H) = (relative scatter)·H/√3: the scatter of H is uniform within its bounds.");

  ws.step("The weighted line of fs against 1/T, in closed form from the weighted sums");
  double sw = 0, swx = 0, swy = 0, swxx = 0, swxy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sw += weight[i];
    swx += weight[i] * s.inv_t[i];
    swy += weight[i] * s.fs[i];
    swxx += weight[i] * s.inv_t[i] * s.inv_t[i];
    swxy += weight[i] * s.inv_t[i] * s.fs[i];
  }
  const double delta = sw * swxx - swx * swx;
  const std::string c_sw = ws.value("Σw", "", "SUM(" + w.range + ")", sw);
  const std::string c_swx = ws.value("Σw·(1/T)", "1/K", "SUMPRODUCT(" + w.range + "," + x.range + ")", swx);
  const std::string c_swy = ws.value("Σw·fs", "", "SUMPRODUCT(" + w.range + "," + fs.range + ")", swy);
  const std::string c_swxx =
      ws.value("Σw·(1/T)²", "1/K²", "SUMPRODUCT(" + w.range + "," + x.range + "," + x.range + ")", swxx);
  const std::string c_swxy =
      ws.value("Σw·(1/T)·fs", "1/K", "SUMPRODUCT(" + w.range + "," + x.range + "," + fs.range + ")", swxy);
  const std::string c_delta =
      ws.value("Δ = Σw·Σw(1/T)² − (Σw(1/T))²", "1/K²", c_sw + "*" + c_swxx + "-" + c_swx + "*" + c_swx, delta);
  const analysis::PolyFit& line = s.line;
  const std::string slope = ws.value("slope of fs against 1/T (weighted) = c/298.15²", "J/(mol·K)",
                                     "(" + c_sw + "*" + c_swxy + "-" + c_swx + "*" + c_swy + ")/" + c_delta,
                                     line.c[1]);
  const std::string icpt = ws.value("intercept of fs against 1/T (weighted) = b", "J/(mol·K²)",
                                    "(" + c_swxx + "*" + c_swy + "-" + c_swx + "*" + c_swxy + ")/" + c_delta,
                                    line.c[0]);
  const std::string var_s = ws.value("variance of the slope, Σw/Δ", "(J/(mol·K))²", c_sw + "/" + c_delta,
                                     line.covariance(1, 1));
  const std::string var_b = ws.value("variance of the intercept, Σw(1/T)²/Δ", "(J/(mol·K²))²",
                                     c_swxx + "/" + c_delta, line.covariance(0, 0));
  const std::string cov_bs = ws.value("covariance of intercept and slope, −Σw(1/T)/Δ", "J²/(mol²·K³)",
                                      "-" + c_swx + "/" + c_delta, line.covariance(0, 1));
  ws.note("The variances are those of the weights alone, not scaled by the scatter about the line.");

  ws.step("The law's coefficients: b the intercept, c = slope·T0², a = Cp(298) − 2b·T0 + c/T0², d from H(T0) = 0");
  const std::string b = ws.result("b", icpt);
  const std::string cc = ws.result("c", slope + "*" + t0 + "^2");
  const std::string a = ws.result("a", cp + "-2*" + b + "*" + t0 + "+" + slope);
  const std::string d = ws.result("d", "-(" + a + "*" + t0 + "+" + b + "*" + t0 + "^2+" + cc + "/" + t0 + ")");
  // Each result is linear in the intercept and the slope: with gradient
  // (gb, gs) its variance is gb²·V(b) + gs²·V(s) + 2·gb·gs·cov.
  const double vb = line.covariance(0, 0), vs = line.covariance(1, 1), cbs = line.covariance(0, 1);
  const auto unit_of = [&](const std::string& key) { return sheet.find(key) ? sheet.find(key)->unit : ""; };
  const auto propagated = [&](const std::string& gb, const std::string& gs) {
    return "SQRT((" + gb + ")^2*" + var_b + "+(" + gs + ")^2*" + var_s + "+2*(" + gb + ")*(" + gs + ")*" + cov_bs +
           ")";
  };
  const auto spread = [&](double gbv, double gsv) { return std::sqrt(gbv * gbv * vb + gsv * gsv * vs + 2.0 * gbv * gsv * cbs); };
  ws.value("u(b)", unit_of("b"), "SQRT(" + var_b + ")", std::sqrt(vb));
  ws.value("u(c)", unit_of("c"), t0 + "^2*SQRT(" + var_s + ")", t_ref * t_ref * std::sqrt(vs));
  ws.value("u(a)", unit_of("a"), propagated("-2*" + t0, "1"), spread(-2.0 * t_ref, 1.0));
  ws.value("u(d)", unit_of("d"), propagated(t0 + "^2", "-2*" + t0), spread(t_ref * t_ref, -2.0 * t_ref));
  ws.note("u(a) and u(d) from the variances and covariance of the line: a and d are linear in its intercept and "
          "slope, with gradients (−2·T0, 1) and (T0², −2·T0).");

  ws.step("The heat capacity Cp = a + 2bT − c/T² at the temperatures asked for");
  const std::size_t m = std::size(cp_temperatures);
  std::vector<std::size_t> at(m);
  std::vector<std::string> f_t(m), f_cp(m), f_u(m);
  std::vector<double> v_t(m), v_cp(m), v_u(m);
  for (std::size_t k = 0; k < m; ++k) {
    at[k] = k;
    v_t[k] = cp_temperatures[k];
    f_t[k] = std::to_string(static_cast<int>(cp_temperatures[k]));
  }
  const ColumnRef ct = ws.column("T", "K", at, f_t, v_t);
  for (std::size_t k = 0; k < m; ++k) {
    const double tc = cp_temperatures[k];
    const std::string key = "Cp(" + f_t[k] + ")";
    v_cp[k] = sheet.find(key) ? sheet.find(key)->value : analysis::not_a_number;
    f_cp[k] = a + "+2*" + b + "*" + ct.cells[k] + "-" + cc + "/" + ct.cells[k] + "^2";
    const double gb = 2.0 * (tc - t_ref), gs = 1.0 - t_ref * t_ref / (tc * tc);
    v_u[k] = spread(gb, gs);
    f_u[k] = propagated("2*(" + ct.cells[k] + "-" + t0 + ")", "1-" + t0 + "^2/" + ct.cells[k] + "^2");
  }
  const ColumnRef c_cp = ws.column("Cp", "J/(mol·K)", at, f_cp, v_cp);
  ws.column("u(Cp)", "J/(mol·K)", at, f_u, v_u);
  for (std::size_t k = 0; k < m; ++k) ws.result_in("Cp(" + f_t[k] + ")", c_cp.cells[k]);
  ws.note("u(Cp) with the gradient (2·(T − T0), 1 − T0²/T²) in the intercept and the slope.");

  ws.step("The law against the measurements: columns C to E, and fs on the line");
  const auto value_of = [&](std::string_view key) { return sheet.find(key)->value; };
  const double va = value_of("a"), vb_ = value_of("b"), vc = value_of("c"), vd = value_of("d");
  std::vector<double> h_calc(n), dev(n), dev_pct(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = s.t[i];
    h_calc[i] = va * t + vb_ * t * t + vc / t + vd;
    dev[i] = s.h_expt[i] - h_calc[i];
    dev_pct[i] = 100.0 * dev[i] / s.h_expt[i];
  }
  column("T", "K", s.t, [&](std::size_t i) { return t_cell(i); });
  const ColumnRef calc = column("C: H(T)-H(298) calc", "J/mol", h_calc, [&](std::size_t i) {
    return a + "*" + t_cell(i) + "+" + b + "*" + t_cell(i) + "^2+" + cc + "/" + t_cell(i) + "+" + d;
  });
  const ColumnRef amt = column("D: Deviation Amt.", "J/mol", dev,
                               [&](std::size_t i) { return h_cell(i) + "-" + calc.cells[i]; });
  column("E: Deviation %", "%", dev_pct, [&](std::size_t i) { return "100*" + amt.cells[i] + "/" + h_cell(i); });
  std::vector<double> fs_line(n);
  for (std::size_t i = 0; i < n; ++i) fs_line[i] = line.c[0] + line.c[1] * s.inv_t[i];
  const ColumnRef on_line = column("fs on the weighted line", "J/(mol·K²)", fs_line,
                                   [&](std::size_t i) { return icpt + "+" + slope + "*" + x.cells[i]; });
  ws.chart("Shomate function fs against 1/T, weighted line", "1/T (1/K)", "fs (J/(mol·K²))",
           {Series{.name = "fs", .x_range = on_solution(x.range), .y_range = on_solution(fs.range), .colour = 0},
            Series{.name = "weighted line", .x_range = on_solution(x.range), .y_range = on_solution(on_line.range),
                   .markers = false, .line = true, .colour = 0}});

  // For the chart, the law from T0, where the increment vanishes, through
  // the measured temperatures; written without d, a(T − T0) + b(T² − T0²)
  // + c(1/T − 1/T0), so that it is exactly zero there.
  std::vector<std::size_t> law_rows(n + 1);
  std::vector<std::string> f_law_t{t0}, f_law_h;
  std::vector<double> law_t{t_ref}, law_h;
  for (std::size_t i = 0; i <= n; ++i) law_rows[i] = i;
  for (std::size_t i = 0; i < n; ++i) {
    f_law_t.push_back(analysis::data_cell(rows[i], 0));
    law_t.push_back(s.t[i]);
  }
  const ColumnRef lt = ws.chart_column("T for the law", "K", law_rows, f_law_t, law_t);
  for (std::size_t i = 0; i <= n; ++i) {
    const double t = law_t[i];
    const std::string tc = lt.cells[i];
    f_law_h.push_back(a + "*(" + tc + "-" + t0 + ")+" + b + "*(" + tc + "^2-" + t0 + "^2)+" + cc + "*(1/" + tc +
                      "-1/" + t0 + ")");
    law_h.push_back(va * (t - t_ref) + vb_ * (t * t - t_ref * t_ref) + vc * (1.0 / t - 1.0 / t_ref));
  }
  const ColumnRef lh = ws.chart_column("H(T)-H(298) on the law", "J/mol", law_rows, f_law_h, law_h);
  ws.chart("Enthalpy increment H(T) − H(298.15) against T", "T (K)", "H(T) − H(298.15) (J/mol)",
           {Series{.name = "measured", .x_range = measured_t, .y_range = measured_h, .colour = 0},
            Series{.name = "aT + bT² + c/T + d", .x_range = on_solution(lt.range), .y_range = on_solution(lh.range),
                   .markers = false, .line = true, .colour = 0}});
}

// The student's handout.
const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout out;
    out.task =
        "From the heat capacity of a substance at 298.15 K and its enthalpy increments H(T) − H(298.15) measured "
        "between 400 and 1000 K, find by Shomate's method the coefficients of its heat capacity "
        "Cp = a + 2bT − c/T² and of its enthalpy H(T) − H(298.15) = aT + bT² + c/T + d, and the heat capacity at "
        "500 K and at 1000 K.";
    out.data =
        "`Cp(298) = ,` with the heat capacity at 298.15 K in J/(mol·K); then the worksheet's headings, columns A "
        "to J, and one row per temperature: T in K (column A) and the measured increment H(T) − H(298) in J/mol "
        "(column B, written as .313636E+05); columns C to J are yours to fill in.";
    out.constants = {
        {"T0, the reference temperature", t_ref, "K", "H(T0) − H(298.15) = 0 and Cp(T0) = Cp(298)", "T_ref"},
        {"relative scatter of each measured increment, up to ±", 0.005, "",
         "u(H) = 0.005·H/√3, and from it u(fs) = u(H)/(T − 298.15)² and the weights 1/u(fs)²", "H_scatter"},
    };
    out.conventions = {
        "The Shomate function fs = (H(T) − H(298.15) − Cp(298)·(T − 298.15))/(T − 298.15)² = b + (c/298.15²)/T: "
        "a straight line against 1/T",
        "a = Cp(298) − 2b·298.15 + c/298.15² and d = −(a·298.15 + b·298.15² + c/298.15)",
    };
    const std::string line =
        "from the line of fs against 1/T (weighted by 1/u(fs)², or not), or least squares of "
        "H − Cp(298)·(T − 298.15) on (T − 298.15)² and (T − 298.15)²/T";
    out.results = {
        {"b", "coefficient b of the heat capacity law", "J/(mol·K²)", line, ""},
        {"c", "coefficient c of the heat capacity law", "J·K/mol", line, ""},
        {"a", "coefficient a of the heat capacity law", "J/(mol·K)", "", ""},
        {"d", "constant d of the enthalpy law", "J/mol", "", ""},
        {"Cp(500)", "heat capacity at 500 K", "J/(mol·K)", "", ""},
        {"Cp(1000)", "heat capacity at 1000 K", "J/(mol·K)", "", ""},
    };
    return out;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis enthalpy_gen_answers{
    .program = "enthalpy_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
