// Answer sheet of strong_electrolyte_gen: cation transference numbers from
// the moving boundary; equivalent and limiting conductances of AX, BX, CX;
// the limiting conductance of the anion X− from its transference numbers,
// and those of the cations by difference.
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

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

struct Extrapolation {
  double l0 = 0, u = 0;
};

// Λ' = (Λ + e·√c)/(1 − α·√c) = Λ0 + B·c, a straight line in c whose
// intercept is the limiting conductance.
Extrapolation extrapolate(const std::vector<double>& c, const std::vector<double>& lambda_prime) {
  const analysis::LineFit fit = analysis::fit_line(c, lambda_prime);
  return {fit.intercept, fit.se_intercept};
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
    sheet.add(Result{.key = "t+(" + moving[j] + ")", .name = "cation transference number of " + moving[j],
                     .unit = "", .true_value = in.hidden("transnumbplus", k), .value = t_plus,
                     .uncertainty = u_t_plus,
                     .method = "1/slope of time against VCF/1000I through the origin, " + std::to_string(rows.size()) +
                               " rows"});
    std::vector<double> ratio(rows.size(), analysis::not_a_number);
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (time[i] > 0) ratio[i] = vcf[i] / time[i];
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
  std::array<Extrapolation, 3> compound{};
  std::array<Extrapolation, 3> anion{};
  std::size_t from = cond_at;
  for (std::size_t i = 0; i < compounds.size(); ++i) {
    const std::size_t label = data.find(compounds[i] + ",", from);
    const auto rows = data.numeric_rows(label + 1);
    const std::vector<double> c = data.column(rows, 0);
    const std::vector<double> rho = data.column(rows, 1);
    const std::vector<double> t_minus = data.column(rows, 4);
    const std::size_t n = rows.size();
    std::vector<double> kappa(n), lambda(n), lambda_x(n), root(n), lambda_x_plus(n), relax(n), lambda_x_prime(n),
        lambda_prime(n);
    for (std::size_t r = 0; r < n; ++r) {
      kappa[r] = 1.0 / rho[r];
      lambda[r] = 1000.0 * kappa[r] / c[r];
      lambda_x[r] = t_minus[r] * lambda[r];
      root[r] = std::sqrt(c[r]);
      lambda_x_plus[r] = lambda_x[r] + 0.5 * beta * root[r];
      relax[r] = 1.0 - alpha * root[r];
      lambda_x_prime[r] = lambda_x_plus[r] / relax[r];
      lambda_prime[r] = (lambda[r] + beta * root[r]) / relax[r];
    }
    compound[i] = extrapolate(c, lambda_prime);
    anion[i] = extrapolate(c, lambda_x_prime);
    sheet.add(Workings{"conductance of " + compounds[i],
                       {Column{"conc", "eq/L", c},
                        Column{"specific resistance", "ohm cm", rho},
                        Column{"specific conductance", "ohm^-1 cm^-1", kappa},
                        Column{"equiv conductance", lambda_unit, lambda},
                        Column{"tc", "", t_minus},
                        Column{"lambda_c", lambda_unit, lambda_x},
                        Column{"sqrt(c)", "(eq/L)^0.5", root},
                        Column{"(lambda_c + 0.5 beta sqrt(c))", lambda_unit, lambda_x_plus},
                        Column{"(1-alpha sqrt(c))", "", relax},
                        Column{"lambda'", lambda_unit, lambda_x_prime},
                        Column{"Lambda' (compound)", lambda_unit, lambda_prime}}});
    from = label + 1;
  }

  const std::string bias = "high by about 0.1 %: the solvent water's conductance is in every resistance";
  for (std::size_t i = 0; i < compounds.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    sheet.add(Result{.key = "L0(" + compounds[i] + ")", .name = "limiting conductance of " + compounds[i],
                     .unit = lambda_unit, .true_value = in.hidden("l0comp", k), .value = compound[i].l0,
                     .uncertainty = compound[i].u,
                     .method = "intercept of (Lambda + beta sqrt(c))/(1 - alpha sqrt(c)) against c, 5 rows",
                     .bias = bias});
  }

  // The anion: each compound's extrapolation of λ', averaged; the three
  // tables are independent measurements.
  double sum = 0, variance = 0;
  for (const Extrapolation& e : anion) {
    sum += e.l0;
    variance += e.u * e.u;
  }
  const double count = static_cast<double>(anion.size());
  const double l0_x = sum / count;
  const double u_x = std::sqrt(variance) / count;
  sheet.add(Result{.key = "l0(X-)", .name = "limiting ionic conductance of X-", .unit = lambda_unit,
                   .true_value = in.hidden("l0anion"), .value = l0_x, .uncertainty = u_x,
                   .method = "intercept of lambda' = (tc*Lambda + 0.5 beta sqrt(c))/(1 - alpha sqrt(c)) against c, "
                             "mean over AX, BX, CX",
                   .bias = bias});

  // The cations by difference, Λ0 = λ0(M+) + λ0(X−).
  const std::array<std::string, 3> cations{"A+", "B+", "C+"};
  for (std::size_t i = 0; i < cations.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    sheet.add(Result{.key = "l0(" + cations[i] + ")", .name = "limiting ionic conductance of " + cations[i],
                     .unit = lambda_unit, .true_value = in.hidden("l0cation", k), .value = compound[i].l0 - l0_x,
                     .uncertainty = std::sqrt(compound[i].u * compound[i].u + u_x * u_x),
                     .method = "Lambda0(" + compounds[i] + ") - lambda0(X-)", .bias = bias});
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
      "by about 0.1 % (at most 0.16 % over the seed sweep).");
}

}  // namespace

extern const analysis::Analysis strong_electrolyte_gen_answers{.program = "strong_electrolyte_gen",
                                                               .analyse = analyse};
