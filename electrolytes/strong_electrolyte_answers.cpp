// Answer sheet of strong_electrolyte_gen: cation transference numbers from
// the moving boundary; equivalent and limiting conductances of AX, BX, CX;
// the limiting conductance of the anion X− from its transference numbers,
// and those of the cations by difference.
#include <array>
#include <cmath>
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

// The conductance law of the handout: Λ = (1 − α·√c)·(Λ0 + B·c) − β·√c for
// a compound; an ion carries half the electrophoretic term, β/2.
constexpr double alpha = 0.229;
constexpr double beta = 60.2;

constexpr const char* lambda_unit = "ohm^-1 cm2 eq^-1";

// The specific conductance of the conductivity water the handout states,
// ohm^-1 cm^-1: the resistances include the solvent's, which varies a little
// from run to run (1.1e-6 to 1.3e-6) and which the file does not give.
constexpr double kappa_water = 1.2e-6;

struct Extrapolation {
  double l0 = 0, u = 0;
};

// Λ' = (Λ + e·√c)/(1 − α·√c) = Λ0 + B·c, a straight line in c whose
// intercept is the limiting conductance.
Extrapolation extrapolate(const std::vector<double>& c, const std::vector<double>& lambda_prime) {
  const analysis::LineFit fit = analysis::fit_line(c, lambda_prime);
  return {fit.intercept, fit.se_intercept};
}

// One compound's conductance table worked through: κ = 1/ρ − κ(solvent),
// Λ = 1000·κ/c, the anion's share λc = t−·Λ, and the two straight lines
// in c of the conductance law, the compound's and the anion's.
struct Conductance {
  std::vector<double> kappa, lambda, lambda_x, root, lambda_x_plus, relax, lambda_x_prime, lambda_prime;
  Extrapolation compound, anion;
};

Conductance conductance(const std::vector<double>& c, const std::vector<double>& rho,
                        const std::vector<double>& t_minus, double solvent) {
  const std::size_t n = c.size();
  Conductance k{std::vector<double>(n), std::vector<double>(n), std::vector<double>(n), std::vector<double>(n),
                std::vector<double>(n), std::vector<double>(n), std::vector<double>(n), std::vector<double>(n)};
  for (std::size_t r = 0; r < n; ++r) {
    k.kappa[r] = 1.0 / rho[r] - solvent;
    k.lambda[r] = 1000.0 * k.kappa[r] / c[r];
    k.lambda_x[r] = t_minus[r] * k.lambda[r];
    k.root[r] = std::sqrt(c[r]);
    k.lambda_x_plus[r] = k.lambda_x[r] + 0.5 * beta * k.root[r];
    k.relax[r] = 1.0 - alpha * k.root[r];
    k.lambda_x_prime[r] = k.lambda_x_plus[r] / k.relax[r];
    k.lambda_prime[r] = (k.lambda[r] + beta * k.root[r]) / k.relax[r];
  }
  k.compound = extrapolate(c, k.lambda_prime);
  k.anion = extrapolate(c, k.lambda_x_prime);
  return k;
}

