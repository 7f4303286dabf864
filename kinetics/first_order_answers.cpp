// Answer sheet of first_order_gen: the decomposition of N2O5 followed by
// the total pressure, at five temperatures.
//
// Stoichiometry. N2O5 → N2O4 + ½ O2, and the N2O4 formed dissociates,
// N2O4 ⇌ 2 NO2 with Kp = p(NO2)²/p(N2O4). With p0 the initial N2O5
// pressure, x the N2O5 decomposed and β the dissociated fraction of the
// N2O4 formed:
//   N2O5 p0 − x,  O2 x/2,  N2O4 x(1 − β),  NO2 2xβ,
//   Ptot = p0 + x(½ + β),   Kp = 4xβ²/(1 − β).
// At the end x = p0 and Ptot = Pf, so 4·Pf·βf² = Kp(1 − βf)(3/2 + βf), a
// quadratic in βf, and p0 = Pf/(3/2 + βf). At time t, with D = Ptot − p0,
// eliminating x gives (4D + Kp)β² − (Kp/2)β − Kp/2 = 0; then x = D/(½ + β)
// and the N2O5 remaining is p0 − x.
//
// The worksheet: for each temperature, ln(p/p0) against t, a line through
// the origin whose slope is −k. Rows whose N2O5 remaining has fallen below
// 2 % of p0 are left out: there the pressures' rounding to 0.1 is a large
// part of what remains (a careful student stops where the points scatter).
// Then ln k against 1/T (T = t/°C + 273.15) by least squares: the
// activation energy is −R × slope, the pre-exponential factor e^intercept
// (per minute, as k).
//
// True values: the hidden krate(i), and Ea = −R·f, A = e^g of the hidden
// law ln k = g + f/T. The model converts °C to K by adding 273.0, the
// student 273.15: the Arrhenius line of the student's temperatures has a
// slightly different slope and intercept: Ea comes out about 0.1 % high,
// A about 1.9 % high (ln A moves by 0.15·|f|/T², T near 317 K). On top of
// that the extrapolation of ln k to 1/T = 0 magnifies the rounding of the
// rate constants about 15-fold, which alone scatters A by about 0.7 %
// (2 % at the 99th percentile). So A's tolerance has a floor of 5 %: it
// passes a student who converts with 273.15 as well as one who uses 273.0.
#include <cmath>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using namespace analysis;

constexpr double gas_constant = 8.314462618;  // J/(mol K)
constexpr double kelvin_offset = 273.15;
constexpr double cutoff = 0.02;  // least fraction of the N2O5 kept in a fit

// The positive root of a·β² + b·β + c = 0 with a > 0 and c < 0, written so
// that no digits cancel.
double positive_root(double a, double b, double c) { return 2.0 * -c / (b + std::sqrt(b * b - 4.0 * a * c)); }

struct Run {
  double celsius = 0, kp = 0, pf = 0;
  std::vector<double> t, ptot;
};

std::vector<Run> read_runs(const DataSet& data) {
  std::vector<Run> runs;
  std::size_t from = 0;
  while (const auto head = data.find_optional("\"temp = \"", from)) {
    Run run;
    run.celsius = data.value(*head, 1);
    const std::size_t kp = data.find("\" Kp = \"", *head);
    run.kp = data.value(kp, 1);
    const std::size_t pf = data.find("\"final pressure = \"", kp);
    run.pf = data.value(pf, 1);
    const std::size_t heading = data.find("time(min)", pf);
    const std::vector<std::size_t> rows = data.numeric_rows(heading + 1);
    run.t = data.column(rows, 0);
    run.ptot = data.column(rows, 1);
    runs.push_back(std::move(run));
    from = heading + 1;
  }
  return runs;
}

