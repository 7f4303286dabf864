// Answer sheet of the bromination of acetone: the rate of each run, the
// orders in acid, ketone and bromine, and the rate constant.
//
// The worksheet: the starting concentrations of each run from the recipe
// (millilitres × stock molarity / run volume); for each run the straight
// line of absorbance against time, whose slope divided by ε·l gives the
// rate of bromine consumption; the orders from ln rate against ln
// concentration (acid over runs 1 to 4, ketone over runs 5 to 8); the order
// in bromine from the curvature of the absorbance lines; k = rate/([H+]·[ketone]),
// averaged over the eight runs.
//
// True values. Each run has its own rate constant keff(i) about the
// reference one, so the runs' own rates do not follow the first-order law
// exactly. The true rates are the hidden rates(i); the true orders in acid
// and ketone are those same regressions of ln rates(i) (the orders the
// hidden runs embody; the law itself is first order in both); the true
// order in bromine is 0; the true k is the mean of keff(i), which the mean
// of the runs' k estimates (kref is the centre they were drawn about).
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using namespace analysis;

// ε·l of bromine at the reading wavelength: absorbance per mol/L. The data
// set does not state it; the experiment's instructions give it.
constexpr double absorbance_per_molar = 160.0;  // L/mol
constexpr int runs = 8;
constexpr int acid_runs_first = 0, ketone_runs_first = 4, series_length = 4;

// Least-squares slope of ln y against ln x over the runs [first, first + 4).
LineFit log_log(const std::vector<double>& x, const std::vector<double>& y, int first) {
  std::vector<double> lx, ly;
  for (int i = first; i < first + series_length; ++i) lx.push_back(std::log(x[i])), ly.push_back(std::log(y[i]));
  return fit_line(lx, ly);
}

