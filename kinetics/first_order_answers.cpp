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
// the origin whose slope is −k (a row at the final pressure has no N2O5
// left, and no logarithm). Rows whose N2O5 remaining has fallen below
// 2 % of p0 are left out: there the pressures' rounding to 0.1 is a large
// part of what remains, and an unweighted line through every row with
// N2O5 left lands up to 10 % off (20 % with an intercept). The handout
// prescribes the cut-off; 5 % or 10 %, or a line with an intercept over the
// same rows, agree with it to 0.3 %. Then ln k against 1/T (T = t/°C +
// 273.15) by least squares: the activation energy is −R × slope, the
// pre-exponential factor e^intercept (per minute, as k).
//
// Pressures are in mmHg (Torr), Kp = p(NO2)²/p(N2O4) in mmHg too (about
// 80 at 25 °C, as for the real equilibrium); the data set does not say so
// and the handout does. k does not depend on the unit.
//
// Grading. The rate constants are fixed by the data to about 0.1 %; the
// point of the equilibrium correction (the N2O4 formed dissociates, so
// Ptot is not linear in the N2O5 decomposed) moves k by 1 to 4 %, less at
// 65 °C where Kp is large and β stays near 1. So k(i) is graded to 1 % (or
// 3 uncertainties), which every valid route meets and a student who leaves
// the equilibrium out (ln(Pf − Ptot) against t) misses.
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
#include "analysis/workbook.hpp"