void analyse(const Case& cs, AnswerSheet& sheet) {
  const std::vector<Run> runs = read_runs(cs.data());
  if (runs.size() != 5)
    throw AnalysisError("first_order_gen: " + std::to_string(runs.size()) + " temperatures, not 5");

  std::vector<double> inv_t, ln_k, k_values;
  std::vector<Workings> tables;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const Run& run = runs[i];
    const int index = static_cast<int>(i) + 1;
    if (run.kp <= 0.0 || run.pf <= 0.0)
      throw AnalysisError("first_order_gen: Kp and the final pressure must be positive");
    const double beta_f = positive_root(4.0 * run.pf + run.kp, run.kp / 2.0, -1.5 * run.kp);
    const double p0 = run.pf / (1.5 + beta_f);

    const std::size_t n = run.t.size();
    std::vector<double> beta(n), p(n), ln_ratio(n), used(n);
    std::vector<double> fit_t, fit_y;
    for (std::size_t r = 0; r < n; ++r) {
      const double d = run.ptot[r] - p0;
      beta[r] = d > 0.0 ? positive_root(4.0 * d + run.kp, -run.kp / 2.0, -run.kp / 2.0) : 1.0;
      p[r] = d > 0.0 ? p0 - d / (0.5 + beta[r]) : p0;
      ln_ratio[r] = p[r] > 0.0 ? std::log(p[r] / p0) : not_a_number;
      used[r] = p[r] >= cutoff * p0 ? 1.0 : 0.0;
      if (used[r] == 1.0) {
        fit_t.push_back(run.t[r]);
        fit_y.push_back(ln_ratio[r]);
      }
    }
    if (fit_t.size() < 2)
      throw AnalysisError("first_order_gen: fewer than 2 rows above 2 % of the N2O5 at " +
                          std::to_string(run.celsius) + " °C");
    const LineFit line = fit_line_through_origin(fit_t, fit_y);
    const double k = -line.slope;
    sheet.add(Result{
        .key = "k(" + std::to_string(index) + ")",
        .name = "rate constant at " + std::to_string(static_cast<int>(std::lround(run.celsius))) + " °C",
        .unit = "1/min",
        .true_value = cs.hidden("krate", index),
        .value = k,
        .uncertainty = line.se_slope,
        .method = "−slope of ln(p/p0) against t through the origin, " + std::to_string(fit_t.size()) + " of " +
                  std::to_string(n) + " rows (N2O5 above 2 % of p0)",
    });
    inv_t.push_back(1.0 / (run.celsius + kelvin_offset));
    ln_k.push_back(std::log(k));
    k_values.push_back(k);
    tables.push_back(Workings{
        .title = "N2O5 remaining at " + std::to_string(static_cast<int>(std::lround(run.celsius))) +
                 " °C (p0 = " + std::to_string(p0) + ", beta at the end = " + std::to_string(beta_f) + ")",
        .columns = {{"time", "min", run.t},
                    {"Ptot", "", run.ptot},
                    {"beta", "", beta},
                    {"p(N2O5)", "", p},
                    {"ln(p/p0)", "", ln_ratio},
                    {"in fit", "", used}}});
  }

  const LineFit arrhenius = fit_line(inv_t, ln_k);
  const double f = cs.hidden("f"), g = cs.hidden("g");
  const char* bias = "the model converts °C to K by adding 273.0, the analysis (as a student) 273.15";
  sheet.add(Result{
      .key = "Ea",
      .name = "activation energy",
      .unit = "J/mol",
      .true_value = -gas_constant * f,
      .value = -gas_constant * arrhenius.slope,
      .uncertainty = gas_constant * arrhenius.se_slope,
      .method = "−R × slope of ln k against 1/T, least squares over the 5 temperatures",
      .bias = bias,
  });
  sheet.add(Result{
      .key = "A",
      .name = "pre-exponential factor",
      .unit = "1/min",
      .true_value = std::exp(g),
      .value = std::exp(arrhenius.intercept),
      .uncertainty = std::exp(arrhenius.intercept) * arrhenius.se_intercept,
      .method = "e^intercept of the same line",
      .bias = std::string(bias) + "; A is about 1.9 % high from that alone, and its tolerance is at least 5 %",
      .least_relative = 0.05,
  });

  sheet.notes.push_back("Pressures in the file's unit (Kp in the same unit); time in minutes; R = 8.314462618 "
                        "J/(mol K); T = t/°C + 273.15.");
  sheet.notes.push_back("p0 = Pf/(3/2 + βf) with βf from 4·Pf·βf² = Kp(1 − βf)(3/2 + βf); at each time "
                        "(4D + Kp)β² − (Kp/2)β − Kp/2 = 0 with D = Ptot − p0, and p(N2O5) = p0 − D/(1/2 + β).");
  for (auto& w : tables) sheet.add(std::move(w));
  std::vector<double> kelvin;
  for (double u : inv_t) kelvin.push_back(1.0 / u);
  sheet.add(Workings{.title = "Arrhenius plot",
                     .columns = {{"T", "K", kelvin}, {"1/T", "1/K", inv_t}, {"k", "1/min", k_values},
                                 {"ln k", "", ln_k}}});
}

}  // namespace

extern const analysis::Analysis first_order_gen_answers{
    .program = "first_order_gen",
    .analyse = analyse,
};
