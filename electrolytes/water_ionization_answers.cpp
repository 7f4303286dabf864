// Answer sheet of water_ionization_gen: the ionic product of water from the
// EMF difference of the two cells. E_A − E_B less the molality and the
// activity-coefficient terms leaves −(RT/F)·ln Kw plus a deviation that
// vanishes with the ionic strength; a polynomial in I extrapolates it to
// I = 0.
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

namespace {

using analysis::Column;
using analysis::DataSet;
using analysis::Result;
using analysis::Workings;

// Debye-Hueckel limiting law for a 1:1 electrolyte, log10 γ± = −A·√I,
// A in (kg/mol)^½.
constexpr double a_dh = 0.511;
// Degree of the polynomial in I that carries the left side to I = 0.
constexpr std::size_t extrapolation_degree = 4;
// Kw is graded within 1 % of its value: see analyse().
constexpr double kw_tolerance = 0.01;

// The first record at or after `from` whose first cell is a number.
std::size_t first_numeric(const DataSet& data, std::size_t from) {
  for (std::size_t r = from; r < data.size(); ++r)
    if (data.number(r, 0)) return r;
  throw analysis::AnalysisError("no rows after record " + std::to_string(from + 1));
}

void analyse(const analysis::Case& in, analysis::AnswerSheet& sheet) {
  const DataSet& data = in.data();

  // The constants as the file gives them: F (C/mol), T (K), R (J/(K mol)).
  const double faraday = data.value(data.find("F ="), 1);
  const double t = data.value(data.find("T ="), 1);
  const double r = data.value(data.find("R ="), 1);
  const double rtf = r * t / faraday;  // V

  const std::size_t heading = data.find("m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,I,");
  const auto rows = data.numeric_rows(first_numeric(data, heading + 1));
  const std::vector<double> m24 = data.column(rows, 0);
  const std::vector<double> m13 = data.column(rows, 1);
  const std::vector<double> ea = data.column(rows, 3);
  const std::vector<double> eb = data.column(rows, 4);
  const std::size_t n = rows.size();

  std::vector<double> m34(n), diff(n), ionic(n), root_i(n), ln_gamma(n), ms(n), ln_ms(n), rtf_ln_ms(n);
  std::vector<double> ln_gs(n), rtf_ln_gs(n), left(n);
  for (std::size_t i = 0; i < n; ++i) {
    // m3 + m4 is the chloride molality of cell A and, all ions singly
    // charged, the ionic strength.
    m34[i] = m13[i] + m24[i];
    diff[i] = ea[i] - eb[i];
    ionic[i] = m34[i];
    root_i[i] = std::sqrt(ionic[i]);
    ln_gamma[i] = -a_dh * std::log(10.0) * root_i[i];
    // The molality quotient m1·m3·(m3 + m4)/m4 and the activity-coefficient
    // quotient γ², each taken as RT/F times its logarithm.
    ms[i] = m13[i] * m13[i] * m34[i] / m24[i];
    ln_ms[i] = std::log(ms[i]);
    rtf_ln_ms[i] = rtf * ln_ms[i];
    ln_gs[i] = 2.0 * ln_gamma[i];
    rtf_ln_gs[i] = rtf * ln_gs[i];
    left[i] = diff[i] - rtf_ln_ms[i] - rtf_ln_gs[i];
  }

  // At I = 0 the left side is −(RT/F)·ln Kw.
  const analysis::PolyFit fit = analysis::fit_poly(ionic, left, extrapolation_degree);
  const double ln_kw = -fit.c[0] / rtf;
  const double kw = std::exp(ln_kw);
  const double u_kw = kw * fit.se(0) / rtf;

  // Kw from the left side with the Debye-Hueckel coefficient `a` by a
  // polynomial of `degree` in I through the `rows` most dilute rows; NaN
  // when the table has fewer rows than that.
  const auto kw_by = [&](double a, std::size_t degree, std::size_t rows) {
    if (rows > n || degree >= rows) return analysis::not_a_number;
    std::vector<double> x(ionic.begin(), ionic.begin() + static_cast<std::ptrdiff_t>(rows)), y(rows);
    for (std::size_t i = 0; i < rows; ++i) y[i] = diff[i] - rtf_ln_ms[i] + rtf * 2.0 * a * std::log(10.0) * root_i[i];
    return std::exp(-analysis::fit_poly(x, y, degree).c[0] / rtf);
  };
  Result result{.key = "Kw", .name = "ionic product of water", .unit = "mol2/kg2",
                .true_value = in.hidden("kw"), .value = kw, .uncertainty = u_kw,
                .method = "left side against I, least-squares polynomial of degree 4 over " + std::to_string(n) +
                          " rows, at I = 0 equal to -(RT/F) ln Kw"};
  // Every sound extrapolation lands within 0.8 % of the sheet over the seed
  // sweep; leaving out the activity term (34 % to 39 %) or the
  // extrapolation (1.5 % to 5 %) does not.
  result.relative = false;
  result.absolute = kw_tolerance * kw;
  result.routes = {{"polynomial of degree 3 in I over every row", kw_by(a_dh, 3, n)},
                   {"polynomial of degree 5 in I over every row", kw_by(a_dh, 5, n)},
                   {"straight line through the 4 most dilute rows", kw_by(a_dh, 1, 4)},
                   {"straight line through the 8 most dilute rows", kw_by(a_dh, 1, 8)},
                   {"quadratic through the 9 most dilute rows", kw_by(a_dh, 2, 9)},
                   {"A = 0.509, the usual value at 25 C", kw_by(0.509, extrapolation_degree, n)}};
  result.nulls = {{"no activity correction (gamma = 1)", kw_by(0.0, extrapolation_degree, n)},
                  {"no extrapolation: the most dilute row's left side taken for -(RT/F) ln Kw",
                   std::exp(-left[0] / rtf)}};
  sheet.add(std::move(result));

  std::vector<double> fitted(n);
  for (std::size_t i = 0; i < n; ++i) fitted[i] = fit.at(ionic[i]);
  sheet.add(Workings{"E_A - E_B and its terms",
                     {Column{"m2=m4", "mol/kg", m24},
                      Column{"m1=m3", "mol/kg", m13},
                      Column{"m3+m4", "mol/kg", m34},
                      Column{"E_A", "V", ea},
                      Column{"E_B", "V", eb},
                      Column{"E_A-E_B", "V", diff},
                      Column{"I", "mol/kg", ionic},
                      Column{"root(I)", "(mol/kg)^0.5", root_i},
                      Column{"ln(gamma)", "", ln_gamma},
                      Column{"m's", "mol2/kg2", ms},
                      Column{"ln(m's)", "", ln_ms},
                      Column{"RT/F ln(m's)", "V", rtf_ln_ms},
                      Column{"ln(g's)", "", ln_gs},
                      Column{"RT/F ln(g's)", "V", rtf_ln_gs}}});
  sheet.add(Workings{"the equation's left side",
                     {Column{"m2=m4", "mol/kg", m24},
                      Column{"m1=m3", "mol/kg", m13},
                      Column{"m3+m4", "mol/kg", m34},
                      Column{"E_A", "V", ea},
                      Column{"E_B", "V", eb},
                      Column{"E_A-E_B", "V", diff},
                      Column{"RT/F ln(m's)", "V", rtf_ln_ms},
                      Column{"RT/F ln(g's)", "V", rtf_ln_gs},
                      Column{"eqn.left side", "V", left},
                      Column{"left side fitted", "V", fitted}}});

  char rtf_text[32];
  std::snprintf(rtf_text, sizeof rtf_text, "%.7g", rtf);
  sheet.notes.push_back(std::string("RT/F = ") + rtf_text + " V from the file's R, T and F.");
  sheet.notes.push_back(
      "m's = m1*m3*(m3+m4)/m4 with m1 = m3; ln(g's) = 2 ln(gamma), ln(gamma) = -0.511 ln(10) root(I) "
      "(Debye-Hueckel limiting law); left side = (E_A - E_B) - RT/F ln(m's) - RT/F ln(g's).");
  sheet.notes.push_back(
      "The left side curves over I = 0.02 to 3 mol/kg; a polynomial of degree 4 in I follows it over all rows "
      "and its constant term is -(RT/F) ln Kw.");
  sheet.notes.push_back(
      "Tolerance: 1 % of Kw. A = 0.511 (kg/mol)^0.5 at every temperature, as the handout states: the data were "
      "made with it; the A of pure water at the run's own temperature would move Kw by up to 2.4 %.");
}


// The same worksheet as spreadsheet formulas over the Data sheet: the terms
// row by row, the powers of I side by side for LINEST, and the fitted
// polynomial drawn from I = 0 (on the record above the first row) through
// every row.
void workbook(const analysis::Case& in, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::data_ref;
  using analysis::on_solution;
  const DataSet& data = in.data();
  const std::size_t f_at = data.find("F ="), t_at = data.find("T ="), r_at = data.find("R =");
  const double rtf = data.value(r_at, 1) * data.value(t_at, 1) / data.value(f_at, 1);

  const std::size_t heading = data.find("m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,I,");
  const auto rows = data.numeric_rows(first_numeric(data, heading + 1));
  const std::size_t n = rows.size();
  const auto& terms = sheet.workings.at(0).columns;
  const auto& left_table = sheet.workings.at(1).columns;
  const std::vector<double>& ionic = terms.at(6).values;
  const auto per_row = [&](const std::string& title, const std::string& unit, const std::vector<double>& values,
                           const std::function<std::string(std::size_t)>& formula) {
    return ws.column(title, unit, rows, formula, values);
  };

  ws.step("The left side E_A − E_B − RT/F ln(m's) − RT/F ln(g's) of each row");
  const std::string c_rtf =
      ws.value("RT/F, from the data set's R, T and F", "V",
               data_cell(r_at, 1) + "*" + data_cell(t_at, 1) + "/" + data_cell(f_at, 1), rtf);
  // m3 + m4, all ions singly charged, is the ionic strength.
  const ColumnRef c_i = per_row("I = m3 + m4", "mol/kg", ionic,
                                [&](std::size_t i) { return data_ref(rows[i], 1) + "+" + data_ref(rows[i], 0); });
  const ColumnRef c_diff = per_row("E_A − E_B", "V", terms.at(5).values, [&](std::size_t i) {
    return data_ref(rows[i], 3) + "-" + data_ref(rows[i], 4);
  });
  const ColumnRef c_root =
      per_row("√I", "(mol/kg)^0.5", terms.at(7).values, [&](std::size_t i) { return "SQRT(" + c_i.cells[i] + ")"; });
  const std::string a_dh = ws.constant("A_DH");
  const ColumnRef c_ln_gamma = per_row("ln γ = −A ln 10 √I", "", terms.at(8).values,
                                       [&](std::size_t i) { return "-" + a_dh + "*LN(10)*" + c_root.cells[i]; });
  const ColumnRef c_ms = per_row("m's = m1·m3·(m3 + m4)/m4", "mol2/kg2", terms.at(9).values, [&](std::size_t i) {
    return data_ref(rows[i], 1) + "*" + data_ref(rows[i], 1) + "*" + c_i.cells[i] + "/" + data_ref(rows[i], 0);
  });
  const ColumnRef c_rtf_ms = per_row("RT/F ln(m's)", "V", terms.at(11).values,
                                     [&](std::size_t i) { return c_rtf + "*LN(" + c_ms.cells[i] + ")"; });
  const ColumnRef c_rtf_gs = per_row("RT/F ln(g's) = RT/F·2 ln γ", "V", terms.at(13).values,
                                     [&](std::size_t i) { return c_rtf + "*(2*" + c_ln_gamma.cells[i] + ")"; });
  const ColumnRef c_left = per_row("left side", "V", left_table.at(8).values, [&](std::size_t i) {
    return c_diff.cells[i] + "-" + c_rtf_ms.cells[i] + "-" + c_rtf_gs.cells[i];
  });

  ws.step("Extrapolation to I = 0: the left side as a polynomial in I of degree 4 (LINEST)");
  std::vector<ColumnRef> powers{per_row("I", "mol/kg", ionic, [&](std::size_t i) { return c_i.cells[i]; })};
  for (int k = 2; k <= static_cast<int>(extrapolation_degree); ++k) {
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::pow(ionic[i], k);
    powers.push_back(per_row("I^" + std::to_string(k), "", v, [&](std::size_t i) {
      return powers.front().cells[i] + "^" + std::to_string(k);
    }));
  }
  const analysis::PolyFit fit = analysis::fit_poly(ionic, left_table.at(8).values, extrapolation_degree);
  const std::string law =
      "LINEST(" + c_left.range + "," + powers.front().cells.front() + ":" + powers.back().cells.back() + ",TRUE,TRUE)";
  std::vector<std::string> coef;
  for (std::size_t k = 0; k <= extrapolation_degree; ++k)
    coef.push_back(ws.value("coefficient of I^" + std::to_string(k), "V",
                            "INDEX(" + law + ",1," + std::to_string(extrapolation_degree + 1 - k) + ")", fit.c[k]));
  ws.result("Kw", "EXP(-" + coef[0] + "/" + c_rtf + ")");
  ws.note("LINEST lists its coefficients from the last x column (I^4) to the first (I), then the constant; the "
          "constant is the left side at I = 0, −(RT/F) ln Kw.");

  // The polynomial from I = 0 through the rows.
  std::vector<std::size_t> curve_rows{rows.front() - 1};
  curve_rows.insert(curve_rows.end(), rows.begin(), rows.end());
  std::vector<double> x{0.0}, y;
  for (std::size_t i = 0; i < n; ++i) x.push_back(ionic[i]);
  for (const double xi : x) y.push_back(fit.at(xi));
  const ColumnRef c_x = ws.column("I for the curve", "mol/kg", curve_rows, [&](std::size_t i) {
    return i == 0 ? std::string("0") : c_i.cells[i - 1];
  }, x);
  const ColumnRef c_y = ws.column("fitted left side", "V", curve_rows, [&](std::size_t i) {
    std::string p = coef[0];
    for (std::size_t k = 1; k <= extrapolation_degree; ++k)
      p += "+" + coef[k] + "*" + c_x.cells[i] + (k > 1 ? "^" + std::to_string(k) : "");
    return p;
  }, y);
  ws.chart("Left side against I, extrapolated to I = 0", "I (mol/kg)", "E_A − E_B − RT/F ln(m's) − RT/F ln(g's) (V)",
           {{.name = "left side", .x_range = on_solution(c_i.range), .y_range = on_solution(c_left.range)},
            {.name = "polynomial of degree 4", .x_range = on_solution(c_x.range), .y_range = on_solution(c_y.range),
             .markers = false, .line = true}});
  ws.chart("The cells' EMFs against m2 = m4", "m2 = m4 (mol/kg)", "E (V)",
           {{.name = "E_A", .x_range = analysis::data_range(rows.front(), rows.back(), 0),
             .y_range = analysis::data_range(rows.front(), rows.back(), 3)},
            {.name = "E_B", .x_range = analysis::data_range(rows.front(), rows.back(), 0),
             .y_range = analysis::data_range(rows.front(), rows.back(), 4)}});
}

const analysis::Handout& handout() {
  static const analysis::Handout h{
      .task = "Two cells were measured at one temperature, E_A and E_B, with m1 = m3 fixed and m2 = m4 running "
              "through sixteen molalities from 0.005 to 3 mol/kg. E_A − E_B holds the ionic product of water "
              "Kw, a molality term and an activity-coefficient term. Subtract the two terms from E_A − E_B and "
              "extrapolate what is left to zero ionic strength, where it equals −(RT/F)·ln Kw.",
      .data = "After the prologue (project, your name, your seeds) three records give the constants: `F = ` "
              "(C/mol; the file writes J/mol), `T = ` (K) and `R = ` (J/(K·mol)). Then the heading "
              "`m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,I,root(I),ln(gamma),m's,ln(m's),RT/F ln(m's),ln(g's),RT/F "
              "ln(g's),` and sixteen rows:\n\n"
              "| column | quantity | unit |\n|---|---|---|\n"
              "| `m2=m4` | molality m2 = m4, four decimals | mol/kg |\n"
              "| `m1=m3` | molality m1 = m3, four decimals | mol/kg |\n"
              "| `m3+m4` | empty: yours to fill | mol/kg |\n"
              "| `E_A` | EMF of cell A, five decimals | V |\n"
              "| `E_B` | EMF of cell B, five decimals | V |\n\n"
              "The same sixteen rows follow again under the heading of the final equation "
              "(`...,RT/F ln(m's),RT/F ln(g's),eqn.left side,`).\n",
      .constants = {{.name = "A, the Debye-Hückel constant of log10 γ± = −A·√I",
                     .value = a_dh,
                     .unit = "(kg/mol)^½",
                     .use = "ln γ = −A·ln 10·√I; use this value at every temperature of this experiment: "
                            "the cells' activity coefficients were worked out with it",
                     .symbol = "A_DH"}},
      .conventions = {"RT/F from the file's R, T and F.",
                      "The ionic strength I is m3 + m4 (all ions singly charged).",
                      "m's = m1·m3·(m3 + m4)/m4 and ln(g's) = 2·ln γ; the left side is (E_A − E_B) − RT/F·ln(m's) − "
                      "RT/F·ln(g's), and at I = 0 it equals −(RT/F)·ln Kw. ln is the natural logarithm.",
                      "The left side curves with I: extrapolate it in powers of I, not of √I."},
      .results = {{.key = "Kw",
                   .name = "ionic product of water at the run's temperature",
                   .unit = "mol2/kg2",
                   .method = "the left side extrapolated to I = 0 by a least-squares polynomial in I (degree 4 "
                             "follows all sixteen rows; a line or a quadratic will do through the most dilute "
                             "rows)"}},
  };
  return h;
}

}  // namespace

extern const analysis::Analysis water_ionization_gen_answers{.program = "water_ionization_gen",
                                                             .analyse = analyse,
                                                             .workbook = workbook,
                                                             .handout = handout};
