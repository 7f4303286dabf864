// Answer sheet of the third-law entropy (third_law_gen).
//
// S(298.15 K) of the liquid is the sum of
//   - the Debye T³ extrapolation below the lowest measured temperature T0:
//     with Cp = k·T³ there, S(T0) = Cp(T0)/3;
//   - the integral of Cp/T dT over the solid rows, T0 to the melting point;
//   - the entropy of fusion, ΔHfus/Tfus;
//   - the integral of Cp/T dT over the liquid rows, melting point to 298.15 K;
// both integrals by the trapezoid rule on the written points. The gas at the
// standard pressure adds ΔHvap/298.15 and R·ln(pvap/p°), p° = 1 bar.
//
// The measured heat capacities scatter uniformly within ±1 % and are
// written to 0.01 J/(K·mol); the uncertainties of the sums come from those
// two, propagated through the trapezoid weights. The heats, the vapor
// pressure and the temperatures are taken as exact.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr double gas_constant = 8.314462618;  // J/(K·mol)
constexpr double t_room = 298.15;             // K
constexpr double p_standard = 100000.0;       // Pa, 1 bar
constexpr double p_atm = 101325.0;            // Pa, the standard pressure of older tables
// Standard uncertainty of one written heat capacity: ±1 % uniform scatter
// and the half-unit of its last written digit, J/(K·mol).
double u_cp(double cp) {
  const double scatter = 0.01 * cp / std::sqrt(3.0);
  const double rounding = 0.005 / std::sqrt(3.0);
  return std::hypot(scatter, rounding);
}

std::string kelvin(double t) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f K", t);
  return text;
}

struct Integral {
  double value = 0;
  double u = 0;
};

// ∫ Cp/T dT by the trapezoid rule over the rows, and its uncertainty from
// the uncertainties of the heat capacities (each enters with its trapezoid
// weight divided by T).
Integral entropy_integral(const std::vector<double>& t, const std::vector<double>& cp) {
  std::vector<double> cp_over_t(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) cp_over_t[i] = cp[i] / t[i];
  Integral r{.value = analysis::trapezoid(t, cp_over_t)};
  double u2 = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double left = i > 0 ? t[i] - t[i - 1] : 0.0;
    const double right = i + 1 < t.size() ? t[i + 1] - t[i] : 0.0;
    const double w = 0.5 * (left + right) / t[i];
    u2 += w * w * u_cp(cp[i]) * u_cp(cp[i]);
  }
  r.u = std::sqrt(u2);
  return r;
}

// Other rules a student may integrate Cp/T dT with over the rows of one
// phase. The melting point can stand twice among the liquid rows (when it
// falls on a temperature of the grid); an interval of no width adds
// nothing, so such a row is merged with its twin (their mean Cp).
struct Rows {
  std::vector<double> t, cp;
};
Rows distinct(const std::vector<double>& t, const std::vector<double>& cp) {
  Rows r;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!r.t.empty() && t[i] == r.t.back()) {
      r.cp.back() = 0.5 * (r.cp.back() + cp[i]);
      continue;
    }
    r.t.push_back(t[i]);
    r.cp.push_back(cp[i]);
  }
  return r;
}
// Simpson's rule where the grid allows it: each two neighbouring intervals
// of the same width by Simpson's 1/3 rule, an interval left over (at the
// melting point, at 298.15 K, where the step changes) by the trapezoid.
// A parabola across intervals of very different width (0.1 K beside 10 K at
// a melting point just below a grid temperature) would carry the ±1 %
// scatter far: no careful student draws one.
double simpson(const Rows& r) {
  const auto f = [&](std::size_t i) { return r.cp[i] / r.t[i]; };
  double s = 0;
  std::size_t i = 0;
  while (i + 1 < r.t.size()) {
    const double h = r.t[i + 1] - r.t[i];
    if (i + 2 < r.t.size() && std::fabs((r.t[i + 2] - r.t[i + 1]) - h) <= 1e-9 * h) {
      s += h / 3.0 * (f(i) + 4.0 * f(i + 1) + f(i + 2));
      i += 2;
    } else {
      s += 0.5 * h * (f(i) + f(i + 1));
      i += 1;
    }
  }
  return s;
}
// Cp against ln T by the trapezoid rule (the data set's own ln(T) column).
double over_ln_t(const Rows& r) {
  std::vector<double> ln_t;
  for (const double t : r.t) ln_t.push_back(std::log(t));
  return analysis::trapezoid(ln_t, r.cp);
}
// The natural cubic spline through Cp/T; the trapezoid for fewer than
// three rows.
double spline(const Rows& r) {
  std::vector<double> y;
  for (std::size_t i = 0; i < r.t.size(); ++i) y.push_back(r.cp[i] / r.t[i]);
  return r.t.size() < 3 ? analysis::trapezoid(r.t, y) : analysis::spline_integral(r.t, y);
}
struct Rules {
  double simpson = 0, ln_t = 0, spline = 0;
};
Rules rules(const std::vector<double>& t, const std::vector<double>& cp) {
  const Rows r = distinct(t, cp);
  return {simpson(r), over_ln_t(r), spline(r)};
}

