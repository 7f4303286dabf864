// Answer sheet of the real-gas isotherms: the critical point, the van der
// Waals constants and the tie lines.
//
// The worksheet: every written point off a tie line lies on a van der Waals
// isotherm of the measured volumes, P = C·T/(V − B) − A/V², one set of
// (A, B, C) for all nine isotherms (C = R when the volumes are those of the
// van der Waals equation itself; here it absorbs the gas's own critical
// compressibility). The critical point is the isotherm's inflection with a
// horizontal tangent: Tc = 8A/(27·B·C), Pc = A/(27·B²), Vc = 3B. The van der
// Waals constants follow from Tc and Pc in the usual way, a = 27R²Tc²/(64Pc)
// and b = R·Tc/(8Pc). Each tie line is the flat run of an isotherm below Tc:
// its pressure is the mean of the flat points, and the coexisting volumes are
// where that horizontal meets the fitted isotherm.
//
// Every step is one a spreadsheet can take in cells, so that the solution
// workbook computes the same numbers: the start by LINEST of the equation
// multiplied out, the least-squares fit in P by a fixed number of
// Gauss-Newton steps (each a LINEST without a constant), and the coexisting
// volumes by a fixed number of Newton steps on the cubic in V.
#include <gsl/gsl_poly.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <numeric>
#include <span>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

