// Answer sheet of vapor_pressure_gen: boiling temperatures at a series of
// pressures, read as a student's spreadsheet reads them.
//
// The worksheet: columns 1/T and ln P; the straight line ln P = A + S/T by
// least squares (Clausius-Clapeyron), whose slope gives the enthalpy of
// vaporization, ΔHvap = −R·S, and whose value at ln 101325 gives the normal
// boiling point; then the Antoine law ln P = a − b/(T + c), multiplied out
// into a plane T·ln P = a·T − c·ln P + (a·c − b) that a spreadsheet's
// LINEST fits, which gives the constants of the vapor-pressure law.
//
// True values. The liquid follows the Antoine law with the hidden a, b, c
// (ln P in Pa, T in K), so the enthalpy of vaporization it implies varies
// with temperature: −R·d ln P/d(1/T) = R·b·T²/(T + c)². A straight line
// through points on that curve has the slope of the curve near the centroid
// of its abscissae; the true value is taken there, at T* = 1/mean(1/T).
// The normal boiling point is the Antoine law's temperature at 101325 Pa,
// b/(a − ln 101325) − c. The Antoine constants are the hidden ones.
#include <cmath>
#include <numeric>
#include <span>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

namespace {

using namespace analysis;

constexpr double gas_constant = 8.314462618;  // J/(mol K), exact since the 2019 SI
constexpr double standard_pressure = 101325.0;  // Pa, one atmosphere
// The boiling point is graded to 0.4 K (or three uncertainties), not to a
// share of a temperature in kelvin (2 % would be 8 K): the line of ln P
// against 1/T meets 101325 Pa 0.16 to 0.37 K below the Antoine curve over
// the seed sweep, and the row nearest 101325 Pa lies 0.46 K or more from it.
constexpr double boiling_point_floor = 0.4;  // K

// The enthalpy of vaporization that the Antoine law ln P = a − b/(T + c)
// implies at T: −R·d ln P/d(1/T) = R·b·T²/(T + c)².
double antoine_enthalpy(double b, double c, double t) { return gas_constant * b * t * t / ((t + c) * (t + c)); }

// The Antoine law's temperature at 101325 Pa.
double antoine_boiling_point(double a, double b, double c) { return b / (a - std::log(standard_pressure)) - c; }

// −R × the least-squares slope of y against x over rows [first, last).
double enthalpy_of_rows(const std::vector<double>& x, const std::vector<double>& y, std::size_t first,
                        std::size_t last) {
  const std::span<const double> xs(x.data() + first, last - first), ys(y.data() + first, last - first);
  return -gas_constant * fit_line(xs, ys).slope;
}

// a, b, c by nonlinear least squares from the plane's constants: in ln P
// (ln P = a − b/(T + c), x = T), or in T (T = b/(a − ln P) − c, x = ln P).
// NaN where the iteration does not settle: the route does not apply.
std::vector<double> antoine_fit(bool in_temperature, const std::vector<double>& t, const std::vector<double>& ln_p,
                                const std::vector<double>& start) {
  try {
    if (in_temperature)
      return fit_curve([](double x, std::span<const double> q) { return q[1] / (q[0] - x) - q[2]; }, ln_p, t, start)
          .p;
    return fit_curve([](double x, std::span<const double> q) { return q[0] - q[1] / (x + q[2]); }, t, ln_p, start).p;
  } catch (const AnalysisError&) {
    return {not_a_number, not_a_number, not_a_number};
  }
}

void analyse(const Case& cs, AnswerSheet& sheet) {
  const DataSet& data = cs.data();
  const std::size_t heading = data.find("T(K),P(Pa)");
  const std::vector<std::size_t> rows = data.numeric_rows(heading + 1);
  if (rows.size() < 4) throw AnalysisError("vapor_pressure_gen: fewer than 4 rows after T(K),P(Pa)");
  const std::vector<double> t = data.column(rows, 0);
  const std::vector<double> p = data.column(rows, 1);
  const std::size_t n = t.size();
  std::vector<double> inv_t(n), ln_p(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (t[i] <= 0.0 || p[i] <= 0.0)
      throw AnalysisError("vapor_pressure_gen: record " + std::to_string(rows[i] + 1) +
                          " holds a temperature or pressure that is not positive");
    inv_t[i] = 1.0 / t[i];
    ln_p[i] = std::log(p[i]);
  }

  const double a = cs.hidden("a"), b = cs.hidden("b"), c = cs.hidden("c");
  const std::string npts = std::to_string(n);
  const double ln_p0 = std::log(standard_pressure);

  // Clausius-Clapeyron line.
  const LineFit line = fit_line(inv_t, ln_p);
  const double t_star = 1.0 / (std::accumulate(inv_t.begin(), inv_t.end(), 0.0) / static_cast<double>(n));
  const double t_mean = std::accumulate(t.begin(), t.end(), 0.0) / static_cast<double>(n);

  // Antoine law, made linear for a spreadsheet's LINEST: multiplied out,
  // (T + c)·ln P = a·(T + c) − b reads T·ln P = a·T − c·ln P + (a·c − b),
  // a plane in T and ln P.
  std::vector<double> t_ln_p(n), ones(n, 1.0);
  for (std::size_t i = 0; i < n; ++i) t_ln_p[i] = t[i] * ln_p[i];
  const PolyFit plane = fit_linear({t, ln_p, ones}, t_ln_p);
  const Estimate b_fit = propagate([](std::span<const double> q) { return -q[0] * q[1] - q[2]; }, plane.c, plane.cov);
  const double a_plane = plane.c[0], b_plane = b_fit.value, c_plane = -plane.c[1];
  const std::vector<double> in_ln_p = antoine_fit(false, t, ln_p, {a_plane, b_plane, c_plane});
  const std::vector<double> in_t = antoine_fit(true, t, ln_p, {a_plane, b_plane, c_plane});

  // Other ways with the logarithm: of P in kPa (the slope is the same), and
  // the decimal logarithm with 2.303 for ln 10, or without it.
  std::vector<double> ln_p_kpa(n), log10_p(n);
  for (std::size_t i = 0; i < n; ++i) {
    ln_p_kpa[i] = std::log(p[i] / 1000.0);
    log10_p[i] = std::log10(p[i]);
  }
  const double slope10 = fit_line(inv_t, log10_p).slope;

  sheet.add(Result{
      .key = "dHvap",
      .name = "enthalpy of vaporization",
      .unit = "J/mol",
      .true_value = antoine_enthalpy(b, c, t_star),
      .value = -gas_constant * line.slope,
      .uncertainty = gas_constant * line.se_slope,
      .method = "−R × slope of ln P against 1/T, least squares over " + npts + " points",
      .bias = "the points lie on an Antoine curve, not a line: the true value is the curve's R·b·T²/(T + c)² "
              "at T* = 1/mean(1/T), where the chord's slope matches the curve's; the line is off by about 1 %",
      .routes = {{"ln P of P in kPa", enthalpy_of_rows(inv_t, ln_p_kpa, 0, n)},
                 {"log10 P, ΔH = −2.303·R × slope", -2.303 * gas_constant * slope10},
                 {"the chord through the first and last rows",
                  -gas_constant * (ln_p[n - 1] - ln_p[0]) / (inv_t[n - 1] - inv_t[0])},
                 {"the line without the first row", enthalpy_of_rows(inv_t, ln_p, 1, n)},
                 {"the line without the last row", enthalpy_of_rows(inv_t, ln_p, 0, n - 1)},
                 {"R·b·T²/(T + c)² of the Antoine fit at T* = 1/mean(1/T)", antoine_enthalpy(b_plane, c_plane, t_star)},
                 {"R·b·T²/(T + c)² of the Antoine fit at the mean temperature",
                  antoine_enthalpy(b_plane, c_plane, t_mean)}},
      .nulls = {{"R·b: the Antoine b taken for the slope, c left out", gas_constant * b_plane},
                {"log10 P without the factor ln 10: −R × slope", -gas_constant * slope10}},
  });

  // The boiling point between the two rows around 101325 Pa (the pressures
  // rise row by row), and the row nearest it.
  double between_ln = not_a_number, between_linear = not_a_number;
  for (std::size_t i = 1; i < n; ++i)
    if (p[i - 1] <= standard_pressure && standard_pressure < p[i]) {
      const double x = inv_t[i - 1] + (ln_p0 - ln_p[i - 1]) * (inv_t[i] - inv_t[i - 1]) / (ln_p[i] - ln_p[i - 1]);
      between_ln = 1.0 / x;
      between_linear = t[i - 1] + (standard_pressure - p[i - 1]) * (t[i] - t[i - 1]) / (p[i] - p[i - 1]);
    }
  std::size_t nearest = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (std::fabs(p[i] - standard_pressure) < std::fabs(p[nearest] - standard_pressure)) nearest = i;
  const LineFit upper = fit_line(std::span<const double>(inv_t).subspan(n / 2), std::span<const double>(ln_p).subspan(n / 2));

  const std::vector<double> ab{line.intercept, line.slope};
  const std::vector<double> cov_ab{line.se_intercept * line.se_intercept, line.cov_slope_intercept,
                                   line.cov_slope_intercept, line.se_slope * line.se_slope};
  const Estimate tb =
      propagate([&](std::span<const double> q) { return q[1] / (ln_p0 - q[0]); }, ab, cov_ab);
  sheet.add(Result{
      .key = "Tb",
      .name = "normal boiling point",
      .unit = "K",
      .true_value = b / (a - ln_p0) + -c,
      .value = tb.value,
      .uncertainty = tb.u,
      .method = "1/T where the ln P line reaches ln 101325",
      .bias = "read from the straight line, which meets 101325 Pa 0.16 to 0.37 K below the Antoine curve",
      .absolute = boiling_point_floor,
      .relative = false,
      .routes = {{"the Antoine fit (the T·ln P plane) at 101325 Pa", antoine_boiling_point(a_plane, b_plane, c_plane)},
                 {"the Antoine law by nonlinear least squares at 101325 Pa",
                  antoine_boiling_point(in_ln_p[0], in_ln_p[1], in_ln_p[2])},
                 {"between the rows around 101325 Pa, ln P against 1/T", between_ln},
                 {"between the rows around 101325 Pa, T against P", between_linear},
                 {"the line through the upper half of the rows", upper.slope / (ln_p0 - upper.intercept)}},
      .nulls = {{"the temperature of the row nearest 101325 Pa", t[nearest]}},
  });

  // The Antoine constants; the null answer takes the Clausius-Clapeyron
  // line for the law (c = 0: a its intercept, b minus its slope).
  sheet.add(Result{.key = "a",
                   .name = "Antoine constant a (ln P in Pa)",
                   .true_value = a,
                   .value = a_plane,
                   .uncertainty = plane.se(0),
                   .method = "T·ln P = a·T − c·ln P + (a·c − b), least squares (LINEST) over " + npts + " points",
                   .routes = {{"nonlinear least squares in ln P", in_ln_p[0]},
                              {"nonlinear least squares in T", in_t[0]}},
                   .nulls = {{"c = 0: the Clausius-Clapeyron line taken for the Antoine law", line.intercept}}});
  sheet.add(Result{.key = "b",
                   .name = "Antoine constant b",
                   .unit = "K",
                   .true_value = b,
                   .value = b_plane,
                   .uncertainty = b_fit.u,
                   .method = "a·c minus the constant of the same fit",
                   .routes = {{"nonlinear least squares in ln P", in_ln_p[1]},
                              {"nonlinear least squares in T", in_t[1]}},
                   .nulls = {{"c = 0: the Clausius-Clapeyron line taken for the Antoine law", -line.slope}}});
  sheet.add(Result{.key = "c",
                   .name = "Antoine constant c",
                   .unit = "K",
                   .true_value = c,
                   .value = c_plane,
                   .uncertainty = plane.se(1),
                   .method = "minus the ln P coefficient of the same fit",
                   .routes = {{"nonlinear least squares in ln P", in_ln_p[2]},
                              {"nonlinear least squares in T", in_t[2]}},
                   .nulls = {{"c = 0: the Clausius-Clapeyron line taken for the Antoine law", 0.0}}});

  sheet.notes.push_back("R = 8.314462618 J/(mol K); ln is the natural logarithm of P in Pa; T* = 1/mean(1/T) = " +
                        std::to_string(t_star) + " K.");
  sheet.notes.push_back("Each temperature is the exact boiling temperature at its pressure, rounded to 0.01 K: "
                        "the scatter of the pressures moves the points along the curve, not off it, so the "
                        "Antoine fit recovers a, b, c closely.");

  sheet.add(Workings{.title = "ln P against 1/T",
                     .columns = {{"T", "K", t}, {"P", "Pa", p}, {"1/T", "1/K", inv_t}, {"ln P", "", ln_p}}});
}

// The same worksheet as spreadsheet formulas over the Data sheet.
void workbook(const Case& cs, const AnswerSheet&, SolutionSheet& ws) {
  const DataSet& data = cs.data();
  const std::vector<std::size_t> rows = data.numeric_rows(data.find("T(K),P(Pa)") + 1);
  const std::size_t n = rows.size();
  const std::vector<double> t = data.column(rows, 0), p = data.column(rows, 1);
  std::vector<double> inv_t(n), ln_p(n), t_ln_p(n);
  for (std::size_t i = 0; i < n; ++i) {
    inv_t[i] = 1.0 / t[i];
    ln_p[i] = std::log(p[i]);
    t_ln_p[i] = t[i] * ln_p[i];
  }

  ws.step("The measurements: vapor pressure against boiling temperature");
  ws.chart("Vapor pressure against boiling temperature", "T (K)", "P (Pa)",
           {{.name = "measured", .x_range = data_range(rows.front(), rows.back(), 0),
             .y_range = data_range(rows.front(), rows.back(), 1)}});

  ws.step("Clausius-Clapeyron line: ln P against 1/T");
  const ColumnRef c_t = ws.column("T", "K", rows, [&](std::size_t i) { return data_ref(rows[i], 0); }, t);
  const ColumnRef c_inv_t = ws.column("1/T", "1/K", rows, [&](std::size_t i) { return "1/" + c_t.cells[i]; }, inv_t);
  const ColumnRef c_ln_p =
      ws.column("ln P", "P in Pa", rows, [&](std::size_t i) { return "LN(" + data_ref(rows[i], 1) + ")"; }, ln_p);
  const LineFit line = fit_line(inv_t, ln_p);
  const std::string slope =
      ws.value("slope of ln P against 1/T", "K", "SLOPE(" + c_ln_p.range + "," + c_inv_t.range + ")", line.slope);
  const std::string icpt = ws.value("intercept of ln P against 1/T", "",
                                    "INTERCEPT(" + c_ln_p.range + "," + c_inv_t.range + ")", line.intercept);
  ws.result("dHvap", "-" + ws.constant("R_gas") + "*" + slope);
  ws.result("Tb", slope + "/(LN(" + ws.constant("P_atm") + ")-" + icpt + ")");
  ws.chart("Clausius-Clapeyron line: ln P against 1/T", "1/T (1/K)", "ln P (P in Pa)",
           {{.name = "measured", .x_range = on_solution(c_inv_t.range), .y_range = on_solution(c_ln_p.range),
             .trendline = true}});

  ws.step("Antoine law as a plane: T·ln P = a·T − c·ln P + (a·c − b), by LINEST");
  // T and ln P side by side: the two x columns of the plane.
  const ColumnRef c_t2 = ws.column("T", "K", rows, [&](std::size_t i) { return c_t.cells[i]; }, t);
  const ColumnRef c_ln_p2 = ws.column("ln P", "P in Pa", rows, [&](std::size_t i) { return c_ln_p.cells[i]; }, ln_p);
  const ColumnRef c_prod =
      ws.column("T·ln P", "K", rows, [&](std::size_t i) { return c_t2.cells[i] + "*" + c_ln_p2.cells[i]; }, t_ln_p);
  const std::string plane = "LINEST(" + c_prod.range + "," + c_t2.cells.front() + ":" + c_ln_p2.cells.back() + ")";
  const std::string a = ws.result("a", "INDEX(" + plane + ",1,2)");
  const std::string c = ws.result("c", "-INDEX(" + plane + ",1,1)");
  ws.result("b", a + "*" + c + "-INDEX(" + plane + ",1,3)");
  ws.note("LINEST lists its coefficients from the last x column to the first, then the constant.");
}

const Handout& handout() {
  static const Handout h{
      .task = "The boiling temperature of a liquid was measured at a series of pressures between about 13 kPa "
              "and 104 kPa. From these find the enthalpy of vaporization (Clausius-Clapeyron), the normal "
              "boiling point and the constants of the Antoine law ln P = a − b/(T + c).",
      .data = "After the prologue (project, your name, your seeds) come two separator records, the heading "
              "`T(K),P(Pa)` and one row per pressure, 9 to 12 rows:\n\n"
              "| column | quantity | unit |\n|---|---|---|\n"
              "| `T(K)` | boiling temperature, two decimals | K |\n"
              "| `P(Pa)` | pressure, a whole number followed by a decimal point | Pa |\n",
      .constants = {{.name = "R, the gas constant",
                     .value = gas_constant,
                     .unit = "J/(mol·K)",
                     .use = "turns the slope of ln P against 1/T into the enthalpy of vaporization",
                     .symbol = "R_gas"},
                    {.name = "the standard atmosphere",
                     .value = standard_pressure,
                     .unit = "Pa",
                     .use = "the normal boiling point is the temperature at which the vapor pressure is 101325 Pa",
                     .symbol = "P_atm"}},
      .conventions = {"ln is the natural logarithm; ln P is taken of P in Pa (the Antoine constant a depends on "
                      "it, the slopes do not).",
                      "T in K throughout: the Antoine constants b and c are in K; c is negative, report it "
                      "with its sign."},
      .results = {{.key = "dHvap",
                   .name = "enthalpy of vaporization",
                   .unit = "J/mol",
                   .method = "the mean over the range measured: −R times the slope of the least-squares line of "
                             "ln P against 1/T through every row"},
                  {.key = "Tb", .name = "normal boiling point", .unit = "K"},
                  {.key = "a",
                   .name = "Antoine constant a (ln P in Pa)",
                   .method = "a least-squares fit of the Antoine law to every row (the three constants together)"},
                  {.key = "b", .name = "Antoine constant b", .unit = "K", .method = "the same fit"},
                  {.key = "c", .name = "Antoine constant c", .unit = "K", .method = "the same fit"}},
  };
  return h;
}

}  // namespace

extern const analysis::Analysis vapor_pressure_gen_answers{
    .program = "vapor_pressure_gen",
    .analyse = analyse,
    .workbook = workbook,
    .handout = handout,
};
