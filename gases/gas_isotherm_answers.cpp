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


// The same worksheet as spreadsheet formulas. The points of the fit, taken
// from every isotherm, stand in one table under the data set (a LINEST
// needs its rows together): the start, then each Gauss-Newton step as four
// columns and its LINEST. The tie lines stand on the records of their
// isotherms' temperatures: the mean pressure of the flat run the analysis
// found, and Newton's steps towards the liquid and the gas volume.
void workbook(const Case& cs, const AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::data_range;
  using analysis::on_solution;
  using Series = analysis::SolutionSheet::Series;
  const analysis::DataSet& data = cs.data();
  const std::vector<Isotherm> isotherms = read_isotherms(data);
  const FitPoints f = fit_points(isotherms);
  const IsothermFit fit = fit_isotherms(f);
  const std::size_t n = f.v.size();

  const std::size_t below = data.size() + 2;
  std::vector<std::size_t> fit_rows(n);
  for (std::size_t i = 0; i < n; ++i) fit_rows[i] = below + i;
  const auto fit_column = [&](const std::string& title, const std::string& unit,
                              const std::function<std::string(std::size_t)>& formula,
                              const std::function<double(std::size_t)>& value) {
    std::vector<std::string> fs;
    std::vector<double> vs;
    for (std::size_t i = 0; i < n; ++i) {
      fs.push_back(formula(i));
      vs.push_back(value(i));
    }
    return ws.column(title, unit, fit_rows, fs, vs);
  };
  const ColumnRef c_t = fit_column(
      "T, points off the tie lines", "K", [&](std::size_t i) { return data_cell(f.t_records[i], 0); },
      [&](std::size_t i) { return f.t[i]; });
  const ColumnRef c_v = fit_column(
      "V", "cm3/mol", [&](std::size_t i) { return data_cell(f.rows[i], 0); }, [&](std::size_t i) { return f.v[i]; });
  const ColumnRef c_p = fit_column(
      "P", "bar", [&](std::size_t i) { return data_cell(f.rows[i], 1); }, [&](std::size_t i) { return f.p[i]; });

  // The start: P·V³ = B·(P·V²) + C·(T·V²) + A·(−V) + A·B.
  const ColumnRef c_pv2 = fit_column(
      "P·V²", "bar cm6/mol2", [&](std::size_t i) { return c_p.cells[i] + "*" + c_v.cells[i] + "^2"; },
      [&](std::size_t i) { return f.p[i] * f.v[i] * f.v[i]; });
  fit_column(
      "T·V²", "K cm6/mol2", [&](std::size_t i) { return c_t.cells[i] + "*" + c_v.cells[i] + "^2"; },
      [&](std::size_t i) { return f.t[i] * f.v[i] * f.v[i]; });
  const ColumnRef c_minus_v = fit_column(
      "−V", "cm3/mol", [&](std::size_t i) { return "-" + c_v.cells[i]; }, [&](std::size_t i) { return -f.v[i]; });
  const ColumnRef c_pv3 = fit_column(
      "P·V³", "bar cm9/mol3", [&](std::size_t i) { return c_p.cells[i] + "*" + c_v.cells[i] + "^3"; },
      [&](std::size_t i) { return f.p[i] * f.v[i] * f.v[i] * f.v[i]; });
  const std::string start = "LINEST(" + c_pv3.range + "," + c_pv2.cells.front() + ":" + c_minus_v.cells.back() +
                            ",TRUE,TRUE)";
  // LINEST lists −V, T·V², P·V², then the constant A·B.
  std::array<std::string, 3> q{
      ws.value("A, start (P·V³ multiplied out)", "bar cm6/mol2", "INDEX(" + start + ",1,1)", fit.steps[0][A]),
      ws.value("B, start", "cm3/mol", "INDEX(" + start + ",1,3)", fit.steps[0][B]),
      ws.value("C, start", "bar cm3/(mol K)", "INDEX(" + start + ",1,2)", fit.steps[0][C])};

  for (std::size_t s = 1; s < fit.steps.size(); ++s) {
    const Linearised l = linearise(f, fit.steps[s - 1]);
    const std::string step = ", step " + std::to_string(s);
    const ColumnRef c_ja = fit_column(
        "−1/V²" + step, "mol2/cm6", [&](std::size_t i) { return "-1/" + c_v.cells[i] + "^2"; },
        [&](std::size_t i) { return l.design[0][i]; });
    const ColumnRef c_jb = fit_column(
        "C·T/(V − B)²" + step, "bar mol/cm3",
        [&](std::size_t i) { return q[C] + "*" + c_t.cells[i] + "/(" + c_v.cells[i] + "-" + q[B] + ")^2"; },
        [&](std::size_t i) { return l.design[1][i]; });
    const ColumnRef c_jc = fit_column(
        "T/(V − B)" + step, "K mol/cm3",
        [&](std::size_t i) { return c_t.cells[i] + "/(" + c_v.cells[i] + "-" + q[B] + ")"; },
        [&](std::size_t i) { return l.design[2][i]; });
    const ColumnRef c_y = fit_column(
        "P + B·C·T/(V − B)²" + step, "bar", [&](std::size_t i) { return c_p.cells[i] + "+" + q[B] + "*" + c_jb.cells[i]; },
        [&](std::size_t i) { return l.y[i]; });
    const std::string lin = "LINEST(" + c_y.range + "," + c_ja.cells.front() + ":" + c_jc.cells.back() + ",FALSE,TRUE)";
    q = {ws.value("A" + step, "bar cm6/mol2", "INDEX(" + lin + ",1,3)", fit.steps[s][A]),
         ws.value("B" + step, "cm3/mol", "INDEX(" + lin + ",1,2)", fit.steps[s][B]),
         ws.value("C" + step, "bar cm3/(mol K)", "INDEX(" + lin + ",1,1)", fit.steps[s][C])};
  }

  const std::string tc = ws.result("Tc", "8*" + q[A] + "/(27*" + q[B] + "*" + q[C] + ")");
  const std::string pc = ws.result("Pc", q[A] + "/(27*" + q[B] + "^2)");
  const std::string vc = ws.result("Vc", "3*" + q[B]);
  ws.result("Zc", pc + "*" + vc + "/(83.145*" + tc + ")");
  ws.result("a", "27*83.145^2*" + tc + "^2/(64*" + pc + ")");
  ws.result("b", "83.145*" + tc + "/(8*" + pc + ")");

  // The fitted isotherm at every written volume, on the point's own row.
  const std::span<const double> qv = fit.q();
  const auto fitted_p = [&](double t, double v) { return qv[C] * t / (v - qv[B]) - qv[A] / (v * v); };
  std::vector<std::size_t> point_rows;
  std::vector<std::string> f_fit;
  std::vector<double> p_fit;
  std::vector<std::size_t> first_point;  // index of each isotherm's first point in the column
  for (const Isotherm& iso : isotherms) {
    first_point.push_back(point_rows.size());
    for (std::size_t k = 0; k < iso.v.size(); ++k) {
      point_rows.push_back(iso.rows[k]);
      const std::string v = data_cell(iso.rows[k], 0);
      f_fit.push_back(q[C] + "*" + data_cell(iso.t_record, 0) + "/(" + v + "-" + q[B] + ")-" + q[A] + "/" + v + "^2");
      p_fit.push_back(fitted_p(iso.t, iso.v[k]));
    }
  }
  const ColumnRef c_fit = ws.column("P of the fitted isotherm", "bar", point_rows, f_fit, p_fit);

  // The tie lines the analysis read, on the records of their temperatures.
  std::vector<const Isotherm*> tied, read;
  for (const Isotherm& iso : isotherms) {
    const std::string k = "(" + std::to_string(iso.number) + ")";
    if (sheet.find("Pvap" + k) != nullptr) tied.push_back(&iso);
    if (sheet.find("Vl" + k) != nullptr) read.push_back(&iso);
  }
  std::vector<Series> chart;
  for (const Isotherm& iso : isotherms) {
    const std::size_t g = static_cast<std::size_t>(iso.number - 1);
    const std::string name = "T = " + data.text(iso.t_record, 0) + " K";
    const std::string x = data_range(iso.rows.front(), iso.rows.back(), 0);
    chart.push_back({.name = name, .x_range = x, .y_range = data_range(iso.rows.front(), iso.rows.back(), 1),
                     .colour = static_cast<int>(g)});
    chart.push_back({.name = "van der Waals fit, " + name, .x_range = x,
                     .y_range = on_solution(c_fit.cells[first_point[g]] + ":" +
                                            c_fit.cells[first_point[g] + iso.v.size() - 1]),
                     .markers = false, .line = true, .colour = static_cast<int>(g)});
  }
  if (!tied.empty()) {
    std::vector<std::size_t> rows;
    std::vector<std::string> fs;
    std::vector<double> vs;
    for (const Isotherm* iso : tied) {
      rows.push_back(iso->t_record);
      fs.push_back("AVERAGE(" + data_range(iso->rows[iso->flat_begin], iso->rows[iso->flat_end - 1], 1) + ")");
      vs.push_back(sheet.find("Pvap(" + std::to_string(iso->number) + ")")->value);
    }
    const ColumnRef c_pvap = ws.column("P(vap), mean of the flat run", "bar", rows, fs, vs);
    for (std::size_t i = 0; i < tied.size(); ++i)
      ws.result("Pvap(" + std::to_string(tied[i]->number) + ")", c_pvap.cells[i]);
    std::vector<std::string> pvap_of(isotherms.size() + 1);
    for (std::size_t i = 0; i < tied.size(); ++i) pvap_of[static_cast<std::size_t>(tied[i]->number)] = c_pvap.cells[i];

    if (!read.empty()) {
      std::vector<std::size_t> read_rows;
      for (const Isotherm* iso : read) read_rows.push_back(iso->t_record);
      const auto tie_column = [&](const std::string& title, const std::string& unit,
                                  const std::function<std::string(std::size_t)>& formula,
                                  const std::function<double(std::size_t)>& value) {
        std::vector<std::string> fs2;
        std::vector<double> vs2;
        for (std::size_t i = 0; i < read.size(); ++i) {
          fs2.push_back(formula(i));
          vs2.push_back(value(i));
        }
        return ws.column(title, unit, read_rows, fs2, vs2);
      };
      const auto pvap = [&](std::size_t i) { return sheet.find("Pvap(" + std::to_string(read[i]->number) + ")")->value; };
      const auto p_cell = [&](std::size_t i) { return pvap_of[static_cast<std::size_t>(read[i]->number)]; };
      const auto t_cell = [&](std::size_t i) { return data_cell(read[i]->t_record, 0); };
      const ColumnRef c_s = tie_column(
          "P·B + C·T", "bar cm3/mol",
          [&](std::size_t i) { return p_cell(i) + "*" + q[B] + "+" + q[C] + "*" + t_cell(i); },
          [&](std::size_t i) { return pvap(i) * qv[B] + qv[C] * read[i]->t; });
      std::array<ColumnRef, 2> last;
      for (const bool gas : {false, true}) {
        const std::string phase = gas ? "gas" : "liquid";
        std::vector<std::vector<double>> steps;
        for (std::size_t i = 0; i < read.size(); ++i) steps.push_back(newton_volumes(qv, read[i]->t, pvap(i), gas));
        ColumnRef v = tie_column(
            "V(" + phase + "), Newton start", "cm3/mol",
            [&](std::size_t i) { return gas ? q[B] + "+" + q[C] + "*" + t_cell(i) + "/" + p_cell(i) : q[B]; },
            [&](std::size_t i) { return steps[i][0]; });
        for (std::size_t k = 1; k <= newton_steps; ++k) {
          const ColumnRef prev = v;
          v = tie_column(
              "V(" + phase + "), Newton step " + std::to_string(k), "cm3/mol",
              [&](std::size_t i) {
                const std::string& x = prev.cells[i];
                const std::string& p = p_cell(i);
                return x + "-(((" + p + "*" + x + "-" + c_s.cells[i] + ")*" + x + "+" + q[A] + ")*" + x + "-" + q[A] +
                       "*" + q[B] + ")/((3*" + p + "*" + x + "-2*" + c_s.cells[i] + ")*" + x + "+" + q[A] + ")";
              },
              [&](std::size_t i) { return steps[i][k]; });
        }
        last[gas ? 1 : 0] = v;
      }
      // The ends of each tie line side by side, for the chart.
      const ColumnRef c_vl = tie_column(
          "V(liquid)", "cm3/mol", [&](std::size_t i) { return last[0].cells[i]; },
          [&](std::size_t i) { return sheet.find("Vl(" + std::to_string(read[i]->number) + ")")->value; });
      const ColumnRef c_vg = tie_column(
          "V(gas)", "cm3/mol", [&](std::size_t i) { return last[1].cells[i]; },
          [&](std::size_t i) { return sheet.find("Vg(" + std::to_string(read[i]->number) + ")")->value; });
      const ColumnRef c_pl = tie_column(
          "P, liquid end", "bar", [&](std::size_t i) { return p_cell(i); }, pvap);
      const ColumnRef c_pg = tie_column(
          "P, gas end", "bar", [&](std::size_t i) { return p_cell(i); }, pvap);
      for (std::size_t i = 0; i < read.size(); ++i) {
        const std::string k = "(" + std::to_string(read[i]->number) + ")";
        ws.result("Vl" + k, c_vl.cells[i]);
        ws.result("Vg" + k, c_vg.cells[i]);
        chart.push_back({.name = "tie line" + k, .x_range = on_solution(c_vl.cells[i] + ":" + c_vg.cells[i]),
                         .y_range = on_solution(c_pl.cells[i] + ":" + c_pg.cells[i]), .markers = false,
                         .line = true, .colour = read[i]->number - 1});
      }
      ws.chart("Isotherms: P against V, the fitted van der Waals isotherms and the tie lines", "V (cm3/mol)",
               "P (bar)", chart);
      chart.clear();

      // The coexistence curve traced by the tie lines' ends, closing at the
      // critical point on the critical isotherm's inflection.
      // V from 0.6 to 2.6 Vc in steps of Vc/10.
      constexpr std::size_t grid = 20;
      std::vector<std::size_t> grid_rows;
      std::vector<std::string> f_v, f_pc;
      std::vector<double> v_grid, p_grid;
      const double vc_value = sheet.find("Vc")->value, tc_value = sheet.find("Tc")->value;
      for (std::size_t k = 0; k <= grid; ++k) {
        grid_rows.push_back(below + k);
        f_v.push_back(vc + "*(6+" + std::to_string(k) + ")/10");
        v_grid.push_back(vc_value * (6.0 + static_cast<double>(k)) / 10.0);
      }
      const ColumnRef c_vgrid = ws.column("V, critical isotherm", "cm3/mol", grid_rows, f_v, v_grid);
      for (std::size_t k = 0; k <= grid; ++k) {
        const std::string& v = c_vgrid.cells[k];
        f_pc.push_back(q[C] + "*" + tc + "/(" + v + "-" + q[B] + ")-" + q[A] + "/" + v + "^2");
        p_grid.push_back(fitted_p(tc_value, v_grid[k]));
      }
      const ColumnRef c_pgrid = ws.column("P, critical isotherm", "bar", grid_rows, f_pc, p_grid);
      ws.chart("Coexistence curve and the critical isotherm", "V (cm3/mol)", "P (bar)",
               {{.name = "liquid ends", .x_range = on_solution(c_vl.range), .y_range = on_solution(c_pl.range)},
                {.name = "gas ends", .x_range = on_solution(c_vg.range), .y_range = on_solution(c_pg.range)},
                {.name = "critical point", .x_range = on_solution(vc), .y_range = on_solution(pc), .colour = 3},
                {.name = "fitted isotherm at Tc", .x_range = on_solution(c_vgrid.range),
                 .y_range = on_solution(c_pgrid.range), .markers = false, .line = true, .colour = 2}});
    }
  }
  if (!chart.empty())
    ws.chart("Isotherms: P against V and the fitted van der Waals isotherms", "V (cm3/mol)", "P (bar)", chart);
  ws.note("Each Gauss-Newton step is LINEST without a constant of P + B·C·T/(V − B)² against −1/V², C·T/(V − B)² "
          "and T/(V − B) at the previous step's A, B, C; it lists C, B, A in that order.");
  ws.note("Newton's step on f(V) = ((P·V − s)·V + A)·V − A·B, s = P·B + C·T: V − f/f', f' = (3P·V − 2s)·V + A; "
          "from V = B it climbs to the liquid volume, from V = B + C·T/P it falls to the gas volume.");
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
                       .use = "Zc = Pc·Vc/(R·Tc), a and b from Tc and Pc"}},
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