namespace {

using namespace analysis;

constexpr double gas_constant = 8.314462618;  // J/(mol K)
constexpr double kelvin_offset = 273.15;
constexpr double model_offset = 273.0;  // the generator's own °C to K
constexpr double cutoff = 0.02;         // least fraction of the N2O5 kept in a fit
constexpr double k_tolerance = 0.01;    // k(i) graded to 1 % of itself
constexpr double a_tolerance = 0.05;    // A graded to 5 % at least

// The positive root of a·β² + b·β + c = 0 with a > 0 and c < 0, written so
// that no digits cancel.
double positive_root(double a, double b, double c) { return 2.0 * -c / (b + std::sqrt(b * b - 4.0 * a * c)); }

struct Run {
  double celsius = 0, kp = 0, pf = 0;
  std::vector<double> t, ptot;
  // Records of the data set: the temperature, Kp and final pressure lines
  // (their number in cell 1) and the rows of the table.
  std::size_t head = 0, kp_record = 0, pf_record = 0;
  std::vector<std::size_t> rows;
};

// The N2O5 remaining at each time of a run, and the rows kept in its fit.
struct Remaining {
  double beta_f = 0, p0 = 0;
  std::vector<double> beta, p, ln_ratio, used;
  std::vector<double> fit_t, fit_y;
};

Remaining remaining(const Run& run) {
  if (run.kp <= 0.0 || run.pf <= 0.0)
    throw AnalysisError("first_order_gen: Kp and the final pressure must be positive");
  Remaining w;
  w.beta_f = positive_root(4.0 * run.pf + run.kp, run.kp / 2.0, -1.5 * run.kp);
  w.p0 = run.pf / (1.5 + w.beta_f);
  const std::size_t n = run.t.size();
  w.beta.resize(n);
  w.p.resize(n);
  w.ln_ratio.resize(n);
  w.used.resize(n);
  for (std::size_t r = 0; r < n; ++r) {
    const double d = run.ptot[r] - w.p0;
    w.beta[r] = d > 0.0 ? positive_root(4.0 * d + run.kp, -run.kp / 2.0, -run.kp / 2.0) : 1.0;
    // At the final pressure the N2O5 is gone: p0 − D/(½ + β) would leave
    // only the rounding of two equal numbers' difference.
    w.p[r] = run.ptot[r] >= run.pf ? 0.0 : d > 0.0 ? w.p0 - d / (0.5 + w.beta[r]) : w.p0;
    w.ln_ratio[r] = w.p[r] > 0.0 ? std::log(w.p[r] / w.p0) : not_a_number;
    w.used[r] = w.p[r] >= cutoff * w.p0 ? 1.0 : 0.0;
    if (w.used[r] == 1.0) {
      w.fit_t.push_back(run.t[r]);
      w.fit_y.push_back(w.ln_ratio[r]);
    }
  }
  if (w.fit_t.size() < 2)
    throw AnalysisError("first_order_gen: fewer than 2 rows above 2 % of the N2O5 at " +
                        std::to_string(run.celsius) + " °C");
  return w;
}

// The rows of a run whose N2O5 is still at least `fraction` of p0, as
// times and values of y.
struct Rows {
  std::vector<double> t, y;
};
Rows rows_above(const Run& run, const Remaining& w, double fraction, const std::vector<double>& y) {
  Rows r;
  for (std::size_t i = 0; i < run.t.size(); ++i)
    if (w.p[i] >= fraction * w.p0) r.t.push_back(run.t[i]), r.y.push_back(y[i]);
  return r;
}

// −slope of a line through the origin or with an intercept; NaN with fewer
// than two rows.
double minus_slope(const Rows& r, bool through_origin) {
  if (r.t.size() < 2) return not_a_number;
  return -(through_origin ? fit_line_through_origin(r.t, r.y) : fit_line(r.t, r.y)).slope;
}

// Ea and A of the Arrhenius line of ln k against 1/(t + offset), over
// every temperature or over the first and last alone.
struct Arrhenius {
  double ea = 0, a = 0;
};
Arrhenius arrhenius_of(const std::vector<double>& celsius, const std::vector<double>& k, double offset,
                       bool ends_only) {
  std::vector<double> x, y;
  for (std::size_t i = 0; i < k.size(); ++i)
    if (!ends_only || i == 0 || i + 1 == k.size()) {
      x.push_back(1.0 / (celsius[i] + offset));
      y.push_back(std::log(k[i]));
    }
  const LineFit line = fit_line(x, y);
  return {-gas_constant * line.slope, std::exp(line.intercept)};
}

std::vector<Run> read_runs(const DataSet& data) {
  std::vector<Run> runs;
  std::size_t from = 0;
  while (const auto head = data.find_optional("\"temp = \"", from)) {
    Run run;
    run.head = *head;
    run.celsius = data.value(*head, 1);
    run.kp_record = data.find("\" Kp = \"", *head);
    run.kp = data.value(run.kp_record, 1);
    run.pf_record = data.find("\"final pressure = \"", run.kp_record);
    run.pf = data.value(run.pf_record, 1);
    const std::size_t heading = data.find("time(min)", run.pf_record);
    run.rows = data.numeric_rows(heading + 1);
    run.t = data.column(run.rows, 0);
    run.ptot = data.column(run.rows, 1);
    runs.push_back(std::move(run));
    from = heading + 1;
  }
  return runs;
}

void analyse(const Case& cs, AnswerSheet& sheet) {
  const std::vector<Run> runs = read_runs(cs.data());
  if (runs.size() != 5)
    throw AnalysisError("first_order_gen: " + std::to_string(runs.size()) + " temperatures, not 5");

  std::vector<double> inv_t, ln_k, k_values, celsius;
  std::vector<Workings> tables;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const Run& run = runs[i];
    const int index = static_cast<int>(i) + 1;
    const Remaining w = remaining(run);
    const std::size_t n = run.t.size();
    const LineFit line = fit_line_through_origin(w.fit_t, w.fit_y);
    const double k = -line.slope;
    // The equilibrium left out: Ptot taken as linear in the N2O5
    // decomposed, so that Pf − Ptot falls as the N2O5 does.
    std::vector<double> ln_left(n);
    for (std::size_t r = 0; r < n; ++r)
      ln_left[r] = run.ptot[r] < run.pf ? std::log(run.pf - run.ptot[r]) : not_a_number;
    sheet.add(Result{
        .key = "k(" + std::to_string(index) + ")",
        .name = "rate constant at " + std::to_string(static_cast<int>(std::lround(run.celsius))) + " °C",
        .unit = "1/min",
        .true_value = cs.hidden("krate", index),
        .value = k,
        .uncertainty = line.se_slope,
        .method = "−slope of ln(p/p0) against t through the origin, " + std::to_string(w.fit_t.size()) + " of " +
                  std::to_string(n) + " rows (N2O5 above 2 % of p0)",
        .absolute = k_tolerance * std::fabs(k),
        .relative = false,
        .routes = {{"through the origin, rows above 5 % of p0",
                    minus_slope(rows_above(run, w, 0.05, w.ln_ratio), true)},
                   {"through the origin, rows above 10 % of p0",
                    minus_slope(rows_above(run, w, 0.10, w.ln_ratio), true)},
                   {"with an intercept, rows above 2 % of p0",
                    minus_slope(rows_above(run, w, cutoff, w.ln_ratio), false)}},
        .nulls = {{"the equilibrium left out: ln(Pf − Ptot) against t, the same rows",
                   minus_slope(rows_above(run, w, cutoff, ln_left), false)}},
    });
    celsius.push_back(run.celsius);
    inv_t.push_back(1.0 / (run.celsius + kelvin_offset));
    ln_k.push_back(std::log(k));
    k_values.push_back(k);
    tables.push_back(Workings{
        .title = "N2O5 remaining at " + std::to_string(static_cast<int>(std::lround(run.celsius))) +
                 " °C (p0 = " + std::to_string(w.p0) + ", beta at the end = " + std::to_string(w.beta_f) + ")",
        .columns = {{"time", "min", run.t},
                    {"Ptot", "mmHg", run.ptot},
                    {"beta", "", w.beta},
                    {"p(N2O5)", "mmHg", w.p},
                    {"ln(p/p0)", "", w.ln_ratio},
                    {"in fit", "", w.used}}});
  }