void analyse(const analysis::Case& in, analysis::AnswerSheet& sheet) {
  const DataSet& data = in.data();

  // Moving boundary: VCF/1000I is the time the boundary would take if the
  // cation carried all the current, so time = (VCF/1000I)/t+; the slope of
  // the time against VCF/1000I through the origin is 1/t+.
  std::size_t at = data.find("Transference Number Determination,");
  const std::array<std::string, 2> moving{"AX", "BX"};
  for (std::size_t j = 0; j < moving.size(); ++j) {
    at = data.find("compound " + moving[j] + ",", at);
    const std::size_t heading = data.find("dist(cm),time(sec),VCF/1000I,", at);
    const auto rows = data.numeric_rows(heading + 1);
    const std::vector<double> dist = data.column(rows, 0);
    const std::vector<double> time = data.column(rows, 1);
    const std::vector<double> vcf = data.column(rows, 2);
    const analysis::LineFit fit = analysis::fit_line_through_origin(vcf, time);
    const double t_plus = 1.0 / fit.slope;
    const double u_t_plus = fit.se_slope / (fit.slope * fit.slope);
    const int k = static_cast<int>(j) + 1;
    std::vector<double> ratio(rows.size(), analysis::not_a_number);
    double ratio_sum = 0;
    int ratio_rows = 0;
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (time[i] > 0) {
        ratio[i] = vcf[i] / time[i];
        ratio_sum += ratio[i];
        ++ratio_rows;
      }
    // No null answer: the boundary's motion gives t+ directly (equal shares,
    // 0.5, lie within 2 % of it in 7 % to 8 % of the seed sweep).
    sheet.add(Result{.key = "t+(" + moving[j] + ")", .name = "cation transference number of " + moving[j],
                     .unit = "", .true_value = in.hidden("transnumbplus", k), .value = t_plus,
                     .uncertainty = u_t_plus,
                     .method = "1/slope of time against VCF/1000I through the origin, " + std::to_string(rows.size()) +
                               " rows",
                     .routes = {{"1/slope of time against VCF/1000I with an intercept",
                                 1.0 / analysis::fit_line(vcf, time).slope},
                                {"mean of (VCF/1000I)/time over the rows after the first",
                                 ratio_rows > 0 ? ratio_sum / ratio_rows : analysis::not_a_number},
                                {"(VCF/1000I)/time of the last row", vcf.back() / time.back()}}});
    sheet.add(Workings{"moving boundary, compound " + moving[j],
                       {Column{"dist(cm)", "cm", dist},
                        Column{"time(sec)", "s", time},
                        Column{"VCF/1000I", "s", vcf},
                        Column{"t+ = (VCF/1000I)/time", "", ratio}}});
    at = heading + 1;
  }

  // Conductance: the specific resistance gives κ = 1/ρ and Λ = 1000·κ/c;
  // the anion's share is λ_c = t−·Λ (the column tc).
  const std::size_t cond_at = data.find("Equivalent Conductance Experiments,", at);
  const std::array<std::string, 3> compounds{"AX", "BX", "CX"};
  std::array<Conductance, 3> sheet_lines, solvent_lines;
  // Per compound: Λ0 by a quadratic in √c; t− carried to c = 0 on a line
  // in √c; the first row's Λ and t−·Λ, not extrapolated.
  std::array<double, 3> quadratic{}, t_minus_0{}, lowest{}, lowest_x{};
  std::size_t from = cond_at;
  for (std::size_t i = 0; i < compounds.size(); ++i) {
    const std::size_t label = data.find(compounds[i] + ",", from);
    const auto rows = data.numeric_rows(label + 1);
    const std::vector<double> c = data.column(rows, 0);
    const std::vector<double> rho = data.column(rows, 1);
    const std::vector<double> t_minus = data.column(rows, 4);
    const Conductance& k = sheet_lines[i] = conductance(c, rho, t_minus, 0.0);
    solvent_lines[i] = conductance(c, rho, t_minus, kappa_water);
    quadratic[i] = analysis::fit_poly(k.root, k.lambda, 2).c[0];
    t_minus_0[i] = analysis::fit_line(k.root, t_minus).intercept;
    lowest[i] = k.lambda.front();
    lowest_x[i] = k.lambda_x.front();
    sheet.add(Workings{"conductance of " + compounds[i],
                       {Column{"conc", "eq/L", c},
                        Column{"specific resistance", "ohm cm", rho},
                        Column{"specific conductance", "ohm^-1 cm^-1", k.kappa},
                        Column{"equiv conductance", lambda_unit, k.lambda},
                        Column{"tc", "", t_minus},
                        Column{"lambda_c", lambda_unit, k.lambda_x},
                        Column{"sqrt(c)", "(eq/L)^0.5", k.root},
                        Column{"(lambda_c + 0.5 beta sqrt(c))", lambda_unit, k.lambda_x_plus},
                        Column{"(1-alpha sqrt(c))", "", k.relax},
                        Column{"lambda'", lambda_unit, k.lambda_x_prime},
                        Column{"Lambda' (compound)", lambda_unit, k.lambda_prime}}});
    from = label + 1;
  }

  const std::string solvent_route = "the solvent's conductance subtracted, kappa(water) = 1.2e-6 ohm^-1 cm^-1";
  const std::string bias = "high by about 0.1 %: the solvent water's conductance is in every resistance";
  for (std::size_t i = 0; i < compounds.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    sheet.add(Result{.key = "L0(" + compounds[i] + ")", .name = "limiting conductance of " + compounds[i],
                     .unit = lambda_unit, .true_value = in.hidden("l0comp", k), .value = sheet_lines[i].compound.l0,
                     .uncertainty = sheet_lines[i].compound.u,
                     .method = "intercept of (Lambda + beta sqrt(c))/(1 - alpha sqrt(c)) against c, 5 rows",
                     .bias = bias,
                     .routes = {{solvent_route, solvent_lines[i].compound.l0},
                                {"Lambda against sqrt(c), quadratic over the 5 rows", quadratic[i]}},
                     .nulls = {{"Lambda at 0.01 eq/L, not extrapolated", lowest[i]}}});
  }

  // The anion: each compound's extrapolation of λ', averaged; the three
  // tables are independent measurements.
  const auto mean_of = [](const std::array<double, 3>& v) { return (v[0] + v[1] + v[2]) / 3.0; };
  double variance = 0;
  std::array<double, 3> anion{}, anion_solvent{}, t0_lambda0{};
  for (std::size_t i = 0; i < compounds.size(); ++i) {
    anion[i] = sheet_lines[i].anion.l0;
    anion_solvent[i] = solvent_lines[i].anion.l0;
    t0_lambda0[i] = t_minus_0[i] * sheet_lines[i].compound.l0;
    variance += sheet_lines[i].anion.u * sheet_lines[i].anion.u;
  }
  const double l0_x = mean_of(anion);
  const double u_x = std::sqrt(variance) / 3.0;
  const std::string t0_route = "t- carried to c = 0 on a straight line in sqrt(c), times Lambda0";
  const std::string null_x = "tc Lambda at 0.01 eq/L, not extrapolated";
  sheet.add(Result{.key = "l0(X-)", .name = "limiting ionic conductance of X-", .unit = lambda_unit,
                   .true_value = in.hidden("l0anion"), .value = l0_x, .uncertainty = u_x,
                   .method = "intercept of lambda' = (tc*Lambda + 0.5 beta sqrt(c))/(1 - alpha sqrt(c)) against c, "
                             "mean over AX, BX, CX",
                   .bias = bias,
                   .routes = {{solvent_route, mean_of(anion_solvent)},
                              {"lambda' of AX alone", anion[0]},
                              {t0_route + ", mean over AX, BX, CX", mean_of(t0_lambda0)}},
                   .nulls = {{null_x + ", mean over AX, BX, CX", mean_of(lowest_x)}}});

  // The cations by difference, Λ0 = λ0(M+) + λ0(X−).
  const std::array<std::string, 3> cations{"A+", "B+", "C+"};
  for (std::size_t i = 0; i < cations.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    const double l0 = sheet_lines[i].compound.l0, u = sheet_lines[i].compound.u;
    sheet.add(Result{.key = "l0(" + cations[i] + ")", .name = "limiting ionic conductance of " + cations[i],
                     .unit = lambda_unit, .true_value = in.hidden("l0cation", k), .value = l0 - l0_x,
                     .uncertainty = std::sqrt(u * u + u_x * u_x),
                     .method = "Lambda0(" + compounds[i] + ") - lambda0(X-)", .bias = bias,
                     .routes = {{solvent_route, solvent_lines[i].compound.l0 - mean_of(anion_solvent)},
                                {"lambda0(X-) from AX alone", l0 - anion[0]},
                                {"(1 - t-) carried to c = 0 on a straight line in sqrt(c), times Lambda0 of " +
                                     compounds[i],
                                 (1.0 - t_minus_0[i]) * l0}},
                     .nulls = {{"(1 - tc) Lambda at 0.01 eq/L, not extrapolated", lowest[i] - lowest_x[i]}}});
  }

  sheet.notes.push_back(
      "Transference numbers: t+ at the concentration of the moving-boundary experiment (0.015 eq/L for AX, "
      "0.085 for BX), from the slope of time against VCF/1000I through the origin.");
  sheet.notes.push_back(
      "Limiting conductances by the conductance law (alpha = 0.229, beta = 60.2; an ion takes beta/2): "
      "(Lambda + beta sqrt(c))/(1 - alpha sqrt(c)) is linear in c with intercept Lambda0.");
  sheet.notes.push_back(
      "The anion from the tc column (its transference number at each concentration) of all three compounds; "
      "the cations by difference. The moving-boundary t+ belongs to 0.015 or 0.085 eq/L, not to infinite dilution, "
      "and t+ times Lambda0 would miss the ionic values by up to 4 %.");
  sheet.notes.push_back(
      "The resistances include the solvent water's conductance (about 1.2e-6 ohm^-1 cm^-1), which the file does "
      "not give: each Lambda is high by 1000 kappa(water)/c (0.1 at 0.01 eq/L), and the limiting conductances "
      "by about 0.1 % (at most 0.16 % over the seed sweep). The handout states 1.2e-6; subtracted or not, the "
      "results lie well within tolerance.");
}