// The data set read back: the solid rows from the lowest temperature to the
// melting point, the liquid rows from the melting point to 298.15 K, and
// the heats and vapor pressure with their records.
struct Table {
  std::size_t heading = 0, fusion = 0;  // records of "T(K),..." and "Fusion,"
  std::vector<std::size_t> solid_rows, liquid_rows;
  std::vector<double> t_solid, cp_solid, t_liquid, cp_liquid;
  std::size_t h_fus_record = 0, h_vap_record = 0, p_vap_record = 0;  // each value in cell 2
  double h_fus = 0, h_vap = 0, p_vap = 0;  // J/mol, J/mol, Pa
};

Table read_table(const analysis::DataSet& data) {
  Table tb;
  tb.heading = data.find("T(K),ln(T),Cp(J/deg/mole)");
  tb.solid_rows = data.numeric_rows(tb.heading + 1);
  tb.fusion = data.find("Fusion,", tb.heading);
  tb.liquid_rows = data.numeric_rows(tb.fusion + 1);
  if (tb.solid_rows.size() < 2 || tb.liquid_rows.size() < 2)
    throw analysis::AnalysisError("third_law_gen: fewer than two solid or liquid rows");
  tb.t_solid = data.column(tb.solid_rows, 0);
  tb.cp_solid = data.column(tb.solid_rows, 2);
  tb.t_liquid = data.column(tb.liquid_rows, 0);
  tb.cp_liquid = data.column(tb.liquid_rows, 2);

  tb.h_fus_record = data.find("Heat of Fusion,,");
  tb.h_vap_record = data.find("Heat of Vaporization at 298.15 K,") + 1;
  tb.p_vap_record = data.find("Vapor Pressure at 298.15 K,") + 1;
  tb.h_fus = data.value(tb.h_fus_record, 2);
  tb.h_vap = data.value(tb.h_vap_record, 2);
  tb.p_vap = data.value(tb.p_vap_record, 2);
  return tb;
}

