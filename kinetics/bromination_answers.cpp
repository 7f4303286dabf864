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
// The bromine order is one coefficient of a least-squares fit over all the
// readings with each run's own intercept and slope: projecting those out
// run by run (the residuals of t² and of the absorbance from their straight
// lines in t over the run's times) leaves it as a ratio of sums of
// residuals, which a spreadsheet computes with SUMPRODUCT and which keeps
// its digits although the curvature is at the level of the readings'
// rounding.
//
// True values. Each run has its own rate constant keff(i) about the
// reference one, so the runs' own rates do not follow the first-order law
// exactly. The true rates are the hidden rates(i); the true orders in acid
// and ketone are those same regressions of ln rates(i) (the orders the
// hidden runs embody; the law itself is first order in both); the true
// order in bromine is 0; the true k is the mean of keff(i), which the mean
// of the runs' k estimates (kref is the centre they were drawn about).
//
// Grading. ε·l is given to the student (the handout): the first reading is
// no calibration, since every run's starting bromine falls short of the
// recipe's 0.004 mol/L by up to 8 % at random. The rates and k are graded
// by the usual rule. An order is graded to at least ±0.1 (it is read as
// a whole number: the nearest other candidate, a half order, is 0.5 away),
// and the law's whole-number order gets full credit besides the data's
// own: the runs' scattered rate constants tilt the data's order by up to
// ±0.3 while its fit may look tight (1.0794 ± 0.0216).
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

// ε·l of bromine at the reading wavelength: absorbance per mol/L. The data
// set does not state it; the handout gives it.
constexpr double absorbance_per_molar = 160.0;  // L/mol
constexpr int runs = 8;
constexpr int acid_runs_first = 0, ketone_runs_first = 4, series_length = 4;
constexpr double order_floor = 0.1;  // least tolerance of an order

// Least-squares slope of ln y against ln x over the runs [first, first + 4).
LineFit log_log(const std::vector<double>& x, const std::vector<double>& y, int first) {
  std::vector<double> lx, ly;
  for (int i = first; i < first + series_length; ++i) lx.push_back(std::log(x[i])), ly.push_back(std::log(y[i]));
  return fit_line(lx, ly);
}

// The order of one pair of runs of a series: ln(r_j/r_i)/ln(c_j/c_i).
double pair_order(const std::vector<double>& c, const std::vector<double>& r, int i, int j) {
  return std::log(r[j] / r[i]) / std::log(c[j] / c[i]);
}

// The mean order of the last three runs of a series against its first,
// as from initial rates compared pairwise.
double mean_pair_order(const std::vector<double>& c, const std::vector<double>& r, int first) {
  double sum = 0;
  for (int j = first + 1; j < first + series_length; ++j) sum += pair_order(c, r, first, j);
  return sum / (series_length - 1);
}

// The order in bromine from the two halves of one run: a run of order n
// slows as (A/Ā)^n, so the slopes of its first and second half, over the
// readings up to and from the middle one, give n = ln(s1/s2)/ln(Ā1/Ā2).
double halves_order(std::span<const double> t, std::span<const double> a) {
  const std::size_t middle = a.size() / 2;
  const auto first_t = t.first(middle + 1), first_a = a.first(middle + 1);
  const auto second_t = t.subspan(middle), second_a = a.subspan(middle);
  const auto mean = [](std::span<const double> v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
  };
  return std::log(fit_line(first_t, first_a).slope / fit_line(second_t, second_a).slope) /
         std::log(mean(first_a) / mean(second_a));
}

// The data set as the analysis reads it: records and numbers.
struct Recipe {
  std::size_t stock = 0, br2_record = 0, acid_record = 0, ketone_record = 0, times_row = 0;
  std::vector<std::size_t> recipe, run_rows;
  double run_volume = 0, acid_stock = 0, ketone_stock = 0;
  std::vector<double> br2, acid, ketone, times;  // mol/L in the run; s
  std::vector<std::vector<double>> absorbance;
};

