// Answer sheet of the ternary solid-liquid diagram (sle_ternary_gen).
//
// The wet-residue method: a wet residue is the solid phase with some of
// its saturated solution clinging to it, so on the triangular diagram it
// lies on the straight line from the solution to the solid. Extended, the
// lines of one branch of the solubility curve all pass through the one
// solid that saturates that branch; with five lines and rounded
// compositions they do not quite, and the solid is taken as the point
// nearest to all five in the least-squares sense (the sum of squared
// perpendicular distances in the plane of the diagram is least).
//
// Case 1: the branches are saturated with pure A and with pure B. Case 2:
// with a compound of A and W (a hydrate-like solid) and with pure A.
// Case 3: with the compound, with pure A and with pure B. The invariant
// points, solutions saturated with two solids, are the rows between two
// branches, written without a residue.
//
// Every composition is written to 0.01 wt %: a rounding of up to ±0.005
// (standard uncertainty 0.005/√3) in each of the twenty numbers of a
// branch, propagated to the meeting point.
//
// The workbook writes the same construction in cells: per line its unit
// normal n and c = n·(solution) in the plane, per branch the least-squares
// fit of c on nx and ny without a constant (LINEST), whose coefficients
// are the point.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr double root3 = 1.7320508075688772;
const double u_written = 0.005 / std::sqrt(3.0);  // wt %
// A pure solid's own component is graded on 3 u of its meeting point, at
// least 0.04 wt % (four units of the last written digit), not on 2 % of
// 100: the last branches' wet residues lie within 35 % of the way from the
// corner, and within ±2 wt % the driest of them, taken for the solid
// without extrapolating, would pass in four data sets out of ten.
constexpr double pure_floor = 0.04;

// The plane of the triangular diagram (side 100; A at the origin, B at
// (100, 0), W at the top) from the weight percentages of A and B.
double plane_x(double pa, double pb) { return 50.0 - 0.5 * pa + 0.5 * pb; }
double plane_y(double pa, double pb) { return (100.0 - pa - pb) * root3 / 2.0; }
double percent_a(double x, double y) { return 100.0 - x - y / root3; }
double percent_b(double x, double y) { return x - y / root3; }

