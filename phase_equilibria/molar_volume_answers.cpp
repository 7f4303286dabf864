// Answer sheet of molar_volume_gen: partial molar volumes from densities.
//
// Electrolyte: from the weight percent w and the density rho (g/mL) of each
// solution, the molality m = 1000 w/((100 - w) M2), the molar concentration
// c = 10 w rho/M2 (mol/L) and the apparent molar volume
// phiv = [(1000 + m M2)/rho - 1000/rho0]/m (mL/mol). Masson's rule makes
// phiv a straight line in c^1/2, phiv = phiv0 + Sv c^1/2; its intercept is
// V2 at infinite dilution. With V = 1000/rho0 + m phiv the volume holding
// 1 kg of water and c = 1000 m/V, the line gives the partial molar volumes
// exactly:
//   V2 = phiv + (1000 - c phiv) Sv c^1/2 / (2000 + Sv c^3/2),
//   V1 = V1o - (M1/1000) m (V2 - phiv).
// The weight percents are written to one decimal, so the dilute solutions
// (0.2 % and so on) carry molalities good to a few tens of per cent: the
// line is weighted by 1/u^2, u the uncertainty of each phiv propagated from
// half a unit in the last written digit of w and rho. (A curve of more
// terms, a cubic in m^1/2, follows the rounding of the dilute rows and can
// turn the limiting slope's sign.)
//
// Nonelectrolyte: mole fractions, the ideal molar volume x1 V1o + x2 V2o,
// the experimental (x1 M1 + x2 M2)/rho and the excess volume, fitted by a
// four-term Redlich-Kister series VE = x1 x2 sum_k a_k (x2 - x1)^k; the
// partial molar volumes follow from VE and its slope.
//
// What is graded where an effect is small: a partial molar volume is graded
// on its own scale in mL/mol, not as a percentage of itself, since what the
// experiment measures is its departure from the pure component's volume
// (or from phiv), a fraction of a per cent of it. Where the data set's own
// effect lies within the tolerance (the nonelectrolyte's V2 at x2 = 0.75
// can be within a few hundredths of V2o; a salt whose phiv hardly depends
// on c), an answer that leaves the effect out cannot be told from a worked
// one, and the result is left to the workings with that reason.
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
#include "analysis/workbook.hpp"

namespace {

using analysis::Column;
using analysis::Result;
using analysis::Workings;

constexpr std::size_t rk_terms = 4;
constexpr std::size_t masson_terms = 2;  // phiv0 + Sv c^1/2
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
double concentration(double w, double rho, double m2) { return 10.0 * w * rho / m2; }  // mol/L

// V2 - phiv at concentration c on Masson's line of slope Sv (mL/mol).
double partial_minus_apparent(double phiv, double c, double sv) {
  const double root_c = std::sqrt(c);
  return (1000.0 - c * phiv) * sv * root_c / (2000.0 + sv * c * root_c);
}

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

// Least squares of VE on the Redlich-Kister series of `terms` terms.
analysis::PolyFit redlich_kister_fit(const std::vector<double>& x2, const std::vector<double>& ve, std::size_t terms) {
  std::vector<std::vector<double>> design(terms);
  for (std::size_t i = 0; i < x2.size(); ++i) {
    double power = 1.0;
    for (std::size_t k = 0; k < terms; ++k, power *= 2.0 * x2[i] - 1.0)
      design[k].push_back(x2[i] * (1.0 - x2[i]) * power);
  }
  return analysis::fit_linear(design, ve);
}

// The method of intercepts drawn by hand: VE and its slope at x from a
// quadratic through the five mixtures nearest x.
Excess tangent(const std::vector<double>& x2, const std::vector<double>& ve, double x) {
  std::vector<std::size_t> order(x2.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return std::fabs(x2[a] - x) < std::fabs(x2[b] - x); });
  std::vector<double> dx, y;
  for (std::size_t k = 0; k < std::min<std::size_t>(5, order.size()); ++k) {
    dx.push_back(x2[order[k]] - x);
    y.push_back(ve[order[k]]);
  }
  const analysis::PolyFit q = analysis::fit_poly(dx, y, 2);
  return {q.c[0], q.c[1]};
}
// How far that tangent may land from the series' value (mL/mol): over the
// seed sweep within 0.025 of the 4-term series at every composition graded.
constexpr double tangent_floor = 0.03;

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

// The electrolyte's table as written: the constants above it, and per
// solution the molality, the concentration, phiv and the rounding's part
// of u(phiv) that differs from row to row (rho0 is common to all), the
// line's weights.
struct ElectrolyteTable {
  std::size_t heading = 0;  // the record "% by wt,molality,..."
  std::size_t rho0_at = 0, water_at = 0, m2_at = 0;
  double rho0 = 0, m1 = 0, v1o = 0, m2 = 0;
  std::vector<std::size_t> rows;
  std::vector<double> w, rho, m, root_m, c, root_c, phiv, u_row;
};

ElectrolyteTable electrolyte_table(const analysis::DataSet& data) {
  ElectrolyteTable t;
  const std::size_t block = data.find("Electrolyte,");
  t.rho0_at = data.find("dens water", block);
  t.water_at = data.find("MW water =", block);
  t.m2_at = data.find("MW electrolyte =", block);
  t.rho0 = data.value(t.rho0_at, 1);      // g/mL
  t.m1 = data.value(t.water_at, 1);       // g/mol
  t.v1o = data.value(t.water_at, 4);      // mL/mol
  t.m2 = data.value(t.m2_at, 1);
  t.heading = data.find("% by wt,molality", block);
  t.rows = data.numeric_rows(t.heading + 1);
  t.w = data.column(t.rows, 0);    // % by wt
  t.rho = data.column(t.rows, 3);  // g/mL
  const std::size_t n = t.w.size();
  if (n <= masson_terms + 1)
    throw analysis::AnalysisError("molar_volume_gen: too few electrolyte solutions for Masson's line");
  const double m2 = t.m2;
  const auto phiv_of = [m2](std::span<const double> p) { return apparent_volume(p[0], p[1], p[2], m2); };
  for (std::size_t i = 0; i < n; ++i) {
    t.m.push_back(molality(t.w[i], m2));
    t.root_m.push_back(std::sqrt(t.m[i]));
    t.c.push_back(concentration(t.w[i], t.rho[i], m2));
    t.root_c.push_back(std::sqrt(t.c[i]));
    t.phiv.push_back(apparent_volume(t.w[i], t.rho[i], t.rho0, m2));
    t.u_row.push_back(from_rounded(phiv_of, {t.w[i], t.rho[i], t.rho0}, {u_percent, u_density, 0.0}).u);
  }
  return t;
}

