// Answer sheet of molar_volume_gen: partial molar volumes from densities.
//
// Electrolyte: from the weight percent w and the density rho (g/mL) of each
// solution, the molality m = 1000 w/((100 - w) M2) and the apparent molar
// volume phiv = [(1000 + m M2)/rho - 1000/rho0]/m (mL/mol). Masson's rule
// makes phiv linear in m^1/2 in dilute solution; over the table's range (up
// to 20 wt%) it bends, so phiv is fitted by a cubic in m^1/2, and with its
// slope S = dphiv/dm^1/2
//   V2 = phiv + (m^1/2 / 2) S,   V1 = V1o - (M1/1000) m^2 dphiv/dm.
// The weight percents are written to one decimal, so the dilute solutions
// (0.2 % and so on) carry molalities good to a few tens of per cent: the
// fit is weighted by 1/u^2, u the uncertainty of each phiv propagated from
// half a unit in the last written digit of w and rho.
//
// Nonelectrolyte: mole fractions, the ideal molar volume x1 V1o + x2 V2o,
// the experimental (x1 M1 + x2 M2)/rho and the excess volume, fitted by a
// four-term Redlich-Kister series VE = x1 x2 sum_k a_k (x2 - x1)^k; the
// partial molar volumes follow from VE and its slope.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::Column;
using analysis::Result;
using analysis::Workings;

constexpr std::size_t rk_terms = 4;
constexpr std::size_t phiv_degree = 3;  // phiv as a polynomial in m^1/2
// The electrolyte table always reaches 1.25 mol/L (12 rows) before it is cut
// at 20 wt%; those rows are graded one by one.
constexpr std::size_t graded_rows = 12;
// Standard uncertainty of a number rounded to its last written digit: half
// that unit, spread evenly (divided by sqrt 3).
constexpr double rounding(double unit) { return 0.5 * unit / 1.7320508075688772; }
constexpr double u_percent = rounding(0.1);    // % by wt, one decimal
constexpr double u_density = rounding(1e-4);   // g/mL, four decimals
constexpr double u_volume = rounding(1e-3);    // mL/mol, three decimals

double molality(double w, double m2) { return 1000.0 * w / ((100.0 - w) * m2); }  // mol/kg

// Apparent molar volume, mL/mol.
double apparent_volume(double w, double rho, double rho0, double m2) {
  const double m = molality(w, m2);
  return ((1000.0 + m * m2) / rho - 1000.0 / rho0) / m;
}

// A number computed from rounded inputs, with the uncertainty the rounding
// leaves in it. Each input's true value lies within half a unit of what is
// written (standard uncertainty u = half/sqrt 3); the change of f is taken
// across that whole interval, not from the tangent, since a weight percent
// of 0.1 may stand for anything from 0.05 to 0.15 and phiv goes as 1/w.
analysis::Estimate from_rounded(const std::function<double(std::span<const double>)>& f,
                                const std::vector<double>& p, const std::vector<double>& u) {
  analysis::Estimate e{f(p), 0.0};
  std::vector<double> q(p);
  double var = 0.0;
  for (std::size_t k = 0; k < p.size(); ++k) {
    if (u[k] == 0.0) continue;
    const double half = u[k] * std::sqrt(3.0);
    q[k] = p[k] + half;
    const double up = f(q);
    q[k] = p[k] - half;
    const double down = f(q);
    q[k] = p[k];
    const double slope = (up - down) / (2.0 * half);  // the secant across the interval
    var += slope * slope * u[k] * u[k];
  }
  e.u = std::sqrt(var);
  return e;
}

// Redlich-Kister excess volume and its slope dVE/dx2.
struct Excess {
  double ve = 0, slope = 0;
};
Excess redlich_kister(std::span<const double> a, double x2) {
  const double t = 2.0 * x2 - 1.0;
  double sum = 0, dsum = 0, t_k = 1, t_k_minus_1 = 0;  // t^k and t^(k-1)
  for (std::size_t k = 0; k < a.size(); ++k) {
    sum += a[k] * t_k;
    dsum += static_cast<double>(k) * a[k] * t_k_minus_1;
    t_k_minus_1 = t_k;
    t_k *= t;
  }
  const double x1x2 = x2 * (1.0 - x2);
  return {x1x2 * sum, (1.0 - 2.0 * x2) * sum + x1x2 * 2.0 * dsum};
}
// Partial molar excess volumes of water (1) and solute (2).
double v1_excess(std::span<const double> a, double x2) {
  const Excess e = redlich_kister(a, x2);
  return e.ve - x2 * e.slope;
}
double v2_excess(std::span<const double> a, double x2) {
  const Excess e = redlich_kister(a, x2);
  return e.ve + (1.0 - x2) * e.slope;
}