std::string fmt(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

// Why a written composition is impossible (a negative %A, %B or %W), or
// empty. The construction of case 3 can put its second invariant point and
// the last branch's solutions beyond the side B-W.
std::string outside_triangle(double pa, double pb) {
  if (pa >= 0.0 && pb >= 0.0 && pa + pb <= 100.0) return {};
  return fmt(pa) + " % A, " + fmt(pb) + " % B, " + fmt(100.0 - pa - pb) +
         " % W lies outside the triangle: no solution has a negative composition";
}

// The point nearest to the lines through (solution, residue) pairs; the
// numbers are, per line, %A and %B of the solution then of the residue.
// Returns the point as %A, %B. The distances are perpendicular in the
// plane of the triangular diagram, or (`right_angled`) on a plot of %B
// against %A with equal scales, as a student may draw it instead.
std::pair<double, double> meeting_point(std::span<const double> v, bool right_angled = false) {
  const std::size_t lines = v.size() / 4;
  std::vector<double> nx(lines), ny(lines), rhs(lines);
  const auto x_of = [&](double pa, double pb) { return right_angled ? pa : plane_x(pa, pb); };
  const auto y_of = [&](double pa, double pb) { return right_angled ? pb : plane_y(pa, pb); };
  for (std::size_t i = 0; i < lines; ++i) {
    const double x1 = x_of(v[4 * i], v[4 * i + 1]), y1 = y_of(v[4 * i], v[4 * i + 1]);
    const double x2 = x_of(v[4 * i + 2], v[4 * i + 3]), y2 = y_of(v[4 * i + 2], v[4 * i + 3]);
    const double len = std::hypot(x2 - x1, y2 - y1);
    if (!(len > 0.0)) throw analysis::AnalysisError("sle_ternary_gen: a wet residue coincides with its solution");
    nx[i] = -(y2 - y1) / len;  // unit normal of the line
    ny[i] = (x2 - x1) / len;
    rhs[i] = nx[i] * x1 + ny[i] * y1;
  }
  const analysis::PolyFit fit = analysis::fit_linear({nx, ny}, rhs);
  if (right_angled) return {fit.c[0], fit.c[1]};
  return {percent_a(fit.c[0], fit.c[1]), percent_b(fit.c[0], fit.c[1])};
}

// The other constructions a student may draw for a branch's solid (%A,
// %B each): where its first and last tie lines cross, the mean of where
// every two of its tie lines cross, the least-squares point on a
// right-angled plot.
struct Construction {
  std::string name;
  std::pair<double, double> point;
};
std::vector<Construction> constructions(const std::vector<double>& v) {
  const std::size_t lines = v.size() / 4;
  std::vector<double> outer(v.begin(), v.begin() + 4);
  outer.insert(outer.end(), v.end() - 4, v.end());
  double sum_a = 0, sum_b = 0;
  int pairs = 0;
  for (std::size_t i = 0; i < lines; ++i)
    for (std::size_t j = i + 1; j < lines; ++j) {
      std::vector<double> two(v.begin() + static_cast<std::ptrdiff_t>(4 * i),
                              v.begin() + static_cast<std::ptrdiff_t>(4 * i + 4));
      two.insert(two.end(), v.begin() + static_cast<std::ptrdiff_t>(4 * j),
                 v.begin() + static_cast<std::ptrdiff_t>(4 * j + 4));
      const auto [a, b] = meeting_point(two);
      sum_a += a, sum_b += b, ++pairs;
    }
  return {{"where the first and last tie lines cross", meeting_point(outer)},
          {"mean of where every two tie lines cross", {sum_a / pairs, sum_b / pairs}},
          {"least squares on a right-angled plot of wt%B against wt%A", meeting_point(v, true)}};
}

struct Branch {
  std::vector<double> numbers;  // per row: solution %A, %B, residue %A, %B
  std::vector<std::size_t> rows;
};

// Solid phases of the branches in the order written, per case.
enum Solid { pure_a, pure_b, compound };
const std::vector<std::vector<Solid>> solids{{pure_a, pure_b}, {compound, pure_a}, {compound, pure_a, pure_b}};

// The rows of case k's table (whose headings are on record `heading`):
// every row of the curve, the end points among them (no residue) and the
// branches between.
struct CaseRows {
  std::vector<std::size_t> rows, ends;
  std::vector<Branch> branches;
};

CaseRows split_case(const analysis::DataSet& data, int k, std::size_t heading) {
  const std::string cn = std::to_string(k);
  CaseRows out;
  out.rows = data.numeric_rows(heading + 1);
  for (const std::size_t r : out.rows) {
    if (!data.number(r, 2)) {
      out.ends.push_back(r);
      out.branches.emplace_back();
    } else {
      if (out.branches.empty())
        throw analysis::AnalysisError("sle_ternary_gen: case " + cn + " opens without an end point");
      for (std::size_t c = 0; c < 4; ++c) out.branches.back().numbers.push_back(data.value(r, c));
      out.branches.back().rows.push_back(r);
    }
  }
  if (!out.branches.empty()) out.branches.pop_back();  // after the last end point
  return out;
}

void analyse(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const analysis::DataSet& data = cs.data();
  const char* solid_names[] = {"pure A", "pure B", "the compound of A and W"};

  std::size_t from = 0;
  for (int k = 1; k <= 3; ++k) {
    const std::string cn = std::to_string(k);
    const std::string prefix = "case" + cn + ".";
    const std::size_t title = data.find("Case " + cn + ",", from);
    const std::size_t heading = data.find("wt%A,wt%B,wt%A,wt%B,", title);
    from = heading + 1;

    const CaseRows split = split_case(data, k, heading);
    const std::vector<Branch>& branches = split.branches;
    const std::vector<std::size_t>& ends = split.ends;
    const auto& expected = solids[static_cast<std::size_t>(k - 1)];
    if (branches.size() != expected.size())
      throw analysis::AnalysisError("sle_ternary_gen: case " + cn + " holds " + std::to_string(branches.size()) +
                                    " branches, not " + std::to_string(expected.size()));

    std::vector<double> solid_a, solid_b;
    for (std::size_t b = 0; b < branches.size(); ++b) {
      if (branches[b].rows.size() < 2)
        throw analysis::AnalysisError("sle_ternary_gen: a branch of case " + cn + " has fewer than two tie lines");
      const std::vector<double>& v = branches[b].numbers;
      const std::vector<double> cov_diag = [&] {
        std::vector<double> cov(v.size() * v.size(), 0.0);
        for (std::size_t i = 0; i < v.size(); ++i) cov[i * v.size() + i] = u_written * u_written;
        return cov;
      }();
      const auto est_a = analysis::propagate([](std::span<const double> q) { return meeting_point(q).first; }, v, cov_diag);
      const auto est_b = analysis::propagate([](std::span<const double> q) { return meeting_point(q).second; }, v, cov_diag);
      solid_a.push_back(est_a.value);
      solid_b.push_back(est_b.value);

      // A branch through impossible compositions has no solid to find.
      std::string impossible;
      for (std::size_t i = 0; i < v.size() && impossible.empty(); i += 2) impossible = outside_triangle(v[i], v[i + 1]);
      if (!impossible.empty()) impossible = "a point of this branch, " + impossible;

      const Solid s = expected[b];
      double true_a = 100.0, true_b = 0.0;
      if (s == pure_b) true_a = 0.0, true_b = 100.0;
      if (s == compound) true_a = cs.hidden(prefix + "pcntah"), true_b = cs.hidden(prefix + "pcntbh");
      const std::string bn = std::to_string(b + 1);
      const std::string what = "case " + cn + ", solid of branch " + bn + " (" + solid_names[s] + ")";
      const std::string method = "least-squares meeting point of the " + std::to_string(branches[b].rows.size()) +
                                 " lines solution → wet residue";
      // A pure solid is graded on its own component (the other two are
      // zero by what it is, and three rounding uncertainties of a few
      // hundredths of a per cent would be no fair tolerance for them); the
      // compound on its A and W. The workings show both coordinates.
      // Routes: the other constructions. Null answers: a wet residue taken
      // for the solid, not extrapolated (the mean of the branch's, and for a
      // pure solid the one richest in it); for the compound, pure A.
      const auto others = constructions(v);
      double mean_a = 0, mean_b = 0, richest_a = 0, richest_b = 0;
      for (std::size_t i = 0; i < v.size(); i += 4) {
        mean_a += v[i + 2], mean_b += v[i + 3];
        richest_a = std::max(richest_a, v[i + 2]), richest_b = std::max(richest_b, v[i + 3]);
      }
      mean_a /= static_cast<double>(v.size() / 4), mean_b /= static_cast<double>(v.size() / 4);
      const std::string residues = "the mean of the wet residues taken for the solid";
      const auto routes = [&](auto coordinate) {
        std::vector<analysis::Alternative> out;
        for (const auto& c : others) out.push_back({c.name, coordinate(c.point)});
        return out;
      };
      if (s != pure_b) {
        std::vector<analysis::Alternative> nulls{{residues, mean_a}};
        if (s == pure_a) nulls.push_back({"the wet residue richest in A taken for the solid", richest_a});
        if (s == compound) nulls.push_back({"pure A taken for the solid (the compound not recognised)", 100.0});
        sheet.add(Result{.key = "c" + cn + " solid" + bn + " A", .name = what + ", A", .unit = "wt %",
                         .true_value = true_a, .value = est_a.value, .uncertainty = est_a.u, .method = method,
                         .absolute = s == compound ? 0.0 : pure_floor, .relative = s == compound,
                         .routes = routes([](std::pair<double, double> p) { return p.first; }),
                         .nulls = std::move(nulls)});
      }
      if (s == pure_b)
        sheet.add(Result{.key = "c" + cn + " solid" + bn + " B", .name = what + ", B", .unit = "wt %",
                         .true_value = true_b, .value = est_b.value, .uncertainty = est_b.u, .method = method,
                         .absolute = pure_floor, .relative = false, .not_graded = impossible,
                         .routes = routes([](std::pair<double, double> p) { return p.second; }),
                         .nulls = {{residues, mean_b},
                                   {"the wet residue richest in B taken for the solid", richest_b}}});
      if (s == compound) {
        const auto est_w = analysis::propagate(
            [](std::span<const double> q) {
              const auto [a, bb] = meeting_point(q);
              return 100.0 - a - bb;
            },
            v, cov_diag);
        sheet.add(Result{.key = "c" + cn + " solid" + bn + " W", .name = what + ", W", .unit = "wt %",
                         .true_value = cs.hidden(prefix + "pcntwh"), .value = est_w.value, .uncertainty = est_w.u,
                         .method = "100 − %A − %B of the same point", .not_graded = impossible,
                         .routes = routes([](std::pair<double, double> p) { return 100.0 - p.first - p.second; }),
                         .nulls = {{residues, 100.0 - mean_a - mean_b},
                                   {"pure A taken for the solid (the compound not recognised)", 0.0}}});
      }
    }

    // Invariant points: the end points between two branches.
    const std::vector<std::string> invariant_names = k == 3 ? std::vector<std::string>{"b", "t"} : std::vector<std::string>{"b"};
    for (std::size_t j = 0; j < invariant_names.size(); ++j) {
      const std::size_t r = ends.at(j + 1);
      const std::string n = invariant_names[j];
      const std::string what = "case " + cn + ", invariant point " + std::to_string(j + 1) + " (saturated with " +
                               solid_names[expected[j]] + " and " + solid_names[expected[j + 1]] + ")";
      const double pa = data.value(r, 0), pb = data.value(r, 1);
      const std::string impossible = outside_triangle(pa, pb);
      const std::string outside = impossible.empty() ? "" : "the row, " + impossible;
      sheet.add(Result{.key = "c" + cn + " inv" + std::to_string(j + 1) + " A", .name = what + ", A", .unit = "wt %",
                       .true_value = cs.hidden(prefix + "pcnta" + n), .value = pa, .uncertainty = u_written,
                       .method = "the row between the two branches", .not_graded = outside});
      sheet.add(Result{.key = "c" + cn + " inv" + std::to_string(j + 1) + " B", .name = what + ", B", .unit = "wt %",
                       .true_value = cs.hidden(prefix + "pcntb" + n), .value = pb, .uncertainty = u_written,
                       .method = "the same row", .not_graded = outside});
    }

    std::vector<double> branch_no, sol_a, sol_b, res_a, res_b;
    for (std::size_t b = 0; b < branches.size(); ++b) {
      for (std::size_t i = 0; i < branches[b].rows.size(); ++i) {
        branch_no.push_back(static_cast<double>(b + 1));
        sol_a.push_back(branches[b].numbers[4 * i]);
        sol_b.push_back(branches[b].numbers[4 * i + 1]);
        res_a.push_back(branches[b].numbers[4 * i + 2]);
        res_b.push_back(branches[b].numbers[4 * i + 3]);
      }
    }
    std::vector<double> meet_a, meet_b;
    for (const double bn : branch_no) {
      meet_a.push_back(solid_a[static_cast<std::size_t>(bn) - 1]);
      meet_b.push_back(solid_b[static_cast<std::size_t>(bn) - 1]);
    }
    sheet.add(analysis::Workings{
        .title = "Case " + cn + ": tie lines solution → wet residue and where each branch's lines meet",
        .columns = {Column{"branch", "", branch_no}, Column{"solution wt%A", "wt %", sol_a},
                    Column{"solution wt%B", "wt %", sol_b}, Column{"residue wt%A", "wt %", res_a},
                    Column{"residue wt%B", "wt %", res_b}, Column{"solid wt%A", "wt %", meet_a},
                    Column{"solid wt%B", "wt %", meet_b}}});
  }

  sheet.notes.push_back("Each branch's solid: the point of the diagram's plane (equilateral, side 100) with the "
                        "least sum of squared perpendicular distances to the lines through each saturated solution "
                        "and its wet residue; W = 100 − A − B.");
  sheet.notes.push_back("Uncertainties from the rounding of every written composition to 0.01 wt %, propagated "
                        "through the meeting point; the invariant points are read as written.");
  sheet.notes.push_back("True values: pure A (100, 0) and pure B (0, 100) for the branches they saturate, the "
                        "hidden compound (pcntah, pcntbh, pcntwh) and the hidden invariant points.");
}

// The solution workbook, a step per case. Over the rows with a wet residue:
// the solution and the residue in the plane of the diagram, each line's
// unit normal n = (−Δy, Δx)/|Δ| and c = n·(solution). The point nearest to
// a branch's lines minimises Σ(n·(x, y) − c)², a least-squares fit of c on
// nx and ny without a constant: LINEST over the branch's rows. Per case a
// table of its branches' solids and one of its invariant points, the rows
// between two branches as written. The charts plot %B against %A as
// written (a straight line of the triangle stays straight on that plot, so
// the lines meet where they meet in the plane); the tie lines, drawn from
// each solution to its branch's solid, stand beside the print area.
void workbook(const analysis::Case& cs, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_range;
  using analysis::data_ref;
  using analysis::on_solution;
  using Series = analysis::SolutionSheet::Series;
  const analysis::DataSet& data = cs.data();
  const char* solid_names[] = {"pure A", "pure B", "the compound"};
  const auto value_of = [&](const std::string& key) {
    const analysis::Result* r = sheet.find(key);
    return r != nullptr ? r->value : analysis::not_a_number;
  };

  // The triangle's sides on the plot of %B against %A: W at the origin.
  const ColumnRef tri_a = ws.chart_column("sides: %A", "wt %", {0, 1, 2, 3}, {"0", "100", "0", "0"},
                                          {0.0, 100.0, 0.0, 0.0});
  const ColumnRef tri_b = ws.chart_column("sides: %B", "wt %", {0, 1, 2, 3}, {"0", "0", "100", "0"},
                                          {0.0, 0.0, 100.0, 0.0});
  std::size_t tie_row = 0;  // the next free row of the tie lines' points

  std::size_t from = 0;
  for (int k = 1; k <= 3; ++k) {
    const std::string cn = std::to_string(k);
    const std::size_t title = data.find("Case " + cn + ",", from);
    const std::size_t heading = data.find("wt%A,wt%B,wt%A,wt%B,", title);
    from = heading + 1;
    const CaseRows split = split_case(data, k, heading);
    const auto& solids_of_case = solids[static_cast<std::size_t>(k - 1)];

    ws.step("Case " + cn + ": the lines solution → wet residue in the plane of the diagram, and where each "
            "branch's lines meet");
    std::vector<std::size_t> line_rows;
    for (const Branch& b : split.branches) line_rows.insert(line_rows.end(), b.rows.begin(), b.rows.end());
    const std::size_t n = line_rows.size();
    std::vector<double> xs(n), ys(n), xr(n), yr(n), nx(n), ny(n), cc(n);
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t r = line_rows[i];
      xs[i] = plane_x(data.value(r, 0), data.value(r, 1)), ys[i] = plane_y(data.value(r, 0), data.value(r, 1));
      xr[i] = plane_x(data.value(r, 2), data.value(r, 3)), yr[i] = plane_y(data.value(r, 2), data.value(r, 3));
      const double len = std::hypot(xr[i] - xs[i], yr[i] - ys[i]);
      nx[i] = -(yr[i] - ys[i]) / len, ny[i] = (xr[i] - xs[i]) / len;
      cc[i] = nx[i] * xs[i] + ny[i] * ys[i];
    }
    const auto plane = [&](const std::string& heading_x, const std::string& heading_y, std::size_t a_col,
                           const std::vector<double>& vx, const std::vector<double>& vy) {
      const ColumnRef x = ws.column(heading_x, "", line_rows, [&](std::size_t i) {
        return "50-" + data_ref(line_rows[i], a_col) + "/2+" + data_ref(line_rows[i], a_col + 1) + "/2";
      }, vx);
      const ColumnRef y = ws.column(heading_y, "", line_rows, [&](std::size_t i) {
        return "(100-" + data_ref(line_rows[i], a_col) + "-" + data_ref(line_rows[i], a_col + 1) + ")*SQRT(3)/2";
      }, vy);
      return std::pair{x, y};
    };
    const auto [c_xs, c_ys] = plane("solution x", "solution y", 0, xs, ys);
    const auto [c_xr, c_yr] = plane("residue x", "residue y", 2, xr, yr);
    const auto length = [&](std::size_t i) {
      return "SQRT((" + c_xr.cells[i] + "-" + c_xs.cells[i] + ")^2+(" + c_yr.cells[i] + "-" + c_ys.cells[i] + ")^2)";
    };
    const ColumnRef c_nx = ws.column("normal nx", "", line_rows, [&](std::size_t i) {
      return "(" + c_ys.cells[i] + "-" + c_yr.cells[i] + ")/" + length(i);
    }, nx);
    const ColumnRef c_ny = ws.column("normal ny", "", line_rows, [&](std::size_t i) {
      return "(" + c_xr.cells[i] + "-" + c_xs.cells[i] + ")/" + length(i);
    }, ny);
    const ColumnRef c_c = ws.column("c = n·solution", "", line_rows, [&](std::size_t i) {
      return c_nx.cells[i] + "*" + c_xs.cells[i] + "+" + c_ny.cells[i] + "*" + c_ys.cells[i];
    }, cc);

    // The branches' solids: LINEST of c on nx and ny over the branch's rows.
    const std::size_t nb = split.branches.size();
    std::vector<std::size_t> branch_rows(nb);
    std::vector<std::string> f_no(nb), f_x(nb), f_y(nb);
    std::vector<double> v_no(nb), v_x(nb), v_y(nb), v_a(nb), v_b(nb), v_w(nb);
    std::size_t first = 0;
    for (std::size_t b = 0; b < nb; ++b) {
      const std::size_t last = first + split.branches[b].rows.size() - 1;
      const std::string fit = "LINEST(" + c_c.cells[first] + ":" + c_c.cells[last] + "," + c_nx.cells[first] + ":" +
                              c_ny.cells[last] + ",FALSE)";
      branch_rows[b] = b;
      f_no[b] = std::to_string(b + 1), v_no[b] = static_cast<double>(b + 1);
      f_x[b] = "INDEX(" + fit + ",1,2)", f_y[b] = "INDEX(" + fit + ",1,1)";
      const auto [pa, pb] = meeting_point(split.branches[b].numbers);
      v_x[b] = plane_x(pa, pb), v_y[b] = plane_y(pa, pb);
      const std::string key = "c" + cn + " solid" + std::to_string(b + 1);
      const Solid s = solids_of_case[b];
      v_a[b] = s == pure_b ? percent_a(v_x[b], v_y[b]) : value_of(key + " A");
      v_b[b] = s == pure_b ? value_of(key + " B") : percent_b(v_x[b], v_y[b]);
      v_w[b] = s == compound ? value_of(key + " W") : 100.0 - v_a[b] - v_b[b];
      first = last + 1;
    }
    ws.column("branch", "", branch_rows, f_no, v_no);
    const ColumnRef c_px = ws.column("solid x", "", branch_rows, f_x, v_x);
    const ColumnRef c_py = ws.column("solid y", "", branch_rows, f_y, v_y);
    const ColumnRef c_pa = ws.column("solid %A", "wt %", branch_rows, [&](std::size_t b) {
      return "100-" + c_px.cells[b] + "-" + c_py.cells[b] + "/SQRT(3)";
    }, v_a);
    const ColumnRef c_pb = ws.column("solid %B", "wt %", branch_rows, [&](std::size_t b) {
      return c_px.cells[b] + "-" + c_py.cells[b] + "/SQRT(3)";
    }, v_b);
    const ColumnRef c_pw = ws.column("solid %W", "wt %", branch_rows, [&](std::size_t b) {
      return "100-" + c_pa.cells[b] + "-" + c_pb.cells[b];
    }, v_w);
    std::string which;
    for (std::size_t b = 0; b < nb; ++b) {
      const std::string key = "c" + cn + " solid" + std::to_string(b + 1);
      const Solid s = solids_of_case[b];
      if (s != pure_b) ws.result_in(key + " A", c_pa.cells[b]);
      if (s == pure_b) ws.result_in(key + " B", c_pb.cells[b]);
      if (s == compound) ws.result_in(key + " W", c_pw.cells[b]);
      which += (b ? ", " : "") + std::string("branch ") + std::to_string(b + 1) + " " + solid_names[s];
    }
    ws.note("The solids: " + which + "; %A = 100 − x − y/√3, %B = x − y/√3, %W = 100 − %A − %B. LINEST lists "
            "ny's coefficient, y, before nx's, x.");

    // The invariant points: the rows between two branches, as written.
    const std::size_t ni = split.ends.size() - 2;
    std::vector<std::size_t> inv_rows(ni);
    std::vector<std::string> f_i(ni), f_ia(ni), f_ib(ni);
    std::vector<double> v_i(ni), v_ia(ni), v_ib(ni);
    for (std::size_t j = 0; j < ni; ++j) {
      const std::size_t r = split.ends[j + 1];
      inv_rows[j] = nb + j;  // below the branches' rows: a table of its own
      f_i[j] = std::to_string(j + 1), v_i[j] = static_cast<double>(j + 1);
      f_ia[j] = data_ref(r, 0), f_ib[j] = data_ref(r, 1);
      v_ia[j] = data.value(r, 0), v_ib[j] = data.value(r, 1);
    }
    ws.column("invariant point", "", inv_rows, f_i, v_i);
    const ColumnRef c_ia = ws.column("%A", "wt %", inv_rows, f_ia, v_ia);
    const ColumnRef c_ib = ws.column("%B", "wt %", inv_rows, f_ib, v_ib);
    for (std::size_t j = 0; j < ni; ++j) {
      const std::string key = "c" + cn + " inv" + std::to_string(j + 1);
      if (sheet.find(key + " A") != nullptr) ws.result_in(key + " A", c_ia.cells[j]);
      if (sheet.find(key + " B") != nullptr) ws.result_in(key + " B", c_ib.cells[j]);
    }

    // The tie lines on the plot: from each solution to its branch's solid,
    // a blank row between two.
    std::vector<std::size_t> t_rows;
    std::vector<std::string> f_ta, f_tb;
    std::vector<double> ta, tb;
    std::size_t i = 0;
    for (std::size_t b = 0; b < nb; ++b)
      for (std::size_t m = 0; m < split.branches[b].rows.size(); ++m, ++i) {
        t_rows.push_back(tie_row), t_rows.push_back(tie_row + 1);
        tie_row += 3;
        f_ta.push_back(data_ref(line_rows[i], 0)), f_tb.push_back(data_ref(line_rows[i], 1));
        ta.push_back(data.value(line_rows[i], 0)), tb.push_back(data.value(line_rows[i], 1));
        f_ta.push_back(c_pa.cells[b]), f_tb.push_back(c_pb.cells[b]);
        ta.push_back(v_a[b]), tb.push_back(v_b[b]);
      }
    ++tie_row;
    const ColumnRef c_ta = ws.chart_column("case " + cn + " tie lines: %A", "wt %", t_rows, f_ta, ta);
    const ColumnRef c_tb = ws.chart_column("case " + cn + " tie lines: %B", "wt %", t_rows, f_tb, tb);

    // As written: the saturated solutions (the whole curve) and each
    // branch's wet residues; the construction over them.
    std::vector<Series> series{
        {.name = "sides of the triangle", .x_range = on_solution(tri_a.range), .y_range = on_solution(tri_b.range),
         .markers = false, .line = true, .colour = 5},
        {.name = "saturated solutions", .x_range = data_range(split.rows.front(), split.rows.back(), 0),
         .y_range = data_range(split.rows.front(), split.rows.back(), 1), .line = true, .colour = 0}};
    for (std::size_t b = 0; b < nb; ++b) {
      const auto& rows = split.branches[b].rows;
      series.push_back({.name = nb == 1 ? "wet residues" : "wet residues, branch " + std::to_string(b + 1),
                        .x_range = data_range(rows.front(), rows.back(), 2),
                        .y_range = data_range(rows.front(), rows.back(), 3), .colour = 1});
    }
    series.push_back({.name = "tie lines to the solid", .x_range = on_solution(c_ta.range),
                      .y_range = on_solution(c_tb.range), .markers = false, .line = true, .colour = 2});
    series.push_back({.name = "solids (meeting points)", .x_range = on_solution(c_pa.range),
                      .y_range = on_solution(c_pb.range), .colour = 3});
    ws.chart("Case " + cn + ": saturated solutions and wet residues, %B against %A, with the tie lines", "%A (wt %)",
             "%B (wt %)", series);
  }
  ws.note("Plane of the diagram: x = 50 − %A/2 + %B/2, y = %W·√3/2 (A at the origin, B at (100, 0), W at the "
          "top); distances there are those of the triangular diagram. The charts plot %B against %A instead, "
          "on which the same lines meet at the same compositions.");
}