namespace {

using analysis::AnswerSheet;
using analysis::Case;
using analysis::Column;
using analysis::Result;
using analysis::Workings;

constexpr double gas_constant = 83.145;  // cm3·bar/(mol·K), as the experiment states it
// Points of one tie line differ by the scatter (±0.01 bar) and the last
// written digit only; the single-phase branches never run that flat over
// two neighbouring volumes except right at the critical point.
constexpr double flat_band = 0.025;  // bar
constexpr std::size_t least_flat_points = 2;
// The written volumes are the van der Waals ones times zc·8/3.
constexpr double van_der_waals_zc = 3.0 / 8.0;
// The isotherms that can lie below Tc: the first band (0.90 to 0.98 of Tc)
// always, in the second band (0.98 to 1.02, three slots of 0.0133) the
// first slot always and the second when its draw falls below 1; the third
// slot starts at 1.0067 and the third band at 1.02.
constexpr int most_tie_lines = 5;

struct Isotherm {
  int number = 0;  // 1 to 9, as the key counts them
  double t = 0;    // K
  std::size_t t_record = 0;       // the record that holds t
  std::vector<std::size_t> rows;  // the records of the points
  std::vector<double> v, p;
  std::size_t flat_begin = 0, flat_end = 0;  // the tie line's points [begin, end)
  bool flat(std::size_t k) const { return k >= flat_begin && k < flat_end; }
  std::size_t flat_points() const { return flat_end - flat_begin; }
};

// The longest run of neighbouring points whose pressures agree within the
// band; nothing when it is shorter than two points.
void find_tie_line(Isotherm& iso) {
  std::size_t best_begin = 0, best_end = 0;
  for (std::size_t s = 0; s < iso.p.size(); ++s) {
    double lo = iso.p[s], hi = iso.p[s];
    std::size_t e = s + 1;
    for (; e < iso.p.size(); ++e) {
      lo = std::min(lo, iso.p[e]);
      hi = std::max(hi, iso.p[e]);
      if (hi - lo > flat_band) break;
    }
    if (e - s > best_end - best_begin) best_begin = s, best_end = e;
  }
  if (best_end - best_begin >= least_flat_points) iso.flat_begin = best_begin, iso.flat_end = best_end;
}

std::vector<Isotherm> read_isotherms(const analysis::DataSet& d) {
  std::vector<Isotherm> out;
  for (auto r = d.find_optional("\"isotherm temperature:\""); r; r = d.find_optional("\"isotherm temperature:\"", *r + 1)) {
    Isotherm iso;
    iso.number = static_cast<int>(out.size()) + 1;
    iso.t_record = *r + 1;
    iso.t = d.value(iso.t_record, 0);
    iso.rows = d.numeric_rows(d.find("\"V(cm3)\"", *r) + 1);
    iso.v = d.column(iso.rows, 0);
    iso.p = d.column(iso.rows, 1);
    find_tie_line(iso);
    out.push_back(std::move(iso));
  }
  if (out.empty()) throw analysis::AnalysisError("no isotherm in the data set");
  return out;
}

// Parameters of the fitted isotherms, in this order.
enum { A, B, C };

// The single-phase points of all isotherms, in the order of the data set.
struct FitPoints {
  std::vector<double> t, v, p;
  std::vector<std::size_t> rows;  // their records
  std::vector<std::size_t> t_records;
};

FitPoints fit_points(const std::vector<Isotherm>& isotherms) {
  FitPoints f;
  for (const Isotherm& iso : isotherms)
    for (std::size_t k = 0; k < iso.v.size(); ++k)
      if (!iso.flat(k)) {
        f.t.push_back(iso.t), f.v.push_back(iso.v[k]), f.p.push_back(iso.p[k]);
        f.rows.push_back(iso.rows[k]), f.t_records.push_back(iso.t_record);
      }
  return f;
}

// Gauss-Newton steps of the fit in P. Each step linearises the isotherm
// about the previous constants (A0, B0, C0):
//   P + B0·C0·T/(V − B0)² ≈ A·(−1/V²) + B·C0·T/(V − B0)² + C·T/(V − B0),
// least squares without a constant gives the next (A, B, C). From the
// linearised start the residuals are small (the scatter of the pressures)
// and the steps converge quadratically: the third already agrees with the
// sixth to 2e-13 for every data set of the seed sweep; six leave a margin.
constexpr std::size_t gauss_newton_steps = 6;

// The linearised step at q: the design columns and the left side.
struct Linearised {
  std::vector<std::vector<double>> design;  // −1/V², C·T/(V − B)², T/(V − B)
  std::vector<double> y;                    // P + B·C·T/(V − B)²
};
Linearised linearise(const FitPoints& f, std::span<const double> q) {
  const std::size_t n = f.v.size();
  Linearised l{std::vector<std::vector<double>>(3, std::vector<double>(n)), std::vector<double>(n)};
  for (std::size_t i = 0; i < n; ++i) {
    const double d = f.v[i] - q[B];
    l.design[0][i] = -1.0 / (f.v[i] * f.v[i]);
    l.design[1][i] = q[C] * f.t[i] / (d * d);
    l.design[2][i] = f.t[i] / d;
    l.y[i] = f.p[i] + q[B] * l.design[1][i];
  }
  return l;
}

struct IsothermFit {
  std::vector<std::array<double, 3>> steps;  // the start, then each step's (A, B, C)
  std::vector<double> cov;                   // of the last step, 3 × 3
  std::span<const double> q() const { return steps.back(); }
};

IsothermFit fit_isotherms(const FitPoints& f) {
  // The start: the equation multiplied out is linear in B, C, A and A·B,
  //   P·V³ = B·(P·V²) + C·(T·V²) + A·(−V) + A·B.
  const std::size_t n = f.v.size();
  std::vector<std::vector<double>> design(4, std::vector<double>(n));
  std::vector<double> pv3(n);
  for (std::size_t i = 0; i < n; ++i) {
    design[0][i] = f.p[i] * f.v[i] * f.v[i];
    design[1][i] = f.t[i] * f.v[i] * f.v[i];
    design[2][i] = -f.v[i];
    design[3][i] = 1.0;
    pv3[i] = f.p[i] * f.v[i] * f.v[i] * f.v[i];
  }
  const analysis::PolyFit start = analysis::fit_linear(design, pv3);
  IsothermFit fit;
  fit.steps.push_back({start.c[2], start.c[0], start.c[1]});
  for (std::size_t s = 0; s < gauss_newton_steps; ++s) {
    const Linearised l = linearise(f, fit.steps.back());
    const analysis::PolyFit step = analysis::fit_linear(l.design, l.y);
    fit.steps.push_back({step.c[0], step.c[1], step.c[2]});
    // At convergence the last step's residuals are those of the isotherm
    // itself, and its covariance that of the nonlinear fit.
    fit.cov = step.cov;
  }
  return fit;
}

// The cubic of the isotherm at T through the pressure P,
//   f(V) = P·V³ − (P·B + C·T)·V² + A·V − A·B,
// and one Newton step on it. Its roots are where the isotherm reaches P.
double newton_step(std::span<const double> q, double t, double p, double v) {
  const double s = p * q[B] + q[C] * t;
  const double f = ((p * v - s) * v + q[A]) * v - q[A] * q[B];
  const double df = (3.0 * p * v - 2.0 * s) * v + q[A];
  return v - f / df;
}

// The liquid volume is the smallest root, the gas volume the largest.
// Newton's steps reach them from outside without overshooting: left of the
// smallest root f rises and bends down (f'' < 0 below the mean of the
// roots), right of the largest it rises and bends up. Starts: V = B, where
// f = −C·T·B² < 0, and V = B + C·T/P, the sum of the roots, beyond the
// largest. From so far out a step first gains only a third of the way (a
// cubic's tangent), then the steps converge quadratically. Over the seed
// sweep 15 steps at most reach the root within 1e-12 (the tie lines just
// below Tc, where the three roots crowd together); 20 leave a margin, and a
// tie line whose roots have not settled by then is not read.
constexpr std::size_t newton_steps = 20;

double volume_start(std::span<const double> q, double t, double p, bool gas) {
  return gas ? q[B] + q[C] * t / p : q[B];
}

std::vector<double> newton_volumes(std::span<const double> q, double t, double p, bool gas) {
  std::vector<double> v{volume_start(q, t, p, gas)};
  for (std::size_t s = 0; s < newton_steps; ++s) v.push_back(newton_step(q, t, p, v.back()));
  return v;
}

// Whether the fitted isotherm crosses the pressure P at three volumes, and
// Newton's steps have settled on the outer two. Just below Tc the measured
// tie-line pressure can lie above or below the fitted loop (shallower than
// the scatter there): the cubic then has one real root only, and no pair of
// coexisting volumes to read. Three real roots: f' vanishes at two volumes,
// f is positive at the first (a maximum) and negative at the second.
bool coexisting_volumes_read(std::span<const double> q, double t, double p) {
  const double s = p * q[B] + q[C] * t;
  const double disc = s * s - 3.0 * p * q[A];
  if (!(p > 0.0) || !(disc > 0.0)) return false;
  const auto f = [&](double v) { return ((p * v - s) * v + q[A]) * v - q[A] * q[B]; };
  if (!(f((s - std::sqrt(disc)) / (3.0 * p)) > 0.0 && f((s + std::sqrt(disc)) / (3.0 * p)) < 0.0)) return false;
  for (const bool gas : {false, true}) {
    const std::vector<double> v = newton_volumes(q, t, p, gas);
    if (!(std::fabs(v.back() - v[v.size() - 2]) <= 1e-10 * v.back())) return false;
  }
  return true;
}

// The critical constants of isotherms (A, B, C): the inflection with a
// horizontal tangent.
double critical_t(std::span<const double> x) { return 8.0 * x[A] / (27.0 * x[B] * x[C]); }
double critical_p(std::span<const double> x) { return x[A] / (27.0 * x[B] * x[B]); }

// Maxwell's equal areas on the fitted isotherm at T: the pressure whose
// horizontal cuts off equal areas of the loop, by bisection between the
// loop's minimum and maximum, as the tie lines of the experiment were
// built. NaN where the isotherm has no loop. The area under the isotherm
// from V1 to V2 is C·T·ln((V2 − B)/(V1 − B)) + A·(1/V2 − 1/V1).
double maxwell_pressure(std::span<const double> q, double t) {
  const auto p_at = [&](double v) { return q[C] * t / (v - q[B]) - q[A] / (v * v); };
  // dP/dV = 0: C·T·V³ − 2A·V² + 4A·B·V − 2A·B² = 0.
  const double ct = q[C] * t;
  std::array<double, 3> v{};
  if (gsl_poly_solve_cubic(-2.0 * q[A] / ct, 4.0 * q[A] * q[B] / ct, -2.0 * q[A] * q[B] * q[B] / ct, &v[0], &v[1],
                           &v[2]) != 3)
    return analysis::not_a_number;
  double lower = std::max(p_at(v[1]), 0.0), upper = p_at(v[2]);
  if (!(upper > lower)) return analysis::not_a_number;
  for (int k = 0; k < 200 && upper - lower > 1e-12 * upper; ++k) {
    const double p = (lower + upper) / 2.0;
    std::array<double, 3> r{};
    if (gsl_poly_solve_cubic(-(q[B] + ct / p), q[A] / p, -q[A] * q[B] / p, &r[0], &r[1], &r[2]) != 3)
      return analysis::not_a_number;
    const double vl = r[0], vg = r[2];
    const double area = ct * std::log((vg - q[B]) / (vl - q[B])) + q[A] * (1.0 / vg - 1.0 / vl);
    (p * (vg - vl) > area ? upper : lower) = p;
  }
  return (lower + upper) / 2.0;
}

// A tie line as the analysis reads it: the mean pressure of the flat run
// and, where the fitted isotherm crosses that pressure three times, the
// coexisting volumes.
struct TieLine {
  const Isotherm* iso = nullptr;
  double mean = 0, u_mean = 0, median = 0;
  bool volumes = false;
  analysis::Estimate vl, vg;
};

std::vector<TieLine> read_tie_lines(const std::vector<Isotherm>& isotherms, const IsothermFit& fit, double tc) {
  const std::span<const double> q = fit.q();
  std::vector<TieLine> ties;
  for (const Isotherm& iso : isotherms) {
    if (iso.flat_points() == 0 || iso.t >= tc) continue;
    TieLine tie{.iso = &iso};
    std::vector<double> flat(iso.p.begin() + static_cast<std::ptrdiff_t>(iso.flat_begin),
                             iso.p.begin() + static_cast<std::ptrdiff_t>(iso.flat_end));
    const double n = static_cast<double>(flat.size());
    tie.mean = std::accumulate(flat.begin(), flat.end(), 0.0) / n;
    double ss = 0;
    for (double x : flat) ss += (x - tie.mean) * (x - tie.mean);
    tie.u_mean = std::sqrt(ss / (n - 1.0) / n);
    std::sort(flat.begin(), flat.end());
    const std::size_t h = flat.size() / 2;
    tie.median = flat.size() % 2 == 1 ? flat[h] : (flat[h - 1] + flat[h]) / 2.0;

    tie.volumes = coexisting_volumes_read(q, iso.t, tie.mean);
    if (tie.volumes) {
      // The tie line meets the fitted isotherm at its liquid and gas
      // volumes: propagate over (A, B, C, P) with the pressure independent
      // of the fit.
      std::vector<double> p4{q[A], q[B], q[C], tie.mean};
      std::vector<double> cov4(16, 0.0);
      for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) cov4[i * 4 + j] = fit.cov[i * 3 + j];
      cov4[15] = tie.u_mean * tie.u_mean;
      const double t = iso.t;
      const auto root = [t](bool gas) {
        return [t, gas](std::span<const double> x) { return newton_volumes(x.first(3), t, x[3], gas).back(); };
      };
      tie.vl = analysis::propagate(root(false), p4, cov4);
      tie.vg = analysis::propagate(root(true), p4, cov4);
    }
    ties.push_back(tie);
  }
  return ties;
}

