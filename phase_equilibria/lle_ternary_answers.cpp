// Answer sheet of the ternary liquid-liquid diagram (lle_ternary_gen).
//
// The envelope is a calibration: each of its rows pairs a composition on
// the two-phase boundary with its refractive index. Read along the curve
// from the A-rich end P to the B-rich end Q, the refractive index rises
// (C and then B replace A, and both refract more), so a smooth curve of
// %A and of %C against R.I. through the rows (locally a cubic through the
// four nearest rows) turns each tie line's two refractive indices into
// the compositions of its two ends: the left (A-rich) reading falls on
// the part of the curve before the plait point, the right (B-rich) one
// after it.
//
// The plait point is where the two ends of a tie line meet. As the tie
// lines shrink towards it, the mean of their two refractive indices is a
// smooth function of their difference; a quartic of the mean against the
// difference over the eight tie lines nearest the plait point, taken to a
// difference of zero, gives the refractive index of the plait point, and
// the calibration its composition. The curve bends markedly over the last
// twelfth of the arc that the extrapolation has to bridge, so the result
// lands close to, not on, the plait point, and other extrapolations a
// student may draw land up to 2.2 wt % from it: the plait point is graded
// within 2.5 wt % on the diagram's own scale, in %A and %B (where it lies
// along the envelope; near the top the envelope is flat in %C).
//
// The refractive indices are written to four decimals: each carries a
// rounding of up to ±0.00005 (standard uncertainty 0.00005/√3), the tie
// line's reading and the calibration's rows alike; the compositions'
// uncertainties are these through the slope of the calibration.
//
// The workbook writes the same steps in cells: the rising run by
// formulas, per reading the window (MATCH), the cubic's four weights over
// its rows (INDEX) and the sums; the quartic by LINEST over adjacent
// columns of the powers of the difference.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

namespace {

using analysis::Column;
using analysis::Result;

const double u_ri = 0.00005 / std::sqrt(3.0);    // one written refractive index
const double u_pct = 0.00005 / std::sqrt(3.0);   // one written percentage (four decimals)
constexpr std::size_t plait_tie_lines = 8;  // tie lines nearest the plait point in its fit
constexpr std::size_t plait_degree = 4;
// Tie lines whose ends are graded: those nearest the plait point. Near the
// side A-B the A-rich branch climbs so steeply that its R.I. changes by a
// few ten-thousandths over several per cent of C, and the cubic through
// four rows there misses the curve by more than the rounding says (over
// the seed sweep the A-rich ends of tie lines 1 to 4 fall within a
// tolerance in 98 % of data sets only); those ends stay in the workings.
constexpr int graded_tie_lines[] = {8, 9, 10, 11};
constexpr double root3 = 1.7320508075688772;
// The plait point's %A and %B are graded within 2.5 wt % (see analyse).
constexpr double plait_tolerance = 2.5;
// A tie line's end read on the straight chord between two rows of the
// envelope instead of a smooth curve through them lands up to 1.4 wt %
// off (over the seed sweep): the ends are graded within at least 1.5 wt %.
constexpr double tie_end_tolerance = 1.5;
const std::string plait_c_workings =
    "near its top the envelope is flat in %C: the plait point's %C lies within the extrapolations' spread of the "
    "top's in about half the data sets; where the point lies along the envelope shows in %A and %B";

struct Composition {
  double a = 0, b = 0, c = 0;  // weight %
  double u_a = 0, u_c = 0;     // standard uncertainties of %A and %C
};

// The envelope as a calibration: %A and %C as cubics in R.I. through the
// four rows nearest a reading (the two whose R.I. brackets it and one more
// each way), read at the reading; Lagrange's form of the cubic through
// four points, which a spreadsheet writes with MATCH and INDEX. Near the
// plait point, where the graded readings lie, this reads the envelope as
// closely as a smooth curve drawn through all its rows. Only the longest
// run of rows over which the R.I. rises strictly is used: near the side
// A-B the curve can climb so steeply that the R.I. first dips, and
// readings there cannot be placed unambiguously; a reading beyond the run
// is read on the cubic of the run's last four rows.
class Calibration {
 public:
  Calibration(const std::vector<double>& ri, const std::vector<double>& pa, const std::vector<double>& pc)
      : ri_(ri), a_(pa), c_(pc) {
    std::size_t best_first = 0, best_len = 1, first = 0;
    for (std::size_t i = 1; i <= ri.size(); ++i) {
      if (i == ri.size() || !(ri[i] > ri[i - 1])) {
        if (i - first > best_len) best_first = first, best_len = i - first;
        first = i;
      }
    }
    if (best_len < 4)
      throw analysis::AnalysisError("lle_ternary_gen: the envelope's R.I. rises over fewer than four rows");
    first_ = best_first;
    last_ = best_first + best_len - 1;
  }