// The result is left to the workings when the answer that leaves the
// experiment's effect out lies within its tolerance: the data set's own
// effect is too small for the result to tell the two apart.
void unless_resolved(Result& r, const analysis::AnswerSheet& sheet, double null_value, const std::string& effect) {
  const double tolerance = sheet.policy.of(r);
  if (std::fabs(r.value - null_value) > tolerance) return;
  r.not_graded = effect + " is " + fmt(r.value - null_value, 3) + " " + r.unit + " in this data set, within the " +
                 "tolerance of " + fmt(tolerance, 3) + " " + r.unit + ": an answer that leaves it out would pass";
}

void electrolyte(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const ElectrolyteTable table = electrolyte_table(cs.data());
  const double rho0 = table.rho0, m1 = table.m1, v1o = table.v1o, m2 = table.m2;
  const std::vector<double>& w = table.w;
  const std::vector<double>& rho = table.rho;
  const std::size_t n = w.size();

  // Each solution's molality and apparent molar volume, with what the
  // rounding of w, rho and rho0 leaves uncertain in them.
  const std::vector<double>& m = table.m;
  const std::vector<double>& root_m = table.root_m;
  const std::vector<double>& c = table.c;
  const std::vector<double>& phiv = table.phiv;
  const std::vector<double>& u_row = table.u_row;
  std::vector<double> u_m(n), u_phiv(n);
  const auto phiv_of = [m2](std::span<const double> p) { return apparent_volume(p[0], p[1], p[2], m2); };
  for (std::size_t i = 0; i < n; ++i) {
    u_m[i] = from_rounded([m2](std::span<const double> p) { return molality(p[0], m2); }, {w[i]}, {u_percent}).u;
    u_phiv[i] = from_rounded(phiv_of, {w[i], rho[i], rho0}, {u_percent, u_density, u_density}).u;
  }
  // Masson's line of phiv against c^1/2, weighted by the rows' own
  // uncertainties, as a function of the written numbers (w..., rho..., rho0):
  const auto fit_of = [&](std::span<const double> p) {
    std::vector<double> x(n), y(n);
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = std::sqrt(concentration(p[i], p[n + i], m2));
      y[i] = apparent_volume(p[i], p[n + i], p[2 * n], m2);
    }
    return weighted_poly(x, y, u_row, masson_terms - 1);
  };
  std::vector<double> inputs(w), u_inputs(n, u_percent);
  inputs.insert(inputs.end(), rho.begin(), rho.end());
  inputs.push_back(rho0);
  u_inputs.resize(2 * n, u_density);
  u_inputs.push_back(u_density);
  const analysis::PolyFit line = fit_of(inputs);
  // A result of the line with its standard uncertainty: the fit's own (from
  // the residuals) and that of the rounding of every written number carried
  // through the fit, in quadrature. The dilute solutions' weight percents
  // round in step (w grows nearly as c) and rho0 moves every phiv at once,
  // errors the residuals do not show; adding both counts the scatter twice,
  // on the generous side.
  const std::vector<double> rounding_cov = [&] {
    std::vector<double> cov(inputs.size() * inputs.size(), 0.0);
    for (std::size_t k = 0; k < inputs.size(); ++k) cov[k * inputs.size() + k] = u_inputs[k] * u_inputs[k];
    return analysis::propagate_all([&](std::span<const double> p) { return fit_of(p).c; }, inputs, cov).cov;
  }();
  const auto of_fit = [&](const std::function<double(std::span<const double>)>& g) {
    const analysis::Estimate own = analysis::propagate(g, line.c, line.cov);
    const analysis::Estimate rounded = analysis::propagate(g, line.c, rounding_cov);
    return analysis::Estimate{own.value, std::hypot(own.u, rounded.u)};
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
  // The law makes phiv = (M2 - c1 - c2 c^1/2)/rho_w exactly (rho_w in g/mL):
  // Masson's line itself, intercept (M2 - c1)/rho_w, slope -c2/rho_w.
  const double phiv0_true = (m2_true - c1) / (0.001 * rho_w);
  const double slope_true = -c2 / (0.001 * rho_w);
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
    Result& r = sheet.add(Result{.key = "phiv(" + std::to_string(i + 1) + ")",
                                 .name = "apparent molar volume in electrolyte solution " + std::to_string(i + 1),
                                 .unit = "mL/mol",
                                 .true_value = phiv_true[i],
                                 .value = phiv[i],
                                 .uncertainty = u_phiv[i],
                                 .method = "phiv = [(1000 + m M2)/rho - 1000/rho0]/m" + written(i)});
    // A weight percent of a few tenths, written to one decimal, leaves phiv
    // uncertain by as much as its own size: its sign is not known.
    if (3.0 * u_phiv[i] >= std::fabs(phiv[i]))
      r.not_graded = "w = " + fmt(w[i], 1) + " % is written to one decimal: the rounding leaves phiv uncertain by ±" +
                     fmt(3.0 * u_phiv[i], 1) + " mL/mol (3 u), as much as the value itself";
  }
  const std::string how = "weighted least-squares line of phiv against c^1/2 (Masson), " + std::to_string(n) +
                          " solutions, c = 10 w rho/M2";
  const analysis::Estimate slope = of_fit([](std::span<const double> b) { return b[1]; });
  const analysis::Estimate phiv0 = of_fit([](std::span<const double> b) { return b[0]; });
  // The same line weighted by the rounding of w alone, which dominates
  // every row but the most concentrated.
  const analysis::PolyFit line_w = [&] {
    std::vector<double> u_w(n);
    for (std::size_t i = 0; i < n; ++i) u_w[i] = from_rounded(phiv_of, {w[i], rho[i], rho0}, {u_percent, 0.0, 0.0}).u;
    return weighted_poly(table.root_c, phiv, u_w, masson_terms - 1);
  }();
  const std::string by_w = "weights from the rounding of w alone";
  Result& sv = sheet.add(Result{.key = "dphiv/dc^0.5",
                                .name = "Masson slope of phiv against c^1/2",
                                .unit = "mL L^1/2/mol^3/2",
                                .true_value = slope_true,
                                .value = slope.value,
                                .uncertainty = slope.u,
                                .method = "slope of the " + how,
                                .routes = {{by_w, line_w.c[1]}},
                                .nulls = {{"phiv taken as independent of the concentration", 0.0}}});
  unless_resolved(sv, sheet, 0.0, "The dependence of phiv on c^1/2");
  // Where phiv does not measurably depend on c, a measured phiv is V2 at
  // infinite dilution as well: not extrapolating leaves nothing out.
  const bool slope_resolved = sv.graded();
  sheet.add(Result{.key = "V2(m=0)",
                   .name = "partial molar volume of the electrolyte at infinite dilution (phiv at m = 0)",
                   .unit = "mL/mol",
                   .true_value = phiv0_true,
                   .value = phiv0.value,
                   .uncertainty = phiv0.u,
                   .method = "intercept of the " + how,
                   .routes = {{by_w, line_w.c[0]}},
                   .nulls = {{"phiv as measured (the most concentrated solution's), not extrapolated",
                              slope_resolved ? phiv.back() : analysis::not_a_number}}});
  // V2 - phiv and V1 in the most concentrated solution, from the row's own
  // phiv and the line's slope.
  const double c_at = c[last], m_at = m[last], phiv_at = phiv[last];
  const analysis::Estimate excess =
      of_fit([=](std::span<const double> b) { return partial_minus_apparent(phiv_at, c_at, b[1]); });
  const double phiv_on_line = line.c[0] + line.c[1] * std::sqrt(c_at);
  const double excess_on_line = partial_minus_apparent(phiv_on_line, c_at, line.c[1]);
  const std::string at_last = " in the most concentrated solution";
  const std::string c_last_text = " at c = " + fmt(c_at, 3) + " mol/L, m = " + fmt(m_at, 3) + " mol/kg";
  Result& v2 = sheet.add(Result{
      .key = "V2(last)",
      .name = "partial molar volume of the electrolyte" + at_last,
      .unit = "mL/mol",
      .true_value = v2_last_true,
      .value = phiv_at + excess.value,
      .uncertainty = std::hypot(u_phiv[last], excess.u),
      .method = "V2 = phiv + (1000 - c phiv) Sv c^1/2/(2000 + Sv c^3/2), the row's phiv" + c_last_text,
      .routes = {{"phiv of Masson's line at the solution instead of the row's", phiv_on_line + excess_on_line}},
      .nulls = {{"V2 taken as the apparent molar volume phiv", phiv_at}}});
  unless_resolved(v2, sheet, phiv_at, "V2 - phiv");
  const double to_v1 = 0.001 * m1 * m_at;  // V1 = V1o - (M1/1000) m (V2 - phiv)
  Result& v1 = sheet.add(Result{.key = "V1(last)",
                                .name = "partial molar volume of the water" + at_last,
                                .unit = "mL/mol",
                                .true_value = v1_last_true,
                                .value = v1o - to_v1 * excess.value,
                                .uncertainty = to_v1 * excess.u,
                                .method = "V1 = V1o - (M1/1000) m (V2 - phiv)" + c_last_text,
                                .relative = false,
                                .routes = {{"phiv of Masson's line at the solution instead of the row's",
                                            v1o - to_v1 * excess_on_line}},
                                .nulls = {{"V1 taken as the molar volume of pure water V1o", v1o}}});
  unless_resolved(v1, sheet, v1o, "V1 - V1o");

  Workings wk{.title = "Electrolyte"};
  std::vector<Column> cols{{"% by wt", "%", w},         {"molality", "mol/kg", m},
                           {"molality^(1/2)", "(mol/kg)^1/2", root_m}, {"density", "g/mL", rho},
                           {"phiv", "mL/mol", phiv},     {"dphi/dm^0.5", "mL kg^1/2/mol^3/2", {}},
                           {"dphi/dm", "mL kg/mol^2", {}}, {"V2", "mL/mol", {}},
                           {"V1", "mL/mol", {}},         {"total V", "mL", {}},
                           {"c", "mol/L", c},            {"c^(1/2)", "(mol/L)^1/2", table.root_c}};
  // Per solution, from the line's slope: V2 - phiv = m dphiv/dm, and so
  // dphiv/dm^1/2 = 2 (V2 - phiv)/m^1/2.
  for (std::size_t i = 0; i < n; ++i) {
    const double d = partial_minus_apparent(phiv[i], c[i], line.c[1]);
    cols[5].values.push_back(2.0 * d / root_m[i]);
    cols[6].values.push_back(d / m[i]);
    cols[7].values.push_back(phiv[i] + d);
    cols[8].values.push_back(v1o - 0.001 * m1 * m[i] * d);
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
    // Vexp is graded on its own scale: what it measures is its departure
    // from Vid, VE, a per cent of it or less.
    re.push_back({.key = "Vexp" + tag, .name = "experimental molar volume" + at, .unit = "mL/mol",
                  .true_value = cs.hidden("vobs", k), .value = ee.value, .uncertainty = ee.u,
                  .method = "(x1 M1 + x2 M2)/rho" + written, .relative = false,
                  .nulls = {{"the ideal molar volume (no excess volume)", ei.value}}});
    unless_resolved(re.back(), sheet, ei.value, "VE = Vexp - Vid");
    rv.push_back({.key = "VE" + tag, .name = "excess molar volume" + at, .unit = "mL/mol",
                  .true_value = cs.hidden("vme", k), .value = eve.value, .uncertainty = eve.u,
                  .method = "experimental minus ideal" + written,
                  .nulls = {{"ideal mixing, VE = 0", 0.0}}});
  }
  for (auto* group : {&rx, &ri, &re, &rv})
    for (auto& r : *group) sheet.add(std::move(r));

  const analysis::PolyFit rk = redlich_kister_fit(x2, excess, rk_terms);
  const analysis::PolyFit rk_longer = redlich_kister_fit(x2, excess, rk_terms + 1);
  const std::array<double, rk_terms> a_true{cs.hidden("a0"), cs.hidden("a1"), cs.hidden("a2"), cs.hidden("a3")};
  const double v1o_true = cs.hidden("vwater"), v2o_true = cs.hidden("vnonelec");

  for (const double x : {0.25, 0.5, 0.75}) {
    const auto v1 = analysis::propagate([&](std::span<const double> a) { return v1o + v1_excess(a, x); }, rk.c, rk.cov);
    const auto v2 = analysis::propagate([&](std::span<const double> a) { return v2o + v2_excess(a, x); }, rk.c, rk.cov);
    const Excess local = tangent(x2, excess, x);
    const std::string at = " at x2 = " + fmt(x, 2);
    const std::string how = "Vo + partial excess volume of the 4-term Redlich-Kister fit of VE, " +
                            std::to_string(n) + " mixtures";
    const std::string longer = "5-term Redlich-Kister series";
    const std::string drawn = "tangent to a quadratic through the 5 mixtures nearest x2 (method of intercepts)";
    Result r1{.key = "V1(x=" + fmt(x, 2) + ")", .name = "partial molar volume of water" + at, .unit = "mL/mol",
              .true_value = v1o_true + v1_excess(a_true, x), .value = v1.value, .uncertainty = v1.u, .method = how,
              .absolute = tangent_floor, .relative = false,
              .routes = {{longer, v1o + v1_excess(rk_longer.c, x)}, {drawn, v1o + local.ve - x * local.slope}},
              .nulls = {{"the molar volume of pure water V1o", v1o}}};
    Result r2{.key = "V2(x=" + fmt(x, 2) + ")", .name = "partial molar volume of the nonelectrolyte" + at,
              .unit = "mL/mol", .true_value = v2o_true + v2_excess(a_true, x), .value = v2.value, .uncertainty = v2.u,
              .method = how, .absolute = tangent_floor, .relative = false,
              .routes = {{longer, v2o + v2_excess(rk_longer.c, x)},
                         {drawn, v2o + local.ve + (1.0 - x) * local.slope}},
              .nulls = {{"the molar volume of the pure nonelectrolyte V2o", v2o}}};
    unless_resolved(r1, sheet, v1o, "V1 - V1o");
    unless_resolved(r2, sheet, v2o, "V2 - V2o");
    sheet.add(std::move(r1));
    sheet.add(std::move(r2));
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
      "Electrolyte: m = 1000 w/((100 - w) M2); c = 10 w rho/M2 (mol/L); phiv = [(1000 + m M2)/rho - "
      "1000/rho0]/m; Masson's line phiv = phiv0 + Sv c^1/2 weighted by 1/u^2 (u from half a unit in the last "
      "digit of w and rho: the 0.1 wt% steps make the dilute solutions' phiv uncertain by tens of mL/mol); "
      "V2 = phiv + (1000 - c phiv) Sv c^1/2/(2000 + Sv c^3/2) with the row's phiv, V1 = V1o - (M1/1000) m "
      "(V2 - phiv). The uncertainty of each result of the line combines the fit's own and the rounding of "
      "every written number carried through the fit.");
  sheet.notes.push_back(
      "True values from the density law rho = rho_w + c1 c + c2 c^3/2 (c in mol/L), which makes phiv = "
      "(M2 - c1 - c2 c^1/2)/rho_w exactly, Masson's line: phiv at c = 0 is (M2 - c1)/rho_w and its slope "
      "-c2/rho_w; V2 and V1 by differentiating the law at the last solution's exact concentration.");
  sheet.notes.push_back(
      "Nonelectrolyte: moles solute per 100 g of mixture; VE = x1 x2 sum a_k (x2 - x1)^k, k = 0..3, by least "
      "squares; V1 = V1o + VE - x2 dVE/dx2, V2 = V2o + VE + x1 dVE/dx2, graded in mL/mol (their departure "
      "from V1o and V2o is what the mixtures measure), at least 0.03 mL/mol: the tangent drawn to the "
      "neighbouring mixtures lands that close. True values from the hidden Redlich-Kister coefficients and "
      "the pure molar volumes.");
  sheet.notes.push_back(
      "Per-row uncertainties are those the rounding of the written numbers leaves (half a unit in the last "
      "digit, evenly spread).");
}