  const LineFit arrhenius = fit_line(inv_t, ln_k);
  const double f = cs.hidden("f"), g = cs.hidden("g");
  const Arrhenius model_kelvin = arrhenius_of(celsius, k_values, model_offset, false);
  const Arrhenius ends = arrhenius_of(celsius, k_values, kelvin_offset, true);
  const Arrhenius in_celsius = arrhenius_of(celsius, k_values, 0.0, false);
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
      .routes = {{"T = t + 273.0", model_kelvin.ea}, {"the lowest and highest temperature alone", ends.ea}},
      .nulls = {{"temperatures in °C", in_celsius.ea}},
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
      .least_relative = a_tolerance,
      .routes = {{"T = t + 273.0", model_kelvin.a}, {"the lowest and highest temperature alone", ends.a}},
      .nulls = {{"temperatures in °C", in_celsius.a}},
  });

  sheet.notes.push_back("Pressures and Kp in mmHg (the handout says so; k does not depend on it); time in minutes; "
                        "R = 8.314462618 J/(mol K); T = t/°C + 273.15.");
  sheet.notes.push_back("k(i) is graded to 1 % or 3 uncertainties: the valid routes agree to 0.3 %, and the "
                        "equilibrium left out moves k by 1 to 4 %. A is graded to 5 % at least (273.0 or 273.15, "
                        "and the extrapolation to 1/T = 0).");
  sheet.notes.push_back("p0 = Pf/(3/2 + βf) with βf from 4·Pf·βf² = Kp(1 − βf)(3/2 + βf); at each time "
                        "(4D + Kp)β² − (Kp/2)β − Kp/2 = 0 with D = Ptot − p0, and p(N2O5) = p0 − D/(1/2 + β).");
  for (auto& w : tables) sheet.add(std::move(w));
  std::vector<double> kelvin;
  for (double u : inv_t) kelvin.push_back(1.0 / u);
  sheet.add(Workings{.title = "Arrhenius plot",
                     .columns = {{"T", "K", kelvin}, {"1/T", "1/K", inv_t}, {"k", "1/min", k_values},
                                 {"ln k", "", ln_k}}});
}


