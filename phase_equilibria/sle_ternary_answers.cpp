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
#include <cmath>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr double root3 = 1.7320508075688772;
const double u_written = 0.005 / std::sqrt(3.0);  // wt %

// The plane of the triangular diagram (side 100; A at the origin, B at
// (100, 0), W at the top) from the weight percentages of A and B.
double plane_x(double pa, double pb) { return 50.0 - 0.5 * pa + 0.5 * pb; }
double plane_y(double pa, double pb) { return (100.0 - pa - pb) * root3 / 2.0; }
double percent_a(double x, double y) { return 100.0 - x - y / root3; }
double percent_b(double x, double y) { return x - y / root3; }

// The point nearest to the lines through (solution, residue) pairs; the
// numbers are, per line, %A and %B of the solution then of the residue.
// Returns the point as %A, %B.
std::pair<double, double> meeting_point(std::span<const double> v) {
  const std::size_t lines = v.size() / 4;
  std::vector<double> nx(lines), ny(lines), rhs(lines);
  for (std::size_t i = 0; i < lines; ++i) {
    const double x1 = plane_x(v[4 * i], v[4 * i + 1]), y1 = plane_y(v[4 * i], v[4 * i + 1]);
    const double x2 = plane_x(v[4 * i + 2], v[4 * i + 3]), y2 = plane_y(v[4 * i + 2], v[4 * i + 3]);
    const double len = std::hypot(x2 - x1, y2 - y1);
    if (!(len > 0.0)) throw analysis::AnalysisError("sle_ternary_gen: a wet residue coincides with its solution");
    nx[i] = -(y2 - y1) / len;  // unit normal of the line
    ny[i] = (x2 - x1) / len;
    rhs[i] = nx[i] * x1 + ny[i] * y1;
  }
  const analysis::PolyFit fit = analysis::fit_linear({nx, ny}, rhs);
  return {percent_a(fit.c[0], fit.c[1]), percent_b(fit.c[0], fit.c[1])};
}

struct Branch {
  std::vector<double> numbers;  // per row: solution %A, %B, residue %A, %B
  std::vector<std::size_t> rows;
};

void analyse(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const analysis::DataSet& data = cs.data();
  // Solid phases of the branches in the order written, per case.
  enum Solid { pure_a, pure_b, compound };
  const std::vector<std::vector<Solid>> solids{{pure_a, pure_b}, {compound, pure_a}, {compound, pure_a, pure_b}};
  const char* solid_names[] = {"pure A", "pure B", "the compound of A and W"};

  std::size_t from = 0;
  for (int k = 1; k <= 3; ++k) {
    const std::string cn = std::to_string(k);
    const std::string prefix = "case" + cn + ".";
    const std::size_t title = data.find("Case " + cn + ",", from);
    const std::size_t heading = data.find("wt%A,wt%B,wt%A,wt%B,", title);
    const auto rows = data.numeric_rows(heading + 1);
    from = heading + 1;

    // Split at the end points (no residue): branches and the rows between.
    std::vector<Branch> branches;
    std::vector<std::size_t> ends;
    for (const std::size_t r : rows) {
      if (!data.number(r, 2)) {
        ends.push_back(r);
        branches.emplace_back();
      } else {
        if (branches.empty()) throw analysis::AnalysisError("sle_ternary_gen: case " + cn + " opens without an end point");
        for (std::size_t c = 0; c < 4; ++c) branches.back().numbers.push_back(data.value(r, c));
        branches.back().rows.push_back(r);
      }
    }
    branches.pop_back();  // after the last end point
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
      if (s != pure_b)
        sheet.add(Result{.key = "c" + cn + " solid" + bn + " A", .name = what + ", A", .unit = "wt %",
                         .true_value = true_a, .value = est_a.value, .uncertainty = est_a.u, .method = method});
      if (s == pure_b)
        sheet.add(Result{.key = "c" + cn + " solid" + bn + " B", .name = what + ", B", .unit = "wt %",
                         .true_value = true_b, .value = est_b.value, .uncertainty = est_b.u, .method = method});
      if (s == compound) {
        const auto est_w = analysis::propagate(
            [](std::span<const double> q) {
              const auto [a, bb] = meeting_point(q);
              return 100.0 - a - bb;
            },
            v, cov_diag);
        sheet.add(Result{.key = "c" + cn + " solid" + bn + " W", .name = what + ", W", .unit = "wt %",
                         .true_value = cs.hidden(prefix + "pcntwh"), .value = est_w.value, .uncertainty = est_w.u,
                         .method = "100 − %A − %B of the same point"});
      }
    }

    // Invariant points: the end points between two branches.
    const std::vector<std::string> invariant_names = k == 3 ? std::vector<std::string>{"b", "t"} : std::vector<std::string>{"b"};
    for (std::size_t j = 0; j < invariant_names.size(); ++j) {
      const std::size_t r = ends.at(j + 1);
      const std::string n = invariant_names[j];
      const std::string what = "case " + cn + ", invariant point " + std::to_string(j + 1) + " (saturated with " +
                               solid_names[expected[j]] + " and " + solid_names[expected[j + 1]] + ")";
      sheet.add(Result{.key = "c" + cn + " inv" + std::to_string(j + 1) + " A", .name = what + ", A", .unit = "wt %",
                       .true_value = cs.hidden(prefix + "pcnta" + n), .value = data.value(r, 0),
                       .uncertainty = u_written, .method = "the row between the two branches"});
      sheet.add(Result{.key = "c" + cn + " inv" + std::to_string(j + 1) + " B", .name = what + ", B", .unit = "wt %",
                       .true_value = cs.hidden(prefix + "pcntb" + n), .value = data.value(r, 1),
                       .uncertainty = u_written, .method = "the same row"});
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

}  // namespace

extern const analysis::Analysis sle_ternary_gen_answers{.program = "sle_ternary_gen", .analyse = analyse};