// The coexisting volumes of the isotherm (A, B, C) at T and P, or NaN where
// it does not cross P three times.
std::array<double, 2> volumes_or_nan(std::span<const double> q, double t, double p) {
  if (std::isnan(p) || !coexisting_volumes_read(q, t, p)) return {analysis::not_a_number, analysis::not_a_number};
  return {newton_volumes(q, t, p, false).back(), newton_volumes(q, t, p, true).back()};
}

void analyse(const Case& c, AnswerSheet& sheet) {
  std::vector<Isotherm> isotherms = read_isotherms(c.data());

  const FitPoints points_fitted = fit_points(isotherms);
  const IsothermFit fit = fit_isotherms(points_fitted);
  const std::span<const double> q = fit.q();
  const std::vector<double> params(q.begin(), q.end());
  auto derived = [&](auto f) { return analysis::propagate(f, params, fit.cov); };
  const double r = gas_constant;
  const auto tc = derived(critical_t);
  const auto pc = derived(critical_p);
  const auto vc = derived([](std::span<const double> x) { return 3.0 * x[B]; });
  const auto zc = derived([r](std::span<const double> x) { return critical_p(x) * 3.0 * x[B] / (r * critical_t(x)); });
  // a = 27R²Tc²/(64Pc) and b = R·Tc/(8Pc), written out in A, B, C.
  const auto a_of = [r](double t, double p) { return 27.0 * r * r * t * t / (64.0 * p); };
  const auto b_of = [r](double t, double p) { return r * t / (8.0 * p); };
  const auto a = derived([&](std::span<const double> x) { return a_of(critical_t(x), critical_p(x)); });
  const auto b = derived([&](std::span<const double> x) { return b_of(critical_t(x), critical_p(x)); });

  const std::vector<TieLine> ties = read_tie_lines(isotherms, fit, tc.value);

  // Other routes to the critical constants. The linearised fit is the
  // start of the least-squares one, a single LINEST of P·V³ multiplied out.
  const std::span<const double> lin = fit.steps.front();
  const double tc_lin = critical_t(lin), pc_lin = critical_p(lin), vc_lin = 3.0 * lin[B];
  // Tc bracketed by the isotherms: midway between the hottest one below Tc
  // (a tie line, or a loop too short to show one) and the next one up.
  double tc_bracket = analysis::not_a_number;
  for (std::size_t i = 0; i + 1 < isotherms.size(); ++i)
    if (isotherms[i].t < tc.value && isotherms[i + 1].t >= tc.value)
      tc_bracket = (isotherms[i].t + isotherms[i + 1].t) / 2.0;
  // Pc on the vapor-pressure line (ln P against 1/T over the tie lines),
  // and Vc from the rectilinear diameter of the coexisting densities, each
  // read at Tc.
  double pc_vapor_line = analysis::not_a_number, vc_diameter = analysis::not_a_number;
  {
    std::vector<double> inv_t, ln_p, t_read, mean_density;
    for (const TieLine& tie : ties) {
      inv_t.push_back(1.0 / tie.iso->t);
      ln_p.push_back(std::log(tie.mean));
      if (!tie.volumes) continue;
      t_read.push_back(tie.iso->t);
      mean_density.push_back((1.0 / tie.vl.value + 1.0 / tie.vg.value) / 2.0);
    }
    if (inv_t.size() >= 3) pc_vapor_line = std::exp(analysis::fit_line(inv_t, ln_p).at(1.0 / tc.value));
    if (t_read.size() >= 3) vc_diameter = 1.0 / analysis::fit_line(t_read, mean_density).at(tc.value);
  }
  using analysis::Alternative;
  const std::string linearised = "linearised fit only (one LINEST of P·V³ multiplied out)";
  const std::string as_if_vdw = "as if Zc were the van der Waals 3/8";

  const std::string fitted = "van der Waals isotherm P = C·T/(V−B) − A/V² fitted to the " + std::to_string(points_fitted.v.size()) + " points off the tie lines (least squares in P, " +
                             std::to_string(gauss_newton_steps) + " Gauss-Newton steps from the linearised form)";
  const double true_vc = c.hidden("zc") * gas_constant * c.hidden("tc") / c.hidden("pc");
  sheet.add(Result{.key = "Tc", .name = "critical temperature", .unit = "K", .true_value = c.hidden("tc"),
                   .value = tc.value, .uncertainty = tc.u, .method = "8A/(27·B·C) of the " + fitted,
                   .routes = {{linearised, tc_lin},
                              {"midway between the isotherms either side of Tc", tc_bracket}}});
  sheet.add(Result{.key = "Pc", .name = "critical pressure", .unit = "bar", .true_value = c.hidden("pc"),
                   .value = pc.value, .uncertainty = pc.u, .method = "A/(27·B²) of the fitted isotherms",
                   .routes = {{linearised, pc_lin},
                              {"line of ln P(vap) against 1/T over the tie lines, read at Tc", pc_vapor_line}}});
  sheet.add(Result{.key = "Vc", .name = "critical molar volume", .unit = "cm3/mol", .true_value = true_vc,
                   .value = vc.value, .uncertainty = vc.u, .method = "3B of the fitted isotherms",
                   .routes = {{linearised, vc_lin},
                              {"rectilinear diameter of the coexisting densities, read at Tc", vc_diameter}},
                   .nulls = {{"3R·Tc/(8Pc), " + as_if_vdw, 3.0 * r * tc.value / (8.0 * pc.value)}}});
  sheet.add(Result{.key = "Zc", .name = "critical compressibility factor", .unit = "", .true_value = c.hidden("zc"),
                   .value = zc.value, .uncertainty = zc.u, .method = "Pc·Vc/(R·Tc)",
                   .routes = {{linearised, pc_lin * vc_lin / (r * tc_lin)}},
                   .nulls = {{"3/8, the van der Waals value", 3.0 / 8.0}}});
  sheet.add(Result{.key = "a", .name = "van der Waals constant a", .unit = "cm6·bar/mol2", .true_value = c.hidden("a"),
                   .value = a.value, .uncertainty = a.u, .method = "27R²Tc²/(64Pc)",
                   .routes = {{linearised, a_of(tc_lin, pc_lin)}},
                   .nulls = {{"3Pc·Vc², " + as_if_vdw, 3.0 * pc.value * vc.value * vc.value}}});
  sheet.add(Result{.key = "b", .name = "van der Waals constant b", .unit = "cm3/mol", .true_value = c.hidden("b"),
                   .value = b.value, .uncertainty = b.u, .method = "R·Tc/(8Pc)",
                   .routes = {{linearised, b_of(tc_lin, pc_lin)}},
                   .nulls = {{"Vc/3, " + as_if_vdw, vc.value / 3.0}}});

  // The tie lines of the isotherms below the critical temperature.
  const double scale = c.hidden("zc") / van_der_waals_zc;  // van der Waals volumes to written ones
  Workings tie_table{.title = "tie lines (isotherms below Tc with a flat run)",
                     .columns = {{"isotherm", "", {}}, {"T", "K", {}}, {"flat points", "", {}}, {"P(vap)", "bar", {}},
                                 {"V(liquid)", "cm3/mol", {}}, {"V(gas)", "cm3/mol", {}}}};
  std::vector<int> unread;
  for (const TieLine& tie : ties) {
    const Isotherm& iso = *tie.iso;
    const double maxwell = maxwell_pressure(q, iso.t);
    const std::string k = "(" + std::to_string(iso.number) + ")";
    const std::string on = " on isotherm " + std::to_string(iso.number);
    sheet.add(Result{.key = "Pvap" + k, .name = "vapor pressure" + on, .unit = "bar",
                     .true_value = c.hidden("ptrial", iso.number), .value = tie.mean, .uncertainty = tie.u_mean,
                     .method = "mean of the " + std::to_string(iso.flat_points()) + " points of the flat run",
                     .routes = {{"median of the flat run", tie.median},
                                {"Maxwell's equal areas on the fitted isotherm", maxwell}}});
    const double n = static_cast<double>(iso.flat_points());
    if (!tie.volumes) {
      unread.push_back(iso.number);
      const std::array<double, 6> row{static_cast<double>(iso.number), iso.t, n, tie.mean, analysis::not_a_number,
                                      analysis::not_a_number};
      for (std::size_t i = 0; i < row.size(); ++i) tie_table.columns[i].values.push_back(row[i]);
      continue;
    }
    const std::array<double, 2> at_maxwell = volumes_or_nan(q, iso.t, maxwell);
    const std::string at_maxwell_words = "the fitted isotherm at the Maxwell pressure";
    sheet.add(Result{.key = "Vl" + k, .name = "liquid molar volume" + on, .unit = "cm3/mol",
                     .true_value = c.hidden("vl", iso.number) * scale, .value = tie.vl.value, .uncertainty = tie.vl.u,
                     .method = "smallest volume where the fitted isotherm reaches the tie-line pressure",
                     .routes = {{at_maxwell_words, at_maxwell[0]}}});
    sheet.add(Result{.key = "Vg" + k, .name = "gas molar volume" + on, .unit = "cm3/mol",
                     .true_value = c.hidden("vg", iso.number) * scale, .value = tie.vg.value, .uncertainty = tie.vg.u,
                     .method = "largest volume where the fitted isotherm reaches the tie-line pressure",
                     .routes = {{at_maxwell_words, at_maxwell[1]}}});
    const std::array<double, 6> row{static_cast<double>(iso.number), iso.t, n, tie.mean, tie.vl.value, tie.vg.value};
    for (std::size_t i = 0; i < row.size(); ++i) tie_table.columns[i].values.push_back(row[i]);
  }

  // Every point against the fitted isotherm, the tie-line points marked.
  Workings points{.title = "points and fitted isotherms",
                  .columns = {{"isotherm", "", {}}, {"T", "K", {}}, {"V(cm3)", "cm3/mol", {}}, {"P(bar)", "bar", {}},
                              {"on tie line", "", {}}, {"P(fit)", "bar", {}}, {"residual", "bar", {}}}};
  for (const Isotherm& iso : isotherms)
    for (std::size_t k = 0; k < iso.v.size(); ++k) {
      const double fitted_p = q[C] * iso.t / (iso.v[k] - q[B]) - q[A] / (iso.v[k] * iso.v[k]);
      const std::array<double, 7> row{static_cast<double>(iso.number), iso.t, iso.v[k], iso.p[k],
                                      iso.flat(k) ? 1.0 : 0.0, fitted_p, iso.flat(k) ? analysis::not_a_number
                                                                                        : iso.p[k] - fitted_p};
      for (std::size_t i = 0; i < row.size(); ++i) points.columns[i].values.push_back(row[i]);
    }
  sheet.add(std::move(tie_table));
  sheet.add(std::move(points));

  sheet.notes.push_back(
      "A tie line is the longest run of neighbouring points whose pressures agree within " +
      std::to_string(flat_band).substr(0, 5) +
      " bar (the scatter of the pressures); it needs two points at least, so a tie line that falls between the "
      "written volumes, or shows a single point, is not read.");
  if (!unread.empty()) {
    std::string list;
    for (const int number : unread) list += (list.empty() ? "" : ", ") + std::to_string(number);
    sheet.notes.push_back("Isotherm " + list +
                          ": the fitted isotherm reaches the tie-line pressure at one volume only (the loop of an "
                          "isotherm just below Tc is shallower than the scatter), so the coexisting volumes are "
                          "not read from it.");
  }
  sheet.notes.push_back(
      "The van der Waals constants are computed from Tc and Pc; on the written volume scale the fitted A and B "
      "are a and b multiplied by the volume factor C/R and its square.");
  sheet.notes.push_back(
      "True critical molar volume: zc·R·tc/pc of the hidden gas; true coexisting volumes: the hidden "
      "van der Waals ones times zc·8/3, the factor that the written volumes carry.");
}