void analyse(const Case& cs, AnswerSheet& sheet) {
  const DataSet& d = cs.data();
  const std::size_t stock = d.find("Stock Solutions(M)");
  const double run_volume = d.value(stock, 4);
  const double acid_stock = d.value(d.find("HCl,", stock), 1);
  const double ketone_stock = d.value(d.find("ketone,", stock), 1);
  const std::vector<std::size_t> recipe = d.numeric_rows(d.find("Run#,Br2,H+,ketone") + 1);
  if (recipe.size() != runs) throw AnalysisError("the recipe table does not hold eight runs");
  std::vector<double> acid(runs), ketone(runs);
  for (int i = 0; i < runs; ++i) {
    acid[i] = d.value(recipe[i], 2) * acid_stock / run_volume;
    ketone[i] = d.value(recipe[i], 3) * ketone_stock / run_volume;
  }

  const std::size_t times_row = d.find("abs,run,");
  std::vector<double> times;
  for (std::size_t c = 2; d.number(times_row, c); ++c) times.push_back(d.value(times_row, c));
  const std::vector<std::size_t> run_rows = d.numeric_rows(times_row + 1, 1);
  if (run_rows.size() != runs) throw AnalysisError("the absorbance table does not hold eight runs");

  std::vector<std::vector<double>> absorbance(runs);
  std::vector<LineFit> lines;
  std::vector<double> rate(runs), k(runs);
  Workings per_run{.title = "runs",
                   .columns = {{"run", "", {}}, {"[H+]", "mol/L", {}}, {"[ketone]", "mol/L", {}}, {"readings", "", {}},
                               {"slope", "1/s", {}}, {"rate", "mol/(L·s)", {}}, {"ln rate", "", {}},
                               {"k", "L/(mol·s)", {}}}};
  for (int i = 0; i < runs; ++i) {
    for (std::size_t c = 2; d.number(run_rows[i], c); ++c) absorbance[i].push_back(d.value(run_rows[i], c));
    const std::size_t n = absorbance[i].size();
    if (n < 3) throw AnalysisError("run " + std::to_string(i + 1) + " has fewer than three readings");
    lines.push_back(fit_line(std::span(times).first(n), absorbance[i]));
    rate[i] = -lines[i].slope / absorbance_per_molar;
    k[i] = rate[i] / (acid[i] * ketone[i]);
    const std::string key = "(" + std::to_string(i + 1) + ")";
    sheet.add(Result{.key = "rate" + key, .name = "rate of run " + std::to_string(i + 1), .unit = "mol/(L·s)",
                     .true_value = cs.hidden("rates", i + 1), .value = rate[i],
                     .uncertainty = lines[i].se_slope / absorbance_per_molar,
                     .method = "−slope of absorbance against time over " + std::to_string(n) + " readings, / 160 L/mol"});
    const double row[] = {double(i + 1), acid[i], ketone[i], double(n), lines[i].slope, rate[i], std::log(rate[i]), k[i]};
    for (std::size_t c = 0; c < std::size(row); ++c) per_run.columns[c].values.push_back(row[c]);
  }

  std::vector<double> true_rates(runs);
  for (int i = 0; i < runs; ++i) true_rates[i] = cs.hidden("rates", i + 1);
  const LineFit acid_fit = log_log(acid, rate, acid_runs_first);
  const LineFit ketone_fit = log_log(ketone, rate, ketone_runs_first);
  const std::string embodied = "the runs' own rate constants differ by up to ±4e-6 L/(mol·s); the true value is "
                               "the order of the hidden rates of these runs, the law's own order being 1";
  sheet.add(Result{.key = "order(H+)", .name = "order in acid", .true_value = log_log(acid, true_rates, acid_runs_first).slope,
                   .value = acid_fit.slope, .uncertainty = acid_fit.se_slope,
                   .method = "slope of ln rate against ln [H+], runs 1 to 4", .bias = embodied});
  sheet.add(Result{.key = "order(ketone)", .name = "order in ketone",
                   .true_value = log_log(ketone, true_rates, ketone_runs_first).slope, .value = ketone_fit.slope,
                   .uncertainty = ketone_fit.se_slope, .method = "slope of ln rate against ln [ketone], runs 5 to 8",
                   .bias = embodied});

  // Order n in bromine: dA/dt = −r·(A/Ā)^n bends each line by
  // n·r²/(2Ā)·t². One n for all runs, each run with its own intercept and
  // slope (r and Ā from its straight line).
  std::size_t total = 0;
  for (const auto& a : absorbance) total += a.size();
  std::vector<std::vector<double>> design(2 * runs + 1, std::vector<double>(total, 0.0));
  std::vector<double> all;
  std::size_t row = 0;
  for (int i = 0; i < runs; ++i) {
    const double r = -lines[i].slope;
    const double mean_a = std::accumulate(absorbance[i].begin(), absorbance[i].end(), 0.0) /
                          static_cast<double>(absorbance[i].size());
    for (std::size_t j = 0; j < absorbance[i].size(); ++j, ++row) {
      design[2 * i][row] = 1.0;
      design[2 * i + 1][row] = times[j];
      design[2 * runs][row] = r * r / (2.0 * mean_a) * times[j] * times[j];
      all.push_back(absorbance[i][j]);
    }
  }
  const PolyFit bend = fit_linear(design, all);
  sheet.add(Result{.key = "order(Br2)", .name = "order in bromine", .true_value = 0.0, .value = bend.c[2 * runs],
                   .uncertainty = bend.se(2 * runs),
                   .method = "curvature of the absorbance lines, one order fitted to all runs with their own "
                             "intercepts and slopes (" + std::to_string(total) + " readings)"});

  const double mean_k = std::accumulate(k.begin(), k.end(), 0.0) / runs;
  double ss = 0;
  for (double x : k) ss += (x - mean_k) * (x - mean_k);
  double true_k = 0;
  for (int i = 0; i < runs; ++i) true_k += cs.hidden("keff", i + 1) / runs;
  sheet.add(Result{.key = "k", .name = "rate constant of rate = k·[H+]·[ketone]", .unit = "L/(mol·s)",
                   .true_value = true_k, .value = mean_k, .uncertainty = std::sqrt(ss / (runs - 1) / runs),
                   .method = "mean of rate/([H+]·[ketone]) over the eight runs",
                   .bias = "true value: the mean of the runs' own rate constants keff(i), not the reference kref"});
  sheet.add(std::move(per_run));
  sheet.notes.push_back("Assumption: absorbance = 160 L/mol × [Br2] (ε·l of bromine in the cell); the data set does "
                        "not state it. Concentrations: mL × stock molarity / 50 mL.");
  sheet.notes.push_back("The law is zero order in bromine and first order in acid and ketone; the analysed orders "
                        "rounded to whole numbers should give 0, 1 and 1.");
}

}  // namespace

extern const analysis::Analysis bromination_gen_answers{.program = "bromination_gen", .analyse = analyse};
