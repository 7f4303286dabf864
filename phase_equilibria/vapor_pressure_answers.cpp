// Answer sheet of vapor_pressure_gen: boiling temperatures at a series of
// pressures, read as a student's spreadsheet reads them.
//
// The worksheet: columns 1/T and ln P; the straight line ln P = A + S/T by
// least squares (Clausius-Clapeyron), whose slope gives the enthalpy of
// vaporization, ΔHvap = −R·S, and whose value at ln 101325 gives the normal
// boiling point; then the Antoine law ln P = a − b/(T + c) fitted to the
// same points by nonlinear least squares in ln P, which gives the
// constants of the vapor-pressure law.
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
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using namespace analysis;

constexpr double gas_constant = 8.314462618;  // J/(mol K), exact since the 2019 SI
constexpr double standard_pressure = 101325.0;  // Pa, one atmosphere

void analyse(const Case& cs, AnswerSheet& sheet) {
  const DataSet& data = cs.data();
  const std::size_t heading = data.find("T(K),P(Pa)");
  const std::vector<std::size_t> rows = data.numeric_rows(heading + 1);
  if (rows.size() < 4) throw AnalysisError("vapor_pressure_gen: fewer than 4 rows after T(K),P(Pa)");
  const std::vector<double> t = data.column(rows, 0);
  const std::vector<double> p = data.column(rows, 1);
  std::vector<double> inv_t(t.size()), ln_p(p.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] <= 0.0 || p[i] <= 0.0)
      throw AnalysisError("vapor_pressure_gen: record " + std::to_string(rows[i] + 1) +
                          " holds a temperature or pressure that is not positive");
    inv_t[i] = 1.0 / t[i];
    ln_p[i] = std::log(p[i]);
  }

  const double a = cs.hidden("a"), b = cs.hidden("b"), c = cs.hidden("c");
  const std::string npts = std::to_string(t.size());

  // Clausius-Clapeyron line.
  const LineFit line = fit_line(inv_t, ln_p);
  const double t_star = 1.0 / (std::accumulate(inv_t.begin(), inv_t.end(), 0.0) / static_cast<double>(t.size()));
  sheet.add(Result{
      .key = "dHvap",
      .name = "enthalpy of vaporization",
      .unit = "J/mol",
      .true_value = gas_constant * b * t_star * t_star / ((t_star + c) * (t_star + c)),
      .value = -gas_constant * line.slope,
      .uncertainty = gas_constant * line.se_slope,
      .method = "−R × slope of ln P against 1/T, least squares over " + npts + " points",
      .bias = "the points lie on an Antoine curve, not a line: the true value is the curve's R·b·T²/(T + c)² "
              "at T* = 1/mean(1/T), where the chord's slope matches the curve's; the line is off by about 1 %",
  });

  const double ln_p0 = std::log(standard_pressure);
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
      .bias = "read from the straight line, which departs slightly from the Antoine curve",
  });

  // Antoine law by nonlinear least squares in ln P, started from the line
  // (c = 0).
  const Model antoine = [](double tk, std::span<const double> q) { return q[0] - q[1] / (tk + q[2]); };
  const std::vector<double> start{line.intercept, -line.slope, 0.0};
  const CurveFit fit = fit_curve(antoine, t, ln_p, start);
  sheet.add(Result{.key = "a",
                   .name = "Antoine constant a (ln P in Pa)",
                   .true_value = a,
                   .value = fit.p[0],
                   .uncertainty = fit.se(0),
                   .method = "ln P = a − b/(T + c), nonlinear least squares in ln P"});
  sheet.add(Result{.key = "b",
                   .name = "Antoine constant b",
                   .unit = "K",
                   .true_value = b,
                   .value = fit.p[1],
                   .uncertainty = fit.se(1),
                   .method = "the same fit"});
  sheet.add(Result{.key = "c",
                   .name = "Antoine constant c",
                   .unit = "K",
                   .true_value = c,
                   .value = fit.p[2],
                   .uncertainty = fit.se(2),
                   .method = "the same fit"});

  sheet.notes.push_back("R = 8.314462618 J/(mol K); ln is the natural logarithm of P in Pa; T* = 1/mean(1/T) = " +
                        std::to_string(t_star) + " K.");
  sheet.notes.push_back("Each temperature is the exact boiling temperature at its pressure, rounded to 0.01 K: "
                        "the scatter of the pressures moves the points along the curve, not off it, so the "
                        "Antoine fit recovers a, b, c closely.");

  sheet.add(Workings{.title = "ln P against 1/T",
                     .columns = {{"T", "K", t}, {"P", "Pa", p}, {"1/T", "1/K", inv_t}, {"ln P", "", ln_p}}});
}

}  // namespace

extern const analysis::Analysis vapor_pressure_gen_answers{
    .program = "vapor_pressure_gen",
    .analyse = analyse,
};
