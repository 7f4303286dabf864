// Answer sheet of the orthobaric densities: the critical temperature and
// density by the law of rectilinear diameters and by the corresponding-states
// curve.
//
// The worksheet: T in kelvin, the mean density (dl + dv)/2 and the
// difference dl − dv. Rectilinear diameters: dl − dv vanishes at Tc as
// (Tc − T)^(1/3), so (dl − dv)³ is a straight line in T that reaches zero at
// Tc; the straight line of the mean density, read at that Tc, gives the
// critical density. Corresponding states: Guggenheim's reduced coexistence
// curve, dl,v/dc = 1 + (3/4)(1 − T/Tc) ± (7/4)(1 − T/Tc)^(1/3), fitted to
// both branches at once by nonlinear least squares in Tc and dc.
//
// True values are the hidden tc and dc. The densities of the data set come
// from two polynomial correlations in the reduced temperature that do not
// meet at Tc (there they give 1.477·dc and 0.555·dc), so neither route can
// land on tc and dc; since the temperatures are fixed fractions of tc the
// miss is the same fraction for every data set.
#include <array>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using namespace analysis;

constexpr double kelvin_offset = 273.15;  // K at 0 °C
// Guggenheim's coefficients of the reduced coexistence curve.
constexpr double diameter_slope = 0.75;
constexpr double width_coefficient = 1.75;

void analyse(const Case& cs, AnswerSheet& sheet) {
  const DataSet& data = cs.data();
  const std::vector<std::size_t> rows = data.numeric_rows(data.find("Temp(C),dens(liq),dens(vap)") + 1);
  if (rows.size() < 4) throw AnalysisError("fewer than 4 rows of densities after Temp(C),dens(liq),dens(vap)");
  const std::vector<double> tc_celsius = data.column(rows, 0);
  const std::vector<double> dl = data.column(rows, 1);
  const std::vector<double> dv = data.column(rows, 2);
  const std::size_t n = rows.size();

  std::vector<double> t(n), mean(n), width(n), width3(n);
  for (std::size_t i = 0; i < n; ++i) {
    t[i] = tc_celsius[i] + kelvin_offset;
    mean[i] = (dl[i] + dv[i]) / 2.0;
    width[i] = dl[i] - dv[i];
    width3[i] = width[i] * width[i] * width[i];
  }

  // Rectilinear diameters.
  const LineFit cube = fit_line(t, width3);
  const LineFit diameter = fit_line(t, mean);
  const double tc_rd = cube.x_at(0.0);
  const double u_tc_rd = cube.se_x_at(0.0);
  const double dc_rd = diameter.at(tc_rd);
  const double u_dc_rd = std::hypot(diameter.se_at(tc_rd), diameter.slope * u_tc_rd);

  const std::string bias_words =
      "the model's liquid and vapor densities do not meet at Tc (1.477 and 0.555 times dc there), so the "
      "extrapolation lands a fixed fraction away: ";
  sheet.add(Result{.key = "Tc(rd)", .name = "critical temperature, rectilinear diameters", .unit = "K",
                   .true_value = cs.hidden("tc"), .value = tc_rd, .uncertainty = u_tc_rd,
                   .method = "zero of the least-squares line of (dl − dv)³ against T, " + std::to_string(n) + " points",
                   .bias = bias_words + "about +1.3 % of Tc"});
  sheet.add(Result{.key = "dc(rd)", .name = "critical density, rectilinear diameters", .unit = "g/cm3",
                   .true_value = cs.hidden("dc"), .value = dc_rd, .uncertainty = u_dc_rd,
                   .method = "least-squares line of (dl + dv)/2 against T, read at Tc(rd)",
                   .bias = bias_words + "about −0.2 % of dc"});

  // Corresponding states: both branches in one fit; rows 0..n−1 the liquid,
  // n..2n−1 the vapor.
  std::vector<double> row(2 * n), d(2 * n);
  std::iota(row.begin(), row.end(), 0.0);
  for (std::size_t i = 0; i < n; ++i) d[i] = dl[i], d[n + i] = dv[i];
  const Model guggenheim = [&](double r, std::span<const double> p) {
    const auto k = static_cast<std::size_t>(r);
    const double tau = 1.0 - t[k % n] / p[0];
    const double sign = k < n ? 1.0 : -1.0;
    return p[1] * (1.0 + diameter_slope * tau + sign * width_coefficient * std::cbrt(tau));
  };
  const std::array<double, 2> start{tc_rd, dc_rd};
  const CurveFit fit = fit_curve(guggenheim, row, d, start);
  sheet.add(Result{.key = "Tc(cs)", .name = "critical temperature, corresponding states", .unit = "K",
                   .true_value = cs.hidden("tc"), .value = fit.p[0], .uncertainty = fit.se(0),
                   .method = "Guggenheim's reduced curve fitted to both branches, nonlinear least squares",
                   .bias = "the model's densities do not follow Guggenheim's curve: about +1.5 % of Tc"});
  sheet.add(Result{.key = "dc(cs)", .name = "critical density, corresponding states", .unit = "g/cm3",
                   .true_value = cs.hidden("dc"), .value = fit.p[1], .uncertainty = fit.se(1),
                   .method = "the same fit",
                   .bias = "the model's densities do not follow Guggenheim's curve: about +3 % of dc"});

  std::vector<double> tr(n), dlr(n), dvr(n);
  for (std::size_t i = 0; i < n; ++i) tr[i] = t[i] / fit.p[0], dlr[i] = dl[i] / fit.p[1], dvr[i] = dv[i] / fit.p[1];
  sheet.add(Workings{.title = "rectilinear diameter and reduced densities",
                     .columns = {{"T", "K", t},
                                 {"d(ave)", "g/cm3", mean},
                                 {"dl-dv", "g/cm3", width},
                                 {"(dl-dv)^3", "g3/cm9", width3},
                                 {"T/Tc(cs)", "", tr},
                                 {"dl/dc(cs)", "", dlr},
                                 {"dv/dc(cs)", "", dvr}}});

  sheet.notes.push_back("T(K) = t(°C) + 273.15. Rectilinear diameters: (dl − dv)³ is taken as linear in T over all "
                        "the points, as for a coexistence curve closing as (Tc − T)^(1/3).");
  sheet.notes.push_back(
      "Expected bias: the densities come from polynomial correlations in T/Tc whose liquid and vapor branches do "
      "not meet at Tc, so both routes land beside the hidden Tc and dc by a fraction that is the same for every "
      "data set (the figures in each result's bias). A student who uses only the points nearest Tc for the "
      "(dl − dv)³ line gets a larger Tc (up to +2.5 %).");
}

}  // namespace

extern const analysis::Analysis corresponding_states_gen_answers{
    .program = "corresponding_states_gen",
    .analyse = analyse,
};