  // The four rows a reading is read on: the first of them (a row of the
  // envelope) and the cubic's weights of the four, Π (R − Rm)/(Rj − Rm).
  struct Window {
    std::size_t first = 0;
    double weight[4] = {0, 0, 0, 0};
    double slope[4] = {0, 0, 0, 0};  // the weights' derivatives in R.I.
  };
  Window window(double ri) const {
    // The chord (k, k + 1) the reading falls on: the last row of the run
    // whose R.I. does not exceed it, one short of the run's end at most.
    std::size_t k = first_;
    while (k + 1 < last_ && ri_[k + 1] <= ri) ++k;
    Window w;
    w.first = std::min(std::max(k, first_ + 1) - 1, last_ - 3);
    for (std::size_t j = 0; j < 4; ++j) {
      double l = 1.0, dl = 0.0;
      for (std::size_t m = 0; m < 4; ++m) {
        if (m == j) continue;
        const double rj = ri_[w.first + j], rm = ri_[w.first + m];
        const double f = (ri - rm) / (rj - rm);
        dl = dl * f + l / (rj - rm);
        l *= f;
      }
      w.weight[j] = l, w.slope[j] = dl;
    }
    return w;
  }

  // The composition at a refractive index known to u (reading and
  // calibration together).
  Composition at(double ri, double u) const {
    const Window w = window(ri);
    Composition r;
    double da = 0, dc = 0;  // d%/dR.I.
    for (std::size_t j = 0; j < 4; ++j) {
      r.a += w.weight[j] * a_[w.first + j], r.c += w.weight[j] * c_[w.first + j];
      da += w.slope[j] * a_[w.first + j], dc += w.slope[j] * c_[w.first + j];
    }
    r.b = 100.0 - r.a - r.c;
    r.u_a = std::abs(da) * u;
    r.u_c = std::abs(dc) * u;
    return r;
  }
  std::size_t first() const { return first_; }
  std::size_t last() const { return last_; }
  double row_ri(std::size_t i) const { return ri_[i]; }

  // %C read on a simpler curve, as a student may: the straight chord
  // between the two rows whose R.I. brackets the reading (points = 2), or
  // the parabola through them and the next row nearer the reading (3).
  double c_on(double ri, std::size_t points) const {
    std::size_t k = first_;
    while (k + 1 < last_ && ri_[k + 1] <= ri) ++k;
    std::size_t from = k;
    if (points == 3) {
      const bool below = k > first_ && (k + 2 > last_ || std::abs(ri - ri_[k - 1]) < std::abs(ri_[k + 2] - ri));
      from = below ? k - 1 : std::min(k, last_ - 2);
    }
    double c = 0.0;
    for (std::size_t j = from; j < from + points; ++j) {
      double l = 1.0;
      for (std::size_t m = from; m < from + points; ++m)
        if (m != j) l *= (ri - ri_[m]) / (ri_[j] - ri_[m]);
      c += l * c_[j];
    }
    return c;
  }