// Mole fraction of the solute from its weight percent.
double solute_fraction(double w, double m1, double m2) {
  const double n2 = w / m2, n1 = (100.0 - w) / m1;
  return n2 / (n1 + n2);
}

std::string fmt(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// A weighted least-squares polynomial y = b0 + b1 x + ... (weights 1/u^2):
// the ordinary fit of y/u against x^k/u, covariance scaled by the residuals.
analysis::PolyFit weighted_poly(const std::vector<double>& x, const std::vector<double>& y,
                                const std::vector<double>& u, std::size_t degree) {
  std::vector<std::vector<double>> design(degree + 1);
  std::vector<double> yw;
  for (std::size_t i = 0; i < x.size(); ++i) {
    double power = 1.0;
    for (std::size_t k = 0; k <= degree; ++k, power *= x[i]) design[k].push_back(power / u[i]);
    yw.push_back(y[i] / u[i]);
  }
  return analysis::fit_linear(design, yw);
}

void electrolyte(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const auto& data = cs.data();
  const std::size_t block = data.find("Electrolyte,");
  const double rho0 = data.value(data.find("dens water", block), 1);  // g/mL
  const std::size_t water = data.find("MW water =", block);
  const double m1 = data.value(water, 1);   // g/mol
  const double v1o = data.value(water, 4);  // mL/mol
  const double m2 = data.value(data.find("MW electrolyte =", block), 1);
  const auto rows = data.numeric_rows(data.find("% by wt,molality", block) + 1);
  const std::vector<double> w = data.column(rows, 0);    // % by wt
  const std::vector<double> rho = data.column(rows, 3);  // g/mL
  const std::size_t n = w.size();
  if (n <= phiv_degree + 1)
    throw analysis::AnalysisError("molar_volume_gen: too few electrolyte solutions for the fit of phiv");

  // Each solution's molality and apparent molar volume, with what the
  // rounding of w, rho and rho0 leaves uncertain in them.
  std::vector<double> m(n), root_m(n), phiv(n), u_m(n), u_phiv(n), u_row(n);
  const auto phiv_of = [m2](std::span<const double> p) { return apparent_volume(p[0], p[1], p[2], m2); };
  for (std::size_t i = 0; i < n; ++i) {
    m[i] = molality(w[i], m2);
    root_m[i] = std::sqrt(m[i]);
    phiv[i] = apparent_volume(w[i], rho[i], rho0, m2);
    u_m[i] = from_rounded([m2](std::span<const double> p) { return molality(p[0], m2); }, {w[i]}, {u_percent}).u;
    u_phiv[i] = from_rounded(phiv_of, {w[i], rho[i], rho0}, {u_percent, u_density, u_density}).u;
    // The part that differs from row to row (rho0 is common to all).
    u_row[i] = from_rounded(phiv_of, {w[i], rho[i], rho0}, {u_percent, u_density, 0.0}).u;
  }
  // phiv against m^1/2 weighted by the rows' own uncertainties: Masson's
  // line bends over the wide range of the table, so a cubic in m^1/2.
  // The fit as a function of the written numbers (w..., rho..., rho0):
  const auto fit_of = [&](std::span<const double> p) {
    std::vector<double> x(n), y(n);
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = std::sqrt(molality(p[i], m2));
      y[i] = apparent_volume(p[i], p[n + i], p[2 * n], m2);
    }
    return weighted_poly(x, y, u_row, phiv_degree);
  };
  std::vector<double> inputs(w), u_inputs(n, u_percent);
  inputs.insert(inputs.end(), rho.begin(), rho.end());
  inputs.push_back(rho0);
  u_inputs.resize(2 * n, u_density);
  u_inputs.push_back(u_density);
  const analysis::PolyFit curve = fit_of(inputs);
  // A result of the fit with its standard uncertainty: the fit's own (from
  // the residuals: the rounding's scatter and the cubic's misfit) and that
  // of the rounding of every written number carried through the fit, in
  // quadrature. The dilute solutions' weight percents round in step (w grows
  // nearly as c) and rho0 moves every phiv at once, errors the residuals do
  // not show; adding both counts the scatter twice, on the generous side.
  const std::vector<double> rounding_cov = [&] {
    std::vector<double> cov(inputs.size() * inputs.size(), 0.0);
    for (std::size_t k = 0; k < inputs.size(); ++k) cov[k * inputs.size() + k] = u_inputs[k] * u_inputs[k];
    return analysis::propagate_all([&](std::span<const double> p) { return fit_of(p).c; }, inputs, cov).cov;
  }();
  const auto of_fit = [&](const std::function<double(std::span<const double>)>& g) {
    const analysis::Estimate own = analysis::propagate(g, curve.c, curve.cov);
    const analysis::Estimate rounded = analysis::propagate(g, curve.c, rounding_cov);
    return analysis::Estimate{own.value, std::hypot(own.u, rounded.u)};
  };
  const auto value_at = [](std::span<const double> b, double x) {
    double sum = 0.0;
    for (std::size_t k = b.size(); k-- > 0;) sum = sum * x + b[k];
    return sum;
  };
  const auto slope_at = [](std::span<const double> b, double x) {
    double sum = 0.0;
    for (std::size_t k = b.size(); k-- > 1;) sum = sum * x + static_cast<double>(k) * b[k];
    return sum;
  };
  // V2 = phiv + (m^1/2/2) dphiv/dm^1/2 and V1 = V1o - (M1/1000) m^2 dphiv/dm.
  const auto v2_at = [&](std::span<const double> b, double x) {
    return value_at(b, x) + 0.5 * x * slope_at(b, x);
  };
  const auto v1_at = [&](std::span<const double> b, double x) {
    return v1o - 0.001 * m1 * x * x * x * x * 0.5 * slope_at(b, x) / x;
  };

  // The law: rho = rho_w + c1 c + c2 c^3/2 (kg/m3, c in mol/L), and each
  // solution's exact weight percent and density.
  const double rho_w = cs.hidden("denswater"), m2_true = cs.hidden("mwelec");
  const double c1 = cs.hidden("c1"), c2 = cs.hidden("c2");
  std::vector<double> m_true(n), phiv_true(n);
  for (std::size_t i = 0; i < n; ++i) {
    const int k = static_cast<int>(i) + 1;
    const double w_true = cs.hidden("compelec", k), rho_true = cs.hidden("denselecsoln", k);
    m_true[i] = molality(w_true, m2_true);
    phiv_true[i] = apparent_volume(w_true, 0.001 * rho_true, 0.001 * rho_w, m2_true);
  }
  // The law makes phiv = (M2 - c1 - c2 c^1/2)/rho_w exactly, and c -> m rho_w
  // as m -> 0: the limiting values are (M2 - c1)/rho_w and the slope
  // -c2/rho_w^1/2 (rho_w in g/mL).
  const double phiv0_true = (m2_true - c1) / (0.001 * rho_w);
  const double slope0_true = -c2 / std::sqrt(0.001 * rho_w);
  // Exact partial molar volumes of the law at concentration c (mol/L):
  // per kg of water V = 1e6/(rho - c M2) mL and m = 1000 c/(rho - c M2), so
  // V2 = dV/dm = 1000 (M2 - rho')/(rho - c rho') and V1 = (M1/1000)(V - m V2).
  const std::size_t last = n - 1;
  const double rho_last = cs.hidden("denselecsoln", static_cast<int>(n));
  const double c_last = cs.hidden("compelec", static_cast<int>(n)) * rho_last / (100.0 * m2_true);
  const double drho_dc = c1 + 1.5 * c2 * std::sqrt(c_last);
  const double v2_last_true = 1000.0 * (m2_true - drho_dc) / (rho_last - c_last * drho_dc);
  const double v_last_true = 1e6 / (rho_last - c_last * m2_true);
  const double v1_last_true = 0.001 * 18.015 * (v_last_true - m_true[last] * v2_last_true);

  // Every table holds at least the first graded_rows solutions; those are
  // graded one by one (keyed by their row), the rest are in the workings.
  const std::size_t graded = std::min(n, graded_rows);
  // Names stay the same from one data set to the next; the numbers that
  // tell the solution apart go into the method.
  const auto written = [&](std::size_t i) { return "; w = " + fmt(w[i], 1) + " %"; };
  for (std::size_t i = 0; i < graded; ++i) {
    sheet.add(Result{.key = "m(" + std::to_string(i + 1) + ")",
                     .name = "molality of electrolyte solution " + std::to_string(i + 1),
                     .unit = "mol/kg",
                     .true_value = m_true[i],
                     .value = m[i],
                     .uncertainty = u_m[i],
                     .method = "m = 1000 w/((100 - w) M2)" + written(i)});
  }
  for (std::size_t i = 0; i < graded; ++i) {
    sheet.add(Result{.key = "phiv(" + std::to_string(i + 1) + ")",
                     .name = "apparent molar volume in electrolyte solution " + std::to_string(i + 1),
                     .unit = "mL/mol",
                     .true_value = phiv_true[i],
                     .value = phiv[i],
                     .uncertainty = u_phiv[i],
                     .method = "phiv = [(1000 + m M2)/rho - 1000/rho0]/m" + written(i)});
  }
  const std::string how =
      "weighted least-squares cubic of phiv in m^1/2, " + std::to_string(n) + " points";
  const analysis::Estimate slope0 = of_fit([](std::span<const double> b) { return b[1]; });
  const analysis::Estimate phiv0 = of_fit([](std::span<const double> b) { return b[0]; });
  sheet.add(Result{.key = "dphiv/dm^0.5",
                   .name = "limiting slope of phiv against m^1/2 (at m = 0)",
                   .unit = "mL kg^1/2/mol^3/2",
                   .true_value = slope0_true,
                   .value = slope0.value,
                   .uncertainty = slope0.u,
                   .method = "linear coefficient of the " + how});
  sheet.add(Result{.key = "V2(m=0)",
                   .name = "partial molar volume of the electrolyte at infinite dilution (phiv at m = 0)",
                   .unit = "mL/mol",
                   .true_value = phiv0_true,
                   .value = phiv0.value,
                   .uncertainty = phiv0.u,
                   .method = "intercept of the " + how});
  const double x_last = root_m[last];
  const analysis::Estimate v2_last = of_fit([&](std::span<const double> b) { return v2_at(b, x_last); });
  const analysis::Estimate v1_last = of_fit([&](std::span<const double> b) { return v1_at(b, x_last); });
  const std::string at_last = " in the most concentrated solution";
  const std::string m_last = " at m = " + fmt(m[last], 3) + " mol/kg";
  sheet.add(Result{.key = "V2(last)",
                   .name = "partial molar volume of the electrolyte" + at_last,
                   .unit = "mL/mol",
                   .true_value = v2_last_true,
                   .value = v2_last.value,
                   .uncertainty = v2_last.u,
                   .method = "V2 = phiv + (m^1/2/2) dphiv/dm^1/2 from the cubic" + m_last});
  sheet.add(Result{.key = "V1(last)",
                   .name = "partial molar volume of the water" + at_last,
                   .unit = "mL/mol",
                   .true_value = v1_last_true,
                   .value = v1_last.value,
                   .uncertainty = v1_last.u,
                   .method = "V1 = V1o - (M1/1000) m^2 dphiv/dm from the cubic" + m_last});

  Workings wk{.title = "Electrolyte"};
  std::vector<Column> cols{{"% by wt", "%", w},         {"molality", "mol/kg", m},
                           {"molality^(1/2)", "(mol/kg)^1/2", root_m}, {"density", "g/mL", rho},
                           {"phiv", "mL/mol", phiv},     {"dphi/dm^0.5", "mL kg^1/2/mol^3/2", {}},
                           {"dphi/dm", "mL kg/mol^2", {}}, {"V2", "mL/mol", {}},
                           {"V1", "mL/mol", {}},         {"total V", "mL", {}}};
  for (std::size_t i = 0; i < n; ++i) {
    const double slope = slope_at(curve.c, root_m[i]);
    cols[5].values.push_back(slope);
    cols[6].values.push_back(0.5 * slope / root_m[i]);
    cols[7].values.push_back(v2_at(curve.c, root_m[i]));
    cols[8].values.push_back(v1_at(curve.c, root_m[i]));
    cols[9].values.push_back((1000.0 + m[i] * m2) / rho[i]);
  }
  wk.columns = std::move(cols);
  sheet.add(std::move(wk));
}