// The student's handout: the three case tables, the construction and the
// results in the order of the results template (the same in every data
// set: the solids of each case's branches, then its invariant points).
const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout out;
    out.task =
        "For each of three ternary systems of two solids A and B and the solvent W, find by the wet-residue method "
        "the solid phase that saturates each branch of the solubility curve (pure A, pure B, or a compound of A and "
        "W, whose composition you give), and read the invariant points, the solutions saturated with two solids.";
    out.data =
        "Three tables, `Case 1,` to `Case 3,`, under the headings `Saturated Solution,,Wet Residue,` and "
        "`wt%A,wt%B,wt%A,wt%B,`: each row a saturated solution's weight percent of A and of B and, beside it, its "
        "wet residue's (the solid with adhering solution); W is the remainder, 100 − %A − %B, and is not written. "
        "Rows whose residue columns read `---,---` have no residue: the ends of the curve and, between two "
        "branches, the invariant points. Every composition is written to 0.01 wt %.";
    out.conventions = {
        "On the triangular diagram the line from a saturated solution through its wet residue, extended, passes "
        "through the solid in equilibrium with that solution; the lines of one branch meet there",
        "Compositions in weight percent; W = 100 − %A − %B",
        "The triangular diagram of side 100 drawn on a plane: A at (0, 0), B at (100, 0), W at (50, 50·√3); a "
        "composition lies at x = 50 − %A/2 + %B/2, y = %W·√3/2",
    };
    const std::string meet =
        "the point where the branch's lines solution → wet residue meet (by least squares, or where its tie lines "
        "cross, drawn on the triangle or on a right-angled plot of %B against %A)";
    const char* solid_names[] = {"pure A", "pure B", "the compound of A and W"};
    for (std::size_t k = 0; k < solids.size(); ++k) {
      const std::string cn = std::to_string(k + 1);
      for (std::size_t b = 0; b < solids[k].size(); ++b) {
        const Solid s = solids[k][b];
        const std::string key = "c" + cn + " solid" + std::to_string(b + 1);
        const std::string what =
            "case " + cn + ", solid of branch " + std::to_string(b + 1) + " (" + solid_names[s] + "), ";
        if (s != pure_b) out.results.push_back({key + " A", what + "A", "wt %", meet, ""});
        if (s == pure_b) out.results.push_back({key + " B", what + "B", "wt %", meet, ""});
        if (s == compound) out.results.push_back({key + " W", what + "W", "wt %", "100 − %A − %B of that point", ""});
      }
      for (std::size_t j = 1; j < solids[k].size(); ++j) {
        const std::string key = "c" + cn + " inv" + std::to_string(j);
        const std::string what = "case " + cn + ", invariant point " + std::to_string(j) + ", ";
        out.results.push_back({key + " A", what + "A", "wt %", "", ""});
        out.results.push_back({key + " B", what + "B", "wt %", "", ""});
      }
    }
    return out;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis sle_ternary_gen_answers{
    .program = "sle_ternary_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