// The same worksheet as spreadsheet formulas over the Data sheet: per
// temperature βf and p0, then on each row of its table β, the N2O5
// remaining and ln(p/p0); the rows kept in the fit repeated in two columns
// (blank where a row is left out), so that the slope through the origin is
// SUMPRODUCT(t, y)/SUMPRODUCT(t, t) over them.
void workbook(const Case& cs, const AnswerSheet&, SolutionSheet& ws) {
  const std::vector<Run> runs = read_runs(cs.data());
  std::vector<std::size_t> heads;
  std::vector<std::string> f_kelvin, f_inv_t, f_ln_k, k_cells;
  std::vector<double> kelvin, inv_t, ln_k;
  std::vector<SolutionSheet::Series> decay, lines;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const Run& run = runs[i];
    const Remaining w = remaining(run);
    const std::string celsius = std::to_string(static_cast<int>(std::lround(run.celsius))) + " °C";
    const std::string kp = data_cell(run.kp_record, 1), pf = data_cell(run.pf_record, 1);
    const std::string beta_f =
        ws.value("βf at " + celsius, "",
                 "3*" + kp + "/(" + kp + "/2+SQRT(" + kp + "^2/4+6*" + kp + "*(4*" + pf + "+" + kp + ")))",
                 w.beta_f);
    const std::string p0 = ws.value("p0 at " + celsius, "", pf + "/(3/2+" + beta_f + ")", w.p0);

    const std::size_t n = run.rows.size();
    std::vector<std::string> f_beta(n), f_p(n), f_ln(n), f_fit_t(n), f_fit_y(n);
    for (std::size_t r = 0; r < n; ++r) {
      const std::string d = "(" + data_cell(run.rows[r], 1) + "-" + p0 + ")";
      f_beta[r] = "IF(" + d + ">0," + kp + "/(-" + kp + "/2+SQRT(" + kp + "^2/4+2*" + kp + "*(4*" + d + "+" + kp +
                  "))),1)";
    }
    const ColumnRef c_beta = ws.column("β at " + celsius, "", run.rows, f_beta, w.beta);
    for (std::size_t r = 0; r < n; ++r) {
      const std::string d = "(" + data_cell(run.rows[r], 1) + "-" + p0 + ")";
      f_p[r] = "IF(" + data_cell(run.rows[r], 1) + ">=" + pf + ",0,IF(" + d + ">0," + p0 + "-" + d + "/(0.5+" +
               c_beta.cells[r] + ")," + p0 + "))";
    }
    const ColumnRef c_p = ws.column("p(N2O5) at " + celsius, "", run.rows, f_p, w.p);
    std::vector<double> fit_t(n, not_a_number), fit_y(n, not_a_number);
    const double k = -fit_line_through_origin(w.fit_t, w.fit_y).slope;
    for (std::size_t r = 0; r < n; ++r) {
      f_ln[r] = "IF(" + c_p.cells[r] + ">0,LN(" + c_p.cells[r] + "/" + p0 + "),NA())";
      if (w.used[r] == 1.0) {
        fit_t[r] = run.t[r];
        fit_y[r] = w.ln_ratio[r];
      }
    }
    const ColumnRef c_ln = ws.column("ln(p/p0) at " + celsius, "", run.rows, f_ln, w.ln_ratio);
    for (std::size_t r = 0; r < n; ++r) {
      const std::string keep = "IF(" + c_p.cells[r] + ">=0.02*" + p0 + ",";
      f_fit_t[r] = keep + data_cell(run.rows[r], 0) + ",\"\")";
      f_fit_y[r] = keep + c_ln.cells[r] + ",\"\")";
    }
    const ColumnRef c_fit_t = ws.column("t in fit at " + celsius, "min", run.rows, f_fit_t, fit_t);
    const ColumnRef c_fit_y = ws.column("ln(p/p0) in fit at " + celsius, "", run.rows, f_fit_y, fit_y);
    const std::string k_cell = ws.result("k(" + std::to_string(i + 1) + ")", "-SUMPRODUCT(" + c_fit_t.range + "," + c_fit_y.range +
                                                                  ")/SUMPRODUCT(" + c_fit_t.range + "," +
                                                                  c_fit_t.range + ")");
    // The fitted line from the origin (on the record of the table's heading)
    // through the rows of the fit, which come first: p falls as Ptot rises.
    std::vector<std::size_t> line_rows{run.rows.front() - 1};
    std::vector<std::string> f_line_t{"0"}, f_line_y;
    std::vector<double> line_t{0.0}, line_y;
    for (std::size_t r = 0; r < n && w.used[r] == 1.0; ++r) {
      line_rows.push_back(run.rows[r]);
      f_line_t.push_back(data_cell(run.rows[r], 0));
      line_t.push_back(run.t[r]);
    }
    const ColumnRef c_line_t = ws.column("t for the line at " + celsius, "min", line_rows, f_line_t, line_t);
    for (std::size_t r = 0; r < line_rows.size(); ++r) {
      f_line_y.push_back("-" + k_cell + "*" + c_line_t.cells[r]);
      line_y.push_back(-k * line_t[r]);
    }
    const ColumnRef c_line_y = ws.column("fitted line at " + celsius, "", line_rows, f_line_y, line_y);

    // The points up to the last that has a logarithm (none is left at the
    // final pressure).
    std::size_t last = n;
    while (last > 0 && !std::isfinite(w.ln_ratio[last - 1])) --last;
    decay.push_back({.name = celsius, .x_range = data_range(run.rows.front(), run.rows[last - 1], 0),
                     .y_range = on_solution(c_ln.cells.front() + ":" + c_ln.cells[last - 1])});
    lines.push_back({.name = "fit at " + celsius, .x_range = on_solution(c_line_t.range),
                     .y_range = on_solution(c_line_y.range), .markers = false, .line = true});

    heads.push_back(run.head);
    f_kelvin.push_back(data_cell(run.head, 1) + "+273.15");
    kelvin.push_back(run.celsius + kelvin_offset);
    inv_t.push_back(1.0 / kelvin.back());
    ln_k.push_back(std::log(k));
    k_cells.push_back(k_cell);
  }

  // The Arrhenius plot, one row per temperature on the row of its "temp = " line.
  const ColumnRef c_kelvin = ws.column("T", "K", heads, f_kelvin, kelvin);
  for (const std::string& c : c_kelvin.cells) f_inv_t.push_back("1/" + c);
  for (const std::string& c : k_cells) f_ln_k.push_back("LN(" + c + ")");
  const ColumnRef c_inv_t = ws.column("1/T", "1/K", heads, f_inv_t, inv_t);
  const ColumnRef c_ln_k = ws.column("ln k", "k in 1/min", heads, f_ln_k, ln_k);
  const LineFit arrhenius = fit_line(inv_t, ln_k);
  const std::string slope = ws.value("slope of ln k against 1/T", "K",
                                     "SLOPE(" + c_ln_k.range + "," + c_inv_t.range + ")", arrhenius.slope);
  const std::string icpt = ws.value("intercept of ln k against 1/T", "",
                                    "INTERCEPT(" + c_ln_k.range + "," + c_inv_t.range + ")", arrhenius.intercept);
  ws.result("Ea", "-8.314462618*" + slope);
  ws.result("A", "EXP(" + icpt + ")");
  ws.note("β solves (4D + Kp)β² − (Kp/2)β − Kp/2 = 0 with D = Ptot − p0, written in the form whose digits do not "
          "cancel; rows whose N2O5 has fallen below 2 % of p0 are blank in the fit columns.");

  decay.insert(decay.end(), lines.begin(), lines.end());
  ws.chart("First order: ln(p/p0) of N2O5 against time", "t (min)", "ln(p/p0)", decay);
  ws.chart("Arrhenius plot: ln k against 1/T", "1/T (1/K)", "ln k (k in 1/min)",
           {{.name = "rate constants", .x_range = on_solution(c_inv_t.range), .y_range = on_solution(c_ln_k.range),
             .trendline = true}});
}

