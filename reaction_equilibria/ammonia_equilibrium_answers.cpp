// Answer sheet of ammonia_equilibrium_gen: fugacity coefficients of the
// three gases from their molar volumes, the thermodynamic equilibrium
// constant of A + 2B -> 2C at two temperatures from Kp and the fugacity
// coefficients, and the reaction enthalpy by van 't Hoff.
#include <array>
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
using analysis::DataSet;
using analysis::Result;
using analysis::Workings;

constexpr double r_volume = 82.05746;  // gas constant, cm3 atm/(mol K)
constexpr double r_energy = 8.314462;  // gas constant, J/(mol K)
constexpr double celsius_zero = 273.15;  // K
// The residual volume alpha = V − RT/P is smooth in P; a polynomial of this
// degree through the twenty points carries it to P = 0, where the integral
// starts.
constexpr std::size_t alpha_degree = 4;

struct Equilibrium {
  double t_celsius = 0;
  double keq = 0, u_keq = 0;
};

// One temperature's block: the three volume tables and the Kp table.
Equilibrium analyse_temperature(const DataSet& data, std::size_t block, analysis::AnswerSheet& sheet) {
  Equilibrium eq;
  eq.t_celsius = data.value(block, 1);
  const double t = eq.t_celsius + celsius_zero;
  const double rt = r_volume * t;
  const std::string label = "T = " + data.text(block, 1) + " C";

  const std::array<std::string, 3> gases{"A", "B", "C"};
  std::array<std::vector<double>, 3> phi;
  std::size_t at = block;
  for (std::size_t g = 0; g < gases.size(); ++g) {
    at = data.find("Component " + gases[g] + ",", at);
    const std::size_t heading = data.find("P(atm),V(cm^3/mol),RT/P,alpha,", at);
    const auto rows = data.numeric_rows(heading + 1);
    const std::vector<double> p = data.column(rows, 0);
    const std::vector<double> v = data.column(rows, 1);
    const std::size_t n = rows.size();
    std::vector<double> ideal(n), alpha(n), integral(n), ln_phi(n);
    for (std::size_t j = 0; j < n; ++j) {
      ideal[j] = rt / p[j];
      alpha[j] = v[j] - ideal[j];
    }
    // ln(f/p) = (1/RT)·∫0^P alpha dP, with alpha the fitted polynomial.
    const analysis::PolyFit fit = analysis::fit_poly(p, alpha, alpha_degree);
    phi[g].resize(n);
    for (std::size_t j = 0; j < n; ++j) {
      integral[j] = fit.integral(0.0, p[j]);
      ln_phi[j] = integral[j] / rt;
      phi[g][j] = std::exp(ln_phi[j]);
    }
    sheet.add(Workings{label + ", component " + gases[g],
                       {Column{"P(atm)", "atm", p},
                        Column{"V(cm^3/mol)", "cm3/mol", v},
                        Column{"RT/P", "cm3/mol", ideal},
                        Column{"alpha", "cm3/mol", alpha},
                        Column{"integalpha", "cm3 atm/mol", integral},
                        Column{"ln(f/p)", "", ln_phi},
                        Column{"gamma", "", phi[g]}}});
    at = heading + 1;
  }

  // Keq = Kp·γC²/(γA·γB²) at each pressure; ideally the same at all.
  const std::size_t kp_at = data.find("P(atm),Kp,", at);
  const auto rows = data.numeric_rows(kp_at + 1);
  const std::vector<double> p = data.column(rows, 0);
  const std::vector<double> kp = data.column(rows, 1);
  const std::size_t n = rows.size();
  if (phi[0].size() != n || phi[1].size() != n || phi[2].size() != n)
    throw analysis::AnalysisError("the Kp table of " + label + " and the volume tables differ in length");
  std::vector<double> kgamma(n), keq(n);
  double sum = 0;
  for (std::size_t j = 0; j < n; ++j) {
    kgamma[j] = phi[2][j] * phi[2][j] / (phi[0][j] * phi[1][j] * phi[1][j]);
    keq[j] = kp[j] * kgamma[j];
    sum += keq[j];
  }
  eq.keq = sum / static_cast<double>(n);
  double squares = 0;
  for (const double k : keq) squares += (k - eq.keq) * (k - eq.keq);
  eq.u_keq = std::sqrt(squares / static_cast<double>(n - 1) / static_cast<double>(n));
  sheet.add(Workings{label + ", Keq from Kp",
                     {Column{"P(atm)", "atm", p},
                      Column{"Kp", "", kp},
                      Column{"gammaC^2/(gammaA gammaB^2)", "", kgamma},
                      Column{"Keq", "", keq}}});
  return eq;
}