// The same worksheet as spreadsheet formulas over the Data sheet. The lines
// of Λ' and λ' are drawn from c = 0 (on the record of the compound's name,
// above its rows) so that the extrapolation shows.
void workbook(const analysis::Case& in, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_range;
  using analysis::data_ref;
  using analysis::on_solution;
  using analysis::Shown;
  using Series = analysis::SolutionSheet::Series;
  const DataSet& data = in.data();
  const std::string a = ws.constant("alpha"), b = ws.constant("beta");

  // Moving boundary: t+ = SUMPRODUCT(x, x)/SUMPRODUCT(x, time), the inverse
  // of the slope through the origin; each timed row's own ratio beside it
  // (the row at time 0 is left out by its formula, so an edit that times a
  // row 0 takes it out too).
  std::vector<Series> boundary;
  std::size_t at = data.find("Transference Number Determination,");
  const std::array<std::string, 2> moving{"AX", "BX"};
  for (std::size_t j = 0; j < moving.size(); ++j) {
    at = data.find("compound " + moving[j] + ",", at);
    const std::size_t heading = data.find("dist(cm),time(sec),VCF/1000I,", at);
    const auto rows = data.numeric_rows(heading + 1);
    const std::string x = data_range(rows.front(), rows.back(), 2), y = data_range(rows.front(), rows.back(), 1);
    const std::vector<double> time = data.column(rows, 1), vcf = data.column(rows, 2);
    ws.step("Moving boundary of " + moving[j] + ": time against VCF/1000I through the origin");
    std::vector<Shown> ratio;
    for (std::size_t i = 0; i < rows.size(); ++i) ratio.push_back(time[i] > 0 ? Shown(vcf[i] / time[i]) : Shown::blank());
    const ColumnRef per_row = ws.column(
        "t+ = (VCF/1000I)/time", "", rows,
        [&](std::size_t i) {
          return "IF(" + data_ref(rows[i], 1) + ">0," + data_ref(rows[i], 2) + "/" + data_ref(rows[i], 1) + ",\"\")";
        },
        ratio);
    const double slope = analysis::fit_line_through_origin(vcf, time).slope;
    std::vector<double> line(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) line[i] = vcf[i] * slope;
    std::size_t timed = 0;
    for (const Shown& r : ratio) timed += r.kind() == Shown::Kind::number ? 1 : 0;
    ws.value("rows timed (time above 0)", "", "COUNT(" + per_row.range + ")", static_cast<double>(timed));
    const std::string t_plus = ws.result("t+(" + moving[j] + ")", "SUMPRODUCT(" + x + "," + x + ")/SUMPRODUCT(" +
                                                                     x + "," + y + ")");
    const ColumnRef fitted = ws.column("time on the line", "s", rows,
                                       [&](std::size_t i) { return data_ref(rows[i], 2) + "/" + t_plus; }, line);
    const int colour = static_cast<int>(j);
    boundary.push_back({.name = moving[j], .x_range = x, .y_range = y, .colour = colour});
    boundary.push_back({.name = moving[j] + ", slope 1/t+", .x_range = x, .y_range = on_solution(fitted.range),
                        .markers = false, .line = true, .colour = colour});
    at = heading + 1;
  }
  ws.chart("Moving boundary: time against VCF/1000I", "VCF/1000I (s)", "time (s)", boundary);

  // Conductances, each compound's Λ' and λ' against c, and their intercepts.
  std::vector<Series> compounds_chart, anion_chart;
  const std::array<std::string, 3> compounds{"AX", "BX", "CX"};
  std::array<std::string, 3> l0_cells, anion_cells;
  std::size_t from = data.find("Equivalent Conductance Experiments,", at);
  for (std::size_t k = 0; k < compounds.size(); ++k) {
    const std::string& name = compounds[k];
    const std::size_t label = data.find(name + ",", from);
    const auto rows = data.numeric_rows(label + 1);
    const auto& col = sheet.workings.at(2 + k).columns;
    const auto column = [&](const std::string& title, const std::string& unit, const std::vector<double>& values,
                            const std::function<std::string(std::size_t)>& formula) {
      return ws.column(title, unit, rows, formula, values);
    };
    ws.step("Conductance of " + name + ": Λ' = (Λ + β√c)/(1 − α√c) and λ' against c, extrapolated to c = 0");
    const ColumnRef kappa = column("κ = 1/ρ", "ohm^-1 cm^-1", col.at(2).values,
                                   [&](std::size_t i) { return "1/" + data_ref(rows[i], 1); });
    const ColumnRef lambda = column("Λ = 1000κ/c", lambda_unit, col.at(3).values, [&](std::size_t i) {
      return "1000*" + kappa.cells[i] + "/" + data_ref(rows[i], 0);
    });
    const ColumnRef lambda_x = column("λc = tc·Λ", lambda_unit, col.at(5).values,
                                      [&](std::size_t i) { return data_ref(rows[i], 4) + "*" + lambda.cells[i]; });
    const ColumnRef root = column("√c", "(eq/L)^0.5", col.at(6).values,
                                  [&](std::size_t i) { return "SQRT(" + data_ref(rows[i], 0) + ")"; });
    const ColumnRef plus = column("λc + β√c/2", lambda_unit, col.at(7).values, [&](std::size_t i) {
      return lambda_x.cells[i] + "+" + b + "/2*" + root.cells[i];
    });
    const ColumnRef relax =
        column("1 − α√c", "", col.at(8).values, [&](std::size_t i) { return "1-" + a + "*" + root.cells[i]; });
    const ColumnRef ion = column("λ' = (λc + β√c/2)/(1 − α√c)", lambda_unit, col.at(9).values,
                                 [&](std::size_t i) { return plus.cells[i] + "/" + relax.cells[i]; });
    const ColumnRef prime = column("Λ' = (Λ + β√c)/(1 − α√c)", lambda_unit, col.at(10).values, [&](std::size_t i) {
      return "(" + lambda.cells[i] + "+" + b + "*" + root.cells[i] + ")/" + relax.cells[i];
    });
    const std::string c_range = data_range(rows.front(), rows.back(), 0);
    const analysis::LineFit fit_compound = analysis::fit_line(col.at(0).values, col.at(10).values);
    const analysis::LineFit fit_anion = analysis::fit_line(col.at(0).values, col.at(9).values);
    l0_cells[k] = ws.result("L0(" + name + ")", "INTERCEPT(" + prime.range + "," + c_range + ")");
    const std::string slope = ws.value("slope of Λ' against c", "ohm^-1 cm2 eq^-1 L/eq",
                                       "SLOPE(" + prime.range + "," + c_range + ")", fit_compound.slope);
    anion_cells[k] = ws.value("intercept of λ' against c: λ0(X-)", lambda_unit,
                              "INTERCEPT(" + ion.range + "," + c_range + ")", fit_anion.intercept);
    const std::string anion_slope = ws.value("slope of λ' against c", "ohm^-1 cm2 eq^-1 L/eq",
                                             "SLOPE(" + ion.range + "," + c_range + ")", fit_anion.slope);

    // The lines from c = 0 through the rows, for the charts.
    std::vector<std::size_t> line_rows{label};
    line_rows.insert(line_rows.end(), rows.begin(), rows.end());
    std::vector<double> c{0.0};
    for (double v : col.at(0).values) c.push_back(v);
    std::vector<double> y_compound, y_anion;
    for (double v : c) {
      y_compound.push_back(fit_compound.at(v));
      y_anion.push_back(fit_anion.at(v));
    }
    const ColumnRef c_line = ws.column("c for the lines", "eq/L", line_rows, [&](std::size_t i) {
      return i == 0 ? std::string("0") : data_ref(line_rows[i], 0);
    }, c);
    const ColumnRef line_compound = ws.column("Λ' on the line", lambda_unit, line_rows, [&](std::size_t i) {
      return l0_cells[k] + "+" + slope + "*" + c_line.cells[i];
    }, y_compound);
    const ColumnRef line_anion = ws.column("λ' on the line", lambda_unit, line_rows, [&](std::size_t i) {
      return anion_cells[k] + "+" + anion_slope + "*" + c_line.cells[i];
    }, y_anion);
    const int colour = static_cast<int>(k);
    compounds_chart.push_back({.name = name, .x_range = c_range, .y_range = on_solution(prime.range), .colour = colour});
    compounds_chart.push_back({.name = name + " to c = 0", .x_range = on_solution(c_line.range),
                               .y_range = on_solution(line_compound.range), .markers = false, .line = true,
                               .colour = colour});
    anion_chart.push_back({.name = "from " + name, .x_range = c_range, .y_range = on_solution(ion.range),
                           .colour = colour});
    anion_chart.push_back({.name = "from " + name + " to c = 0", .x_range = on_solution(c_line.range),
                           .y_range = on_solution(line_anion.range), .markers = false, .line = true,
                           .colour = colour});
    from = label + 1;
  }
  ws.chart("Compounds: Λ' against c, extrapolated to c = 0", "c (eq/L)", "Λ' (ohm^-1 cm2 eq^-1)", compounds_chart);
  ws.chart("Anion X-: λ' against c, extrapolated to c = 0", "c (eq/L)", "λ' (ohm^-1 cm2 eq^-1)", anion_chart);

  ws.step("Limiting ionic conductances: Kohlrausch's independent migration");
  const std::string l0_x =
      ws.result("l0(X-)", "AVERAGE(" + anion_cells[0] + "," + anion_cells[1] + "," + anion_cells[2] + ")");
  const std::array<std::string, 3> cations{"A+", "B+", "C+"};
  for (std::size_t k = 0; k < cations.size(); ++k) ws.result("l0(" + cations[k] + ")", l0_cells[k] + "-" + l0_x);
}