const Handout& handout() {
  static const Handout h = [] {
    Handout h{
        .task = "N2O5 decomposes in a closed vessel by a first-order reaction, N2O5 → N2O4 + ½ O2, and the N2O4 "
                "formed dissociates, N2O4 ⇌ 2 NO2, at equilibrium throughout. The total pressure was followed "
                "against time at five temperatures. From these find the rate constant at each temperature, the "
                "activation energy and the pre-exponential factor.",
        .data = "After the prologue (project, your name, your seeds) come five blocks, one per temperature:\n\n"
                "| record | quantity | unit |\n|---|---|---|\n"
                "| `\"temp = \"` | the temperature: 25, 35, 45, 55 and 65 | °C |\n"
                "| `\" Kp = \"` | Kp = p(NO2)²/p(N2O4) of the dissociation at that temperature | mmHg |\n"
                "| `\"final pressure = \"` | the total pressure when all the N2O5 is gone | mmHg |\n"
                "| `time(min), Ptot` | then one row per reading: time and total pressure | min, mmHg |\n\n"
                "A table ends when the pressure has come within 0.01 mmHg of the final pressure, so a hot run has "
                "few rows.",
        .constants = {{.name = "R, the gas constant",
                       .value = gas_constant,
                       .unit = "J/(mol·K)",
                       .use = "turns the slope of ln k against 1/T into the activation energy"}},
        .conventions = {"Pressures, the final pressure and Kp are in mmHg (Torr).",
                        "T(K) = t(°C) + 273.15 (adding 273.0 earns the same grades); time in minutes, so k and "
                        "A are per minute.",
                        "k(1) to k(5) are graded to 1 %; A to 5 %."},
    };
    for (int i = 1; i <= 5; ++i)
      h.results.push_back(
          {.key = "k(" + std::to_string(i) + ")",
           .name = "rate constant at " + std::to_string(15 + 10 * i) + " °C",
           .unit = "1/min",
           .method = "−slope of ln(p/p0) against t, p the N2O5 left (from Ptot, the final pressure and Kp), over "
                     "the rows with p ≥ 0.02·p0: later rows are mostly the pressures' rounding"});
    h.results.push_back({.key = "Ea", .name = "activation energy", .unit = "J/mol"});
    h.results.push_back({.key = "A", .name = "pre-exponential factor", .unit = "1/min"});
    return h;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis first_order_gen_answers{
    .program = "first_order_gen",
    .analyse = analyse,
    .workbook = workbook,
    .handout = handout,
};