void analyse(const analysis::Case& in, analysis::AnswerSheet& sheet) {
  const DataSet& data = in.data();
  const std::size_t lower_at = data.find("Temperature ,");
  const std::size_t upper_at = data.find("Temperature ,", lower_at + 1);
  const Equilibrium lower = analyse_temperature(data, lower_at, sheet);
  const Equilibrium upper = analyse_temperature(data, upper_at, sheet);

  const std::string keq_method = "mean over the 20 pressures of Kp gammaC^2/(gammaA gammaB^2)";
  sheet.add(Result{.key = "Keq(1)", .name = "equilibrium constant at the lower temperature", .unit = "",
                   .true_value = in.hidden("keq", 1), .value = lower.keq, .uncertainty = lower.u_keq,
                   .method = keq_method});
  sheet.add(Result{.key = "Keq(2)", .name = "equilibrium constant at the upper temperature", .unit = "",
                   .true_value = in.hidden("keq", 2), .value = upper.keq, .uncertainty = upper.u_keq,
                   .method = keq_method});

  // van 't Hoff between the two temperatures:
  // ΔH = R·ln(K2/K1)/(1/T1 − 1/T2).
  const double t1 = lower.t_celsius + celsius_zero;
  const double t2 = upper.t_celsius + celsius_zero;
  const auto van_t_hoff = [t1, t2](std::span<const double> k) {
    return r_energy * std::log(k[1] / k[0]) / (1.0 / t1 - 1.0 / t2);
  };
  const std::array<double, 2> k{lower.keq, upper.keq};
  const std::array<double, 4> cov{lower.u_keq * lower.u_keq, 0.0, 0.0, upper.u_keq * upper.u_keq};
  const analysis::Estimate delh = analysis::propagate(van_t_hoff, k, cov);
  sheet.add(Result{.key = "dH", .name = "reaction enthalpy", .unit = "J/mol", .true_value = in.hidden("delh"),
                   .value = delh.value, .uncertainty = delh.u,
                   .method = "van 't Hoff: R ln(Keq(2)/Keq(1)) / (1/T1 - 1/T2)"});

  sheet.notes.push_back(
      "alpha = V - RT/P (R = 82.05746 cm3 atm/(mol K)); integalpha is the integral from P = 0 of a least-squares "
      "polynomial of degree 4 of alpha against P over the 20 pressures; ln(f/p) = integalpha/RT, gamma = f/p.");
  sheet.notes.push_back(
      "Keq at each pressure = Kp gammaC^2/(gammaA gammaB^2); its mean per temperature, uncertainty the standard "
      "error of that mean; reaction enthalpy by van 't Hoff with R = 8.314462 J/(mol K).");
}


// The same worksheet as spreadsheet formulas over the Data sheet, one
// temperature's block at a time: per gas P and its powers side by side for
// LINEST, alpha, the integral of the fitted polynomial from 0 (by Horner's
// scheme, as the analysis), ln(f/p) and gamma; then Keq at each pressure.
// Returns the cells of T and of the mean Keq.
struct BlockCells {
  std::string t, keq;
};

