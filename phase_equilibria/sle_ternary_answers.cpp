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
// normal n and n·(solution) in the plane, per branch the normal equations
// [Σnx² Σnxny; Σnxny Σny²]·(x, y) = (Σnx·c, Σny·c) as SUMPRODUCTs, solved
// by Cramer's rule.
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

// The solution workbook. Columns over the rows of the tables: each
// solution and wet residue in the plane of the diagram, each line's unit
// normal n = (−Δy, Δx)/|Δ| and c = n·(solution), and the solid of the
// row's branch; per branch the normal equations and their solution by
// Cramer's rule. Under the data, for the charts: the triangle's sides and
// the tie lines from each solution to its branch's solid, a blank row
// between two lines.
void workbook(const analysis::Case& cs, const analysis::AnswerSheet&, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::on_solution;
  const analysis::DataSet& data = cs.data();

  struct Table {
    CaseRows split;
    std::vector<std::pair<double, double>> solid_xy;  // per branch, in the plane
  };
  std::vector<Table> tables;
  std::size_t from = 0;
  for (int k = 1; k <= 3; ++k) {
    const std::size_t title = data.find("Case " + std::to_string(k) + ",", from);
    const std::size_t heading = data.find("wt%A,wt%B,wt%A,wt%B,", title);
    from = heading + 1;
    Table t{split_case(data, k, heading), {}};
    for (const Branch& b : t.split.branches) {
      const auto [pa, pb] = meeting_point(b.numbers);
      t.solid_xy.emplace_back(plane_x(pa, pb), plane_y(pa, pb));
    }
    tables.push_back(std::move(t));
  }

  // Every row of the curve, and the rows with a residue.
  std::vector<std::size_t> curve_rows, line_rows;
  for (const Table& t : tables) {
    curve_rows.insert(curve_rows.end(), t.split.rows.begin(), t.split.rows.end());
    for (const Branch& b : t.split.branches) line_rows.insert(line_rows.end(), b.rows.begin(), b.rows.end());
  }
  std::vector<std::string> f_xs, f_ys;
  std::vector<double> xs, ys;
  for (const std::size_t r : curve_rows) {
    const std::string a = data_cell(r, 0), b = data_cell(r, 1);
    f_xs.push_back("50-0.5*" + a + "+0.5*" + b);
    f_ys.push_back("(100-" + a + "-" + b + ")*SQRT(3)/2");
    xs.push_back(plane_x(data.value(r, 0), data.value(r, 1)));
    ys.push_back(plane_y(data.value(r, 0), data.value(r, 1)));
  }
  const ColumnRef c_xs = ws.column("solution x", "", curve_rows, f_xs, xs);
  const ColumnRef c_ys = ws.column("solution y", "", curve_rows, f_ys, ys);
  const auto curve_index = [&](std::size_t r) {
    return static_cast<std::size_t>(std::find(curve_rows.begin(), curve_rows.end(), r) - curve_rows.begin());
  };

  std::vector<std::string> f_xr, f_yr, f_len, f_nx, f_ny, f_c;
  std::vector<double> xr, yr, len, nx, ny, cc;
  for (std::size_t i = 0; i < line_rows.size(); ++i) {
    const std::size_t r = line_rows[i];
    const std::string a = data_cell(r, 2), b = data_cell(r, 3);
    f_xr.push_back("50-0.5*" + a + "+0.5*" + b);
    f_yr.push_back("(100-" + a + "-" + b + ")*SQRT(3)/2");
    xr.push_back(plane_x(data.value(r, 2), data.value(r, 3)));
    yr.push_back(plane_y(data.value(r, 2), data.value(r, 3)));
  }
  const ColumnRef c_xr = ws.column("residue x", "", line_rows, f_xr, xr);
  const ColumnRef c_yr = ws.column("residue y", "", line_rows, f_yr, yr);
  for (std::size_t i = 0; i < line_rows.size(); ++i) {
    const std::size_t j = curve_index(line_rows[i]);
    const std::string dx = "(" + c_xr.cells[i] + "-" + c_xs.cells[j] + ")";
    const std::string dy = "(" + c_yr.cells[i] + "-" + c_ys.cells[j] + ")";
    f_len.push_back("SQRT(" + dx + "^2+" + dy + "^2)");
    len.push_back(std::hypot(xr[i] - xs[j], yr[i] - ys[j]));
  }
  const ColumnRef c_len = ws.column("|residue − solution|", "", line_rows, f_len, len);
  for (std::size_t i = 0; i < line_rows.size(); ++i) {
    const std::size_t j = curve_index(line_rows[i]);
    f_nx.push_back("(" + c_ys.cells[j] + "-" + c_yr.cells[i] + ")/" + c_len.cells[i]);
    f_ny.push_back("(" + c_xr.cells[i] + "-" + c_xs.cells[j] + ")/" + c_len.cells[i]);
    nx.push_back(-(yr[i] - ys[j]) / len[i]);
    ny.push_back((xr[i] - xs[j]) / len[i]);
  }
  const ColumnRef c_nx = ws.column("normal nx", "", line_rows, f_nx, nx);
  const ColumnRef c_ny = ws.column("normal ny", "", line_rows, f_ny, ny);
  for (std::size_t i = 0; i < line_rows.size(); ++i) {
    const std::size_t j = curve_index(line_rows[i]);
    f_c.push_back(c_nx.cells[i] + "*" + c_xs.cells[j] + "+" + c_ny.cells[i] + "*" + c_ys.cells[j]);
    cc.push_back(nx[i] * xs[j] + ny[i] * ys[j]);
  }
  const ColumnRef c_c = ws.column("c = n·solution", "", line_rows, f_c, cc);

  // Per branch: the normal equations, Cramer's rule, the results.
  const char* solid_names[] = {"pure A", "pure B", "the compound"};
  std::vector<std::string> f_px, f_py;
  std::vector<double> px, py;
  std::size_t line = 0;
  for (std::size_t k = 0; k < tables.size(); ++k) {
    const std::string cn = std::to_string(k + 1);
    for (std::size_t b = 0; b < tables[k].split.branches.size(); ++b) {
      const Branch& br = tables[k].split.branches[b];
      const std::size_t first = line, last = line + br.rows.size() - 1;
      line += br.rows.size();
      const auto range = [&](const ColumnRef& c) { return c.cells[first] + ":" + c.cells[last]; };
      const auto sum = [&](const ColumnRef& p, const ColumnRef& q) {
        return "SUMPRODUCT(" + range(p) + "," + range(q) + ")";
      };
      double sxx = 0, sxy = 0, syy = 0, sxc = 0, syc = 0;
      for (std::size_t i = first; i <= last; ++i) {
        sxx += nx[i] * nx[i], sxy += nx[i] * ny[i], syy += ny[i] * ny[i];
        sxc += nx[i] * cc[i], syc += ny[i] * cc[i];
      }
      const std::string what = "case " + cn + ", branch " + std::to_string(b + 1) + ": ";
      const std::string v_xx = ws.value(what + "Σ nx²", "", sum(c_nx, c_nx), sxx);
      const std::string v_xy = ws.value(what + "Σ nx·ny", "", sum(c_nx, c_ny), sxy);
      const std::string v_yy = ws.value(what + "Σ ny²", "", sum(c_ny, c_ny), syy);
      const std::string v_xc = ws.value(what + "Σ nx·c", "", sum(c_nx, c_c), sxc);
      const std::string v_yc = ws.value(what + "Σ ny·c", "", sum(c_ny, c_c), syc);
      const double det = sxx * syy - sxy * sxy;
      const std::string v_det = ws.value(what + "determinant", "", v_xx + "*" + v_yy + "-" + v_xy + "^2", det);
      const auto [sx, sy] = tables[k].solid_xy[b];
      const std::string v_x = ws.value(what + "solid x (" + solid_names[solids[k][b]] + ")", "",
                                       "(" + v_xc + "*" + v_yy + "-" + v_xy + "*" + v_yc + ")/" + v_det, sx);
      const std::string v_y = ws.value(what + "solid y (" + solid_names[solids[k][b]] + ")", "",
                                       "(" + v_xx + "*" + v_yc + "-" + v_xy + "*" + v_xc + ")/" + v_det, sy);
      const std::string a = "(100-" + v_x + "-" + v_y + "/SQRT(3))";
      const std::string bb = "(" + v_x + "-" + v_y + "/SQRT(3))";
      const std::string key = "c" + cn + " solid" + std::to_string(b + 1);
      const Solid s = solids[k][b];
      if (s != pure_b) ws.result(key + " A", a);
      if (s == pure_b) ws.result(key + " B", bb);
      if (s == compound) ws.result(key + " W", "100-" + a + "-" + bb);
      for (std::size_t i = 0; i < br.rows.size(); ++i) {
        f_px.push_back(v_x), f_py.push_back(v_y);
        px.push_back(sx), py.push_back(sy);
      }
    }
    // The invariant points: the rows between two branches, as written.
    for (std::size_t j = 1; j + 1 < tables[k].split.ends.size(); ++j) {
      const std::size_t r = tables[k].split.ends[j];
      ws.result("c" + cn + " inv" + std::to_string(j) + " A", data_cell(r, 0));
      ws.result("c" + cn + " inv" + std::to_string(j) + " B", data_cell(r, 1));
    }
  }
  const ColumnRef c_px = ws.column("solid x", "", line_rows, f_px, px);
  const ColumnRef c_py = ws.column("solid y", "", line_rows, f_py, py);

  // Under the data: the triangle A, B, W, A, and the tie lines.
  const std::size_t below = data.size() + 2;
  const double height = 50.0 * std::sqrt(3.0);
  const ColumnRef c_tri_x = ws.column("triangle x", "", {below, below + 1, below + 2, below + 3},
                                      {"0", "100", "50", "0"}, {0.0, 100.0, 50.0, 0.0});
  const ColumnRef c_tri_y = ws.column("triangle y", "", {below, below + 1, below + 2, below + 3},
                                      {"0", "0", "50*SQRT(3)", "0"}, {0.0, 0.0, height, 0.0});
  std::vector<std::size_t> tie_rows;
  std::vector<std::string> f_tx, f_ty;
  std::vector<double> tx, ty;
  std::vector<std::pair<std::size_t, std::size_t>> tie_span;  // per case, first and last index
  std::size_t row = below, i = 0;
  for (std::size_t k = 0; k < tables.size(); ++k) {
    const std::size_t begin = tie_rows.size();
    for (const Branch& br : tables[k].split.branches)
      for (std::size_t n = 0; n < br.rows.size(); ++n, ++i) {
        const std::size_t j = curve_index(line_rows[i]);
        tie_rows.push_back(row), tie_rows.push_back(row + 1);
        row += 3;
        f_tx.push_back(c_xs.cells[j]), f_ty.push_back(c_ys.cells[j]);
        tx.push_back(xs[j]), ty.push_back(ys[j]);
        f_tx.push_back(c_px.cells[i]), f_ty.push_back(c_py.cells[i]);
        tx.push_back(px[i]), ty.push_back(py[i]);
      }
    tie_span.emplace_back(begin, tie_rows.size() - 1);
  }
  const ColumnRef c_tx = ws.column("tie line x", "", tie_rows, f_tx, tx);
  const ColumnRef c_ty = ws.column("tie line y", "", tie_rows, f_ty, ty);

  ws.note("Plane of the diagram: x = wt%B + wt%W/2 = 50 − wt%A/2 + wt%B/2, y = wt%W·√3/2 (A at the origin, B at "
          "(100, 0), W at the top). Each line solution → wet residue is n·(x, y) = c with n its unit normal; the "
          "solid of a branch minimises Σ(n·(x, y) − c)², whose normal equations are solved by Cramer's rule. "
          "Then wt%A = 100 − x − y/√3, wt%B = x − y/√3.");
  ws.note("Under the data, for the charts: the triangle's sides and the tie lines from each solution to the "
          "solid of its branch, a blank row between two lines.");

  std::size_t line_from = 0;
  for (std::size_t k = 0; k < tables.size(); ++k) {
    const auto& rows = tables[k].split.rows;
    const std::size_t c0 = curve_index(rows.front()), c1 = curve_index(rows.back());
    std::size_t lines = 0;
    for (const Branch& br : tables[k].split.branches) lines += br.rows.size();
    const std::size_t l0 = line_from, l1 = line_from + lines - 1;
    line_from += lines;
    const auto span = [](const ColumnRef& c, std::size_t p, std::size_t q) {
      return on_solution(c.cells[p] + ":" + c.cells[q]);
    };
    const auto [t0, t1] = tie_span[k];
    ws.chart("Case " + std::to_string(k + 1) + ": the ternary diagram, tie lines through the wet residues",
             "x = wt%B + wt%W/2 (wt %)", "y = wt%W·√3/2 (wt %)",
             {{.name = "sides of the triangle", .x_range = on_solution(c_tri_x.range),
               .y_range = on_solution(c_tri_y.range), .markers = false, .line = true, .colour = 5},
              {.name = "saturated solutions", .x_range = span(c_xs, c0, c1), .y_range = span(c_ys, c0, c1),
               .line = true, .colour = 0},
              {.name = "tie lines to the solid", .x_range = span(c_tx, t0, t1), .y_range = span(c_ty, t0, t1),
               .markers = false, .line = true, .colour = 2},
              {.name = "wet residues", .x_range = span(c_xr, l0, l1), .y_range = span(c_yr, l0, l1), .colour = 1},
              {.name = "solids (meeting points)", .x_range = span(c_px, l0, l1), .y_range = span(c_py, l0, l1),
               .colour = 3}});
  }
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