// The same worksheet as spreadsheet formulas over the Data sheet, in the
// order of the analysis: the electrolyte's solutions (m, c, phiv and the
// rounding's u(phiv)), Masson's line weighted by 1/u², the partial molar
// volumes from its slope; the nonelectrolyte's mixtures (mole fractions,
// ideal, experimental and excess volumes), the Redlich-Kister series by
// LINEST, and the partial molar volumes at the three compositions asked
// for. The per-row results are the cells of their columns.
using Formula = std::function<std::string(std::size_t)>;
using analysis::ColumnRef;

// phiv as a spreadsheet formula of the cells (or expressions) w and rho.
std::string phiv_formula(const std::string& w, const std::string& rho, const std::string& rho0, const std::string& m2) {
  const std::string m = "(1000*" + w + "/((100-" + w + ")*" + m2 + "))";
  return "((1000+" + m + "*" + m2 + ")/" + rho + "-1000/" + rho0 + ")/" + m;
}

// The electrolyte: m, c, phiv, the rounding's u(phiv) per row (the secant
// of phiv across half a unit of w and of rho either side), Masson's line by
// LINEST without a constant over the columns 1/u, c^1/2/u and phiv/u, and
// the partial molar volumes from its slope.
void workbook_electrolyte(const analysis::Case& cs, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::data_cell;
  using analysis::data_ref;
  using analysis::on_solution;
  const auto& data = cs.data();
  const ElectrolyteTable t = electrolyte_table(data);
  const auto& rows = t.rows;
  const std::size_t n = rows.size();
  const std::string rho0 = data_cell(t.rho0_at, 1), m1 = data_cell(t.water_at, 1), v1o = data_cell(t.water_at, 4),
                    m2 = data_cell(t.m2_at, 1);
  const std::string half_w = ws.constant("half_w"), half_rho = ws.constant("half_rho");
  const auto w = [&](std::size_t i) { return data_ref(rows[i], 0); };
  const auto rho = [&](std::size_t i) { return data_ref(rows[i], 3); };
  const auto column = [&](const std::string& title, const std::string& unit, const std::vector<double>& values,
                          const Formula& f) { return ws.column(title, unit, rows, f, values); };

  ws.step("Electrolyte: each solution's molality, concentration and apparent molar volume phiv, with the "
          "uncertainty u(phiv) the rounding of w and rho leaves");
  const ColumnRef m = column("molality", "mol/kg", t.m, [&](std::size_t i) {
    return "1000*" + w(i) + "/((100-" + w(i) + ")*" + m2 + ")";
  });
  const ColumnRef root_m =
      column("molality^(1/2)", "(mol/kg)^1/2", t.root_m, [&](std::size_t i) { return "SQRT(" + m.cells[i] + ")"; });
  const ColumnRef phiv = column("phiv", "mL/mol", t.phiv, [&](std::size_t i) {
    return "((1000+" + m.cells[i] + "*" + m2 + ")/" + rho(i) + "-1000/" + rho0 + ")/" + m.cells[i];
  });
  const ColumnRef u = column("u(phiv)", "mL/mol", t.u_row, [&](std::size_t i) {
    const auto secant = [&](const std::string& w_up, const std::string& w_down, const std::string& r_up,
                            const std::string& r_down) {
      return "(" + phiv_formula(w_up, r_up, rho0, m2) + "-" + phiv_formula(w_down, r_down, rho0, m2) + ")^2";
    };
    const std::string wu = "(" + w(i) + "+" + half_w + ")", wd = "(" + w(i) + "-" + half_w + ")";
    const std::string ru = "(" + rho(i) + "+" + half_rho + ")", rd = "(" + rho(i) + "-" + half_rho + ")";
    return "SQRT((" + secant(wu, wd, rho(i), rho(i)) + "+" + secant(w(i), w(i), ru, rd) + ")/12)";
  });
  const ColumnRef c = column("c", "mol/L", t.c, [&](std::size_t i) { return "10*" + w(i) + "*" + rho(i) + "/" + m2; });
  const ColumnRef root_c =
      column("c^(1/2)", "(mol/L)^1/2", t.root_c, [&](std::size_t i) { return "SQRT(" + c.cells[i] + ")"; });
  // The weighted design: every row's 1, c^1/2 and phiv divided by u (the
  // square root of the weight 1/u^2).
  std::vector<double> one_u(n), x_u(n), y_u(n);
  for (std::size_t i = 0; i < n; ++i) {
    one_u[i] = 1.0 / t.u_row[i];
    x_u[i] = t.root_c[i] / t.u_row[i];
    y_u[i] = t.phiv[i] / t.u_row[i];
  }
  const ColumnRef d0 = column("1/u", "mol/mL", one_u, [&](std::size_t i) { return "1/" + u.cells[i]; });
  const ColumnRef d1 = column("c^1/2/u", "", x_u, [&](std::size_t i) { return root_c.cells[i] + "/" + u.cells[i]; });
  const ColumnRef y = column("phiv/u", "", y_u, [&](std::size_t i) { return phiv.cells[i] + "/" + u.cells[i]; });
  for (std::size_t i = 0; i < std::min(n, graded_rows); ++i) {
    ws.result_in("m(" + std::to_string(i + 1) + ")", m.cells[i]);
    ws.result_in("phiv(" + std::to_string(i + 1) + ")", phiv.cells[i]);
  }
  ws.note("u(phiv): the change of phiv across w ± half_w and across rho ± half_rho, each squared, summed, over "
          "12, square-rooted (a uniform rounding of half-width h has the standard uncertainty h/√3).");

  ws.step("Masson's line phiv = phiv0 + Sv c^1/2, weighted by 1/u²: LINEST of phiv/u on 1/u and c^1/2/u without "
          "a constant");
  const std::string law = "LINEST(" + y.range + "," + d0.cells.front() + ":" + d1.cells.back() + ",FALSE,TRUE)";
  const std::string b0 = ws.result("V2(m=0)", "INDEX(" + law + ",1,2)");
  const std::string b1 = ws.result("dphiv/dc^0.5", "INDEX(" + law + ",1,1)");
  ws.note("LINEST lists Sv (the last x column) before phiv0. The uncertainties beside the results are the answer "
          "sheet's: they combine the fit's own standard errors with the rounding of every written number carried "
          "through the fit.");

  ws.step("Partial molar volumes from the slope: V2 − phiv = (1000 − c phiv) Sv c^1/2/(2000 + Sv c^3/2), "
          "V1 = V1o − (M1/1000) m (V2 − phiv)");
  const auto& work = sheet.workings.at(0).columns;
  std::vector<double> excess(n);
  for (std::size_t i = 0; i < n; ++i) excess[i] = work[7].values[i] - t.phiv[i];
  const ColumnRef d = column("V2 - phiv", "mL/mol", excess, [&](std::size_t i) {
    return "(1000-" + c.cells[i] + "*" + phiv.cells[i] + ")*" + b1 + "*" + root_c.cells[i] + "/(2000+" + b1 + "*" +
           c.cells[i] + "*" + root_c.cells[i] + ")";
  });
  column("dphi/dm^0.5", "mL kg^1/2/mol^3/2", work[5].values,
         [&](std::size_t i) { return "2*" + d.cells[i] + "/" + root_m.cells[i]; });
  column("dphi/dm", "mL kg/mol^2", work[6].values, [&](std::size_t i) { return d.cells[i] + "/" + m.cells[i]; });
  const ColumnRef v2 = column("V2", "mL/mol", work[7].values,
                              [&](std::size_t i) { return phiv.cells[i] + "+" + d.cells[i]; });
  const ColumnRef v1 = column("V1", "mL/mol", work[8].values, [&](std::size_t i) {
    return v1o + "-0.001*" + m1 + "*" + m.cells[i] + "*" + d.cells[i];
  });
  column("total V", "mL", work[9].values,
         [&](std::size_t i) { return "(1000+" + m.cells[i] + "*" + m2 + ")/" + rho(i); });
  ws.result_in("V2(last)", v2.cells.back());
  ws.result_in("V1(last)", v1.cells.back());
  ws.note("V2(last) and V1(last) are the last row's: the most concentrated solution.");

  // Masson's line for the chart, from c^1/2 = 0 through the rows.
  std::vector<std::size_t> curve_rows(n + 1);
  std::vector<double> cx{0.0}, cy;
  for (std::size_t j = 0; j <= n; ++j) curve_rows[j] = j;
  for (const double x : t.root_c) cx.push_back(x);
  const double v_b0 = sheet.find("V2(m=0)")->value, v_b1 = sheet.find("dphiv/dc^0.5")->value;
  for (const double x : cx) cy.push_back(v_b0 + v_b1 * x);
  const ColumnRef c_x = ws.chart_column("c^1/2 for Masson's line", "(mol/L)^1/2", curve_rows, [&] {
    std::vector<std::string> f{"0"};
    f.insert(f.end(), root_c.cells.begin(), root_c.cells.end());
    return f;
  }(), cx);
  std::vector<std::string> f_cy;
  for (const std::string& x : c_x.cells) f_cy.push_back(b0 + "+" + b1 + "*" + x);
  const ColumnRef c_y = ws.chart_column("phiv on Masson's line", "mL/mol", curve_rows, f_cy, cy);
  ws.chart("Apparent molar volume of the electrolyte against c^1/2", "c^1/2 ((mol/L)^1/2)", "phiv (mL/mol)",
           {{.name = "phiv", .x_range = on_solution(root_c.range), .y_range = on_solution(phiv.range)},
            {.name = "Masson's line, weighted", .x_range = on_solution(c_x.range), .y_range = on_solution(c_y.range),
             .markers = false, .line = true, .colour = 0}});
}