BlockCells workbook_temperature(const DataSet& data, std::size_t block, int index, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::data_range;
  using analysis::on_solution;
  const double t = data.value(block, 1) + celsius_zero;
  const double rt = r_volume * t;
  const std::string label = "T = " + data.text(block, 1) + " C";
  const std::string t_cell = ws.value("T, " + label, "K", data_cell(block, 1) + "+273.15", t);
  const std::string rt_cell = ws.value("RT, " + label, "cm3 atm/mol", "82.05746*" + t_cell, rt);
  const auto column = [&](const std::vector<std::size_t>& rows, const std::string& title, const std::string& unit,
                          const std::vector<double>& values, const std::function<std::string(std::size_t)>& formula) {
    std::vector<std::string> fs;
    for (std::size_t i = 0; i < rows.size(); ++i) fs.push_back(formula(i));
    return ws.column(title, unit, rows, fs, values);
  };

  const std::array<std::string, 3> gases{"A", "B", "C"};
  std::array<std::vector<double>, 3> phi;
  std::array<ColumnRef, 3> phi_cells;
  std::vector<analysis::SolutionSheet::Series> alpha_chart;
  std::size_t at = block;
  for (std::size_t g = 0; g < gases.size(); ++g) {
    const std::string name = gases[g] + ", " + label;
    at = data.find("Component " + gases[g] + ",", at);
    const std::size_t heading = data.find("P(atm),V(cm^3/mol),RT/P,alpha,", at);
    const auto rows = data.numeric_rows(heading + 1);
    const std::vector<double> p = data.column(rows, 0), v = data.column(rows, 1);
    const std::size_t n = rows.size();
    std::vector<double> ideal(n), alpha(n);
    for (std::size_t j = 0; j < n; ++j) {
      ideal[j] = rt / p[j];
      alpha[j] = v[j] - ideal[j];
    }
    const analysis::PolyFit fit = analysis::fit_poly(p, alpha, alpha_degree);
    std::vector<ColumnRef> powers{column(rows, "P, " + name, "atm", p, [&](std::size_t j) { return data_cell(rows[j], 0); })};
    for (std::size_t k = 2; k <= alpha_degree; ++k) {
      std::vector<double> pk(n);
      for (std::size_t j = 0; j < n; ++j) pk[j] = std::pow(p[j], static_cast<double>(k));
      powers.push_back(column(rows, "P^" + std::to_string(k) + ", " + name, "", pk, [&](std::size_t j) {
        return powers.front().cells[j] + "^" + std::to_string(k);
      }));
    }
    const ColumnRef c_ideal = column(rows, "RT/P, " + name, "cm3/mol", ideal,
                                     [&](std::size_t j) { return rt_cell + "/" + data_cell(rows[j], 0); });
    const ColumnRef c_alpha = column(rows, "alpha = V − RT/P, " + name, "cm3/mol", alpha, [&](std::size_t j) {
      return data_cell(rows[j], 1) + "-" + c_ideal.cells[j];
    });
    const std::string law = "LINEST(" + c_alpha.range + "," + powers.front().cells.front() + ":" +
                            powers.back().cells.back() + ",TRUE,TRUE)";
    std::vector<std::string> coef;
    for (std::size_t k = 0; k <= alpha_degree; ++k)
      coef.push_back(ws.value("alpha: coefficient of P^" + std::to_string(k) + ", " + name, "",
                              "INDEX(" + law + ",1," + std::to_string(alpha_degree + 1 - k) + ")", fit.c[k]));
    std::vector<double> integral(n), ln_phi(n);
    phi[g].resize(n);
    for (std::size_t j = 0; j < n; ++j) {
      integral[j] = fit.integral(0.0, p[j]);
      ln_phi[j] = integral[j] / rt;
      phi[g][j] = std::exp(ln_phi[j]);
    }
    const ColumnRef c_integral = column(rows, "integral of alpha from 0, " + name, "cm3 atm/mol", integral,
                                        [&](std::size_t j) {
                                          std::string f = coef[alpha_degree] + "/" + std::to_string(alpha_degree + 1);
                                          for (std::size_t k = alpha_degree; k-- > 0;)
                                            f = coef[k] + "/" + std::to_string(k + 1) + "+" + powers.front().cells[j] +
                                                "*(" + f + ")";
                                          return powers.front().cells[j] + "*(" + f + ")";
                                        });
    const ColumnRef c_ln = column(rows, "ln(f/p), " + name, "", ln_phi,
                                  [&](std::size_t j) { return c_integral.cells[j] + "/" + rt_cell; });
    phi_cells[g] = column(rows, "gamma = f/p, " + name, "", phi[g],
                          [&](std::size_t j) { return "EXP(" + c_ln.cells[j] + ")"; });

    // The fitted polynomial from P = 0 (on the heading's record) through the rows.
    std::vector<std::size_t> curve_rows{heading};
    curve_rows.insert(curve_rows.end(), rows.begin(), rows.end());
    std::vector<double> x{0.0}, y;
    for (const double pj : p) x.push_back(pj);
    for (const double xj : x) y.push_back(fit.at(xj));
    const ColumnRef c_x = column(curve_rows, "P for the curve, " + name, "atm", x, [&](std::size_t j) {
      return j == 0 ? std::string("0") : powers.front().cells[j - 1];
    });
    const ColumnRef c_y = column(curve_rows, "alpha fitted, " + name, "cm3/mol", y, [&](std::size_t j) {
      std::string f = coef[alpha_degree];
      for (std::size_t k = alpha_degree; k-- > 0;) f = coef[k] + "+" + c_x.cells[j] + "*(" + f + ")";
      return f;
    });
    alpha_chart.push_back({.name = gases[g], .x_range = data_range(rows.front(), rows.back(), 0),
                           .y_range = on_solution(c_alpha.range)});
    alpha_chart.push_back({.name = gases[g] + ", polynomial of degree 4", .x_range = on_solution(c_x.range),
                           .y_range = on_solution(c_y.range), .markers = false, .line = true});
    at = heading + 1;
  }
  ws.chart("Fugacity integrand: alpha = V − RT/P against P, " + label, "P (atm)", "alpha (cm3/mol)", alpha_chart);

  const std::size_t kp_at = data.find("P(atm),Kp,", at);
  const auto rows = data.numeric_rows(kp_at + 1);
  const std::vector<double> kp = data.column(rows, 1);
  const std::size_t n = rows.size();
  if (phi[0].size() != n || phi[1].size() != n || phi[2].size() != n)
    throw analysis::AnalysisError("the Kp table of " + label + " and the volume tables differ in length");
  std::vector<double> kgamma(n), keq(n);
  for (std::size_t j = 0; j < n; ++j) {
    kgamma[j] = phi[2][j] * phi[2][j] / (phi[0][j] * phi[1][j] * phi[1][j]);
    keq[j] = kp[j] * kgamma[j];
  }
  const ColumnRef c_kgamma = column(rows, "gammaC^2/(gammaA gammaB^2), " + label, "", kgamma, [&](std::size_t j) {
    return phi_cells[2].cells[j] + "*" + phi_cells[2].cells[j] + "/(" + phi_cells[0].cells[j] + "*" +
           phi_cells[1].cells[j] + "*" + phi_cells[1].cells[j] + ")";
  });
  const ColumnRef c_keq = column(rows, "Keq, " + label, "", keq, [&](std::size_t j) {
    return data_cell(rows[j], 1) + "*" + c_kgamma.cells[j];
  });
  ws.chart("Kp and Keq = Kp gammaC^2/(gammaA gammaB^2) against P, " + label, "P (atm)", "K (standard state 1 atm)",
           {{.name = "Keq", .x_range = data_range(rows.front(), rows.back(), 0), .y_range = on_solution(c_keq.range)},
            {.name = "Kp", .x_range = data_range(rows.front(), rows.back(), 0),
             .y_range = data_range(rows.front(), rows.back(), 1)}});
  return {t_cell, ws.result("Keq(" + std::to_string(index) + ")", "AVERAGE(" + c_keq.range + ")")};
}

void workbook(const analysis::Case& in, const analysis::AnswerSheet&, analysis::SolutionSheet& ws) {
  const DataSet& data = in.data();
  const std::size_t lower_at = data.find("Temperature ,");
  const std::size_t upper_at = data.find("Temperature ,", lower_at + 1);
  const BlockCells lower = workbook_temperature(data, lower_at, 1, ws);
  const BlockCells upper = workbook_temperature(data, upper_at, 2, ws);
  ws.result("dH", "8.314462*LN(" + upper.keq + "/" + lower.keq + ")/(1/" + lower.t + "-1/" + upper.t + ")");
  ws.note("LINEST lists its coefficients from the last x column (P^4) to the first (P), then the constant; the "
          "integral from 0 to P is P(c0 + P(c1/2 + P(c2/3 + P(c3/4 + P c4/5)))).");
}

}  // namespace

extern const analysis::Analysis ammonia_equilibrium_gen_answers{
    .program = "ammonia_equilibrium_gen", .analyse = analyse, .workbook = workbook};