void analyse(const analysis::Case& c, analysis::AnswerSheet& sheet) {
  const Table tb = read_table(c.data());
  const std::vector<double>& t_solid = tb.t_solid;
  const std::vector<double>& cp_solid = tb.cp_solid;
  const std::vector<double>& t_liquid = tb.t_liquid;
  const std::vector<double>& cp_liquid = tb.cp_liquid;
  const double h_fus = tb.h_fus, h_vap = tb.h_vap, p_vap = tb.p_vap;
  const double t0 = t_solid.front();
  const double t_fus = t_liquid.front();  // the melting point opens the liquid rows

  // The hidden model's own curves, integrated exactly over the same range.
  const double x1 = c.hidden("x", 1), x2 = c.hidden("x", 2), x3 = c.hidden("x", 3);
  const double tfus_true = c.hidden("tfus");
  const double cpfusliq = c.hidden("cpfusliq"), cpslope = c.hidden("cpslope");
  const double true_debye = c.hidden("cpinit") / 3.0;
  const double true_solid =
      x1 * std::log(tfus_true / t0) + x2 * (tfus_true - t0) + 0.5 * x3 * (1.0 / (t0 * t0) - 1.0 / (tfus_true * tfus_true));
  const double true_fusion = c.hidden("hfus") / tfus_true;
  const double true_liquid =
      (cpfusliq - cpslope * tfus_true) * std::log(t_room / tfus_true) + cpslope * (t_room - tfus_true);
  const double true_vap = c.hidden("hvap") / t_room;
  const double true_corr = gas_constant * std::log(c.hidden("pvap") / p_standard);
  const double true_liquid_s = true_debye + true_solid + true_fusion + true_liquid;

  const Integral debye{cp_solid.front() / 3.0, u_cp(cp_solid.front()) / 3.0};
  const Integral solid = entropy_integral(t_solid, cp_solid);
  const Integral liquid = entropy_integral(t_liquid, cp_liquid);
  const double fusion_s = h_fus / t_fus;
  const double vap_s = h_vap / t_room;
  const double corr = gas_constant * std::log(p_vap / p_standard);
  const double s_liquid = debye.value + solid.value + fusion_s + liquid.value;
  const double u_liquid = std::sqrt(debye.u * debye.u + solid.u * solid.u + liquid.u * liquid.u);

  const std::string entropy_unit = "J/(K·mol)";
  const std::string trapezoid = "trapezoid rule of Cp/T against T over the written ";
  // The valid routes: the other integration rules, the liquid's Cp as the
  // straight line it is integrated exactly, 1 atm for the standard pressure.
  const Rules solid_by = rules(t_solid, cp_solid), liquid_by = rules(t_liquid, cp_liquid);
  const analysis::LineFit liquid_line = analysis::fit_line(t_liquid, cp_liquid);
  const double liquid_by_line = liquid_line.intercept * std::log(t_liquid.back() / t_fus) +
                                liquid_line.slope * (t_liquid.back() - t_fus);
  const double corr_atm = gas_constant * std::log(p_vap / p_atm);
  const std::string by_simpson = "Simpson's rule on pairs of equal steps, the trapezoid for a step left over",
                    by_ln_t = "trapezoid rule of Cp against ln T", by_spline = "natural cubic spline through Cp/T",
                    at_atm = "p° = 1 atm = 101325 Pa";
  const double liquid_base = debye.value + fusion_s;
  const auto both = [&](double solid_part, double liquid_part) { return liquid_base + solid_part + liquid_part; };
  const std::vector<analysis::Alternative> s_routes{
      {by_simpson, both(solid_by.simpson, liquid_by.simpson)},
      {by_ln_t, both(solid_by.ln_t, liquid_by.ln_t)},
      {by_spline, both(solid_by.spline, liquid_by.spline)}};
  // The experiment's points: the extrapolation below T0 (graded on its
  // own: it is smaller than S's tolerance), the entropy of fusion, the
  // entropy of vaporization and the correction of the vapor to p°.
  sheet.add(Result{.key = "S(T0)", .name = "entropy at the lowest temperature (Debye T³)", .unit = entropy_unit,
                   .true_value = true_debye, .value = debye.value, .uncertainty = debye.u,
                   .method = "Cp(T0)/3 at the lowest temperature T0 = " + kelvin(t0),
                   .nulls = {{"no extrapolation below the lowest temperature", 0.0}}});
  sheet.add(Result{.key = "dS(solid)", .name = "entropy gain of the solid up to the melting point",
                   .unit = entropy_unit, .true_value = true_solid, .value = solid.value, .uncertainty = solid.u,
                   .method = trapezoid + std::to_string(t_solid.size()) + " solid rows",
                   .routes = {{by_simpson, solid_by.simpson}, {by_ln_t, solid_by.ln_t}, {by_spline, solid_by.spline}}});
  sheet.add(Result{.key = "dS(fus)", .name = "entropy of fusion", .unit = entropy_unit, .true_value = true_fusion,
                   .value = fusion_s, .uncertainty = 0.0, .method = "ΔHfus/Tfus"});
  sheet.add(Result{.key = "dS(liquid)", .name = "entropy gain of the liquid up to 298.15 K", .unit = entropy_unit,
                   .true_value = true_liquid, .value = liquid.value, .uncertainty = liquid.u,
                   .method = trapezoid + std::to_string(t_liquid.size()) + " liquid rows",
                   .routes = {{by_simpson, liquid_by.simpson},
                              {by_ln_t, liquid_by.ln_t},
                              {by_spline, liquid_by.spline},
                              {"the liquid's Cp as a least-squares line, integrated exactly", liquid_by_line}}});
  sheet.add(Result{.key = "S(liquid)", .name = "absolute entropy of the liquid at 298.15 K", .unit = entropy_unit,
                   .true_value = true_liquid_s, .value = s_liquid, .uncertainty = u_liquid,
                   .method = "S(T0) + ΔS(solid) + ΔHfus/Tfus + ΔS(liquid)", .routes = s_routes,
                   .nulls = {{"the entropy of fusion left out", s_liquid - fusion_s}}});
  sheet.add(Result{.key = "dS(vap)", .name = "entropy of vaporization at 298.15 K", .unit = entropy_unit,
                   .true_value = true_vap, .value = vap_s, .uncertainty = 0.0, .method = "ΔHvap/298.15 K"});
  sheet.add(Result{.key = "dS(p)", .name = "correction of the vapor to 1 bar", .unit = entropy_unit,
                   .true_value = true_corr, .value = corr, .uncertainty = 0.0,
                   .method = "R·ln(pvap/p°), p° = 1 bar = 100000 Pa", .routes = {{at_atm, corr_atm}},
                   .nulls = {{"no correction of the vapor to p°", 0.0}}});
  std::vector<analysis::Alternative> gas_routes;
  for (const auto& r : s_routes) gas_routes.push_back({r.name, r.value + vap_s + corr});
  gas_routes.push_back({at_atm, s_liquid + vap_s + corr_atm});
  sheet.add(Result{.key = "S°(gas)", .name = "standard entropy of the gas at 298.15 K and 1 bar",
                   .unit = entropy_unit, .true_value = true_liquid_s + true_vap + true_corr,
                   .value = s_liquid + vap_s + corr, .uncertainty = u_liquid,
                   .method = "S(liquid) + ΔHvap/298.15 + R·ln(pvap/p°)", .routes = std::move(gas_routes),
                   .nulls = {{"no correction of the vapor to p°", s_liquid + vap_s},
                             {"the entropy of fusion left out", s_liquid - fusion_s + vap_s + corr},
                             {"the liquid's entropy (no vaporization)", s_liquid}}});

  // The worksheet: ln T (the column the data set leaves empty), Cp/T and
  // the entropy accumulated up to each row, solid and liquid in one table.
  std::vector<double> t_all, ln_t, cp_all, cp_over_t, s_running;
  double s = debye.value;
  const auto add_rows = [&](const std::vector<double>& t, const std::vector<double>& cp) {
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (i > 0) s += 0.5 * (cp[i] / t[i] + cp[i - 1] / t[i - 1]) * (t[i] - t[i - 1]);
      t_all.push_back(t[i]);
      ln_t.push_back(std::log(t[i]));
      cp_all.push_back(cp[i]);
      cp_over_t.push_back(cp[i] / t[i]);
      s_running.push_back(s);
    }
  };
  add_rows(t_solid, cp_solid);
  s += fusion_s;
  add_rows(t_liquid, cp_liquid);
  sheet.add(analysis::Workings{.title = "Cp/T and the entropy from 0 K (the melting point twice: solid, then liquid "
                                        "after fusion)",
                               .columns = {Column{"T(K)", "K", t_all}, Column{"ln(T)", "", ln_t},
                                           Column{"Cp(J/deg/mole)", entropy_unit, cp_all},
                                           Column{"Cp/T", "J/(K²·mol)", cp_over_t},
                                           Column{"S(T)", entropy_unit, s_running}}});

  sheet.notes.push_back("Integrals of Cp/T dT by the trapezoid rule on the written points; below the lowest "
                        "temperature the Debye law Cp ∝ T³, S(T0) = Cp(T0)/3. Standard pressure p° = 1 bar "
                        "(100000 Pa); with 1 atm the gas entropy is 0.11 J/(K·mol) lower.");
  sheet.notes.push_back("Uncertainties from the ±1 % uniform scatter of the measured Cp and the rounding of the "
                        "written values; the heats and the vapor pressure are taken as exact.");
  sheet.notes.push_back("True values: the same sum on the hidden curves, Cp = x1 + x2·T + x3/T² for the solid "
                        "from T0 and Cp = cpfusliq + cpslope·(T − Tfus) for the liquid, integrated exactly; the "
                        "Debye term is the hidden Cp(T0)/3 (the solid law does not hold below T0). The trapezoid "
                        "rule's truncation error on the written grid is about 0.1 % of the solid integral.");
}