const analysis::Handout& handout() {
  static const analysis::Handout h{
      .task = "Two experiments on 1:1 strong electrolytes with a common anion X−. A moving boundary gives the "
              "cation transference numbers of AX (at 0.015 eq/L) and BX (at 0.085 eq/L). The specific "
              "resistances of AX, BX and CX at five concentrations, with the anion's transference number at "
              "each, give the equivalent conductances, the limiting conductances of the three compounds and, "
              "by Kohlrausch's law of independent migration, the limiting ionic conductances of X−, A+, B+ "
              "and C+.",
      .data = "After the prologue (project, your name, your seeds) comes `Transference Number Determination,`; "
              "for each of AX and BX the record `compound AX,` (BX), a record `conc =, c,current =, I,` "
              "(eq/L, A), the heading `dist(cm),time(sec),VCF/1000I,` and 21 rows:\n\n"
              "| column | quantity | unit |\n|---|---|---|\n"
              "| `dist(cm)` | distance the boundary has moved | cm |\n"
              "| `time(sec)` | time it took | s |\n"
              "| `VCF/1000I` | the time it would take if the cation carried all the current | s |\n\n"
              "Then `Equivalent Conductance Experiments,` with a two-line heading and, under `AX,`, `BX,` and "
              "`CX,`, five rows each:\n\n"
              "| column | quantity | unit |\n|---|---|---|\n"
              "| `conc` | concentration | eq/L |\n"
              "| `specific resistance` | ρ of the solution | ohm·cm |\n"
              "| `specific conductance`, `equiv conductance` | empty: yours to fill | |\n"
              "| `tc` | transference number of the anion X− at that concentration | |\n\n"
              "The other columns of the heading are yours to fill.\n",
      .constants = {{.name = "α, relaxation coefficient of the conductance law",
                     .value = alpha,
                     .unit = "(L/eq)^½",
                     .use = "Λ = (1 − α·√c)·(Λ0 + B·c) − β·√c for a compound",
                     .symbol = "alpha"},
                    {.name = "β, electrophoretic coefficient of the conductance law",
                     .value = beta,
                     .unit = "ohm⁻¹·cm²·eq⁻¹·(L/eq)^½",
                     .use = "the same law; an ion takes half of it, β/2",
                     .symbol = "beta"},
                    {.name = "κ(water), specific conductance of the conductivity water",
                     .value = kappa_water,
                     .unit = "ohm⁻¹·cm⁻¹",
                     .use = "included in every resistance; you may subtract it from 1/ρ (the effect on the "
                            "results is about 0.1 %)",
                     .symbol = "kappa_water"}},
      .conventions = {"The file gives the specific resistance ρ (ohm·cm), so no cell constant is needed: "
                      "κ = 1/ρ and Λ = 1000·κ/c with c in eq/L.",
                      "t+ = (VCF/1000I)/time: the slope of time against VCF/1000I is 1/t+.",
                      "The anion's share of the conductance is λc = tc·Λ; an ion's law has β/2 in place of β.",
                      "Λ0 = λ0(M+) + λ0(X−) for each compound."},
      .results = {{.key = "t+(AX)",
                   .name = "cation transference number of AX at 0.015 eq/L",
                   .method = "from the times against VCF/1000I"},
                  {.key = "t+(BX)", .name = "cation transference number of BX at 0.085 eq/L", .method = "as AX"},
                  {.key = "L0(AX)",
                   .name = "limiting conductance of AX",
                   .unit = lambda_unit,
                   .method = "the conductance law: (Λ + β√c)/(1 − α√c) against c is a straight line whose "
                             "intercept is Λ0 (Kohlrausch's square-root law does not hold at 0.01 to 0.1 eq/L)"},
                  {.key = "L0(BX)", .name = "limiting conductance of BX", .unit = lambda_unit, .method = "as AX"},
                  {.key = "L0(CX)", .name = "limiting conductance of CX", .unit = lambda_unit, .method = "as AX"},
                  {.key = "l0(X-)",
                   .name = "limiting ionic conductance of X−",
                   .unit = lambda_unit,
                   .method = "λ' = (tc·Λ + β√c/2)/(1 − α√c) against c, extrapolated to c = 0; the mean over AX, "
                             "BX and CX"},
                  {.key = "l0(A+)",
                   .name = "limiting ionic conductance of A+",
                   .unit = lambda_unit,
                   .method = "Λ0(AX) − λ0(X−)"},
                  {.key = "l0(B+)",
                   .name = "limiting ionic conductance of B+",
                   .unit = lambda_unit,
                   .method = "Λ0(BX) − λ0(X−)"},
                  {.key = "l0(C+)",
                   .name = "limiting ionic conductance of C+",
                   .unit = lambda_unit,
                   .method = "Λ0(CX) − λ0(X−)"}},
  };
  return h;
}

}  // namespace

extern const analysis::Analysis strong_electrolyte_gen_answers{
    .program = "strong_electrolyte_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
