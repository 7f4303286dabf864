// Answer sheet of the third-law entropy (third_law_gen).
//
// S(298.15 K) of the liquid is the sum of
//   - the Debye T³ extrapolation below the lowest measured temperature T0:
//     with Cp = k·T³ there, S(T0) = Cp(T0)/3;
//   - the integral of Cp/T dT over the solid rows, T0 to the melting point;
//   - the entropy of fusion, ΔHfus/Tfus;
//   - the integral of Cp/T dT over the liquid rows, melting point to 298.15 K;
// both integrals by the trapezoid rule on the written points. The gas at the
// standard pressure adds ΔHvap/298.15 and R·ln(pvap/p°), p° = 1 bar.
//
// The measured heat capacities scatter uniformly within ±1 % and are
// written to 0.01 J/(K·mol); the uncertainties of the sums come from those
// two, propagated through the trapezoid weights. The heats, the vapor
// pressure and the temperatures are taken as exact.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr double gas_constant = 8.314462618;  // J/(K·mol)
constexpr double t_room = 298.15;             // K
constexpr double p_standard = 100000.0;       // Pa, 1 bar
// Standard uncertainty of one written heat capacity: ±1 % uniform scatter
// and the half-unit of its last written digit, J/(K·mol).
double u_cp(double cp) {
  const double scatter = 0.01 * cp / std::sqrt(3.0);
  const double rounding = 0.005 / std::sqrt(3.0);
  return std::hypot(scatter, rounding);
}

std::string kelvin(double t) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f K", t);
  return text;
}

struct Integral {
  double value = 0;
  double u = 0;
};

// ∫ Cp/T dT by the trapezoid rule over the rows, and its uncertainty from
// the uncertainties of the heat capacities (each enters with its trapezoid
// weight divided by T).
Integral entropy_integral(const std::vector<double>& t, const std::vector<double>& cp) {
  std::vector<double> cp_over_t(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) cp_over_t[i] = cp[i] / t[i];
  Integral r{.value = analysis::trapezoid(t, cp_over_t)};
  double u2 = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double left = i > 0 ? t[i] - t[i - 1] : 0.0;
    const double right = i + 1 < t.size() ? t[i + 1] - t[i] : 0.0;
    const double w = 0.5 * (left + right) / t[i];
    u2 += w * w * u_cp(cp[i]) * u_cp(cp[i]);
  }
  r.u = std::sqrt(u2);
  return r;
}