// The same worksheet as spreadsheet formulas over the Data sheet: ln T and
// Cp/T on every row; on every row but the first of each phase the width of
// the interval that ends there and the mean height of Cp/T over it, so that
// each trapezoid sum is a SUMPRODUCT of the two over the phase's rows; the
// entropy from 0 K row by row (the Debye term and the trapezoids up to the
// row, on the liquid's rows the entropy of fusion too); then the sums for
// the liquid and the gas. The outline of the area under Cp/T and the Debye
// curve below T0 are points for the charts only.
void workbook(const analysis::Case& c, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::data_ref;
  using analysis::on_solution;
  const Table tb = read_table(c.data());
  const std::size_t ns = tb.solid_rows.size(), nl = tb.liquid_rows.size();
  const std::string r_gas = ws.constant("R_gas"), p_std = ws.constant("p_std"), t_vap = ws.constant("T_vap");

  // Every row, solid then liquid (the melting point twice).
  std::vector<std::size_t> rows = tb.solid_rows;
  rows.insert(rows.end(), tb.liquid_rows.begin(), tb.liquid_rows.end());
  std::vector<double> t = tb.t_solid, cp = tb.cp_solid;
  t.insert(t.end(), tb.t_liquid.begin(), tb.t_liquid.end());
  cp.insert(cp.end(), tb.cp_liquid.begin(), tb.cp_liquid.end());
  const std::size_t n = rows.size();
  const auto t_cell = [&](std::size_t i) { return data_ref(rows[i], 0); };
  const auto first_of_phase = [&](std::size_t i) { return i == 0 || i == ns; };
  const auto per_row = [&](const std::string& heading, const std::string& unit, const std::vector<double>& values,
                           const std::function<std::string(std::size_t)>& formula) {
    return ws.column(heading, unit, rows, formula, values);
  };

  ws.step("Cp/T over the rows and the trapezoids under it; the entropy from 0 K row by row");
  std::vector<double> ln_t(n), ratio(n);
  for (std::size_t i = 0; i < n; ++i) {
    ln_t[i] = std::log(t[i]);
    ratio[i] = cp[i] / t[i];
  }
  per_row("T", "K", t, t_cell);
  per_row("B: ln(T)", "", ln_t, [&](std::size_t i) { return "LN(" + t_cell(i) + ")"; });
  per_row("Cp", "J/(K·mol)", cp, [&](std::size_t i) { return data_ref(rows[i], 2); });
  const ColumnRef c_ratio =
      per_row("Cp/T", "J/(K²·mol)", ratio, [&](std::size_t i) { return data_ref(rows[i], 2) + "/" + t_cell(i); });

  // The intervals: rows 1.. of the solid, then rows 1.. of the liquid.
  std::vector<std::size_t> steps, step_rows;
  std::vector<std::string> f_width, f_mean;
  std::vector<double> width, mean;
  for (std::size_t i = 0; i < n; ++i) {
    if (first_of_phase(i)) continue;
    steps.push_back(i);
    step_rows.push_back(rows[i]);
    f_width.push_back(t_cell(i) + "-" + t_cell(i - 1));
    f_mean.push_back("(" + c_ratio.cells[i] + "+" + c_ratio.cells[i - 1] + ")/2");
    width.push_back(t[i] - t[i - 1]);
    mean.push_back((ratio[i] + ratio[i - 1]) / 2.0);
  }
  const ColumnRef c_width = ws.column("ΔT of the interval ending here", "K", step_rows, f_width, width);
  const ColumnRef c_mean = ws.column("mean Cp/T over it", "J/(K²·mol)", step_rows, f_mean, mean);
  // The entropy from 0 K: Cp(T0)/3 and the trapezoids from T0 up to the
  // row (their columns are empty on each phase's first row, which
  // SUMPRODUCT counts as nought), on the liquid's rows ΔHfus/Tfus as well.
  const std::string cp0 = data_cell(tb.solid_rows.front(), 2);
  const std::string fusion_formula = data_cell(tb.h_fus_record, 2) + "/" + data_cell(tb.liquid_rows.front(), 0);
  const std::string width_from = c_width.range.substr(0, c_width.range.find(':')),
                    mean_from = c_mean.range.substr(0, c_mean.range.find(':'));
  std::vector<std::string> f_s(n);
  std::size_t k = 0;  // the interval ending on row i, or the last before it
  for (std::size_t i = 0; i < n; ++i) {
    if (!first_of_phase(i)) k = static_cast<std::size_t>(std::find(steps.begin(), steps.end(), i) - steps.begin());
    f_s[i] = cp0 + "/3";
    if (i > 0)
      f_s[i] += "+SUMPRODUCT(" + width_from + ":" + c_width.cells[k] + "," + mean_from + ":" + c_mean.cells[k] + ")";
    if (i >= ns) f_s[i] += "+" + fusion_formula;
  }
  const ColumnRef c_s = per_row("S(T) from 0 K", "J/(K·mol)", sheet.workings.at(0).columns.at(4).values,
                                [&](std::size_t i) { return f_s[i]; });
  ws.note("Below the lowest temperature T0 Debye's law Cp = a·T³ gives S(T0) = Cp(T0)/3, the first row of S(T). "
          "The melting point closes the solid's rows and opens the liquid's.");

  ws.step("The liquid at 298.15 K: the Debye term, the trapezoid sum of each phase and the entropy of fusion");
  // The solid's intervals are the first ns − 1, the liquid's the rest.
  const auto sum_over = [&](std::size_t from, std::size_t to) {
    return "SUMPRODUCT(" + c_width.cells[from] + ":" + c_width.cells[to] + "," + c_mean.cells[from] + ":" +
           c_mean.cells[to] + ")";
  };
  const std::string debye = ws.result_in("S(T0)", c_s.cells.front());
  const std::string solid = ws.result("dS(solid)", sum_over(0, ns - 2));
  const std::string fusion = ws.result("dS(fus)", fusion_formula);
  const std::string liquid = ws.result("dS(liquid)", sum_over(ns - 1, ns + nl - 3));
  const std::string s_liquid = ws.result("S(liquid)", debye + "+" + solid + "+" + fusion + "+" + liquid);

  ws.step("The gas at 298.15 K and the standard pressure");
  const std::string vap = ws.result("dS(vap)", data_cell(tb.h_vap_record, 2) + "/" + t_vap);
  const std::string corr = ws.result("dS(p)", r_gas + "*LN(" + data_cell(tb.p_vap_record, 2) + "/" + p_std + ")");
  ws.result("S°(gas)", s_liquid + "+" + vap + "+" + corr);

  // For the plot of Cp/T, the outline of the area under it: up from the
  // axis at T0, along the solid rows, down to the axis at the melting
  // point, up along the liquid rows and down to the axis at 298.15 K.
  std::vector<std::string> f_edge_t{t_cell(0)}, f_edge_y{"0"};
  std::vector<double> edge_t{t.front()}, edge_y{0.0};
  for (std::size_t i = 0; i < n; ++i) {
    if (i == ns) {
      f_edge_t.push_back(t_cell(ns - 1));
      f_edge_y.push_back("0");
      edge_t.push_back(t[ns - 1]);
      edge_y.push_back(0.0);
    }
    f_edge_t.push_back(t_cell(i));
    f_edge_y.push_back(c_ratio.cells[i]);
    edge_t.push_back(t[i]);
    edge_y.push_back(ratio[i]);
  }
  f_edge_t.push_back(t_cell(n - 1));
  f_edge_y.push_back("0");
  edge_t.push_back(t.back());
  edge_y.push_back(0.0);
  std::vector<std::size_t> edge_rows(edge_t.size());
  for (std::size_t i = 0; i < edge_rows.size(); ++i) edge_rows[i] = i;
  const ColumnRef c_edge_t = ws.chart_column("T along the area's edge", "K", edge_rows, f_edge_t, edge_t);
  const ColumnRef c_edge_y = ws.chart_column("Cp/T along the area's edge", "J/(K²·mol)", edge_rows, f_edge_y, edge_y);

  // The Debye law below T0, Cp = Cp(T0)·(T/T0)³, at eleven temperatures
  // from 0 to T0, below the outline.
  constexpr std::size_t debye_points = 11;
  std::vector<std::size_t> debye_rows;
  std::vector<std::string> f_dt, f_dcp, f_dratio;
  std::vector<double> dt, dcp, dratio;
  const std::string t0 = data_cell(rows.front(), 0);
  const double t0v = t.front(), cp0v = cp.front();
  for (std::size_t j = 0; j < debye_points; ++j) {
    debye_rows.push_back(edge_rows.size() + 1 + j);
    f_dt.push_back(t0 + "*" + std::to_string(j) + "/" + std::to_string(debye_points - 1));
    dt.push_back(t0v * static_cast<double>(j) / static_cast<double>(debye_points - 1));
  }
  const ColumnRef c_dt = ws.chart_column("T below T0", "K", debye_rows, f_dt, dt);
  for (std::size_t j = 0; j < debye_points; ++j) {
    const std::string x = "(" + c_dt.cells[j] + "/" + t0 + ")";
    f_dcp.push_back(cp0 + "*" + x + "^3");
    f_dratio.push_back(cp0 + "/" + t0 + "*" + x + "^2");
    const double xv = dt[j] / t0v;
    dcp.push_back(cp0v * (xv * xv * xv));
    dratio.push_back(cp0v / t0v * (xv * xv));
  }
  const ColumnRef c_dcp = ws.chart_column("Debye Cp below T0", "J/(K·mol)", debye_rows, f_dcp, dcp);
  const ColumnRef c_dratio = ws.chart_column("Debye Cp/T below T0", "J/(K²·mol)", debye_rows, f_dratio, dratio);

  using Series = analysis::SolutionSheet::Series;
  const std::string solid_t = analysis::data_range(tb.solid_rows.front(), tb.solid_rows.back(), 0);
  const std::string liquid_t = analysis::data_range(tb.liquid_rows.front(), tb.liquid_rows.back(), 0);
  ws.chart("Heat capacity against T", "T (K)", "Cp (J/(K·mol))",
           {Series{.name = "solid", .x_range = solid_t,
                   .y_range = analysis::data_range(tb.solid_rows.front(), tb.solid_rows.back(), 2), .colour = 0},
            Series{.name = "liquid", .x_range = liquid_t,
                   .y_range = analysis::data_range(tb.liquid_rows.front(), tb.liquid_rows.back(), 2), .colour = 1},
            Series{.name = "Debye T³ below T0", .x_range = on_solution(c_dt.range), .y_range = on_solution(c_dcp.range),
                   .markers = false, .line = true, .colour = 0}});
  ws.chart("Cp/T against T: the area under it is the entropy", "T (K)", "Cp/T (J/(K²·mol))",
           {Series{.name = "solid", .x_range = solid_t,
                   .y_range = on_solution(c_ratio.cells.front() + ":" + c_ratio.cells[ns - 1]), .colour = 0},
            Series{.name = "liquid", .x_range = liquid_t,
                   .y_range = on_solution(c_ratio.cells[ns] + ":" + c_ratio.cells.back()), .colour = 1},
            Series{.name = "trapezoids' edge", .x_range = on_solution(c_edge_t.range),
                   .y_range = on_solution(c_edge_y.range), .markers = false, .line = true, .colour = 2},
            Series{.name = "Debye T³ below T0", .x_range = on_solution(c_dt.range),
                   .y_range = on_solution(c_dratio.range), .markers = false, .line = true, .colour = 0}});
}