// The nonelectrolyte: mole fractions, the ideal, experimental and excess
// volumes, the Redlich-Kister series by LINEST without a constant over the
// columns x1 x2 (x2 - x1)^k, and the partial molar volumes from it.
void workbook_nonelectrolyte(const analysis::Case& cs, const analysis::AnswerSheet& sheet,
                             analysis::SolutionSheet& ws) {
  using analysis::data_cell;
  using analysis::data_ref;
  using analysis::on_solution;
  const auto& data = cs.data();
  const std::size_t block = data.find("Nonelectrolyte,");
  const std::size_t water = data.find("MW water =", block), solute = data.find("MW nonelectrolyte =", block);
  const std::string m1 = data_cell(water, 1), v1o = data_cell(water, 4), m2 = data_cell(solute, 1),
                    v2o = data_cell(solute, 4);
  const std::size_t heading = data.find("% by wt,molality", block);
  const auto rows = data.numeric_rows(heading + 1);
  const std::size_t n = rows.size();
  const auto w = [&](std::size_t i) { return data_ref(rows[i], 0); };
  const auto rho = [&](std::size_t i) { return data_ref(rows[i], 3); };
  const auto& work = sheet.workings.at(1).columns;
  const auto column = [&](const std::string& title, const std::string& unit, const std::vector<double>& values,
                          const Formula& f) { return ws.column(title, unit, rows, f, values); };

  ws.step("Nonelectrolyte: each mixture's mole fraction and its ideal, experimental and excess molar volumes");
  const ColumnRef moles = column("moles solute", "mol per 100 g", work[10].values,
                                 [&](std::size_t i) { return w(i) + "/" + m2; });
  const ColumnRef x2 = column("X solute", "", work[11].values, [&](std::size_t i) {
    return moles.cells[i] + "/(" + moles.cells[i] + "+(100-" + w(i) + ")/" + m1 + ")";
  });
  const ColumnRef x1 = column("X water", "", work[12].values, [&](std::size_t i) { return "1-" + x2.cells[i]; });
  const ColumnRef ideal = column("ideal V", "mL/mol", work[13].values, [&](std::size_t i) {
    return x1.cells[i] + "*" + v1o + "+" + x2.cells[i] + "*" + v2o;
  });
  const ColumnRef expt = column("expt V", "mL/mol", work[14].values, [&](std::size_t i) {
    return "(" + x1.cells[i] + "*" + m1 + "+" + x2.cells[i] + "*" + m2 + ")/" + rho(i);
  });
  const ColumnRef excess = column("excess V", "mL/mol", work[15].values,
                                  [&](std::size_t i) { return expt.cells[i] + "-" + ideal.cells[i]; });
  for (const auto& [key, col] : {std::pair{"X", &x2}, {"Vid", &ideal}, {"Vexp", &expt}, {"VE", &excess}})
    for (std::size_t i = 0; i < n; ++i) ws.result_in(std::string(key) + "(" + std::to_string(i + 1) + ")", col->cells[i]);

  ws.step("Redlich-Kister: VE = x1 x2 Σ a_k (x2 − x1)^k, k = 0..3, by LINEST without a constant; the partial "
          "molar volumes of each mixture");
  const std::vector<double>& xv = work[11].values;
  std::vector<ColumnRef> design;
  for (std::size_t k = 0; k < rk_terms; ++k) {
    std::vector<double> dv;
    for (std::size_t i = 0; i < n; ++i)
      dv.push_back(xv[i] * (1.0 - xv[i]) * std::pow(2.0 * xv[i] - 1.0, static_cast<double>(k)));
    design.push_back(column(k == 0 ? "x1 x2" : "x1 x2 (x2 - x1)^" + std::to_string(k), "", dv, [&](std::size_t i) {
      const std::string base = x2.cells[i] + "*" + x1.cells[i];
      return k == 0 ? base : base + "*(" + x2.cells[i] + "-" + x1.cells[i] + ")^" + std::to_string(k);
    }));
  }
  const auto& coef = sheet.workings.at(2).columns;
  const std::string law =
      "LINEST(" + excess.range + "," + design.front().cells.front() + ":" + design.back().cells.back() + ",FALSE,TRUE)";
  std::vector<std::string> a(rk_terms);
  std::vector<double> av(rk_terms);
  for (std::size_t k = 0; k < rk_terms; ++k) {
    av[k] = coef[k].values[0];
    const std::string at = std::to_string(rk_terms - k);
    a[k] = ws.value("Redlich-Kister a" + std::to_string(k), "mL/mol", "INDEX(" + law + ",1," + at + ")", av[k]);
    ws.value("standard error of a" + std::to_string(k), "mL/mol", "INDEX(" + law + ",2," + at + ")",
             coef[k].values[1]);
  }
  // S = sum a_k t^k and dS/dt by Horner's scheme, t = x2 - x1 = 2 x2 - 1;
  // dVE/dx2 = (1 - 2 x2) S + 2 x1 x2 dS/dt.
  const auto series = [&](const std::string& t) {
    return a[0] + "+" + t + "*(" + a[1] + "+" + t + "*(" + a[2] + "+" + t + "*" + a[3] + "))";
  };
  const auto derivative = [&](const std::string& t) {
    return a[1] + "+" + t + "*(2*" + a[2] + "+3*" + t + "*" + a[3] + ")";
  };
  const auto ve_at = [&](const std::string& x) {
    return x + "*(1-" + x + ")*(" + series("(2*" + x + "-1)") + ")";
  };
  const auto slope_at = [&](const std::string& x) {
    const std::string t = "(2*" + x + "-1)";
    return "(1-2*" + x + ")*(" + series(t) + ")+2*" + x + "*(1-" + x + ")*(" + derivative(t) + ")";
  };
  std::vector<double> sv(n), slope_v(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Excess e = redlich_kister(av, xv[i]);
    sv[i] = e.ve;
    slope_v[i] = e.slope;
  }
  const ColumnRef ve_fit = column("VE, Redlich-Kister", "mL/mol", sv, [&](std::size_t i) { return ve_at(x2.cells[i]); });
  const ColumnRef dve = column("dVE/dx2", "mL/mol", slope_v, [&](std::size_t i) { return slope_at(x2.cells[i]); });
  column("V2", "mL/mol", work[7].values, [&](std::size_t i) {
    return v2o + "+" + ve_fit.cells[i] + "+" + x1.cells[i] + "*" + dve.cells[i];
  });
  column("V1", "mL/mol", work[8].values, [&](std::size_t i) {
    return v1o + "+" + ve_fit.cells[i] + "-" + x2.cells[i] + "*" + dve.cells[i];
  });
  ws.note("LINEST lists a3 first. V1 = V1o + VE − x2 dVE/dx2, V2 = V2o + VE + x1 dVE/dx2, with "
          "dVE/dx2 = (1 − 2 x2) S + 2 x1 x2 dS/dt, S = Σ a_k t^k, t = x2 − x1.");

  ws.step("Partial molar volumes at the compositions asked for");
  const double xs[] = {0.25, 0.5, 0.75};
  const std::vector<std::size_t> at{0, 1, 2};
  std::vector<std::string> f_x;
  std::vector<double> v_x, v_ve, v_d, v_1, v_2;
  for (const double x : xs) {
    const Excess e = redlich_kister(av, x);
    f_x.push_back(fmt(x, 2));
    v_x.push_back(x), v_ve.push_back(e.ve), v_d.push_back(e.slope);
    v_1.push_back(sheet.find("V1(x=" + fmt(x, 2) + ")")->value);
    v_2.push_back(sheet.find("V2(x=" + fmt(x, 2) + ")")->value);
  }
  const ColumnRef c_x = ws.column("x2", "", at, f_x, v_x);
  const ColumnRef c_ve = ws.column("VE", "mL/mol", at, [&](std::size_t j) { return ve_at(c_x.cells[j]); }, v_ve);
  const ColumnRef c_d = ws.column("dVE/dx2", "mL/mol", at, [&](std::size_t j) { return slope_at(c_x.cells[j]); }, v_d);
  const ColumnRef c_v1 = ws.column("V1", "mL/mol", at, [&](std::size_t j) {
    return v1o + "+" + c_ve.cells[j] + "-" + c_x.cells[j] + "*" + c_d.cells[j];
  }, v_1);
  const ColumnRef c_v2 = ws.column("V2", "mL/mol", at, [&](std::size_t j) {
    return v2o + "+" + c_ve.cells[j] + "+(1-" + c_x.cells[j] + ")*" + c_d.cells[j];
  }, v_2);
  for (std::size_t j = 0; j < at.size(); ++j) {
    ws.result_in("V1(x=" + f_x[j] + ")", c_v1.cells[j]);
    ws.result_in("V2(x=" + f_x[j] + ")", c_v2.cells[j]);
  }

  // The series for the chart, from x2 = 0 through the mixtures to x2 = 1.
  std::vector<std::size_t> curve_rows(n + 2);
  for (std::size_t j = 0; j < n + 2; ++j) curve_rows[j] = j;
  std::vector<std::string> f_cx{"0"};
  f_cx.insert(f_cx.end(), x2.cells.begin(), x2.cells.end());
  f_cx.push_back("1");
  std::vector<double> cx{0.0}, cy;
  cx.insert(cx.end(), xv.begin(), xv.end());
  cx.push_back(1.0);
  for (const double x : cx) cy.push_back(redlich_kister(av, x).ve);
  const ColumnRef k_x = ws.chart_column("x2 for the curve", "", curve_rows, f_cx, cx);
  std::vector<std::string> f_cy;
  for (const std::string& x : k_x.cells) f_cy.push_back(ve_at(x));
  const ColumnRef k_y = ws.chart_column("VE by the Redlich-Kister series", "mL/mol", curve_rows, f_cy, cy);
  ws.chart("Excess molar volume of the nonelectrolyte against its mole fraction", "x2 (mole fraction of solute)",
           "VE (mL/mol)",
           {{.name = "VE from the densities", .x_range = on_solution(x2.range), .y_range = on_solution(excess.range)},
            {.name = "Redlich-Kister, 4 terms", .x_range = on_solution(k_x.range), .y_range = on_solution(k_y.range),
             .markers = false, .line = true, .colour = 0}});
}

