// Answer sheet of vapor_activity_gen: the mean activity coefficient of a 1:1
// electrolyte MX from the vapor pressure of its solutions at 25 C.
//
// R is the relative lowering of the vapor pressure per unit molality,
// R = (po - p)/(po m), so p/po = 1 - mR. With the vapor ideal the water's
// activity is as = p/po, and the osmotic coefficient of a 1:1 electrolyte
// (nu = 2) is phi = -ln(as)/(nu m M1), M1 the molar mass of water in kg/mol.
// The Gibbs-Duhem equation gives
//   ln g = (phi - 1) + 2 * integral from 0 to sqrt(m) of (phi - 1)/m^0.5 d(m^0.5),
// the integrand being fitted by a quartic in m^0.5 (the sheet's "linest"
// block: m^2, m^1.5, m, m^0.5, const) and integrated term by term.
//
// Grading. R is written to five decimals, which fixes as to 2e-5 and phi
// to about 2e-4. as is graded on its lowering: to 2 % (the sheet's
// relative tolerance) of 1 - as, so that as = 1, the solute left out, fails
// even at m = 0.1 where as is 0.997. phi is graded to 0.002 on its own
// scale: M1 = 0.018 instead of 0.018015 kg/mol moves it by 0.001 at most,
// while the ideal solution's phi = 1 is farther off wherever the data's phi
// is not 1 itself (near m = 3.5 it crosses 1). g follows the sheet's rule.
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

using analysis::Column;
using analysis::Result;

constexpr double water_molar_mass = 0.018015;  // kg/mol
constexpr double nu = 2.0;                     // ions per formula unit of MX
constexpr std::size_t degree = 4;              // quartic in m^0.5
constexpr double davies_coefficient = 0.3;     // of I in the Davies equation
constexpr double phi_tolerance = 0.002;        // phi graded to ±0.002

double osmotic_coefficient(double m, double r, double molar_mass = water_molar_mass) {
  return -std::log(1.0 - m * r) / (nu * m * molar_mass);
}

// Integral of c0 + c1 x + ... from 0 to x.
double poly_integral(std::span<const double> c, double x) {
  double sum = 0.0, power = x;
  for (std::size_t k = 0; k < c.size(); ++k, power *= x) sum += c[k] * power / static_cast<double>(k + 1);
  return sum;
}

struct Osmotic {
  std::vector<double> root_m, phi, y;  // y = (phi - 1)/m^0.5
  analysis::PolyFit fit;
};

Osmotic osmotic(const std::vector<double>& m, const std::vector<double>& r, std::size_t fit_degree = degree) {
  Osmotic o;
  for (std::size_t i = 0; i < m.size(); ++i) {
    o.root_m.push_back(std::sqrt(m[i]));
    o.phi.push_back(osmotic_coefficient(m[i], r[i]));
    o.y.push_back((o.phi.back() - 1.0) / o.root_m.back());
  }
  o.fit = analysis::fit_poly(o.root_m, o.y, fit_degree);
  return o;
}

double ln_g(const Osmotic& o, std::size_t i) { return (o.phi[i] - 1.0) + 2.0 * poly_integral(o.fit.c, o.root_m[i]); }

// g by the trapezoid rule over the points themselves, (phi - 1)/m^0.5
// extrapolated to m^0.5 = 0 along the line through the two lowest points.
std::vector<double> trapezoid_g(const Osmotic& o) {
  const double y0 = o.y[0] - (o.y[1] - o.y[0]) / (o.root_m[1] - o.root_m[0]) * o.root_m[0];
  std::vector<double> g;
  double integral = 0, x = 0, y = y0;
  for (std::size_t i = 0; i < o.y.size(); ++i) {
    integral += (o.root_m[i] - x) * (o.y[i] + y) / 2.0;
    x = o.root_m[i];
    y = o.y[i];
    g.push_back(std::exp((o.phi[i] - 1.0) + 2.0 * integral));
  }
  return g;
}