// The student's handout.
const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout out;
    out.task =
        "From the heat capacity of a substance measured from about 12 K to 298.15 K, with its melting point in "
        "between, and its heats of fusion and of vaporization and its vapor pressure at 298.15 K, find the "
        "absolute (third-law) entropy of the liquid at 298.15 K and the standard entropy of the gas at 298.15 K and "
        "1 bar, with each contribution.";
    out.data =
        "`T(K),ln(T),Cp(J/deg/mole)`: the measured heat capacities, temperature in K and Cp in J/(K·mol) (the ln(T) "
        "column is left for you), from the lowest temperature to the melting point (the solid), then, after the "
        "record `Fusion,`, from the melting point to 298.15 K (the liquid): the melting temperature stands twice, "
        "with the solid's Cp and with the liquid's. Then the heat of fusion (J/mol), the heat of vaporization at "
        "298.15 K (J/mol) and the vapor pressure at 298.15 K (Pa). Each Cp carries a scatter of up to ±1 %.";
    out.constants = {
        {"R, the gas constant", gas_constant, "J/(K·mol)", "the correction of the vapor to the standard pressure",
         "R_gas"},
        {"p°, the standard pressure", p_standard, "Pa", "1 bar; the vapor's entropy at pvap is taken to p°", "p_std"},
        {"T, the temperature of the heat of vaporization and the vapor pressure", t_room, "K",
         "the entropy of vaporization is ΔHvap/T", "T_vap"},
    };
    out.conventions = {
        "Below the lowest measured temperature T0 the heat capacity follows Debye's law Cp = a·T³, so that "
        "S(T0) = Cp(T0)/3",
        "Entropies in J/(K·mol); ΔS = ∫ Cp/T dT over each phase's rows (any sound rule: trapezoid, Simpson, a "
        "spline, Cp against ln T)",
        "p° = 1 bar = 100000 Pa (tables older than 1982 use 1 atm = 101325 Pa, which gives a gas entropy "
        "0.11 J/(K·mol) lower; either is accepted)",
    };
    const std::string unit = "J/(K·mol)";
    out.results = {
        {"S(T0)", "entropy at the lowest temperature (Debye T³)", unit, "Cp(T0)/3", ""},
        {"dS(solid)", "entropy gain of the solid up to the melting point", unit, "", ""},
        {"dS(fus)", "entropy of fusion", unit, "ΔHfus/Tfus", ""},
        {"dS(liquid)", "entropy gain of the liquid up to 298.15 K", unit, "", ""},
        {"S(liquid)", "absolute entropy of the liquid at 298.15 K", unit, "", ""},
        {"dS(vap)", "entropy of vaporization at 298.15 K", unit, "ΔHvap/298.15 K", ""},
        {"dS(p)", "correction of the vapor to 1 bar", unit, "R·ln(pvap/p°)", ""},
        {"S°(gas)", "standard entropy of the gas at 298.15 K and 1 bar", unit, "", ""},
    };
    return out;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis third_law_gen_answers{
    .program = "third_law_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