Recipe read(const DataSet& d) {
  Recipe r;
  r.stock = d.find("Stock Solutions(M)");
  r.run_volume = d.value(r.stock, 4);
  r.br2_record = d.find("Br2,", r.stock);
  r.acid_record = d.find("HCl,", r.stock);
  r.ketone_record = d.find("ketone,", r.stock);
  r.acid_stock = d.value(r.acid_record, 1);
  r.ketone_stock = d.value(r.ketone_record, 1);
  r.recipe = d.numeric_rows(d.find("Run#,Br2,H+,ketone") + 1);
  if (r.recipe.size() != runs) throw AnalysisError("the recipe table does not hold eight runs");
  const double br2_stock = d.value(r.br2_record, 1);
  r.br2.resize(runs);
  r.acid.resize(runs);
  r.ketone.resize(runs);
  for (int i = 0; i < runs; ++i) {
    r.br2[i] = d.value(r.recipe[i], 1) * br2_stock / r.run_volume;
    r.acid[i] = d.value(r.recipe[i], 2) * r.acid_stock / r.run_volume;
    r.ketone[i] = d.value(r.recipe[i], 3) * r.ketone_stock / r.run_volume;
  }
  r.times_row = d.find("abs,run,");
  for (std::size_t c = 2; d.number(r.times_row, c); ++c) r.times.push_back(d.value(r.times_row, c));
  r.run_rows = d.numeric_rows(r.times_row + 1, 1);
  if (r.run_rows.size() != runs) throw AnalysisError("the absorbance table does not hold eight runs");
  r.absorbance.resize(runs);
  for (int i = 0; i < runs; ++i) {
    for (std::size_t c = 2; d.number(r.run_rows[i], c); ++c) r.absorbance[i].push_back(d.value(r.run_rows[i], c));
    if (r.absorbance[i].size() < 3)
      throw AnalysisError("run " + std::to_string(i + 1) + " has fewer than three readings");
    if (r.absorbance[i].size() > r.times.size())
      throw AnalysisError("run " + std::to_string(i + 1) + " has more readings than the table has times");
  }
  return r;
}

// One run's part in the bromine order. The order n bends the run's line by
// c·t² with c = r²/(2Ā); with the run's own intercept and slope free, only
// the residuals of t² from its line in t, e = t² − α − β·t, and the
// residuals of the absorbance from the run's straight line, ε, count:
// n = Σ c·Σe·ε / Σ c²·Σe².
struct Bend {
  double slope = 0, intercept = 0, mean = 0, c = 0;  // the run's line, its mean absorbance, c
  double beta = 0, alpha = 0;                        // the line of t² against t
  double sxy = 0, sxx = 0;                           // Σe·ε and Σe²
  std::vector<double> e, eps;
};

Bend bend_of(std::span<const double> t, const std::vector<double>& a) {
  const std::size_t n = a.size();
  Bend b;
  const LineFit line = fit_line(t, a);
  b.slope = line.slope;
  b.intercept = line.intercept;
  b.mean = std::accumulate(a.begin(), a.end(), 0.0) / static_cast<double>(n);
  b.c = b.slope * b.slope / (2.0 * b.mean);
  double st = 0, st2 = 0, st3 = 0;
  for (std::size_t j = 0; j < n; ++j) st += t[j], st2 += t[j] * t[j], st3 += t[j] * t[j] * t[j];
  const double mean_t = st / static_cast<double>(n);
  b.beta = (st3 - mean_t * st2) / (st2 - mean_t * st);
  b.alpha = st2 / static_cast<double>(n) - b.beta * mean_t;
  for (std::size_t j = 0; j < n; ++j) {
    b.e.push_back(t[j] * t[j] - b.alpha - b.beta * t[j]);
    b.eps.push_back(a[j] - b.intercept - b.slope * t[j]);
    b.sxy += b.e[j] * b.eps[j];
    b.sxx += b.e[j] * b.e[j];
  }
  return b;
}