 private:
  std::vector<double> ri_, a_, c_;
  std::size_t first_ = 0, last_ = 0;
};

// The plait point on a drawing: the least-squares line through the
// midpoints of the last `lines` tie lines (in the plane of the diagram,
// against the tie line's number), carried on to where it meets the
// envelope drawn as straight segments between its rows, the crossing
// nearest the last midpoint (the fitted line may leave the two-phase
// region a little before that midpoint). NaN when it does not meet it.
Composition midpoint_line(const std::vector<Composition>& left, const std::vector<Composition>& right,
                          const std::vector<double>& env_b, const std::vector<double>& env_c, std::size_t lines) {
  const auto plane = [](double b, double c) { return std::pair{b + c / 2.0, c * root3 / 2.0}; };
  std::vector<double> t, mx, my;
  for (std::size_t i = left.size() - lines; i < left.size(); ++i) {
    const auto [x, y] = plane((left[i].b + right[i].b) / 2.0, (left[i].c + right[i].c) / 2.0);
    t.push_back(static_cast<double>(t.size())), mx.push_back(x), my.push_back(y);
  }
  const analysis::LineFit fx = analysis::fit_line(t, mx), fy = analysis::fit_line(t, my);
  const double ox = fx.at(t.back()), oy = fy.at(t.back()), dx = fx.slope, dy = fy.slope;
  double best = std::numeric_limits<double>::infinity(), px = 0, py = 0;
  for (std::size_t i = 0; i + 1 < env_c.size(); ++i) {
    const auto [x1, y1] = plane(env_b[i], env_c[i]);
    const auto [x2, y2] = plane(env_b[i + 1], env_c[i + 1]);
    // o + s d = p1 + r (p2 - p1): solve for s and r by Cramer's rule.
    const double ex = x2 - x1, ey = y2 - y1, det = -dx * ey + dy * ex;
    if (det == 0.0) continue;
    const double s = (-(x1 - ox) * ey + (y1 - oy) * ex) / det;
    const double r = (dx * (y1 - oy) - dy * (x1 - ox)) / det;
    if (r < 0.0 || r > 1.0) continue;
    const double x = ox + s * dx, y = oy + s * dy;
    const double from_last = std::hypot(x - mx.back(), y - my.back());
    if (from_last < best) best = from_last, px = x, py = y;
  }
  Composition p;
  if (!std::isfinite(best)) {
    p.a = p.b = p.c = analysis::not_a_number;
    return p;
  }
  p.c = 2.0 * py / root3;
  p.b = px - p.c / 2.0;
  p.a = 100.0 - p.b - p.c;
  return p;
}

std::string fmt(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

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
  // Other extrapolations a student may draw: fewer tie lines and a lower
  // degree of the same plot, or the line of the tie lines' midpoints
  // carried on to the envelope.
  const auto by_fit = [&](std::size_t lines, std::size_t degree, const std::string& name) {
    const std::vector<double> d(diff.end() - static_cast<std::ptrdiff_t>(lines), diff.end());
    const std::vector<double> m(mean.end() - static_cast<std::ptrdiff_t>(lines), mean.end());
    return std::pair{name, cal.at(analysis::fit_poly(d, m, degree).c[0], 0.0)};
  };
  const std::pair<std::string, Composition> extrapolations[] = {
      by_fit(4, 1, "straight line of the mean R.I. against the difference, last 4 tie lines"),
      by_fit(5, 2, "parabola of the mean R.I. against the difference, last 5 tie lines"),
      by_fit(6, 3, "cubic of the mean R.I. against the difference, last 6 tie lines"),
      {"the line through the midpoints of the last 3 tie lines, carried on to the envelope",
       midpoint_line(left, right, env_b, env_c, 3)},
  };
  // The null answer: the envelope's top (its row richest in C) taken for
  // the plait point, which needs no tie line.
  const std::size_t top = static_cast<std::size_t>(std::max_element(env_c.begin(), env_c.end()) - env_c.begin());
  const std::string top_name = "the top of the envelope (its row richest in C), no tie line used";
  // The tie lines stop a twelfth of the arc short of the plait point, and
  // the routes differ by up to 2.2 wt % in what they carry over that gap
  // (99th percentile over the seed sweep): an absolute tolerance of 2.5 wt %
  // on the diagram's own scale, as for a point read off a drawing.
  const auto plait_result = [&](const std::string& coordinate, double true_value, double value, double u,
                                const std::string& method, auto of, double top_value) {
    Result r{.key = "plait " + coordinate, .name = "plait point, " + coordinate, .unit = "wt %",
             .true_value = true_value, .value = value, .uncertainty = u, .method = method,
             .absolute = plait_tolerance, .relative = false, .nulls = {{top_name, top_value}}};
    for (const auto& [name, c] : extrapolations) r.routes.push_back({name, of(c)});
    const double tolerance = sheet.policy.of(r);
    if (std::fabs(top_value - value) <= tolerance)
      r.not_graded = "the plait point lies within " + fmt(std::fabs(top_value - value)) + " wt % " + coordinate +
                     " of the envelope's top in this data set: the top, taken without a tie line, would pass";
    return r;
  };
  sheet.add(plait_result("A", plait_a, plait.a, plait.u_a, plait_method, [](const Composition& c) { return c.a; },
                         env_a[top]));
  sheet.add(plait_result("B", 100.0 - plait_a - plait_c, plait.b, std::hypot(plait.u_a, plait.u_c),
                         "100 − %A − %C", [](const Composition& c) { return c.b; }, env_b[top]));
  // Near its top the envelope is flat in %C: the plait point's %C lies
  // within the extrapolations' spread of the top's in about half the data
  // sets, and where the point lies along the envelope shows in %A and %B.
  sheet.add(Result{.key = "plait C", .name = "plait point, C", .unit = "wt %", .true_value = plait_c,
                   .value = plait.c, .uncertainty = plait.u_c, .method = "the same reading",
                   .not_graded = plait_c_workings});

  for (const int k : graded_tie_lines) {
    if (static_cast<std::size_t>(k) > n_tie) continue;
    const std::size_t i = static_cast<std::size_t>(k - 1);
    const std::string n = std::to_string(k);
    const auto routes = [&](double ri) {
      return std::vector<analysis::Alternative>{
          {"the straight chord between the two rows whose R.I. brackets the reading", cal.c_on(ri, 2)},
          {"the parabola through the three rows nearest the reading", cal.c_on(ri, 3)}};
    };
    sheet.add(Result{.key = "C left(" + n + ")", .name = "tie line " + n + ", C in the A-rich phase",
                     .unit = "wt %", .true_value = cs.hidden("pctielc", k), .value = left[i].c,
                     .uncertainty = left[i].u_c, .method = "calibration at the left R.I.",
                     .absolute = tie_end_tolerance, .routes = routes(ri_left[i])});
    sheet.add(Result{.key = "C right(" + n + ")", .name = "tie line " + n + ", C in the B-rich phase",
                     .unit = "wt %", .true_value = cs.hidden("pctierc", k), .value = right[i].c,
                     .uncertainty = right[i].u_c, .method = "calibration at the right R.I.",
                     .absolute = tie_end_tolerance, .routes = routes(ri_right[i])});
  }

  sheet.add(analysis::Workings{
      .title = "Tie lines: compositions of both ends read from the envelope",
      .columns = {Column{"tie line", "", index}, Column{"R.I. left", "", ri_left}, Column{"%A left", "wt %", la},
                  Column{"%B left", "wt %", lb}, Column{"%C left", "wt %", lc},
                  Column{"R.I. right", "", ri_right}, Column{"%A right", "wt %", ra},
                  Column{"%B right", "wt %", rb}, Column{"%C right", "wt %", rc}}});
  sheet.add(analysis::Workings{.title = "Plait point: mean R.I. against the difference of the ends",
                               .columns = {Column{"R.I. right − left", "", diff}, Column{"mean R.I.", "", mean}}});

  sheet.notes.push_back("Calibration: %A and %C on the cubic in R.I. through the four rows of the envelope nearest "
                        "the reading (Lagrange's form), among rows " + std::to_string(cal.first() + 1) + " to " +
                        std::to_string(cal.last() + 1) + " after pure A (the stretch over which the R.I. rises); "
                        "%B = 100 − %A − %C.");
  sheet.notes.push_back("Uncertainties from the rounding of the refractive indices to four decimals, through the "
                        "slope of the calibration; the plait point's adds the extrapolation's standard error.");
  sheet.notes.push_back("Tolerances in wt %: the plait point's %A and %B within 2.5 (the extrapolations a student "
                        "may draw over the gap the tie lines leave differ by up to 2.2), not graded where the "
                        "envelope's top lies as close; a tie line's end within at least 1.5 (a straight chord "
                        "between two rows of the envelope reads up to 1.4 off the smooth curve).");
  sheet.notes.push_back("True values: the hidden end points p and q of the envelope, the plait point (xp, yp) "
                        "and the tie-line compositions.");
}

// The solution workbook, in the order of the analysis: the mutual
// solubilities; the calibration's rows, the longest run over which the
// envelope's R.I. rises, found by formulas; the plait point's R.I. by a
// polynomial of the mean tie-line R.I. in the difference of its ends
// (LINEST over the last tie lines, their number and the degree choices);
// then every reading on the calibration, the tie lines' ends and the
// plait point, as a window of four rows of the run (MATCH) and the cubic's
// four weights. The charts plot %C against %B as written, and %C against
// R.I., the calibration read.
namespace wb {

using analysis::ColumnRef;
using analysis::data_range;
using analysis::data_ref;
using analysis::on_solution;

// The envelope's columns on the Data sheet (R.I., %A, %C) and the cells
// holding the run's first row and its length, rows of the envelope
// counted from 1.
struct Run {
  std::string ri, a, c;
  std::string first, length;
};

// The first of the four rows a reading in cell `r` is read on: the chord
// the reading falls on (MATCH over the run), one row back, kept within the
// run.
std::string window_formula(const Run& run, const std::string& r) {
  const std::string& f = run.first;
  const std::string& n = run.length;
  const std::string in_run = "INDEX(" + run.ri + "," + f + "):INDEX(" + run.ri + "," + f + "+" + n + "-1)";
  return f + "-1+MIN(MAX(IF(" + r + "<INDEX(" + run.ri + "," + f + "),1,MIN(MATCH(" + r + "," + in_run + ",1)," + n +
         "-1)),2)-1," + n + "-3)";
}
// The R.I. of row w + j of the envelope.
std::string row_ri(const Run& run, const std::string& w, std::size_t j) {
  return "INDEX(" + run.ri + "," + w + (j ? "+" + std::to_string(j) : "") + ")";
}
// Weight j of the cubic through the four rows: Π over m ≠ j of
// (R − Rm)/(Rj − Rm).
std::string weight(const Run& run, const std::string& r, const std::string& w, std::size_t j) {
  std::string f;
  for (std::size_t m = 0; m < 4; ++m) {
    if (m == j) continue;
    if (!f.empty()) f += "*";
    f += "(" + r + "-" + row_ri(run, w, m) + ")/(" + row_ri(run, w, j) + "-" + row_ri(run, w, m) + ")";
  }
  return f;
}
std::string weighted(const std::string& range, const std::string& w, const std::vector<std::string>& weights) {
  std::string f;
  for (std::size_t j = 0; j < 4; ++j)
    f += (j ? "+" : "") + weights[j] + "*INDEX(" + range + "," + w + (j ? "+" + std::to_string(j) : "") + ")";
  return f;
}

}  // namespace wb

void workbook(const analysis::Case& cs, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using namespace wb;
  using Series = analysis::SolutionSheet::Series;
  const analysis::DataSet& data = cs.data();
  const std::size_t env_heading = data.find("%A,%B,%C,R.I.");
  auto env_rows = data.numeric_rows(env_heading + 1);
  env_rows = std::vector<std::size_t>(env_rows.begin() + 1, env_rows.end() - 1);
  const std::vector<double> env_a = data.column(env_rows, 0), env_c = data.column(env_rows, 2),
                            env_ri = data.column(env_rows, 3);
  const std::size_t tie_heading = data.find("R.I.,,R.I,");
  const auto tie_rows = data.numeric_rows(tie_heading + 1);
  const std::vector<double> ri_left = data.column(tie_rows, 0), ri_right = data.column(tie_rows, 2);
  const std::size_t n_tie = tie_rows.size(), n_env = env_rows.size();
  const Calibration cal(env_ri, env_a, env_c);
  const auto value_of = [&](const std::string& key) {
    const analysis::Result* r = sheet.find(key);
    return r != nullptr ? r->value : analysis::not_a_number;
  };

  ws.step("The envelope: its ends on the side A-B; the calibration, its longest run of rows of rising R.I.");
  ws.result("B in A", analysis::data_cell(env_rows.front(), 1));
  ws.result("A in B", analysis::data_cell(env_rows.back(), 0));
  std::vector<analysis::Shown> starts(n_env, analysis::Shown::blank());
  std::vector<double> lengths(n_env);
  std::size_t start = 0;
  for (std::size_t i = 0; i < n_env; ++i) {
    if (i == 0 || !(env_ri[i] > env_ri[i - 1])) start = i;
    starts[i] = start == i ? analysis::Shown(static_cast<double>(i + 1)) : analysis::Shown::blank();
    lengths[i] = static_cast<double>(i - start + 1);
  }
  const ColumnRef c_ri = ws.column("R.I.", "", env_rows, [&](std::size_t i) { return data_ref(env_rows[i], 3); },
                                   env_ri);
  const std::string top = c_ri.range.substr(0, c_ri.range.find(':'));
  const ColumnRef c_start = ws.column("run starts (row)", "", env_rows, [&](std::size_t i) {
    const std::string row = "ROWS(" + top + ":" + c_ri.cells[i] + ")";
    return i == 0 ? row : "IF(" + c_ri.cells[i] + ">" + c_ri.cells[i - 1] + ",\"\"," + row + ")";
  }, starts);
  const std::string start_top = c_start.range.substr(0, c_start.range.find(':'));
  const ColumnRef c_len = ws.column("run so far (rows)", "", env_rows, [&](std::size_t i) {
    return "ROWS(" + top + ":" + c_ri.cells[i] + ")-MAX(" + start_top + ":" + c_start.cells[i] + ")+1";
  }, lengths);
  Run run;
  run.ri = data_range(env_rows.front(), env_rows.back(), 3);
  run.a = data_range(env_rows.front(), env_rows.back(), 0);
  run.c = data_range(env_rows.front(), env_rows.back(), 2);
  const double run_length = static_cast<double>(cal.last() - cal.first() + 1);
  run.length = ws.value("rows in the longest rising run", "", "MAX(" + c_len.range + ")", run_length);
  const std::string run_last =
      ws.value("its last row", "", "MATCH(" + run.length + "," + c_len.range + ",0)", static_cast<double>(cal.last() + 1));
  run.first = ws.value("its first row", "", run_last + "-" + run.length + "+1", static_cast<double>(cal.first() + 1));

  ws.step("The plait point's R.I.: a polynomial of the tie lines' mean R.I. in the difference d of their ends, at "
          "d = 0");
  std::vector<double> diff(n_tie), mean(n_tie);
  for (std::size_t i = 0; i < n_tie; ++i) {
    diff[i] = ri_right[i] - ri_left[i];
    mean[i] = 0.5 * (ri_right[i] + ri_left[i]);
  }
  const ColumnRef c_m = ws.column("mean R.I.", "", tie_rows, [&](std::size_t i) {
    return "(" + data_ref(tie_rows[i], 2) + "+" + data_ref(tie_rows[i], 0) + ")/2";
  }, mean);
  std::vector<ColumnRef> powers{ws.column("d = R.I. right − left", "", tie_rows, [&](std::size_t i) {
    return data_ref(tie_rows[i], 2) + "-" + data_ref(tie_rows[i], 0);
  }, diff)};
  for (std::size_t k = 2; k <= plait_degree; ++k) {
    std::vector<double> v(n_tie);
    for (std::size_t i = 0; i < n_tie; ++i) v[i] = std::pow(diff[i], static_cast<double>(k));
    powers.push_back(ws.column("d^" + std::to_string(k), "", tie_rows, [&](std::size_t i) {
      return powers.front().cells[i] + "^" + std::to_string(k);
    }, v));
  }
  const std::string lines = ws.choice("plait_lines", "tie lines in the fit, the last",
                                      static_cast<double>(plait_tie_lines), "");
  const std::string degree =
      ws.choice("plait_degree", "degree of the polynomial in d",
                static_cast<double>(plait_degree), "");
  const std::string block = powers.front().cells.front() + ":" + powers.back().cells.back();
  const std::string from = "ROWS(" + c_m.range + ")-" + lines + "+1";
  const std::string last = "ROWS(" + c_m.range + ")";
  const std::string fit = "LINEST(INDEX(" + c_m.range + "," + from + "):INDEX(" + c_m.range + "," + last + "),INDEX(" +
                          block + "," + from + ",1):INDEX(" + block + "," + last + "," + degree + "))";
  const std::vector<double> fit_d(diff.end() - static_cast<std::ptrdiff_t>(plait_tie_lines), diff.end());
  const std::vector<double> fit_m(mean.end() - static_cast<std::ptrdiff_t>(plait_tie_lines), mean.end());
  const analysis::PolyFit quartic = analysis::fit_poly(fit_d, fit_m, plait_degree);
  const std::string ri_plait =
      ws.value("R.I. at d = 0", "", "INDEX(" + fit + ",1," + degree + "+1)",
               quartic.c[0]);
  ws.note("The fit takes the table's last rows; the degree is at most the powers written.");

  ws.step("Every reading on the calibration: the tie lines' left (A-rich) ends, their right ends, the plait point");
  // Readings: the left ends, the right ends, the plait point.
  const std::size_t nr = 2 * n_tie + 1;
  std::vector<std::size_t> at(nr);
  std::vector<std::string> f_r(nr);
  std::vector<double> v_r(nr);
  for (std::size_t i = 0; i < nr; ++i) {
    at[i] = i;
    if (i < n_tie) {
      f_r[i] = data_ref(tie_rows[i], 0), v_r[i] = ri_left[i];
    } else if (i < 2 * n_tie) {
      f_r[i] = data_ref(tie_rows[i - n_tie], 2), v_r[i] = ri_right[i - n_tie];
    } else {
      f_r[i] = ri_plait, v_r[i] = quartic.c[0];
    }
  }
  const ColumnRef c_r = ws.column("R.I. read", "", at, f_r, v_r);
  std::vector<double> v_w(nr), v_a(nr), v_c(nr), v_b(nr);
  std::vector<std::vector<double>> v_l(4, std::vector<double>(nr));
  for (std::size_t i = 0; i < nr; ++i) {
    const Calibration::Window win = cal.window(v_r[i]);
    v_w[i] = static_cast<double>(win.first + 1);
    for (std::size_t j = 0; j < 4; ++j) v_l[j][i] = win.weight[j];
    const Composition comp = cal.at(v_r[i], 0.0);
    v_a[i] = comp.a, v_c[i] = comp.c, v_b[i] = comp.b;
  }
  v_a[nr - 1] = value_of("plait A"), v_c[nr - 1] = value_of("plait C"), v_b[nr - 1] = value_of("plait B");
  const ColumnRef c_w =
      ws.column("window", "", at, [&](std::size_t i) { return window_formula(run, c_r.cells[i]); }, v_w);
  std::vector<ColumnRef> c_l;
  for (std::size_t j = 0; j < 4; ++j)
    c_l.push_back(ws.column("weight " + std::to_string(j + 1), "", at, [&](std::size_t i) {
      return weight(run, c_r.cells[i], c_w.cells[i], j);
    }, v_l[j]));
  const auto weights_of = [&](std::size_t i) {
    return std::vector<std::string>{c_l[0].cells[i], c_l[1].cells[i], c_l[2].cells[i], c_l[3].cells[i]};
  };
  const ColumnRef c_a =
      ws.column("%A", "wt %", at, [&](std::size_t i) { return weighted(run.a, c_w.cells[i], weights_of(i)); }, v_a);
  const ColumnRef c_c =
      ws.column("%C", "wt %", at, [&](std::size_t i) { return weighted(run.c, c_w.cells[i], weights_of(i)); }, v_c);
  const ColumnRef c_b =
      ws.column("%B", "wt %", at, [&](std::size_t i) { return "100-" + c_a.cells[i] + "-" + c_c.cells[i]; }, v_b);
  for (const int k : graded_tie_lines) {
    if (static_cast<std::size_t>(k) > n_tie) continue;
    const std::size_t i = static_cast<std::size_t>(k - 1);
    ws.result_in("C left(" + std::to_string(k) + ")", c_c.cells[i]);
    ws.result_in("C right(" + std::to_string(k) + ")", c_c.cells[n_tie + i]);
  }
  ws.result_in("plait A", c_a.cells.back());
  ws.result_in("plait C", c_c.cells.back());
  ws.result_in("plait B", c_b.cells.back());
  ws.note("The window: the first of four rows of the run around the reading; weight j = Π over m ≠ j of "
          "(R − Rm)/(Rj − Rm); %A, %C their weighted sums.");

  // The charts' points: the triangle's sides on the plot of %C against %B
  // (A at the origin) and the tie lines, left end, right end, a gap.
  const ColumnRef tri_b = ws.chart_column("sides: %B", "wt %", {0, 1, 2, 3}, {"0", "100", "0", "0"},
                                          {0.0, 100.0, 0.0, 0.0});
  const ColumnRef tri_c = ws.chart_column("sides: %C", "wt %", {0, 1, 2, 3}, {"0", "0", "100", "0"},
                                          {0.0, 0.0, 100.0, 0.0});
  std::vector<std::size_t> t_rows;
  std::vector<std::string> f_tb, f_tc;
  std::vector<double> tb, tc;
  for (std::size_t i = 0; i < n_tie; ++i)
    for (const std::size_t k : {i, n_tie + i}) {
      t_rows.push_back(3 * i + (k == i ? 0 : 1));
      f_tb.push_back(c_b.cells[k]), f_tc.push_back(c_c.cells[k]);
      tb.push_back(v_b[k]), tc.push_back(v_c[k]);
    }
  const ColumnRef c_tb = ws.chart_column("tie lines: %B", "wt %", t_rows, f_tb, tb);
  const ColumnRef c_tc = ws.chart_column("tie lines: %C", "wt %", t_rows, f_tc, tc);
  const auto part = [](const ColumnRef& c, std::size_t from_i, std::size_t to_i) {
    return on_solution(c.cells[from_i] + ":" + c.cells[to_i]);
  };
  ws.chart("The phase diagram, %C against %B: the envelope as written, the tie lines and the plait point",
           "%B (wt %)", "%C (wt %)",
           {{.name = "sides of the triangle", .x_range = on_solution(tri_b.range), .y_range = on_solution(tri_c.range),
             .markers = false, .line = true, .colour = 5},
            {.name = "envelope", .x_range = data_range(env_rows.front(), env_rows.back(), 1),
             .y_range = data_range(env_rows.front(), env_rows.back(), 2), .line = true, .colour = 0},
            {.name = "tie lines (read on the calibration)", .x_range = on_solution(c_tb.range),
             .y_range = on_solution(c_tc.range), .line = true, .colour = 2},
            {.name = "plait point (extrapolated)", .x_range = part(c_b, nr - 1, nr - 1),
             .y_range = part(c_c, nr - 1, nr - 1), .colour = 1}});
  ws.chart("The calibration read: %C against R.I.", "R.I.", "%C (wt %)",
           {Series{.name = "envelope rows", .x_range = data_range(env_rows.front(), env_rows.back(), 3),
                   .y_range = data_range(env_rows.front(), env_rows.back(), 2), .line = true, .colour = 0},
            Series{.name = "A-rich ends", .x_range = part(c_r, 0, n_tie - 1), .y_range = part(c_c, 0, n_tie - 1),
                   .colour = 2},
            Series{.name = "B-rich ends", .x_range = part(c_r, n_tie, 2 * n_tie - 1),
                   .y_range = part(c_c, n_tie, 2 * n_tie - 1), .colour = 3},
            Series{.name = "plait point", .x_range = part(c_r, nr - 1, nr - 1), .y_range = part(c_c, nr - 1, nr - 1),
                   .colour = 1}});
}

// The student's handout: the envelope as a calibration, the tie lines, and
// the results in the order of the results template.
const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout out;
    out.task =
        "For a ternary system of two partly miscible liquids A and B and a third liquid C at 25 °C, use the "
        "two-phase envelope as a calibration of refractive index against composition: find the mutual "
        "solubilities of A and B, the compositions of the ends of the tie lines nearest the plait point, and the "
        "plait point, where the two conjugate phases become one.";
    out.data =
        "`Envelope Points` with the heading `%A,%B,%C,R.I.`: pure A, then the envelope (the two-phase boundary) "
        "from its A-rich end on the side A-B to its B-rich end on the same side, then pure B; each row a "
        "composition in weight percent and its refractive index (four decimals). `Tie Lines`: eleven rows "
        "`R.I.,,R.I,`, the refractive indices of the A-rich (left) and the B-rich (right) end of each tie line, "
        "the first nearest the side A-B, the last nearest the plait point.";
    out.conventions = {
        "Compositions in weight percent; %B = 100 − %A − %C",
        "The triangular diagram of side 100 drawn on a plane: A at (0, 0), B at (100, 0), C at (50, 50·√3); a "
        "composition lies at x = %B + %C/2, y = %C·√3/2",
        "An end of a tie line lies on the envelope: read its composition off a smooth curve of %A and of %C "
        "against R.I. through the envelope's rows, the left end on the A-rich part, the right end on the B-rich "
        "part",
    };
    const std::string plait =
        "where the tie lines shrink to a point: extrapolate the mean R.I. of the last tie lines against the "
        "difference of their ends to a difference of 0 and read that R.I. on the calibration, or carry the line "
        "of the tie lines' midpoints on to the envelope";
    auto& r = out.results;
    r.push_back({"B in A", "solubility of B in A", "wt %", "", ""});
    r.push_back({"A in B", "solubility of A in B", "wt %", "", ""});
    r.push_back({"plait A", "plait point, A", "wt %", plait, ""});
    r.push_back({"plait B", "plait point, B", "wt %", plait, ""});
    r.push_back({"plait C", "plait point, C", "wt %", plait, plait_c_workings});
    for (const int k : graded_tie_lines) {
      const std::string n = std::to_string(k);
      r.push_back({"C left(" + n + ")", "tie line " + n + ", C in the A-rich phase", "wt %", "", ""});
      r.push_back({"C right(" + n + ")", "tie line " + n + ", C in the B-rich phase", "wt %", "", ""});
    }
    return out;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis lle_ternary_gen_answers{
    .program = "lle_ternary_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