// The same worksheet as spreadsheet formulas. Every written point stands in
// one table, isotherm after isotherm, with the columns that find its
// isotherm's tie line: its number n in the isotherm; the last point before
// it whose pressure differs from its own by more than the band (0 for
// none); the length of the longest window ending at it whose pressures
// agree within the band, n less the greatest of those last points up to
// it; and its pressure when it lies on its isotherm's longest window (the
// first of equal ones, with at least the least number of points), else "".
// (A window [s, j] agrees within the band when no point in it has such a
// point at or after s, so its earliest start is one after the greatest of
// those last points up to j.) So an edit that moves a point out of a flat
// run takes it off the tie line and into the fit. The fit weighs each
// point by w, 1 off the tie lines and 0 on them: the start and each
// Gauss-Newton step are LINEST of columns multiplied by w (without a
// constant; the start's constant is the column w itself). Those columns
// stand right of the printed ones. Then a table of the isotherms: the mean
// pressure of each tie line below Tc and, right of the print, Newton's
// steps towards the liquid and the gas volume.

// One isotherm's flat windows as the workbook's formulas find them: per
// point the last point before it that differs by more than the band (from
// 1; 0 for none), the length of the longest window ending at it, and
// whether it lies on the tie line.
struct Windows {
  std::vector<double> apart, length;
  std::vector<bool> tie;
};
Windows flat_windows(const std::vector<double>& p, double band, std::size_t least) {
  const std::size_t m = p.size();
  Windows w{std::vector<double>(m), std::vector<double>(m), std::vector<bool>(m, false)};
  std::size_t greatest = 0, longest = 0, end = 0;  // the first longest window ends at point `end`
  for (std::size_t j = 0; j < m; ++j) {
    std::size_t last = 0;
    for (std::size_t k = 0; k < j; ++k)
      if (std::fabs(p[k] - p[j]) > band) last = k + 1;
    greatest = std::max(greatest, last);
    w.apart[j] = static_cast<double>(last);
    w.length[j] = static_cast<double>(j + 1 - greatest);
    if (j + 1 - greatest > longest) longest = j + 1 - greatest, end = j + 1;
  }
  if (longest >= least)
    for (std::size_t k = end - longest; k < end; ++k) w.tie[k] = true;
  return w;
}