void workbook(const analysis::Case& cs, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  // The measurements as written: each table's densities against its
  // weight percents.
  const auto& data = cs.data();
  const auto measured = [&](const char* block, const char* name) {
    const auto rows = data.numeric_rows(data.find("% by wt,molality", data.find(block)) + 1);
    return analysis::SolutionSheet::Series{.name = name,
                                           .x_range = analysis::data_range(rows.front(), rows.back(), 0),
                                           .y_range = analysis::data_range(rows.front(), rows.back(), 3)};
  };
  ws.chart("Density of the solutions against the weight percent of solute", "w (% by wt)", "rho (g/mL)",
           {measured("Electrolyte,", "electrolyte"), measured("Nonelectrolyte,", "nonelectrolyte")});
  workbook_electrolyte(cs, sheet, ws);
  workbook_nonelectrolyte(cs, sheet, ws);
}

// The student's handout: the two tables, the constants the rounding
// implies, and every result in the order of the results template.
const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout out;
    out.task =
        "From the densities of solutions of an electrolyte in water, find the molality and the apparent molar volume "
        "phiv of each solution, V2 of the electrolyte at infinite dilution with Masson's slope, and the partial molar "
        "volumes V2 and V1 in the most concentrated solution. From the densities of mixtures of water with a "
        "nonelectrolyte over the whole range of composition, find each mixture's mole fraction and its ideal, "
        "experimental and excess molar volumes, and the partial molar volumes of both components at x2 = 0.25, 0.50 "
        "and 0.75.";
    out.data =
        "Two tables at one temperature (`Temp(C) =`, °C), the electrolyte's first. Above each: the density of water "
        "rho0 (`dens water`, g/mL), the molar mass of water M1 and its molar volume V1o (`MW water =`, g/mol and "
        "mL/mol), the solute's molar mass M2 (`MW electrolyte =` or `MW nonelectrolyte =`, g/mol; for the "
        "nonelectrolyte also its molar volume V2o, mL/mol). Each row: the weight percent of solute w (`% by wt`, "
        "one decimal) and the density of the solution rho (`density`, g/mL, four decimals); the other columns of "
        "the heading are yours to fill in. The electrolyte table holds 12 to 28 solutions (up to 20 % by weight), "
        "the nonelectrolyte table 19 mixtures, x2 = 0.05 to 0.95.";
    out.constants = {
        {"half a unit of the last written digit of w", 0.05, "%",
         "the rounding of w, spread evenly: u(w) = 0.05/√3; with u(rho) the uncertainty u of each phiv and the "
         "weights 1/u² of Masson's line",
         "half_w"},
        {"half a unit of the last written digit of rho", 0.00005, "g/mL", "the same: u(rho) = 0.00005/√3",
         "half_rho"},
    };
    out.conventions = {
        "m in mol per kg of water: m = 1000 w/((100 − w) M2); c in mol per litre of solution: c = 10 w rho/M2",
        "phiv = [(1000 + m M2)/rho − 1000/rho0]/m, mL/mol",
        "u(phiv) of a row: the change of phiv across w ± 0.05 and across rho ± 0.00005, each squared, summed, "
        "over 12, square-rooted",
        "x2 is the mole fraction of the solute (the nonelectrolyte), x1 = 1 − x2; the pure components' molar "
        "volumes are the V1o and V2o the data set gives",
    };
    const std::string masson =
        "Masson's rule, phiv = V2(m=0) + Sv c^1/2: a straight line of phiv against c^1/2 over every solution, "
        "weighted by 1/u(phiv)² (the dilute solutions' phiv carry the rounding of w)";
    const std::string from_line =
        "V2 = phiv + (1000 − c phiv) Sv c^1/2/(2000 + Sv c^3/2) with Sv of that line and the row's phiv; "
        "V1 = V1o − (M1/1000) m (V2 − phiv)";
    const std::string partial =
        "V1 = V1o + VE − x2 dVE/dx2, V2 = V2o + VE + x1 dVE/dx2 from a smooth curve through the excess volumes "
        "(a Redlich-Kister series of 4 or 5 terms, or the tangent drawn to the neighbouring mixtures)";
    auto& r = out.results;
    const auto row = [](const char* key, int i) { return std::string(key) + "(" + std::to_string(i) + ")"; };
    for (int i = 1; i <= static_cast<int>(graded_rows); ++i)
      r.push_back({row("m", i), "molality of electrolyte solution " + std::to_string(i), "mol/kg", "", ""});
    for (int i = 1; i <= static_cast<int>(graded_rows); ++i)
      r.push_back({row("phiv", i), "apparent molar volume in electrolyte solution " + std::to_string(i), "mL/mol",
                   "", ""});
    r.push_back({"dphiv/dc^0.5", "Masson slope Sv of phiv against c^1/2", "mL L^1/2/mol^3/2", masson, ""});
    r.push_back({"V2(m=0)", "partial molar volume of the electrolyte at infinite dilution", "mL/mol", masson, ""});
    r.push_back({"V2(last)", "partial molar volume of the electrolyte in the most concentrated solution", "mL/mol",
                 from_line, ""});
    r.push_back({"V1(last)", "partial molar volume of the water in the most concentrated solution", "mL/mol",
                 from_line, ""});
    const char* per_mixture[][3] = {{"X", "mole fraction of the nonelectrolyte in mixture ", ""},
                                    {"Vid", "ideal molar volume x1 V1o + x2 V2o of mixture ", "mL/mol"},
                                    {"Vexp", "experimental molar volume (x1 M1 + x2 M2)/rho of mixture ", "mL/mol"},
                                    {"VE", "excess molar volume Vexp − Vid of mixture ", "mL/mol"}};
    for (const auto& what : per_mixture)
      for (int i = 1; i <= 19; ++i) r.push_back({row(what[0], i), what[1] + std::to_string(i), what[2], "", ""});
    for (const char* x : {"0.25", "0.50", "0.75"}) {
      r.push_back({std::string("V1(x=") + x + ")", std::string("partial molar volume of water at x2 = ") + x,
                   "mL/mol", partial, ""});
      r.push_back({std::string("V2(x=") + x + ")",
                   std::string("partial molar volume of the nonelectrolyte at x2 = ") + x, "mL/mol", partial, ""});
    }
    return out;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis molar_volume_gen_answers{
    .program = "molar_volume_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