void analyse(const Case& cs, AnswerSheet& sheet) {
  const Recipe rc = read(cs.data());
  const std::vector<double>&acid = rc.acid, &ketone = rc.ketone, &times = rc.times;
  const std::vector<std::vector<double>>& absorbance = rc.absorbance;
  std::vector<LineFit> lines;
  std::vector<double> rate(runs), k(runs);
  Workings per_run{.title = "runs",
                   .columns = {{"run", "", {}}, {"[H+]", "mol/L", {}}, {"[ketone]", "mol/L", {}}, {"readings", "", {}},
                               {"slope", "1/s", {}}, {"rate", "mol/(L·s)", {}}, {"ln rate", "", {}},
                               {"k", "L/(mol·s)", {}}}};
  for (int i = 0; i < runs; ++i) {
    const std::vector<double>& a = absorbance[i];
    const std::size_t n = a.size();
    const auto t = std::span(times).first(n);
    lines.push_back(fit_line(t, a));
    rate[i] = -lines[i].slope / absorbance_per_molar;
    k[i] = rate[i] / (acid[i] * ketone[i]);
    // A student who takes bromine for first order reports the initial
    // rate k1·[Br2]0, k1 from the slope of ln A against t.
    std::vector<double> ln_a;
    for (double x : a) ln_a.push_back(std::log(x));
    const double first_order_rate = -fit_line(t, ln_a).slope * rc.br2[i];
    const std::string key = "(" + std::to_string(i + 1) + ")";
    sheet.add(Result{.key = "rate" + key, .name = "rate of run " + std::to_string(i + 1), .unit = "mol/(L·s)",
                     .true_value = cs.hidden("rates", i + 1), .value = rate[i],
                     .uncertainty = lines[i].se_slope / absorbance_per_molar,
                     .method = "−slope of absorbance against time over " + std::to_string(n) + " readings, / 160 L/mol",
                     .routes = {{"first and last reading", -(a.back() - a.front()) / (t.back() - t.front()) /
                                                              absorbance_per_molar}},
                     .nulls = {{"first order in bromine: −slope of ln A against t × [Br2]0", first_order_rate}}});
    const double row[] = {double(i + 1), acid[i], ketone[i], double(n), lines[i].slope, rate[i], std::log(rate[i]), k[i]};
    for (std::size_t c = 0; c < std::size(row); ++c) per_run.columns[c].values.push_back(row[c]);
  }

  std::vector<double> true_rates(runs);
  for (int i = 0; i < runs; ++i) true_rates[i] = cs.hidden("rates", i + 1);
  const std::string embodied = "the runs' own rate constants differ by up to ±4e-6 L/(mol·s); the true value is "
                               "the order of the hidden rates of these runs, the law's own order being 1";
  const auto series_order = [&](const char* key, const char* name, const char* conc, const std::vector<double>& c,
                                int first) {
    const LineFit fit = log_log(c, rate, first);
    const int last = first + series_length - 1;
    const std::string runs_named = "runs " + std::to_string(first + 1) + " to " + std::to_string(last + 1);
    sheet.add(Result{
        .key = key, .name = name, .true_value = log_log(c, true_rates, first).slope, .value = fit.slope,
        .uncertainty = fit.se_slope, .method = "slope of ln rate against ln " + std::string(conc) + ", " + runs_named,
        .bias = embodied, .absolute = order_floor, .accepted = {1.0},
        .routes = {{"runs " + std::to_string(first + 1) + " and " + std::to_string(last + 1) + " alone",
                    pair_order(c, rate, first, last)},
                   {"mean of the pairwise orders against run " + std::to_string(first + 1),
                    mean_pair_order(c, rate, first)},
                   {"the law's whole-number order", 1.0}},
        .nulls = {{"no dependence (order 0)", 0.0}}});
  };
  series_order("order(H+)", "order in acid", "[H+]", acid, acid_runs_first);
  series_order("order(ketone)", "order in ketone", "[ketone]", ketone, ketone_runs_first);

  // Order n in bromine: dA/dt = −r·(A/Ā)^n bends each line by
  // n·r²/(2Ā)·t². One n for all runs, each run with its own intercept and
  // slope (r and Ā from its straight line): least squares over all the
  // readings, the runs' lines projected out (see Bend). The residual
  // variance has N − 17 degrees of freedom (16 lines and n).
  std::size_t total = 0;
  double num = 0, den = 0, halves = 0;
  std::vector<Bend> bends;
  for (int i = 0; i < runs; ++i) {
    const auto t = std::span(times).first(absorbance[i].size());
    bends.push_back(bend_of(t, absorbance[i]));
    num += bends[i].c * bends[i].sxy;
    den += bends[i].c * bends[i].c * bends[i].sxx;
    total += absorbance[i].size();
    halves += halves_order(t, absorbance[i]) / runs;
  }
  const double order_br2 = num / den;
  double rss = 0;
  for (const Bend& b : bends)
    for (std::size_t j = 0; j < b.e.size(); ++j) rss += std::pow(b.eps[j] - order_br2 * b.c * b.e[j], 2.0);
  const double se_br2 = std::sqrt(rss / static_cast<double>(total - (2 * runs + 1)) / den);
  sheet.add(Result{.key = "order(Br2)", .name = "order in bromine", .true_value = 0.0, .value = order_br2,
                   .uncertainty = se_br2,
                   .method = "curvature of the absorbance lines, one order fitted to all runs with their own "
                             "intercepts and slopes (" + std::to_string(total) + " readings)",
                   .absolute = order_floor, .accepted = {0.0},
                   .routes = {{"slopes of the first and second half of each run, mean over the runs", halves},
                              {"the law's whole-number order (straight lines)", 0.0}},
                   .nulls = {{"first order, as a decay of bromine", 1.0}}});

  const double mean_k = std::accumulate(k.begin(), k.end(), 0.0) / runs;
  double ss = 0;
  for (double x : k) ss += (x - mean_k) * (x - mean_k);
  double true_k = 0;
  for (int i = 0; i < runs; ++i) true_k += cs.hidden("keff", i + 1) / runs;
  // k as the slope through the origin of rate against [H+]·[ketone], and
  // the k of two slips: the acid (a catalyst) left out of the rate law, and
  // the stock molarities taken for the run's concentrations.
  double sxy = 0, sxx = 0, no_acid = 0, undiluted = 0;
  for (int i = 0; i < runs; ++i) {
    const double x = acid[i] * ketone[i];
    sxy += x * rate[i];
    sxx += x * x;
    no_acid += rate[i] / ketone[i] / runs;
    undiluted += rate[i] / (rc.acid_stock * rc.ketone_stock) / runs;
  }
  sheet.add(Result{.key = "k", .name = "rate constant of rate = k·[H+]·[ketone]", .unit = "L/(mol·s)",
                   .true_value = true_k, .value = mean_k, .uncertainty = std::sqrt(ss / (runs - 1) / runs),
                   .method = "mean of rate/([H+]·[ketone]) over the eight runs",
                   .bias = "true value: the mean of the runs' own rate constants keff(i), not the reference kref",
                   .routes = {{"slope of rate against [H+]·[ketone] through the origin", sxy / sxx}},
                   .nulls = {{"acid left out: mean of rate/[ketone]", no_acid},
                             {"stock molarities for the run's concentrations", undiluted}}});
  sheet.add(std::move(per_run));
  sheet.notes.push_back("absorbance = ε·l × [Br2] with ε·l = 160 L/mol, as the handout gives it (the data set does "
                        "not state it). The first reading is no calibration: each run's starting bromine falls short "
                        "of the recipe's 0.004 mol/L. Concentrations: mL × stock molarity / 50 mL.");
  sheet.notes.push_back("The law is zero order in bromine and first order in acid and ketone. An order is graded to "
                        "at least ±0.1, and the law's whole number gets full credit as well as the data's own order.");
}