void workbook(const Case& cs, const AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::absolute_cell;
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::data_ref;
  using analysis::on_solution;
  using analysis::Shown;
  using Series = analysis::SolutionSheet::Series;
  const analysis::DataSet& data = cs.data();
  const std::vector<Isotherm> isotherms = read_isotherms(data);
  const IsothermFit fit = fit_isotherms(fit_points(isotherms));
  const std::span<const double> qv = fit.q();

  // Every point, isotherm after isotherm: g[i] its isotherm, k[i] its place there.
  std::vector<std::size_t> rows, g, k, first_of;
  for (std::size_t n = 0; n < isotherms.size(); ++n) {
    first_of.push_back(rows.size());
    for (std::size_t i = 0; i < isotherms[n].rows.size(); ++i) {
      rows.push_back(isotherms[n].rows[i]);
      g.push_back(n);
      k.push_back(i);
    }
  }
  first_of.push_back(rows.size());
  const std::size_t n_points = rows.size();
  std::vector<Windows> windows;
  for (const Isotherm& iso : isotherms) windows.push_back(flat_windows(iso.p, flat_band, least_flat_points));
  const auto t_of = [&](std::size_t i) { return isotherms[g[i]].t; };
  const auto v_of = [&](std::size_t i) { return isotherms[g[i]].v[k[i]]; };
  const auto p_of = [&](std::size_t i) { return isotherms[g[i]].p[k[i]]; };
  const auto w_of = [&](std::size_t i) { return windows[g[i]].tie[k[i]] ? 0.0 : 1.0; };
  // A column of every point: row i's formula and what it shows.
  const auto points = [&](bool aside, const std::string& title, const std::string& unit,
                          const std::function<std::string(std::size_t)>& formula,
                          const std::function<Shown(std::size_t)>& value) {
    std::vector<Shown> shown;
    for (std::size_t i = 0; i < n_points; ++i) shown.push_back(value(i));
    return aside ? ws.column_aside(title, unit, rows, formula, shown) : ws.column(title, unit, rows, formula, shown);
  };
  // Isotherm n's cells of a column from its first point to point i (an
  // expanding range that fills down), or to its last.
  const auto down_to = [&](const ColumnRef& c, std::size_t i) {
    return absolute_cell(c.cells[first_of[g[i]]]) + ":" + c.cells[i];
  };
  const auto of_isotherm = [&](const ColumnRef& c, std::size_t n) {
    return absolute_cell(c.cells[first_of[n]]) + ":" + absolute_cell(c.cells[first_of[n + 1] - 1]);
  };

  ws.step(
      "Tie lines and the van der Waals fit, point by point: each isotherm's longest run of neighbouring points "
      "whose pressures agree within the band, and P = C·T/(V − B) − A/V² fitted to the points off those runs");
  const std::string band = ws.choice("flat_band", "pressures of a tie line agree within", flat_band, "bar");
  const std::string least =
      ws.choice("tie_points", "a tie line has at least", static_cast<double>(least_flat_points), "points");
  const std::string r = ws.constant("R_gas");
  const ColumnRef c_t = points(
      false, "T", "K", [&](std::size_t i) { return data_cell(isotherms[g[i]].t_record, 0); },
      [&](std::size_t i) { return t_of(i); });
  const ColumnRef c_v = points(
      false, "V", "cm3/mol", [&](std::size_t i) { return data_ref(rows[i], 0); },
      [&](std::size_t i) { return v_of(i); });
  const ColumnRef c_p = points(
      false, "P", "bar", [&](std::size_t i) { return data_ref(rows[i], 1); }, [&](std::size_t i) { return p_of(i); });
  const ColumnRef c_n = points(
      false, "n, point of the isotherm", "", [&](std::size_t i) { return "ROWS(" + down_to(c_v, i) + ")"; },
      [&](std::size_t i) { return static_cast<double>(k[i] + 1); });
  const ColumnRef c_apart = points(
      false, "last point before n further than the band from P", "",
      [&](std::size_t i) {
        if (k[i] == 0) return std::string("0");
        const std::string above = absolute_cell(c_p.cells[first_of[g[i]]]) + ":" + c_p.cells[i - 1];
        const std::string numbers = absolute_cell(c_n.cells[first_of[g[i]]]) + ":" + c_n.cells[i - 1];
        return "SUMPRODUCT(MAX((ABS(" + above + "-" + c_p.cells[i] + ")>" + band + ")*" + numbers + "))";
      },
      [&](std::size_t i) { return windows[g[i]].apart[k[i]]; });
  const ColumnRef c_length = points(
      false, "points of the flat window ending at n", "",
      [&](std::size_t i) { return c_n.cells[i] + "-MAX(" + down_to(c_apart, i) + ")"; },
      [&](std::size_t i) { return windows[g[i]].length[k[i]]; });
  const ColumnRef c_tie = points(
      false, "P on the tie line", "bar",
      [&](std::size_t i) {
        const std::string lengths = of_isotherm(c_length, g[i]);
        const std::string longest = "MAX(" + lengths + ")", end = "MATCH(" + longest + "," + lengths + ",0)";
        const std::string& n = c_n.cells[i];
        return "IF(AND(" + longest + ">=" + least + "," + n + ">" + end + "-" + longest + "," + n + "<=" + end + ")," +
               c_p.cells[i] + ",\"\")";
      },
      [&](std::size_t i) { return w_of(i) == 0.0 ? Shown(p_of(i)) : Shown::blank(); });

  // The fit's columns, right of the print: w, then the start's design.
  const ColumnRef c_w = points(
      true, "w, 1 in the fit (off the tie lines)", "",
      [&](std::size_t i) { return "IF(" + c_tie.cells[i] + "=\"\",1,0)"; }, [&](std::size_t i) { return w_of(i); });
  const auto weighted = [&](std::size_t i, const std::string& f) { return c_w.cells[i] + "*" + f; };
  // The start: P·V³ = B·(P·V²) + C·(T·V²) + A·(−V) + A·B, each term times w.
  const ColumnRef c_pv2 = points(
      true, "w·P·V²", "bar cm6/mol2",
      [&](std::size_t i) { return weighted(i, c_p.cells[i] + "*" + c_v.cells[i] + "^2"); },
      [&](std::size_t i) { return w_of(i) * (p_of(i) * v_of(i) * v_of(i)); });
  points(
      true, "w·T·V²", "K cm6/mol2",
      [&](std::size_t i) { return weighted(i, c_t.cells[i] + "*" + c_v.cells[i] + "^2"); },
      [&](std::size_t i) { return w_of(i) * (t_of(i) * v_of(i) * v_of(i)); });
  points(
      true, "−w·V", "cm3/mol", [&](std::size_t i) { return "-" + weighted(i, c_v.cells[i]); },
      [&](std::size_t i) { return -(w_of(i) * v_of(i)); });
  const ColumnRef c_one = points(
      true, "w, the constant A·B", "", [&](std::size_t i) { return c_w.cells[i]; },
      [&](std::size_t i) { return w_of(i); });
  const ColumnRef c_pv3 = points(
      true, "w·P·V³", "bar cm9/mol3",
      [&](std::size_t i) { return weighted(i, c_p.cells[i] + "*" + c_v.cells[i] + "^3"); },
      [&](std::size_t i) { return w_of(i) * (p_of(i) * v_of(i) * v_of(i) * v_of(i)); });
  const std::string start = "LINEST(" + c_pv3.range + "," + absolute_cell(c_pv2.cells.front()) + ":" +
                            absolute_cell(c_one.cells.back()) + ",FALSE,TRUE)";
  // LINEST lists w (A·B), −w·V (A), w·T·V² (C), w·P·V² (B).
  std::array<std::string, 3> q{
      ws.value("A, start (P·V³ multiplied out)", "bar cm6/mol2", "INDEX(" + start + ",1,2)", fit.steps[0][A]),
      ws.value("B, start", "cm3/mol", "INDEX(" + start + ",1,4)", fit.steps[0][B]),
      ws.value("C, start", "bar cm3/(mol K)", "INDEX(" + start + ",1,3)", fit.steps[0][C])};

  for (std::size_t s = 1; s < fit.steps.size(); ++s) {
    const std::array<double, 3>& before = fit.steps[s - 1];
    const std::string step = ", step " + std::to_string(s);
    const auto d = [&](std::size_t i) { return v_of(i) - before[B]; };
    const ColumnRef c_ja = points(
        true, "−w/V²" + step, "mol2/cm6", [&](std::size_t i) { return "-" + c_w.cells[i] + "/" + c_v.cells[i] + "^2"; },
        [&](std::size_t i) { return -w_of(i) / (v_of(i) * v_of(i)); });
    const ColumnRef c_jb = points(
        true, "w·C·T/(V − B)²" + step, "bar mol/cm3",
        [&](std::size_t i) {
          return weighted(i, q[C] + "*" + c_t.cells[i] + "/(" + c_v.cells[i] + "-" + q[B] + ")^2");
        },
        [&](std::size_t i) { return w_of(i) * (before[C] * t_of(i) / (d(i) * d(i))); });
    const ColumnRef c_jc = points(
        true, "w·T/(V − B)" + step, "K mol/cm3",
        [&](std::size_t i) { return weighted(i, c_t.cells[i] + "/(" + c_v.cells[i] + "-" + q[B] + ")"); },
        [&](std::size_t i) { return w_of(i) * (t_of(i) / d(i)); });
    const ColumnRef c_y = points(
        true, "w·P + B·(w·C·T/(V − B)²)" + step, "bar",
        [&](std::size_t i) { return weighted(i, c_p.cells[i]) + "+" + q[B] + "*" + c_jb.cells[i]; },
        [&](std::size_t i) {
          return w_of(i) * p_of(i) + before[B] * (w_of(i) * (before[C] * t_of(i) / (d(i) * d(i))));
        });
    const std::string lin = "LINEST(" + c_y.range + "," + absolute_cell(c_ja.cells.front()) + ":" +
                            absolute_cell(c_jc.cells.back()) + ",FALSE,TRUE)";
    q = {ws.value("A" + step, "bar cm6/mol2", "INDEX(" + lin + ",1,3)", fit.steps[s][A]),
         ws.value("B" + step, "cm3/mol", "INDEX(" + lin + ",1,2)", fit.steps[s][B]),
         ws.value("C" + step, "bar cm3/(mol K)", "INDEX(" + lin + ",1,1)", fit.steps[s][C])};
  }
  std::size_t in_fit = 0;
  for (std::size_t i = 0; i < n_points; ++i) in_fit += w_of(i) == 1.0 ? 1 : 0;
  ws.value("points in the fit (w = 1)", "", "SUM(" + c_w.range + ")", static_cast<double>(in_fit));

  // The fitted isotherm at every written volume.
  const auto fitted_p = [&](double t, double v) { return qv[C] * t / (v - qv[B]) - qv[A] / (v * v); };
  const ColumnRef c_fit = points(
      false, "P of the fitted isotherm", "bar",
      [&](std::size_t i) {
        return q[C] + "*" + c_t.cells[i] + "/(" + c_v.cells[i] + "-" + q[B] + ")-" + q[A] + "/" + c_v.cells[i] + "^2";
      },
      [&](std::size_t i) { return fitted_p(t_of(i), v_of(i)); });
  const std::string fitted_words =
      "of the van der Waals isotherm P = C·T/(V − B) − A/V² fitted to the points off the tie lines (least squares "
      "in P, " + std::to_string(gauss_newton_steps) + " Gauss-Newton steps from the linearised form)";
  const std::string tc =
      ws.result_with_method("Tc", "8*" + q[A] + "/(27*" + q[B] + "*" + q[C] + ")", "8A/(27·B·C) " + fitted_words);
  const std::string pc = ws.result("Pc", q[A] + "/(27*" + q[B] + "^2)");
  const std::string vc = ws.result("Vc", "3*" + q[B]);
  ws.result("Zc", pc + "*" + vc + "/(" + r + "*" + tc + ")");
  ws.result("a", "27*" + r + "^2*" + tc + "^2/(64*" + pc + ")");
  ws.result("b", r + "*" + tc + "/(8*" + pc + ")");
  ws.note(
      "Each Gauss-Newton step is LINEST without a constant of w·P + B·(w·C·T/(V − B)²) against −w/V², "
      "w·C·T/(V − B)² and w·T/(V − B) at the previous step's A, B, C; it lists C, B, A in that order. The columns "
      "of the start and of each step stand right of the printed ones, from column K on.");

  // The measured isotherms with the fitted ones, three to a chart.
  const char* thirds[] = {"The three coldest isotherms", "The middle three isotherms", "The three hottest isotherms"};
  for (std::size_t c = 0; c * 3 < isotherms.size(); ++c) {
    std::vector<Series> chart;
    for (std::size_t n = 3 * c; n < std::min(isotherms.size(), 3 * c + 3); ++n) {
      const Isotherm& iso = isotherms[n];
      if (iso.rows.empty()) continue;
      const std::string name = "isotherm " + std::to_string(iso.number);
      const int colour = static_cast<int>(n - 3 * c);
      chart.push_back({.name = name,
                       .x_range = analysis::data_range(iso.rows.front(), iso.rows.back(), 0),
                       .y_range = analysis::data_range(iso.rows.front(), iso.rows.back(), 1),
                       .colour = colour});
      chart.push_back({.name = "fitted, " + name,
                       .x_range = on_solution(of_isotherm(c_v, n)),
                       .y_range = on_solution(of_isotherm(c_fit, n)),
                       .markers = false,
                       .line = true,
                       .colour = colour});
    }
    const std::string title = c < 3 ? thirds[c] : "More isotherms";
    if (!chart.empty()) ws.chart(title + ": P against V", "V (cm3/mol)", "P (bar)", chart);
  }

  // The isotherms, each on the record of its temperature.
  ws.step("Tie lines: the vapor pressure of each isotherm below Tc, and where the fitted isotherm reaches it");
  std::vector<std::size_t> t_rows;
  for (const Isotherm& iso : isotherms) t_rows.push_back(iso.t_record);
  const double tc_value = sheet.find("Tc")->value;
  std::vector<Shown> t_shown, count_shown, pvap_shown;
  for (std::size_t n = 0; n < isotherms.size(); ++n) {
    const Isotherm& iso = isotherms[n];
    std::size_t on = 0;
    double sum = 0;
    for (std::size_t i = 0; i < iso.p.size(); ++i)
      if (windows[n].tie[i]) ++on, sum += iso.p[i];
    t_shown.emplace_back(iso.t);
    count_shown.emplace_back(static_cast<double>(on));
    const Result* res = sheet.find("Pvap(" + std::to_string(iso.number) + ")");
    pvap_shown.push_back(on > 0 && iso.t < tc_value ? Shown(res != nullptr ? res->value : sum / static_cast<double>(on))
                                                    : Shown::blank());
  }
  const ColumnRef c_iso_t = ws.column(
      "T", "K", t_rows, [&](std::size_t n) { return data_ref(t_rows[n], 0); }, t_shown);
  // (An isotherm of a hand-edited file may have no points: none on a tie line.)
  const auto empty = [&](std::size_t n) { return isotherms[n].rows.empty(); };
  const ColumnRef c_count = ws.column(
      "points on the tie line", "", t_rows,
      [&](std::size_t n) { return empty(n) ? std::string("0") : "COUNT(" + of_isotherm(c_tie, n) + ")"; },
      count_shown);
  const ColumnRef c_pvap = ws.column(
      "P(vap), the tie line's mean below Tc", "bar", t_rows,
      [&](std::size_t n) {
        if (empty(n)) return std::string("\"\"");
        return "IF(AND(" + c_count.cells[n] + ">0," + c_iso_t.cells[n] + "<" + tc + "),AVERAGE(" +
               of_isotherm(c_tie, n) + "),\"\")";
      },
      pvap_shown);
  for (std::size_t n = 0; n < isotherms.size(); ++n) {
    const std::string key = "Pvap(" + std::to_string(isotherms[n].number) + ")";
    if (sheet.find(key) != nullptr) ws.result_with_method(key, c_pvap.cells[n], "mean of the points on the tie line");
  }

  // Newton's steps towards the volumes, for the tie lines whose pressure
  // the fitted isotherm reaches three times.
  std::vector<std::size_t> read, read_rows;  // isotherm indices, their records
  for (std::size_t n = 0; n < isotherms.size(); ++n)
    if (sheet.find("Vl(" + std::to_string(isotherms[n].number) + ")") != nullptr) {
      read.push_back(n);
      read_rows.push_back(isotherms[n].t_record);
    }
  std::vector<Series> coexistence;
  if (!read.empty()) {
    const auto row_of = [&](std::size_t i) { return read[i]; };  // the table row of tie line i
    const auto pvap = [&](std::size_t i) { return pvap_shown[row_of(i)].number(); };
    const auto tie_column = [&](bool aside, const std::string& title, const std::string& unit,
                                const std::function<std::string(std::size_t)>& formula,
                                const std::function<double(std::size_t)>& value) {
      std::vector<Shown> shown;
      for (std::size_t i = 0; i < read.size(); ++i) shown.emplace_back(value(i));
      return aside ? ws.column_aside(title, unit, read_rows, formula, shown)
                   : ws.column(title, unit, read_rows, formula, shown);
    };
    const auto p_cell = [&](std::size_t i) { return c_pvap.cells[row_of(i)]; };
    const auto t_cell = [&](std::size_t i) { return c_iso_t.cells[row_of(i)]; };
    const ColumnRef c_s = tie_column(
        true, "s = P·B + C·T", "bar cm3/mol",
        [&](std::size_t i) { return p_cell(i) + "*" + q[B] + "+" + q[C] + "*" + t_cell(i); },
        [&](std::size_t i) { return pvap(i) * qv[B] + qv[C] * isotherms[read[i]].t; });
    std::array<ColumnRef, 2> last;
    for (const bool gas : {false, true}) {
      const std::string phase = gas ? "gas" : "liquid";
      std::vector<std::vector<double>> steps;
      for (std::size_t i = 0; i < read.size(); ++i)
        steps.push_back(newton_volumes(qv, isotherms[read[i]].t, pvap(i), gas));
      ColumnRef v = tie_column(
          true, "V(" + phase + "), Newton start", "cm3/mol",
          [&](std::size_t i) { return gas ? q[B] + "+" + q[C] + "*" + t_cell(i) + "/" + p_cell(i) : q[B]; },
          [&](std::size_t i) { return steps[i][0]; });
      for (std::size_t s = 1; s <= newton_steps; ++s) {
        const ColumnRef prev = v;
        v = tie_column(
            true, "V(" + phase + "), Newton step " + std::to_string(s), "cm3/mol",
            [&](std::size_t i) {
              const std::string& x = prev.cells[i];
              const std::string& p = p_cell(i);
              return x + "-(((" + p + "*" + x + "-" + c_s.cells[i] + ")*" + x + "+" + q[A] + ")*" + x + "-" + q[A] +
                     "*" + q[B] + ")/((3*" + p + "*" + x + "-2*" + c_s.cells[i] + ")*" + x + "+" + q[A] + ")";
            },
            [&](std::size_t i) { return steps[i][s]; });
      }
      last[gas ? 1 : 0] = v;
    }
    const auto volume = [&](const char* key, std::size_t i) {
      return sheet.find(key + ("(" + std::to_string(isotherms[read[i]].number) + ")"))->value;
    };
    const ColumnRef c_vl = tie_column(
        false, "V(liquid)", "cm3/mol", [&](std::size_t i) { return last[0].cells[i]; },
        [&](std::size_t i) { return volume("Vl", i); });
    const ColumnRef c_vg = tie_column(
        false, "V(gas)", "cm3/mol", [&](std::size_t i) { return last[1].cells[i]; },
        [&](std::size_t i) { return volume("Vg", i); });
    // P(vap) again at both ends, beside each other for the chart's tie lines.
    const ColumnRef c_pl = tie_column(
        true, "P(vap) at the liquid end", "bar", [&](std::size_t i) { return p_cell(i); }, pvap);
    const ColumnRef c_pg = tie_column(
        true, "P(vap) at the gas end", "bar", [&](std::size_t i) { return p_cell(i); }, pvap);
    for (std::size_t i = 0; i < read.size(); ++i) {
      const std::string key = "(" + std::to_string(isotherms[read[i]].number) + ")";
      ws.result("Vl" + key, c_vl.cells[i]);
      ws.result("Vg" + key, c_vg.cells[i]);
      coexistence.push_back({.name = "tie line, isotherm " + std::to_string(isotherms[read[i]].number),
                             .x_range = on_solution(absolute_cell(c_vl.cells[i]) + ":" + absolute_cell(c_vg.cells[i])),
                             .y_range = on_solution(absolute_cell(c_pl.cells[i]) + ":" + absolute_cell(c_pg.cells[i])),
                             .line = true,
                             .colour = static_cast<int>(i)});
    }
    ws.note(
        "Newton's step on f(V) = ((P·V − s)·V + A)·V − A·B, s = P·B + C·T: V − f/f', f' = (3P·V − 2s)·V + A; "
        "from V = B it climbs to the liquid volume, from V = B + C·T/P it falls to the gas volume. Its " +
        std::to_string(newton_steps) + " steps stand right of the printed columns.");
  }

  // The coexistence curve traced by the tie lines' ends, closing at the
  // critical point on the critical isotherm's inflection: V from 0.6 to
  // 2.6 Vc in steps of Vc/10.
  ws.step("Coexistence curve: the tie lines and the fitted isotherm at Tc");
  constexpr std::size_t grid = 20;
  std::vector<std::size_t> grid_rows;
  std::vector<double> v_grid, p_grid;
  const double vc_value = sheet.find("Vc")->value;
  for (std::size_t s = 0; s <= grid; ++s) {
    grid_rows.push_back(data.size() + 2 + s);
    v_grid.push_back(vc_value * (6.0 + static_cast<double>(s)) / 10.0);
    p_grid.push_back(fitted_p(tc_value, v_grid.back()));
  }
  const ColumnRef c_vgrid = ws.column(
      "V, critical isotherm", "cm3/mol", grid_rows,
      [&](std::size_t s) { return vc + "*(6+" + std::to_string(s) + ")/10"; }, v_grid);
  const ColumnRef c_pgrid = ws.column(
      "P, critical isotherm", "bar", grid_rows,
      [&](std::size_t s) {
        const std::string& v = c_vgrid.cells[s];
        return q[C] + "*" + tc + "/(" + v + "-" + q[B] + ")-" + q[A] + "/" + v + "^2";
      },
      p_grid);
  coexistence.push_back({.name = "critical point",
                         .x_range = on_solution(vc),
                         .y_range = on_solution(pc),
                         .colour = static_cast<int>(read.size())});
  coexistence.push_back({.name = "fitted isotherm at Tc",
                         .x_range = on_solution(c_vgrid.range),
                         .y_range = on_solution(c_pgrid.range),
                         .markers = false,
                         .line = true,
                         .colour = static_cast<int>(read.size()) + 1});
  ws.chart("Coexistence curve: the tie lines and the critical isotherm", "V (cm3/mol)", "P (bar)", coexistence);
}