void nonelectrolyte(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const auto& data = cs.data();
  const std::size_t block = data.find("Nonelectrolyte,");
  const double rho0 = data.value(data.find("dens water", block), 1);  // g/mL
  const std::size_t water = data.find("MW water =", block);
  const double m1 = data.value(water, 1), v1o = data.value(water, 4);
  const std::size_t solute = data.find("MW nonelectrolyte =", block);
  const double m2 = data.value(solute, 1), v2o = data.value(solute, 4);
  const auto rows = data.numeric_rows(data.find("% by wt,molality", block) + 1);
  const std::vector<double> w = data.column(rows, 0);
  const std::vector<double> rho = data.column(rows, 3);
  const std::size_t n = w.size();
  if (n <= rk_terms) throw analysis::AnalysisError("molar_volume_gen: too few mixtures for the Redlich-Kister fit");

  // Per mixture, as functions of the rounded inputs (w, rho, V1o, V2o).
  const auto x2_of = [m1, m2](std::span<const double> p) { return solute_fraction(p[0], m1, m2); };
  const auto ideal_of = [&](std::span<const double> p) {
    const double x2 = x2_of(p);
    return (1.0 - x2) * p[2] + x2 * p[3];
  };
  const auto expt_of = [&](std::span<const double> p) {
    const double x2 = x2_of(p);
    return ((1.0 - x2) * m1 + x2 * m2) / p[1];
  };
  const auto excess_of = [&](std::span<const double> p) { return expt_of(p) - ideal_of(p); };
  const std::vector<double> u_in{u_percent, u_density, u_volume, u_volume};

  std::vector<double> x2(n), ideal(n), expt(n), excess(n);
  std::vector<Result> rx, ri, re, rv;
  for (std::size_t i = 0; i < n; ++i) {
    const std::vector<double> p{w[i], rho[i], v1o, v2o};
    const auto ex = from_rounded(x2_of, p, u_in), ei = from_rounded(ideal_of, p, u_in);
    const auto ee = from_rounded(expt_of, p, u_in), eve = from_rounded(excess_of, p, u_in);
    x2[i] = ex.value, ideal[i] = ei.value, expt[i] = ee.value, excess[i] = eve.value;
    const int k = static_cast<int>(i) + 1;
    const std::string at = " of mixture " + std::to_string(k);
    const std::string written = "; w = " + fmt(w[i], 1) + " %";
    const std::string tag = "(" + std::to_string(k) + ")";
    const double x_true = solute_fraction(cs.hidden("compnonelec", k), 18.015, cs.hidden("mwnonelec"));
    rx.push_back({.key = "X" + tag, .name = "mole fraction of the nonelectrolyte" + at, .unit = "",
                  .true_value = x_true, .value = ex.value, .uncertainty = ex.u,
                  .method = "x2 = (w/M2)/(w/M2 + (100 - w)/M1)" + written});
    ri.push_back({.key = "Vid" + tag, .name = "ideal molar volume" + at, .unit = "mL/mol",
                  .true_value = cs.hidden("videal", k), .value = ei.value, .uncertainty = ei.u,
                  .method = "x1 V1o + x2 V2o" + written});
    re.push_back({.key = "Vexp" + tag, .name = "experimental molar volume" + at, .unit = "mL/mol",
                  .true_value = cs.hidden("vobs", k), .value = ee.value, .uncertainty = ee.u,
                  .method = "(x1 M1 + x2 M2)/rho" + written});
    rv.push_back({.key = "VE" + tag, .name = "excess molar volume" + at, .unit = "mL/mol",
                  .true_value = cs.hidden("vme", k), .value = eve.value, .uncertainty = eve.u,
                  .method = "experimental minus ideal" + written});
  }
  for (auto* group : {&rx, &ri, &re, &rv})
    for (auto& r : *group) sheet.add(std::move(r));

  // Redlich-Kister fit of the excess volume.
  std::vector<std::vector<double>> design(rk_terms);
  for (std::size_t i = 0; i < n; ++i) {
    double power = 1.0;
    for (std::size_t k = 0; k < rk_terms; ++k, power *= 2.0 * x2[i] - 1.0)
      design[k].push_back(x2[i] * (1.0 - x2[i]) * power);
  }
  const analysis::PolyFit rk = analysis::fit_linear(design, excess);
  const std::array<double, rk_terms> a_true{cs.hidden("a0"), cs.hidden("a1"), cs.hidden("a2"), cs.hidden("a3")};
  const double v1o_true = cs.hidden("vwater"), v2o_true = cs.hidden("vnonelec");

  for (const double x : {0.25, 0.5, 0.75}) {
    const auto v1 = analysis::propagate([&](std::span<const double> a) { return v1o + v1_excess(a, x); }, rk.c, rk.cov);
    const auto v2 = analysis::propagate([&](std::span<const double> a) { return v2o + v2_excess(a, x); }, rk.c, rk.cov);
    const std::string at = " at x2 = " + fmt(x, 2);
    const std::string how = "Vo + partial excess volume of the 4-term Redlich-Kister fit of VE, " +
                            std::to_string(n) + " mixtures";
    sheet.add(Result{.key = "V1(x=" + fmt(x, 2) + ")", .name = "partial molar volume of water" + at,
                     .unit = "mL/mol", .true_value = v1o_true + v1_excess(a_true, x), .value = v1.value,
                     .uncertainty = v1.u, .method = how});
    sheet.add(Result{.key = "V2(x=" + fmt(x, 2) + ")", .name = "partial molar volume of the nonelectrolyte" + at,
                     .unit = "mL/mol", .true_value = v2o_true + v2_excess(a_true, x), .value = v2.value,
                     .uncertainty = v2.u, .method = how});
  }

  std::vector<double> m(n), root_m(n), phiv(n), v1(n), v2(n), total(n), moles(n), x1(n);
  for (std::size_t i = 0; i < n; ++i) {
    m[i] = molality(w[i], m2);
    root_m[i] = std::sqrt(m[i]);
    phiv[i] = apparent_volume(w[i], rho[i], rho0, m2);
    v1[i] = v1o + v1_excess(rk.c, x2[i]);
    v2[i] = v2o + v2_excess(rk.c, x2[i]);
    total[i] = (1000.0 + m[i] * m2) / rho[i];
    moles[i] = w[i] / m2;
    x1[i] = 1.0 - x2[i];
  }
  const std::vector<double> blank(n, analysis::not_a_number);
  sheet.add(Workings{.title = "Nonelectrolyte",
                     .columns = {{"% by wt", "%", w},
                                 {"molality", "mol/kg", m},
                                 {"molality^(1/2)", "(mol/kg)^1/2", root_m},
                                 {"density", "g/mL", rho},
                                 {"phiv", "mL/mol", phiv},
                                 {"dphi/dm^0.5", "", blank},
                                 {"dphi/dm", "", blank},
                                 {"V2", "mL/mol", v2},
                                 {"V1", "mL/mol", v1},
                                 {"total V", "mL", total},
                                 {"moles solute", "mol per 100 g", moles},
                                 {"X solute", "", x2},
                                 {"X water", "", x1},
                                 {"ideal V", "mL/mol", ideal},
                                 {"expt V", "mL/mol", expt},
                                 {"excess V", "mL/mol", excess}}});
  std::vector<Column> coef;
  for (std::size_t k = 0; k < rk_terms; ++k)
    coef.push_back(Column{"a" + std::to_string(k), "mL/mol", {rk.c[k], rk.se(k)}});
  sheet.add(Workings{.title = "Redlich-Kister coefficients of VE (value, standard error)", .columns = std::move(coef)});
}