// A row of cells of the Data sheet, "Data!$C$28:$M$28".
std::string data_row(std::size_t record, std::size_t first_cell, std::size_t cells) {
  return "Data!" + cell_name(record, first_cell, true) + ":" + cell_name(record, first_cell + cells - 1, true);
}

// The same worksheet as spreadsheet formulas over the Data sheet: the
// starting concentrations in the columns the recipe table leaves for them
// (on the recipe's rows); on each run's row of the absorbance table its
// line by SLOPE and INTERCEPT over its own readings (a row of the Data
// sheet), ln rate, the concentrations, k, and its part of the bromine
// order (Bend) by SUMPRODUCT over the readings.
void workbook(const Case& cs, const AnswerSheet& sheet, SolutionSheet& ws) {
  const Recipe rc = read(cs.data());
  const std::vector<Column>& per_run = sheet.workings.at(0).columns;
  const std::string volume = data_cell(rc.stock, 4);
  const auto recipe_column = [&](std::string_view heading, std::string_view unit, std::size_t cell,
                                 const std::string& stock, const std::vector<double>& values) {
    std::vector<std::string> f;
    for (std::size_t r : rc.recipe) f.push_back(data_cell(r, cell) + "*" + stock + "/" + volume);
    return ws.column(heading, unit, rc.recipe, f, values);
  };
  std::vector<std::string> f_run;
  for (std::size_t r : rc.recipe) f_run.push_back(data_cell(r, 0));
  ws.column("Run#", "", rc.recipe, f_run, per_run.at(0).values);
  recipe_column("Br2", "mol/L", 1, data_cell(rc.br2_record, 1), rc.br2);
  const ColumnRef c_acid = recipe_column("H+", "mol/L", 2, data_cell(rc.acid_record, 1), rc.acid);
  const ColumnRef c_ketone = recipe_column("ketone", "mol/L", 3, data_cell(rc.ketone_record, 1), rc.ketone);

  // Each run's readings and times as rows of the Data sheet.
  std::vector<std::string> a_row(runs), t_row(runs);
  std::vector<Bend> bends;
  for (int i = 0; i < runs; ++i) {
    const std::size_t n = rc.absorbance[i].size();
    a_row[i] = data_row(rc.run_rows[i], 2, n);
    t_row[i] = data_row(rc.times_row, 2, n);
    bends.push_back(bend_of(std::span(rc.times).first(n), rc.absorbance[i]));
  }
  const auto per_run_column = [&](std::string_view heading, std::string_view unit, const std::vector<double>& values,
                                  const auto& formula) {
    std::vector<std::string> f;
    for (int i = 0; i < runs; ++i) f.push_back(formula(i));
    return ws.column(heading, unit, rc.run_rows, f, values);
  };
  const auto of_bends = [&](double Bend::*member) {
    std::vector<double> v;
    for (const Bend& b : bends) v.push_back(b.*member);
    return v;
  };
  const ColumnRef c_slope = per_run_column("slope of A against t", "1/s", per_run.at(4).values,
                                           [&](int i) { return "SLOPE(" + a_row[i] + "," + t_row[i] + ")"; });
  std::vector<std::string> rate(runs);
  for (int i = 0; i < runs; ++i)
    rate[i] = ws.result("rate(" + std::to_string(i + 1) + ")", "-" + c_slope.cells[i] + "/160");
  const ColumnRef c_ln_rate = per_run_column("ln rate", "rate in mol/(L·s)", per_run.at(6).values,
                                             [&](int i) { return "LN(" + rate[i] + ")"; });
  // The run's concentrations, from the recipe's row of the same run.
  const ColumnRef c_run_acid = per_run_column("[H+]", "mol/L", rc.acid, [&](int i) { return c_acid.cells[i]; });
  const ColumnRef c_run_ketone =
      per_run_column("[ketone]", "mol/L", rc.ketone, [&](int i) { return c_ketone.cells[i]; });
  std::vector<double> ln_acid, ln_ketone;
  for (int i = 0; i < runs; ++i) ln_acid.push_back(std::log(rc.acid[i])), ln_ketone.push_back(std::log(rc.ketone[i]));
  const ColumnRef c_ln_acid =
      per_run_column("ln [H+]", "[H+] in mol/L", ln_acid, [&](int i) { return "LN(" + c_run_acid.cells[i] + ")"; });
  const ColumnRef c_ln_ketone = per_run_column("ln [ketone]", "[ketone] in mol/L", ln_ketone,
                                               [&](int i) { return "LN(" + c_run_ketone.cells[i] + ")"; });
  const ColumnRef c_k = per_run_column("k = rate/([H+]·[ketone])", "L/(mol·s)", per_run.at(7).values, [&](int i) {
    return rate[i] + "/(" + c_run_acid.cells[i] + "*" + c_run_ketone.cells[i] + ")";
  });

  // The two series of four runs: cells i..i+3 of a column.
  const auto series = [](const ColumnRef& c, int first) {
    return c.cells[static_cast<std::size_t>(first)] + ":" +
           c.cells[static_cast<std::size_t>(first + series_length - 1)];
  };
  ws.result("order(H+)",
            "SLOPE(" + series(c_ln_rate, acid_runs_first) + "," + series(c_ln_acid, acid_runs_first) + ")");
  ws.result("order(ketone)",
            "SLOPE(" + series(c_ln_rate, ketone_runs_first) + "," + series(c_ln_ketone, ketone_runs_first) + ")");

  // The bromine order.
  const ColumnRef c_icpt = per_run_column("intercept of A against t", "", of_bends(&Bend::intercept),
                                          [&](int i) { return "INTERCEPT(" + a_row[i] + "," + t_row[i] + ")"; });
  const ColumnRef c_mean =
      per_run_column("mean A", "", of_bends(&Bend::mean), [&](int i) { return "AVERAGE(" + a_row[i] + ")"; });
  const ColumnRef c_c = per_run_column("c = slope²/(2·mean A)", "1/s2", of_bends(&Bend::c),
                                       [&](int i) { return c_slope.cells[i] + "^2/(2*" + c_mean.cells[i] + ")"; });
  const ColumnRef c_beta = per_run_column("β: slope of t² against t", "s", of_bends(&Bend::beta), [&](int i) {
    const std::string& t = t_row[i];
    return "(SUMPRODUCT(" + t + "," + t + "," + t + ")-AVERAGE(" + t + ")*SUMPRODUCT(" + t + "," + t +
           "))/(SUMPRODUCT(" + t + "," + t + ")-AVERAGE(" + t + ")*SUM(" + t + "))";
  });
  const ColumnRef c_alpha = per_run_column("α: intercept of t² against t", "s2", of_bends(&Bend::alpha), [&](int i) {
    const std::string& t = t_row[i];
    return "SUMPRODUCT(" + t + "," + t + ")/COUNT(" + t + ")-" + c_beta.cells[i] + "*AVERAGE(" + t + ")";
  });
  // e = t² − α − β·t and ε = A − intercept − slope·t over the run's readings.
  const auto e = [&](int i) { return t_row[i] + "^2-" + c_alpha.cells[i] + "-" + c_beta.cells[i] + "*" + t_row[i]; };
  // Each run's part of the numerator and the denominator. (Σe·ε alone
  // would be a number near 1 that a run linear to the written digits
  // leaves at the 1e-12 of its rounding; c scales it to the order's own
  // size.)
  std::vector<double> num, den;
  for (const Bend& b : bends) num.push_back(b.c * b.sxy), den.push_back(b.c * b.c * b.sxx);
  const ColumnRef c_num = per_run_column("c·Σe·ε", "", num, [&](int i) {
    return c_c.cells[i] + "*SUMPRODUCT(" + e(i) + "," + a_row[i] + "-" + c_icpt.cells[i] + "-" + c_slope.cells[i] +
           "*" + t_row[i] + ")";
  });
  const ColumnRef c_den =
      per_run_column("c²·Σe²", "", den, [&](int i) { return c_c.cells[i] + "^2*SUMPRODUCT((" + e(i) + ")^2)"; });
  ws.result("order(Br2)", "SUM(" + c_num.range + ")/SUM(" + c_den.range + ")");
  ws.result("k", "AVERAGE(" + c_k.range + ")");
  ws.note(
      "absorbance = ε·l × [Br2], ε·l = 160 L/mol (given in the handout). The bromine order n bends each run's line by n·c·t², "
      "c = slope²/(2·mean A); with each run's own line free it is Σc·Σe·ε / Σc²·Σe², e the residuals of t² "
      "and ε those of A from their straight lines in t over the run's times.");

  std::vector<SolutionSheet::Series> absorbance;
  for (int i = 0; i < runs; ++i)
    absorbance.push_back(
        {.name = "run " + std::to_string(i + 1), .x_range = t_row[i], .y_range = a_row[i], .trendline = true});
  ws.chart("Absorbance against time, eight runs with their least-squares lines", "t (s)", "absorbance", absorbance);
  ws.chart("Order in acid: ln rate against ln [H+], runs 1 to 4", "ln [H+] ([H+] in mol/L)",
           "ln rate (rate in mol/(L·s))",
           {{.name = "runs 1 to 4",
             .x_range = on_solution(series(c_ln_acid, acid_runs_first)),
             .y_range = on_solution(series(c_ln_rate, acid_runs_first)),
             .trendline = true}});
  ws.chart("Order in ketone: ln rate against ln [ketone], runs 5 to 8", "ln [ketone] ([ketone] in mol/L)",
           "ln rate (rate in mol/(L·s))",
           {{.name = "runs 5 to 8",
             .x_range = on_solution(series(c_ln_ketone, ketone_runs_first)),
             .y_range = on_solution(series(c_ln_rate, ketone_runs_first)),
             .trendline = true}});
}