// What the student is given beside the data set.
const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout out{
        .task =
            "Nine pressure-volume isotherms of one gas were measured, some below its critical temperature, where the "
            "gas condenses along a horizontal tie line, the others above. Locate the critical point from them: fit "
            "the van der Waals form P = C·T/(V − B) − A/V² to every point off the tie lines (one A, B, C for all "
            "nine isotherms; C is free, since the gas's critical compressibility factor is not the van der Waals "
            "3/8), take the critical constants from the fitted isotherm's inflection with a horizontal tangent, and "
            "from them Zc and the van der Waals constants a and b. For each isotherm below Tc whose tie line shows "
            "two points or more, report the vapor pressure and the molar volumes of the coexisting liquid and gas.",
        .data =
            "For each isotherm, in order (isotherm 1 is the coldest): the record `\"isotherm temperature:\",` with the "
            "temperature T (K) on the next record, then the heading `\"V(cm3)\",\"P(bar)\"` and the points in rising "
            "molar volume: V (cm3/mol), P (bar). Pressures carry a scatter of ±0.01 bar, volumes ±0.0001 cm3/mol. The "
            "points of a tie line have the same pressure within that scatter.",
        .constants = {{.name = "R, gas constant",
                       .value = gas_constant,
                       .unit = "cm3·bar/(mol·K)",
                       .use = "Zc = Pc·Vc/(R·Tc), a and b from Tc and Pc",
                       .symbol = "R_gas"}},
        .conventions = {"Temperatures in K, pressures in bar, molar volumes in cm3/mol.",
                        "Isotherms are numbered 1 to 9 in the order of the data set; the results of an isotherm "
                        "without a tie line (or above Tc) are left empty, and so are its volumes where the fitted "
                        "isotherm reaches the tie line's pressure at one volume only (a loop just below Tc, "
                        "shallower than the scatter).",
                        "A tie line is the run of neighbouring points whose pressures agree within the scatter "
                        "(0.025 bar); a single point is not a tie line."},
        .results = {}};
    const std::string fit_words =
        "from the van der Waals form fitted by least squares in P to the points off the tie lines of all nine "
        "isotherms";
    out.results = {
        {.key = "Tc", .name = "critical temperature", .unit = "K", .method = "8A/(27·B·C) " + fit_words},
        {.key = "Pc", .name = "critical pressure", .unit = "bar", .method = "A/(27·B²) of the same fit"},
        {.key = "Vc", .name = "critical molar volume", .unit = "cm3/mol", .method = "3B of the same fit"},
        {.key = "Zc", .name = "critical compressibility factor", .unit = "", .method = "Pc·Vc/(R·Tc)"},
        {.key = "a",
         .name = "van der Waals constant a",
         .unit = "cm6·bar/mol2",
         .method = "27R²Tc²/(64Pc), from Tc and Pc (not 3Pc·Vc²: this gas's Zc is not 3/8, and the routes differ)"},
        {.key = "b",
         .name = "van der Waals constant b",
         .unit = "cm3/mol",
         .method = "R·Tc/(8Pc), from Tc and Pc (not Vc/3)"}};
    for (int n = 1; n <= most_tie_lines; ++n) {
      const std::string k = "(" + std::to_string(n) + ")", on = " on isotherm " + std::to_string(n);
      out.results.push_back({.key = "Pvap" + k, .name = "vapor pressure" + on, .unit = "bar",
                             .method = "mean pressure of the tie line's points"});
      out.results.push_back({.key = "Vl" + k, .name = "liquid molar volume" + on, .unit = "cm3/mol",
                             .method = "smallest volume where the fitted isotherm at this T reaches the tie-line "
                                       "pressure (not the first point of the tie line: the written volumes are "
                                       "too sparse)"});
      out.results.push_back({.key = "Vg" + k, .name = "gas molar volume" + on, .unit = "cm3/mol",
                             .method = "largest volume where the fitted isotherm at this T reaches the tie-line "
                                       "pressure"});
    }
    return out;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis gas_isotherm_gen_answers{
    .program = "gas_isotherm_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