void analyse(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  electrolyte(cs, sheet);
  nonelectrolyte(cs, sheet);
  sheet.notes.push_back(
      "Electrolyte: m = 1000 w/((100 - w) M2); phiv = [(1000 + m M2)/rho - 1000/rho0]/m; phiv fitted by a "
      "cubic in m^1/2 weighted by 1/u^2 (u from half a unit in the last digit of w and rho: the 0.1 wt% "
      "steps make the dilute solutions' phiv uncertain by tens of mL/mol); V2 = phiv + (m^1/2/2) dphiv/dm^1/2, "
      "V1 = V1o - (M1/1000) m^2 dphiv/dm, both from the fitted curve. The uncertainty of each result of the "
      "fit combines the fit's own and the rounding of every written number carried through the fit.");
  sheet.notes.push_back(
      "True values from the density law rho = rho_w + c1 c + c2 c^3/2 (c in mol/L), which makes phiv = "
      "(M2 - c1 - c2 c^1/2)/rho_w exactly: phiv at m = 0 is (M2 - c1)/rho_w and the limiting slope against "
      "m^1/2 is -c2/rho_w^1/2; V2 and V1 by differentiating the law at the last solution's exact "
      "concentration.");
  sheet.notes.push_back(
      "Nonelectrolyte: moles solute per 100 g of mixture; VE = x1 x2 sum a_k (x2 - x1)^k, k = 0..3, by least "
      "squares; V1 = V1o + VE - x2 dVE/dx2, V2 = V2o + VE + x1 dVE/dx2. True values from the hidden "
      "Redlich-Kister coefficients and the pure molar volumes.");
  sheet.notes.push_back(
      "Per-row uncertainties are those the rounding of the written numbers leaves (half a unit in the last "
      "digit, evenly spread).");
}

}  // namespace

extern const analysis::Analysis molar_volume_gen_answers{.program = "molar_volume_gen", .analyse = analyse};
