// Answer sheet of the ternary liquid-liquid diagram (lle_ternary_gen).
//
// The envelope is a calibration: each of its rows pairs a composition on
// the two-phase boundary with its refractive index. Read along the curve
// from the A-rich end P to the B-rich end Q, the refractive index rises
// (C and then B replace A, and both refract more), so a smooth curve of
// %A and of %C against R.I. through the rows turns each tie line's two
// refractive indices into the compositions of its two ends: the left
// (A-rich) reading falls on the part of the curve before the plait point,
// the right (B-rich) one after it.
//
// The plait point is where the two ends of a tie line meet. As the tie
// lines shrink towards it, the mean of their two refractive indices is a
// smooth function of their difference; a quartic of the mean against the
// difference over the eight tie lines nearest the plait point, taken to a
// difference of zero, gives the refractive index of the plait point, and
// the calibration its composition. The curve bends markedly over the last
// twelfth of the arc that the extrapolation has to bridge, so the result
// lands close to, not on, the plait point.
//
// The refractive indices are written to four decimals: each carries a
// rounding of up to ±0.00005 (standard uncertainty 0.00005/√3), the tie
// line's reading and the calibration's rows alike; the compositions'
// uncertainties are these through the slope of the calibration.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/interpolate.hpp"

namespace {

using analysis::Column;
using analysis::Result;

const double u_ri = 0.00005 / std::sqrt(3.0);    // one written refractive index
const double u_pct = 0.00005 / std::sqrt(3.0);   // one written percentage (four decimals)
constexpr std::size_t plait_tie_lines = 8;  // tie lines nearest the plait point in its fit
constexpr std::size_t plait_degree = 4;
// Tie lines whose ends are graded: those nearest the plait point. Near the
// side A-B the A-rich branch can climb so steeply that its R.I. barely
// changes, and the reading there is less certain than its rounding says;
// those ends stay in the workings.
constexpr int graded_tie_lines[] = {8, 9, 10, 11};
constexpr double root3 = 1.7320508075688772;

struct Composition {
  double a = 0, b = 0, c = 0;  // weight %
  double u_a = 0, u_c = 0;     // standard uncertainties of %A and %C
};

// The envelope as a calibration: %A, %C and R.I. as smooth functions of
// the distance along the curve (the chord lengths between rows in the
// plane of the diagram), read where the R.I. curve reaches a reading.
// Reading along the curve rather than composition against R.I. directly
// keeps the curve smooth where the R.I. hardly changes from row to row.
class Calibration {
 public:
  Calibration(const std::vector<double>& ri, const std::vector<double>& pa, const std::vector<double>& pc) {
    std::vector<double> s(ri.size(), 0.0);
    for (std::size_t i = 1; i < ri.size(); ++i) {
      const double dx = (pa[i - 1] + pc[i - 1] / 2.0) - (pa[i] + pc[i] / 2.0);
      const double dy = (pc[i] - pc[i - 1]) * root3 / 2.0;
      s[i] = s[i - 1] + std::hypot(dx, dy);
    }
    s_ = s;
    ri_.emplace(analysis::Spline(s, ri));
    a_.emplace(analysis::Spline(s, pa));
    c_.emplace(analysis::Spline(s, pc));
    // The longest run of rows over which the R.I. rises strictly: near
    // the side A-B the curve can climb so steeply that the R.I. first
    // dips; readings there cannot be placed unambiguously and are placed
    // on the rising run.
    std::size_t best_first = 0, best_len = 1, first = 0;
    for (std::size_t i = 1; i <= ri.size(); ++i) {
      if (i == ri.size() || !(ri[i] > ri[i - 1])) {
        if (i - first > best_len) best_first = first, best_len = i - first;
        first = i;
      }
    }
    first_ = best_first;
    last_ = best_first + best_len - 1;
    run_ri_.assign(ri.begin() + static_cast<std::ptrdiff_t>(first_), ri.begin() + static_cast<std::ptrdiff_t>(last_ + 1));
  }

  // The composition at a refractive index known to u (reading and
  // calibration together).
  Composition at(double ri, double u) const {
    const double s = place(ri);
    const double slope = ri_->slope_at(s);  // dR.I./ds
    Composition r;
    r.a = a_->at(s);
    r.c = c_->at(s);
    r.b = 100.0 - r.a - r.c;
    r.u_a = std::abs(a_->slope_at(s) / slope) * u;
    r.u_c = std::abs(c_->slope_at(s) / slope) * u;
    return r;
  }
  std::size_t first() const { return first_; }
  std::size_t last() const { return last_; }

