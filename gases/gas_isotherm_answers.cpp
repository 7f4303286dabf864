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
#include <gsl/gsl_poly.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

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

struct Isotherm {
  int number = 0;  // 1 to 9, as the key counts them
  double t = 0;    // K
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
    iso.t = d.value(*r + 1, 0);
    const std::vector<std::size_t> rows = d.numeric_rows(d.find("\"V(cm3)\"", *r) + 1);
    iso.v = d.column(rows, 0);
    iso.p = d.column(rows, 1);
    find_tie_line(iso);
    out.push_back(std::move(iso));
  }
  if (out.empty()) throw analysis::AnalysisError("no isotherm in the data set");
  return out;
}

// Parameters of the fitted isotherms, in this order.
enum { A, B, C };

// The real roots of P·V³ − (P·B + C·T)·V² + A·V − A·B = 0 in rising order:
// the volumes where the isotherm at T reaches the pressure P.
std::vector<double> volumes_at(std::span<const double> q, double t, double p) {
  std::array<double, 3> x{};
  const int n = gsl_poly_solve_cubic(-(q[B] + q[C] * t / p), q[A] / p, -q[A] * q[B] / p, &x[0], &x[1], &x[2]);
  return {x.begin(), x.begin() + n};
}

void analyse(const Case& c, AnswerSheet& sheet) {
  std::vector<Isotherm> isotherms = read_isotherms(c.data());

  // The single-phase points of all isotherms.
  std::vector<double> ts, vs, ps;
  for (const Isotherm& iso : isotherms)
    for (std::size_t k = 0; k < iso.v.size(); ++k)
      if (!iso.flat(k)) ts.push_back(iso.t), vs.push_back(iso.v[k]), ps.push_back(iso.p[k]);

  // First estimate from the equation multiplied out, linear in B, C, A and
  // A·B: P·V³ = B·(P·V²) + C·(T·V²) − A·V + A·B.
  std::vector<std::vector<double>> design(4, std::vector<double>(vs.size()));
  std::vector<double> pv3(vs.size());
  for (std::size_t i = 0; i < vs.size(); ++i) {
    design[0][i] = ps[i] * vs[i] * vs[i];
    design[1][i] = ts[i] * vs[i] * vs[i];
    design[2][i] = -vs[i];
    design[3][i] = 1.0;
    pv3[i] = ps[i] * vs[i] * vs[i] * vs[i];
  }
  const analysis::PolyFit linearised = analysis::fit_linear(design, pv3);
  const std::array<double, 3> start{linearised.c[2], linearised.c[0], linearised.c[1]};

  // Then least squares in the pressures themselves; the model's abscissa
  // is the number of the point, which carries its T and V.
  std::vector<double> point(vs.size());
  std::iota(point.begin(), point.end(), 0.0);
  const analysis::CurveFit fit = analysis::fit_curve(
      [&](double i, std::span<const double> q) {
        const auto k = static_cast<std::size_t>(i);
        return q[C] * ts[k] / (vs[k] - q[B]) - q[A] / (vs[k] * vs[k]);
      },
      point, ps, start);
  const std::span<const double> q(fit.p);

  auto derived = [&](auto f) { return analysis::propagate(f, fit.p, fit.cov); };
  const double r = gas_constant;
  const auto tc = derived([](std::span<const double> x) { return 8.0 * x[A] / (27.0 * x[B] * x[C]); });
  const auto pc = derived([](std::span<const double> x) { return x[A] / (27.0 * x[B] * x[B]); });
  const auto vc = derived([](std::span<const double> x) { return 3.0 * x[B]; });
  const auto zc = derived([r](std::span<const double> x) {
    return (x[A] / (27.0 * x[B] * x[B])) * 3.0 * x[B] / (r * 8.0 * x[A] / (27.0 * x[B] * x[C]));
  });
  // a = 27R²Tc²/(64Pc) and b = R·Tc/(8Pc), written out in A, B, C.
  const auto a = derived([r](std::span<const double> x) {
    const double t = 8.0 * x[A] / (27.0 * x[B] * x[C]), p = x[A] / (27.0 * x[B] * x[B]);
    return 27.0 * r * r * t * t / (64.0 * p);
  });
  const auto b = derived([r](std::span<const double> x) {
    const double t = 8.0 * x[A] / (27.0 * x[B] * x[C]), p = x[A] / (27.0 * x[B] * x[B]);
    return r * t / (8.0 * p);
  });

  const std::string fitted = "van der Waals isotherm P = C·T/(V−B) − A/V² fitted to the " + std::to_string(ps.size()) +
                             " points off the tie lines (nonlinear least squares)";
  const double true_vc = c.hidden("zc") * gas_constant * c.hidden("tc") / c.hidden("pc");
  sheet.add(Result{.key = "Tc", .name = "critical temperature", .unit = "K", .true_value = c.hidden("tc"),
                   .value = tc.value, .uncertainty = tc.u, .method = "8A/(27·B·C) of the " + fitted});
  sheet.add(Result{.key = "Pc", .name = "critical pressure", .unit = "bar", .true_value = c.hidden("pc"),
                   .value = pc.value, .uncertainty = pc.u, .method = "A/(27·B²) of the fitted isotherms"});
  sheet.add(Result{.key = "Vc", .name = "critical molar volume", .unit = "cm3/mol", .true_value = true_vc,
                   .value = vc.value, .uncertainty = vc.u, .method = "3B of the fitted isotherms"});
  sheet.add(Result{.key = "Zc", .name = "critical compressibility factor", .unit = "", .true_value = c.hidden("zc"),
                   .value = zc.value, .uncertainty = zc.u, .method = "Pc·Vc/(R·Tc)"});
  sheet.add(Result{.key = "a", .name = "van der Waals constant a", .unit = "cm6·bar/mol2", .true_value = c.hidden("a"),
                   .value = a.value, .uncertainty = a.u, .method = "27R²Tc²/(64Pc)"});
  sheet.add(Result{.key = "b", .name = "van der Waals constant b", .unit = "cm3/mol", .true_value = c.hidden("b"),
                   .value = b.value, .uncertainty = b.u, .method = "R·Tc/(8Pc)"});

  // The tie lines of the isotherms below the critical temperature.
  const double scale = c.hidden("zc") / van_der_waals_zc;  // van der Waals volumes to written ones
  Workings tie{.title = "tie lines (isotherms below Tc with a flat run)",
               .columns = {{"isotherm", "", {}}, {"T", "K", {}}, {"flat points", "", {}}, {"P(vap)", "bar", {}},
                           {"V(liquid)", "cm3/mol", {}}, {"V(gas)", "cm3/mol", {}}}};
  for (const Isotherm& iso : isotherms) {
    if (iso.flat_points() == 0 || iso.t >= tc.value) continue;
    const std::span<const double> flat(iso.p.data() + iso.flat_begin, iso.flat_points());
    const double n = static_cast<double>(flat.size());
    const double mean = std::accumulate(flat.begin(), flat.end(), 0.0) / n;
    double ss = 0;
    for (double x : flat) ss += (x - mean) * (x - mean);
    const double u_mean = std::sqrt(ss / (n - 1.0) / n);

    // The tie line meets the fitted isotherm at its liquid and gas volumes:
    // propagate over (A, B, C, P) with the pressure independent of the fit.
    std::vector<double> p4{q[A], q[B], q[C], mean};
    std::vector<double> cov4(16, 0.0);
    for (std::size_t i = 0; i < 3; ++i)
      for (std::size_t j = 0; j < 3; ++j) cov4[i * 4 + j] = fit.covariance(i, j);
    cov4[15] = u_mean * u_mean;
    const double t = iso.t;
    auto root = [t](bool gas) {
      return [t, gas](std::span<const double> x) {
        const std::vector<double> v = volumes_at(x.first(3), t, x[3]);
        return gas ? v.back() : v.front();
      };
    };
    const auto vl = analysis::propagate(root(false), p4, cov4);
    const auto vg = analysis::propagate(root(true), p4, cov4);

    const std::string k = "(" + std::to_string(iso.number) + ")";
    const std::string on = " on isotherm " + std::to_string(iso.number);
    sheet.add(Result{.key = "Pvap" + k, .name = "vapor pressure" + on, .unit = "bar",
                     .true_value = c.hidden("ptrial", iso.number), .value = mean, .uncertainty = u_mean,
                     .method = "mean of the " + std::to_string(flat.size()) + " points of the flat run"});
    sheet.add(Result{.key = "Vl" + k, .name = "liquid molar volume" + on, .unit = "cm3/mol",
                     .true_value = c.hidden("vl", iso.number) * scale, .value = vl.value, .uncertainty = vl.u,
                     .method = "smallest volume where the fitted isotherm reaches the tie-line pressure"});
    sheet.add(Result{.key = "Vg" + k, .name = "gas molar volume" + on, .unit = "cm3/mol",
                     .true_value = c.hidden("vg", iso.number) * scale, .value = vg.value, .uncertainty = vg.u,
                     .method = "largest volume where the fitted isotherm reaches the tie-line pressure"});
    const std::array<double, 6> row{static_cast<double>(iso.number), iso.t, n, mean, vl.value, vg.value};
    for (std::size_t i = 0; i < row.size(); ++i) tie.columns[i].values.push_back(row[i]);
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
  sheet.add(std::move(tie));
  sheet.add(std::move(points));

  sheet.notes.push_back(
      "A tie line is the longest run of neighbouring points whose pressures agree within " +
      std::to_string(flat_band).substr(0, 5) +
      " bar (the scatter of the pressures); it needs two points at least, so a tie line that falls between the "
      "written volumes, or shows a single point, is not read.");
  sheet.notes.push_back(
      "The van der Waals constants are computed from Tc and Pc; on the written volume scale the fitted A and B "
      "are a and b multiplied by the volume factor C/R and its square.");
  sheet.notes.push_back(
      "True critical molar volume: zc·R·tc/pc of the hidden gas; true coexisting volumes: the hidden "
      "van der Waals ones times zc·8/3, the factor that the written volumes carry.");
}

}  // namespace

extern const analysis::Analysis gas_isotherm_gen_answers{.program = "gas_isotherm_gen", .analyse = analyse};