void analyse(const analysis::Case& c, analysis::AnswerSheet& sheet) {
  const analysis::DataSet& data = c.data();

  const std::size_t heading = data.find("T(K),ln(T),Cp(J/deg/mole)");
  const auto solid_rows = data.numeric_rows(heading + 1);
  const std::size_t fusion = data.find("Fusion,", heading);
  const auto liquid_rows = data.numeric_rows(fusion + 1);
  if (solid_rows.size() < 2 || liquid_rows.size() < 2)
    throw analysis::AnalysisError("third_law_gen: fewer than two solid or liquid rows");
  const std::vector<double> t_solid = data.column(solid_rows, 0);
  const std::vector<double> cp_solid = data.column(solid_rows, 2);
  const std::vector<double> t_liquid = data.column(liquid_rows, 0);
  const std::vector<double> cp_liquid = data.column(liquid_rows, 2);

  const double h_fus = data.value(data.find("Heat of Fusion,,"), 2);  // J/mol
  const double h_vap = data.value(data.find("Heat of Vaporization at 298.15 K,") + 1, 2);  // J/mol
  const double p_vap = data.value(data.find("Vapor Pressure at 298.15 K,") + 1, 2);  // Pa
  const double t0 = t_solid.front();
  const double t_fus = t_liquid.front();  // the melting point opens the liquid rows

  // The hidden model's own curves, integrated exactly over the same range.
  const double x1 = c.hidden("x", 1), x2 = c.hidden("x", 2), x3 = c.hidden("x", 3);
  const double tfus_true = c.hidden("tfus");
  const double cpfusliq = c.hidden("cpfusliq"), cpslope = c.hidden("cpslope");
  const double true_debye = c.hidden("cpinit") / 3.0;
  const double true_solid =
      x1 * std::log(tfus_true / t0) + x2 * (tfus_true - t0) + 0.5 * x3 * (1.0 / (t0 * t0) - 1.0 / (tfus_true * tfus_true));
  const double true_fusion = c.hidden("hfus") / tfus_true;
  const double true_liquid =
      (cpfusliq - cpslope * tfus_true) * std::log(t_room / tfus_true) + cpslope * (t_room - tfus_true);
  const double true_vap = c.hidden("hvap") / t_room;
  const double true_corr = gas_constant * std::log(c.hidden("pvap") / p_standard);
  const double true_liquid_s = true_debye + true_solid + true_fusion + true_liquid;

  const Integral debye{cp_solid.front() / 3.0, u_cp(cp_solid.front()) / 3.0};
  const Integral solid = entropy_integral(t_solid, cp_solid);
  const Integral liquid = entropy_integral(t_liquid, cp_liquid);
  const double fusion_s = h_fus / t_fus;
  const double vap_s = h_vap / t_room;
  const double corr = gas_constant * std::log(p_vap / p_standard);
  const double s_liquid = debye.value + solid.value + fusion_s + liquid.value;
  const double u_liquid = std::sqrt(debye.u * debye.u + solid.u * solid.u + liquid.u * liquid.u);

  const std::string entropy_unit = "J/(K·mol)";
  const std::string trapezoid = "trapezoid rule of Cp/T against T over the written ";
  sheet.add(Result{.key = "S(T0)", .name = "entropy at the lowest temperature (Debye T³)", .unit = entropy_unit,
                   .true_value = true_debye, .value = debye.value, .uncertainty = debye.u,
                   .method = "Cp(T0)/3 at the lowest temperature T0 = " + kelvin(t0)});
  sheet.add(Result{.key = "dS(solid)", .name = "entropy gain of the solid up to the melting point",
                   .unit = entropy_unit, .true_value = true_solid, .value = solid.value, .uncertainty = solid.u,
                   .method = trapezoid + std::to_string(t_solid.size()) + " solid rows"});
  sheet.add(Result{.key = "dS(fus)", .name = "entropy of fusion", .unit = entropy_unit, .true_value = true_fusion,
                   .value = fusion_s, .uncertainty = 0.0, .method = "ΔHfus/Tfus"});
  sheet.add(Result{.key = "dS(liquid)", .name = "entropy gain of the liquid up to 298.15 K", .unit = entropy_unit,
                   .true_value = true_liquid, .value = liquid.value, .uncertainty = liquid.u,
                   .method = trapezoid + std::to_string(t_liquid.size()) + " liquid rows"});
  sheet.add(Result{.key = "S(liquid)", .name = "absolute entropy of the liquid at 298.15 K", .unit = entropy_unit,
                   .true_value = true_liquid_s, .value = s_liquid, .uncertainty = u_liquid,
                   .method = "S(T0) + ΔS(solid) + ΔHfus/Tfus + ΔS(liquid)"});
  sheet.add(Result{.key = "dS(vap)", .name = "entropy of vaporization at 298.15 K", .unit = entropy_unit,
                   .true_value = true_vap, .value = vap_s, .uncertainty = 0.0, .method = "ΔHvap/298.15 K"});
  sheet.add(Result{.key = "dS(p)", .name = "correction of the vapor to 1 bar", .unit = entropy_unit,
                   .true_value = true_corr, .value = corr, .uncertainty = 0.0,
                   .method = "R·ln(pvap/p°), p° = 1 bar = 100000 Pa"});
  sheet.add(Result{.key = "S°(gas)", .name = "standard entropy of the gas at 298.15 K and 1 bar",
                   .unit = entropy_unit, .true_value = true_liquid_s + true_vap + true_corr,
                   .value = s_liquid + vap_s + corr, .uncertainty = u_liquid,
                   .method = "S(liquid) + ΔHvap/298.15 + R·ln(pvap/p°)"});

  // The worksheet: ln T (the column the data set leaves empty), Cp/T and
  // the entropy accumulated up to each row, solid and liquid in one table.
  std::vector<double> t_all, ln_t, cp_all, cp_over_t, s_running;
  double s = debye.value;
  const auto add_rows = [&](const std::vector<double>& t, const std::vector<double>& cp) {
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (i > 0) s += 0.5 * (cp[i] / t[i] + cp[i - 1] / t[i - 1]) * (t[i] - t[i - 1]);
      t_all.push_back(t[i]);
      ln_t.push_back(std::log(t[i]));
      cp_all.push_back(cp[i]);
      cp_over_t.push_back(cp[i] / t[i]);
      s_running.push_back(s);
    }
  };
  add_rows(t_solid, cp_solid);
  s += fusion_s;
  add_rows(t_liquid, cp_liquid);
  sheet.add(analysis::Workings{.title = "Cp/T and the entropy from 0 K (the melting point twice: solid, then liquid "
                                        "after fusion)",
                               .columns = {Column{"T(K)", "K", t_all}, Column{"ln(T)", "", ln_t},
                                           Column{"Cp(J/deg/mole)", entropy_unit, cp_all},
                                           Column{"Cp/T", "J/(K²·mol)", cp_over_t},
                                           Column{"S(T)", entropy_unit, s_running}}});

  sheet.notes.push_back("Integrals of Cp/T dT by the trapezoid rule on the written points; below the lowest "
                        "temperature the Debye law Cp ∝ T³, S(T0) = Cp(T0)/3. Standard pressure p° = 1 bar "
                        "(100000 Pa); with 1 atm the gas entropy is 0.11 J/(K·mol) lower.");
  sheet.notes.push_back("Uncertainties from the ±1 % uniform scatter of the measured Cp and the rounding of the "
                        "written values; the heats and the vapor pressure are taken as exact.");
  sheet.notes.push_back("True values: the same sum on the hidden curves, Cp = x1 + x2·T + x3/T² for the solid "
                        "from T0 and Cp = cpfusliq + cpslope·(T − Tfus) for the liquid, integrated exactly; the "
                        "Debye term is the hidden Cp(T0)/3 (the solid law does not hold below T0). The trapezoid "
                        "rule's truncation error on the written grid is about 0.1 % of the solid integral.");
}

}  // namespace

extern const analysis::Analysis third_law_gen_answers{.program = "third_law_gen", .analyse = analyse};