std::string molality_label(double m) {
  std::string s = std::to_string(m);  // "0.100000"
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

void analyse(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const auto& data = cs.data();
  const std::size_t fixed = data.find("MX,");
  const double a_dh = data.value(fixed, 9);  // Debye-Hueckel A, (kg/mol)^1/2

  const auto rows = data.numeric_rows(data.find("m,sqrt(m),R,") + 1);
  const std::vector<double> m = data.column(rows, 0);  // mol/kg
  const std::vector<double> r = data.column(rows, 2);  // kg/mol
  const std::size_t n = m.size();
  if (n <= degree + 1) throw analysis::AnalysisError("vapor_activity_gen: too few rows for the quartic fit");

  const Osmotic o = osmotic(m, r);

  // The law's R at the same molalities gives the true values, through the
  // same quartic and integral (see the notes).
  const double a = cs.hidden("a"), b = cs.hidden("b"), c = cs.hidden("c");
  std::vector<double> r_law(n);
  for (std::size_t i = 0; i < n; ++i) r_law[i] = a * m[i] + b * std::sqrt(m[i]) + c;
  const Osmotic t = osmotic(m, r_law);

  std::vector<double> mr(n), ratio(n), log_as(n), ln_as(n), integ(n), lng(n), logg(n), g(n);
  for (std::size_t i = 0; i < n; ++i) {
    mr[i] = m[i] * r[i];
    ratio[i] = 1.0 - mr[i];
    ln_as[i] = std::log(ratio[i]);
    log_as[i] = std::log10(ratio[i]);
    integ[i] = poly_integral(o.fit.c, o.root_m[i]);
    lng[i] = ln_g(o, i);
    logg[i] = lng[i] / std::log(10.0);
    g[i] = std::exp(lng[i]);
  }

  // Other fits of the integrand, and the trapezoid rule over the points.
  const Osmotic cubic = osmotic(m, r, degree - 1), quintic = osmotic(m, r, degree + 1);
  const std::vector<double> trapezoid = trapezoid_g(o);
  for (std::size_t i = 0; i < n; ++i) {
    sheet.add(Result{
        .key = "as(" + molality_label(m[i]) + ")",
        .name = "activity of the water at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = 1.0 - m[i] * r_law[i],
        .value = ratio[i],
        .uncertainty = analysis::not_a_number,
        .method = "as = p/po = 1 - mR",
        .absolute = sheet.policy.relative * std::fabs(mr[i]),
        .relative = false,
        .nulls = {{"the solute left out: as = 1", 1.0}},
    });
  }
  for (std::size_t i = 0; i < n; ++i) {
    sheet.add(Result{
        .key = "phi(" + molality_label(m[i]) + ")",
        .name = "osmotic coefficient at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = t.phi[i],
        .value = o.phi[i],
        .uncertainty = analysis::not_a_number,
        .method = "phi = -ln(as)/(2 m M1), M1 = 0.018015 kg/mol",
        .absolute = phi_tolerance,
        .relative = false,
        .routes = {{"M1 = 0.018 kg/mol", osmotic_coefficient(m[i], r[i], 0.018)}},
        .nulls = {{"ideal solution: phi = 1", 1.0}},
    });
  }
  for (std::size_t i = 0; i < n; ++i) {
    // ln g is linear in the fit's coefficients: its uncertainty is theirs.
    const double x = o.root_m[i];
    const auto integral = [x](std::span<const double> cf) { return 2.0 * poly_integral(cf, x); };
    const analysis::Estimate u = analysis::propagate(integral, o.fit.c, o.fit.cov);
    sheet.add(Result{
        .key = "g(" + molality_label(m[i]) + ")",
        .name = "mean activity coefficient of MX at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = std::exp(ln_g(t, i)),
        .value = g[i],
        .uncertainty = g[i] * u.u,
        .method = "ln g = (phi - 1) + 2 * integral of the quartic fit of (phi-1)/m^0.5 from m^0.5 = 0",
        .bias = "the law's phi does not reach 1 at m -> 0; true value: the same quartic through the law's R",
        .routes = {{"a cubic fit of (phi-1)/m^0.5", std::exp(ln_g(cubic, i))},
                   {"a quintic fit of (phi-1)/m^0.5", std::exp(ln_g(quintic, i))},
                   {"trapezoid rule, extrapolated linearly to m = 0", trapezoid[i]}},
        .nulls = {{"no activity correction: g = 1", 1.0},
                  {"the integral left out: ln g = phi - 1", std::exp(o.phi[i] - 1.0)},
                  {"the Debye-Hueckel limiting law", std::pow(10.0, -a_dh * x)}},
    });
  }

  // The workings, one row per molality, as the heading names the columns.
  std::vector<Column> cols{{"m", "mol/kg", m},
                           {"sqrt(m)", "(mol/kg)^1/2", o.root_m},
                           {"R", "kg/mol", r},
                           {"mR", "", mr},
                           {"p/po", "", ratio},
                           {"log(as)", "", log_as},
                           {"ln(as)", "", ln_as},
                           {"phi", "", o.phi},
                           {"phi-1", "", {}},
                           {"(phi-1)/m^0.5", "(kg/mol)^1/2", o.y},
                           {"integ\\m^0.5", "", integ},
                           {"ln(g)", "", lng},
                           {"log(g)", "", logg},
                           {"g", "", g},
                           {"log(g),DH", "", {}},
                           {"g,DH", "", {}},
                           {"log(g),extDH", "", {}},
                           {"g,extDH", "", {}},
                           {"log(g),DAV", "", {}},
                           {"g,DAV", "", {}}};
  for (std::size_t i = 0; i < n; ++i) {
    const double root_i = o.root_m[i];  // I = m for a 1:1 electrolyte
    const double dh = -a_dh * root_i;
    const double ext = -a_dh * root_i / (1.0 + root_i);
    const double dav = -a_dh * (root_i / (1.0 + root_i) - davies_coefficient * m[i]);
    cols[8].values.push_back(o.phi[i] - 1.0);
    for (std::size_t k = 0; k < 3; ++k) {
      const double lg = k == 0 ? dh : k == 1 ? ext : dav;
      cols[14 + 2 * k].values.push_back(lg);
      cols[15 + 2 * k].values.push_back(std::pow(10.0, lg));
    }
  }
  sheet.add(analysis::Workings{.title = "Osmotic and activity coefficients", .columns = std::move(cols)});

  // The linest block: the quartic's coefficients in the order of its heading.
  std::vector<Column> fit_cols;
  const char* headings[] = {"m^2", "m^1.5", "m", "m^0.5", "const"};
  for (std::size_t k = 0; k <= degree; ++k) {
    const std::size_t power = degree - k;
    fit_cols.push_back(Column{headings[k], "", {o.fit.c[power], o.fit.se(power)}});
  }
  sheet.add(analysis::Workings{.title = "linest of (phi-1)/m^0.5 against m^0.5 (coefficient, standard error)",
                               .columns = std::move(fit_cols)});

  sheet.notes.push_back(
      "R = (po - p)/(po m): as = p/po = 1 - mR; phi = -ln(as)/(2 m M1) with M1 = 0.018015 kg/mol; "
      "ln g = (phi - 1) + 2 * integral of the quartic fit of (phi - 1)/m^0.5 against m^0.5 from 0, "
      "integrated term by term.");
  sheet.notes.push_back(
      "Debye-Hueckel log g = -A m^0.5; extended log g = -A m^0.5/(1 + m^0.5); Davies "
      "log g = -A (m^0.5/(1 + m^0.5) - 0.3 m), I = m for MX.");
  sheet.notes.push_back(
      "True values from the law R = a m + b m^0.5 + c. The law's phi tends to c/(2 M1), not 1, as m -> 0, "
      "so the integral from zero exists only for the fitted quartic: the true g is the same quartic fit "
      "and integral made from the law's exact R at the ten molalities. It estimates what the data set "
      "holds, not a Debye-Hueckel limit the law does not have.");
}


// The same worksheet as spreadsheet formulas over the Data sheet: every
// column of the data set's heading, the quartic by LINEST in the data set's
// own linest block (coefficients from m^2 down to the constant, standard
// errors under them), and the integral by Horner's scheme.
void workbook(const analysis::Case& cs, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::data_range;
  using analysis::on_solution;
  const auto& data = cs.data();
  const std::size_t fixed = data.find("MX,");
  const std::size_t heading = data.find("m,sqrt(m),R,");
  const auto rows = data.numeric_rows(heading + 1);
  const std::size_t n = rows.size();
  const std::vector<double> m = data.column(rows, 0), r = data.column(rows, 2);
  const Osmotic o = osmotic(m, r);
  const auto& work = sheet.workings.at(0).columns;  // in the order of the heading
  const std::string a_dh = data_cell(fixed, 9);

  const auto column = [&](const std::string& title, const std::string& unit, const std::vector<double>& values,
                          const std::function<std::string(std::size_t)>& formula) {
    std::vector<std::string> fs;
    for (std::size_t i = 0; i < n; ++i) fs.push_back(formula(i));
    return ws.column(title, unit, rows, fs, values);
  };
  const auto m_cell = [&](std::size_t i) { return data_cell(rows[i], 0); };

  const ColumnRef root =
      column("sqrt(m)", "(mol/kg)^1/2", o.root_m, [&](std::size_t i) { return "SQRT(" + m_cell(i) + ")"; });
  const ColumnRef mr = column("mR", "", work[3].values,
                              [&](std::size_t i) { return m_cell(i) + "*" + data_cell(rows[i], 2); });
  const ColumnRef ratio = column("p/po = as", "", work[4].values, [&](std::size_t i) { return "1-" + mr.cells[i]; });
  column("log(as)", "", work[5].values, [&](std::size_t i) { return "LOG10(" + ratio.cells[i] + ")"; });
  const ColumnRef ln_as =
      column("ln(as)", "", work[6].values, [&](std::size_t i) { return "LN(" + ratio.cells[i] + ")"; });
  const ColumnRef phi = column("phi = -ln(as)/(2 m M1)", "", o.phi, [&](std::size_t i) {
    return "-" + ln_as.cells[i] + "/(2*" + m_cell(i) + "*0.018015)";
  });
  const ColumnRef phi1 = column("phi-1", "", work[8].values, [&](std::size_t i) { return phi.cells[i] + "-1"; });
  const ColumnRef y = column("(phi-1)/m^0.5", "(kg/mol)^1/2", o.y,
                             [&](std::size_t i) { return phi1.cells[i] + "/" + root.cells[i]; });

  // Powers of m^0.5 side by side, lowest first, so that LINEST's first row
  // reads m^2, m^1.5, m, m^0.5, const as the data set's linest block does.
  std::vector<ColumnRef> powers{column("m^0.5", "", o.root_m, [&](std::size_t i) { return root.cells[i]; })};
  const char* power_names[] = {"m", "m^1.5", "m^2"};
  for (std::size_t k = 2; k <= degree; ++k) {
    std::vector<double> xk(n);
    for (std::size_t i = 0; i < n; ++i) xk[i] = std::pow(o.root_m[i], static_cast<double>(k));
    powers.push_back(column(power_names[k - 2], "", xk, [&](std::size_t i) {
      return root.cells[i] + "^" + std::to_string(k);
    }));
  }
  const std::string law =
      "LINEST(" + y.range + "," + powers.front().cells.front() + ":" + powers.back().cells.back() + ",TRUE,TRUE)";
  const std::size_t block = data.find("m^2,m^1.5,m,m^0.5,const", heading);
  const std::vector<std::size_t> block_rows{block + 1, block + 2};
  const char* block_names[] = {"m^2", "m^1.5", "m", "m^0.5", "const"};
  std::vector<std::string> coef(degree + 1);  // coef[k]: of (m^0.5)^k
  for (std::size_t j = 0; j <= degree; ++j) {
    const std::size_t power = degree - j;
    const std::string at = std::to_string(j + 1);
    const ColumnRef c = ws.column(block_names[j], "", block_rows,
                                  {"INDEX(" + law + ",1," + at + ")", "INDEX(" + law + ",2," + at + ")"},
                                  {o.fit.c[power], o.fit.se(power)});
    coef[power] = c.cells.front();
  }

  const ColumnRef integ = column("integ\\m^0.5", "", work[10].values, [&](std::size_t i) {
    std::string f = coef[degree] + "/" + std::to_string(degree + 1);
    for (std::size_t k = degree; k-- > 0;)
      f = coef[k] + "/" + std::to_string(k + 1) + "+" + root.cells[i] + "*(" + f + ")";
    return root.cells[i] + "*(" + f + ")";
  });
  const ColumnRef lng = column("ln(g)", "", work[11].values,
                               [&](std::size_t i) { return phi1.cells[i] + "+2*" + integ.cells[i]; });
  column("log(g)", "", work[12].values, [&](std::size_t i) { return lng.cells[i] + "/LN(10)"; });
  const ColumnRef g = column("g", "", work[13].values, [&](std::size_t i) { return "EXP(" + lng.cells[i] + ")"; });

  // The three estimates, I = m for a 1:1 electrolyte.
  const std::string estimate_names[] = {"DH", "extDH", "DAV"};
  std::vector<ColumnRef> estimates;
  for (std::size_t k = 0; k < 3; ++k) {
    const ColumnRef lg = column("log(g)," + estimate_names[k], "", work[14 + 2 * k].values, [&](std::size_t i) {
      const std::string& x = root.cells[i];
      if (k == 0) return "-" + a_dh + "*" + x;
      if (k == 1) return "-" + a_dh + "*" + x + "/(1+" + x + ")";
      return "-" + a_dh + "*(" + x + "/(1+" + x + ")-0.3*" + m_cell(i) + ")";
    });
    estimates.push_back(column("g," + estimate_names[k], "", work[15 + 2 * k].values,
                               [&](std::size_t i) { return "10^" + lg.cells[i]; }));
  }

  for (std::size_t i = 0; i < n; ++i) {
    const std::string label = molality_label(m[i]);
    ws.result("as(" + label + ")", ratio.cells[i]);
    ws.result("phi(" + label + ")", phi.cells[i]);
    ws.result("g(" + label + ")", g.cells[i]);
  }

  // The fitted quartic from m^0.5 = 0 (on the heading's record) through the rows.
  std::vector<std::size_t> curve_rows{heading};
  curve_rows.insert(curve_rows.end(), rows.begin(), rows.end());
  std::vector<double> cx{0.0}, cy;
  for (const double x : o.root_m) cx.push_back(x);
  for (const double x : cx) cy.push_back(o.fit.at(x));
  std::vector<std::string> fx{"0"}, fy;
  for (std::size_t i = 0; i < n; ++i) fx.push_back(root.cells[i]);
  const ColumnRef curve_x = ws.column("m^0.5 for the curve", "(mol/kg)^1/2", curve_rows, fx, cx);
  for (const std::string& x : curve_x.cells) {
    std::string f = coef[degree];
    for (std::size_t k = degree; k-- > 0;) f = coef[k] + "+" + x + "*(" + f + ")";
    fy.push_back(f);
  }
  const ColumnRef curve_y = ws.column("quartic fit of (phi-1)/m^0.5", "(kg/mol)^1/2", curve_rows, fy, cy);

  ws.note("LINEST lists its coefficients from the last x column (m^2) to the first (m^0.5), then the constant, "
          "as the data set's linest block; the integral from 0 to m^0.5 = x is "
          "x(c0 + x(c1/2 + x(c2/3 + x(c3/4 + x c4/5)))).");
  ws.chart("Osmotic coefficient: (phi-1)/m^0.5 against m^0.5", "m^0.5 ((mol/kg)^1/2)", "(phi-1)/m^0.5 ((kg/mol)^1/2)",
           {{.name = "from the vapor pressures", .x_range = on_solution(root.range), .y_range = on_solution(y.range)},
            {.name = "quartic fit", .x_range = on_solution(curve_x.range), .y_range = on_solution(curve_y.range),
             .markers = false, .line = true, .colour = 0}});
  std::vector<analysis::SolutionSheet::Series> g_chart{
      {.name = "g from the vapor pressures", .x_range = data_range(rows.front(), rows.back(), 0),
       .y_range = on_solution(g.range)}};
  const std::string estimate_titles[] = {"Debye-Hueckel", "extended Debye-Hueckel", "Davies"};
  for (std::size_t k = 0; k < 3; ++k)
    g_chart.push_back({.name = estimate_titles[k], .x_range = data_range(rows.front(), rows.back(), 0),
                       .y_range = on_solution(estimates[k].range), .markers = false, .line = true});
  ws.chart("Mean activity coefficient g against m", "m (mol/kg)", "g", g_chart);
}

const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout h{
        .task = "The vapor pressure of water over solutions of a 1:1 electrolyte MX was measured at 25.0 °C at ten "
                "molalities. From it find, at each molality, the activity of the water, the osmotic coefficient "
                "and the mean activity coefficient of MX (Gibbs-Duhem), and compare the last with the "
                "Debye-Hueckel, extended Debye-Hueckel and Davies estimates.",
        .data = "After the prologue (project, your name, your seeds) come the record `MX,,,,T(C) =,25.0,,,A(DH) = "
                ",0.511,,,ln(10) =,2.302585093`, the heading `m,sqrt(m),R,mR,p/po,...` of the table to fill in, "
                "and ten rows:\n\n"
                "| column | quantity | unit |\n|---|---|---|\n"
                "| `m` | molality of MX, 0.1 to 4.0 | mol/kg |\n"
                "| `sqrt(m)` | empty, for you | (mol/kg)^1/2 |\n"
                "| `R` | the relative lowering of the vapor pressure per molality, R = (po − p)/(po·m) | kg/mol |\n\n"
                "Then a block headed `linest` and `m^2,m^1.5,m,m^0.5,const` for the coefficients of your fit.",
        .constants = {{.name = "M1, the molar mass of water",
                       .value = water_molar_mass,
                       .unit = "kg/mol",
                       .use = "phi = −ln(as)/(2·m·M1)"},
                      {.name = "the coefficient of I in the Davies equation",
                       .value = davies_coefficient,
                       .unit = "kg/mol",
                       .use = "log g = −A(m^0.5/(1 + m^0.5) − 0.3·m), I = m for MX"}},
        .conventions = {"as = p/po = 1 − mR, the vapor taken as ideal; MX gives 2 ions, I = m.",
                        "ln is the natural logarithm, log the decadic one.",
                        "as is graded on its lowering 1 − as (to 2 % of it), phi to ±0.002."},
    };
    const char* molalities[] = {"0.1", "0.2", "0.3", "0.5", "0.7", "1", "1.5", "2", "3", "4"};
    for (const char* m : molalities)
      h.results.push_back({.key = std::string("as(") + m + ")",
                           .name = std::string("activity of the water at m = ") + m + " mol/kg"});
    for (const char* m : molalities)
      h.results.push_back({.key = std::string("phi(") + m + ")",
                           .name = std::string("osmotic coefficient at m = ") + m + " mol/kg"});
    for (const char* m : molalities)
      h.results.push_back({.key = std::string("g(") + m + ")",
                           .name = std::string("mean activity coefficient of MX at m = ") + m + " mol/kg",
                           .method = "ln g = (phi − 1) + 2·∫ (phi − 1)/m^0.5 d(m^0.5) from 0: fit (phi − 1)/m^0.5 "
                                     "against m^0.5 by a quartic (the linest block) and integrate it term by term"});
    return h;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis vapor_activity_gen_answers{
    .program = "vapor_activity_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