const Handout& handout() {
  static const Handout h = [] {
    Handout h{
        .task = "Eight runs of the acid-catalysed bromination of acetone were followed by the absorbance of "
                "bromine. Runs 1 to 4 vary the acid, runs 5 to 8 the ketone. From the runs find the rate of each "
                "run, the orders of the reaction in acid, ketone and bromine, and the rate constant k of "
                "rate = k·[H+]·[ketone].",
        .data = "After the prologue (project, your name, your seeds):\n\n"
                "- the stock solutions, `Br2,0.02`, `HCl,1` and `ketone,4` (mol/L), and the run volume, 50 mL;\n"
                "- the recipe table `Run#,Br2,H+,ketone,...`: for each run the millilitres of the three stock "
                "solutions, then the run number again and three empty columns for the starting concentrations "
                "you compute;\n"
                "- the reading times, the row `abs,run,` followed by 0 to 630 s in steps of 45 s;\n"
                "- one row per run: an empty cell, the run number and its absorbances at those times, as long as "
                "they stay above 0.05 (a fast run has fewer readings).\n",
        .constants = {{.name = "ε·l, the molar absorptivity of bromine times the path length of the cell",
                       .value = absorbance_per_molar,
                       .unit = "L/mol",
                       .use = "[Br2] = A/(ε·l): turns an absorbance into a bromine concentration"}},
        .conventions = {"Concentrations in a run: millilitres × stock molarity / 50 mL.",
                        "Time in seconds: rates in mol/(L·s), k in L/(mol·s).",
                        "Convert absorbances with the ε·l given here, not from the first reading: the starting "
                        "bromine of a run may fall short of the recipe's 0.004 mol/L.",
                        "An order is graded to ±0.1 at least; the law's whole-number order gets full credit too."},
    };
    for (int i = 1; i <= runs; ++i)
      h.results.push_back({.key = "rate(" + std::to_string(i) + ")",
                           .name = "rate of run " + std::to_string(i) + ", −d[Br2]/dt",
                           .unit = "mol/(L·s)"});
    h.results.push_back({.key = "order(H+)", .name = "order in acid"});
    h.results.push_back({.key = "order(ketone)", .name = "order in ketone"});
    h.results.push_back({.key = "order(Br2)", .name = "order in bromine"});
    h.results.push_back({.key = "k", .name = "rate constant of rate = k·[H+]·[ketone]", .unit = "L/(mol·s)"});
    return h;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis bromination_gen_answers{
    .program = "bromination_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