 private:
  // Where along the curve the R.I. reaches `ri`: between the two rows of
  // the rising run that bracket it, by bisection on the smooth curve;
  // beyond the run, along the tangent at its end.
  double place(double ri) const {
    if (ri <= run_ri_.front()) return s_[first_] + (ri - run_ri_.front()) / ri_->slope_at(s_[first_]);
    if (ri >= run_ri_.back()) return s_[last_] + (ri - run_ri_.back()) / ri_->slope_at(s_[last_]);
    std::size_t k = first_;
    while (k + 1 < last_ && run_ri_[k + 1 - first_] < ri) ++k;
    double lo = s_[k], hi = s_[k + 1];
    for (int it = 0; it < 60; ++it) {
      const double mid = 0.5 * (lo + hi);
      (ri_->at(mid) < ri ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
  }

  std::vector<double> s_, run_ri_;
  std::size_t first_ = 0, last_ = 0;
  std::optional<analysis::Spline> ri_, a_, c_;
};

void analyse(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const analysis::DataSet& data = cs.data();

  // Envelope: pure A, P, the curve, Q, pure B.
  const std::size_t env_heading = data.find("%A,%B,%C,R.I.");
  auto env_rows = data.numeric_rows(env_heading + 1);
  if (env_rows.size() < 7) throw analysis::AnalysisError("lle_ternary_gen: the envelope table is too short");
  env_rows = std::vector<std::size_t>(env_rows.begin() + 1, env_rows.end() - 1);  // the pure liquids are off the curve
  const std::vector<double> env_a = data.column(env_rows, 0);
  const std::vector<double> env_b = data.column(env_rows, 1);
  const std::vector<double> env_c = data.column(env_rows, 2);
  const std::vector<double> env_ri = data.column(env_rows, 3);

  const std::size_t tie_heading = data.find("R.I.,,R.I,");
  const auto tie_rows = data.numeric_rows(tie_heading + 1);
  if (tie_rows.size() < plait_tie_lines) throw analysis::AnalysisError("lle_ternary_gen: too few tie lines");
  const std::vector<double> ri_left = data.column(tie_rows, 0);
  const std::vector<double> ri_right = data.column(tie_rows, 2);
  const std::size_t n_tie = tie_rows.size();

  const Calibration cal(env_ri, env_a, env_c);
  const double u_reading = std::sqrt(2.0) * u_ri;  // the tie line's R.I. and the calibration's

  // Mutual solubilities: the ends of the envelope on the side A-B.
  const double p = cs.hidden("p"), q = cs.hidden("q");
  sheet.add(Result{.key = "B in A", .name = "solubility of B in A", .unit = "wt %", .true_value = p,
                   .value = env_b.front(), .uncertainty = u_pct,
                   .method = "%B of the envelope's A-rich end on the side A-B (no C)"});
  sheet.add(Result{.key = "A in B", .name = "solubility of A in B", .unit = "wt %", .true_value = 100.0 - q,
                   .value = env_a.back(), .uncertainty = u_pct,
                   .method = "%A of the envelope's B-rich end on the side A-B (no C)"});

  // Plait point: mean R.I. against the difference, to a difference of 0.
  std::vector<double> diff, mean;
  for (std::size_t i = n_tie - plait_tie_lines; i < n_tie; ++i) {
    diff.push_back(ri_right[i] - ri_left[i]);
    mean.push_back(0.5 * (ri_right[i] + ri_left[i]));
  }
  const analysis::PolyFit plait_fit = analysis::fit_poly(diff, mean, plait_degree);
  const double ri_plait = plait_fit.c[0];
  const double u_ri_plait = std::hypot(plait_fit.se(0), u_ri);
  const Composition plait = cal.at(ri_plait, u_ri_plait);
  const double xp = cs.hidden("xp"), yp = cs.hidden("yp");
  const double plait_c = 2.0 * yp / root3;
  const double plait_a = 100.0 - xp - plait_c / 2.0;
  const std::string plait_method = "calibration at R.I. " + std::to_string(ri_plait).substr(0, 7) +
                                   ", where a quartic of the mean tie-line R.I. against the difference of its "
                                   "ends (last " + std::to_string(plait_tie_lines) + " tie lines) reaches 0";
  // The model stops its tie lines a twelfth of the arc short of the plait
  // point; over that gap the mean R.I. bends, and the extrapolation lands
  // 0.5 % off in %A and %B typically, 3 % at the 99th percentile of data
  // sets. Their tolerance has a floor of 3.5 %.
  const std::string plait_bias =
      "extrapolated over the last twelfth of the arc, which the tie lines leave uncovered and where the mean "
      "R.I. bends: typically 0.5 %, up to about 3 % off in %A and %B; tolerance at least 3.5 %";
  constexpr double plait_least_relative = 0.035;
  sheet.add(Result{.key = "plait A", .name = "plait point, A", .unit = "wt %", .true_value = plait_a,
                   .value = plait.a, .uncertainty = plait.u_a, .method = plait_method, .bias = plait_bias,
                   .least_relative = plait_least_relative});
  sheet.add(Result{.key = "plait B", .name = "plait point, B", .unit = "wt %",
                   .true_value = 100.0 - plait_a - plait_c, .value = plait.b,
                   .uncertainty = std::hypot(plait.u_a, plait.u_c), .method = "100 − %A − %C",
                   .bias = plait_bias, .least_relative = plait_least_relative});
  sheet.add(Result{.key = "plait C", .name = "plait point, C", .unit = "wt %", .true_value = plait_c,
                   .value = plait.c, .uncertainty = plait.u_c, .method = "the same reading"});

  // Tie-line ends.
  std::vector<double> index(n_tie), la(n_tie), lb(n_tie), lc(n_tie), ra(n_tie), rb(n_tie), rc(n_tie);
  std::vector<Composition> left(n_tie), right(n_tie);
  for (std::size_t i = 0; i < n_tie; ++i) {
    left[i] = cal.at(ri_left[i], u_reading);
    right[i] = cal.at(ri_right[i], u_reading);
    index[i] = static_cast<double>(i + 1);
    la[i] = left[i].a, lb[i] = left[i].b, lc[i] = left[i].c;
    ra[i] = right[i].a, rb[i] = right[i].b, rc[i] = right[i].c;
  }
  for (const int k : graded_tie_lines) {
    if (static_cast<std::size_t>(k) > n_tie) continue;
    const std::size_t i = static_cast<std::size_t>(k - 1);
    const std::string n = std::to_string(k);
    sheet.add(Result{.key = "C left(" + n + ")", .name = "tie line " + n + ", C in the A-rich phase",
                     .unit = "wt %", .true_value = cs.hidden("pctielc", k), .value = left[i].c,
                     .uncertainty = left[i].u_c, .method = "calibration at the left R.I."});
    sheet.add(Result{.key = "C right(" + n + ")", .name = "tie line " + n + ", C in the B-rich phase",
                     .unit = "wt %", .true_value = cs.hidden("pctierc", k), .value = right[i].c,
                     .uncertainty = right[i].u_c, .method = "calibration at the right R.I."});
  }

  sheet.add(analysis::Workings{
      .title = "Tie lines: compositions of both ends read from the envelope",
      .columns = {Column{"tie line", "", index}, Column{"R.I. left", "", ri_left}, Column{"%A left", "wt %", la},
                  Column{"%B left", "wt %", lb}, Column{"%C left", "wt %", lc},
                  Column{"R.I. right", "", ri_right}, Column{"%A right", "wt %", ra},
                  Column{"%B right", "wt %", rb}, Column{"%C right", "wt %", rc}}});
  sheet.add(analysis::Workings{.title = "Plait point: mean R.I. against the difference of the ends",
                               .columns = {Column{"R.I. right − left", "", diff}, Column{"mean R.I.", "", mean}}});

  sheet.notes.push_back("Calibration: natural cubic splines of %A, %C and R.I. against the distance along the "
                        "envelope (chords between its rows in the diagram's plane), read where the R.I. reaches the "
                        "reading between rows " + std::to_string(cal.first() + 1) + " and " +
                        std::to_string(cal.last() + 1) + " after pure A (the stretch over which the R.I. rises); "
                        "%B = 100 − %A − %C.");
  sheet.notes.push_back("Uncertainties from the rounding of the refractive indices to four decimals, through the "
                        "slope of the calibration; the plait point's adds the extrapolation's standard error.");
  sheet.notes.push_back("True values: the hidden end points p and q of the envelope, the plait point (xp, yp) "
                        "and the tie-line compositions.");
}

}  // namespace

extern const analysis::Analysis lle_ternary_gen_answers{.program = "lle_ternary_gen", .analyse = analyse};
