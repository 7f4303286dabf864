// Answer sheet of the ternary solid-liquid diagram: the worked example
// against a separate calculation, and an edited wet residue moving the
// meeting point of its branch.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "analysis/answer_sheet.hpp"
#include "support/answers_support.hpp"
#include "support/test_support.hpp"

extern const labcore::Program sle_ternary_gen;

namespace {

using answers_test::result;

analysis::AnswerSheet sheet_of(const labtest::DataSet& ds, const std::string& text) {
  return analysis::answer_sheet(sle_ternary_gen, text, ds.key, "Jane Doe", 12345, 67890);
}

TEST(SleTernaryAnswers, WorkedExampleMatchesIndependentCalculation) {
  const auto ds = labtest::data_set(sle_ternary_gen, 12345, 67890);
  const auto sheet = sheet_of(ds, ds.text);
  // From tests/data/answers/sle_ternary_gen.py: numpy's 2×2 normal
  // equations of the perpendicular distances, finite-difference rounding.
  struct Expect {
    const char* key;
    double value, u, true_value;
  };
  const Expect expected[] = {
      {"c1 solid1 A", 100.03239, 0.0652363, 100.0},
      {"c1 solid2 B", 100.00168, 0.0260329, 100.0},
      {"c2 solid1 A", 70.859526, 0.0163775, 70.8609},    {"c2 solid1 W", 29.139127, 0.010597, 29.1391},
      {"c2 solid2 A", 99.977107, 0.011885, 100.0},
      {"c3 solid1 A", 60.441308, 0.0246557, 60.4757},    {"c3 solid1 W", 39.542915, 0.014283, 39.5243},
      {"c3 solid2 A", 100.32174, 0.245333, 100.0},
      {"c3 solid3 B", 100.03336, 0.0175349, 100.0},
      // The invariant points as written.
      {"c1 inv1 A", 19.46, 0.005 / std::sqrt(3.0), 19.4621}, {"c3 inv2 B", 40.99, 0.005 / std::sqrt(3.0), 40.9904},
  };
  for (const auto& e : expected) {
    const auto& r = result(sheet, e.key);
    EXPECT_NEAR(r.value, e.value, 1e-5) << e.key;  // the script prints 8 digits
    EXPECT_NEAR(r.uncertainty, e.u, 1e-4 * e.u) << e.key;
    EXPECT_NEAR(r.true_value, e.true_value, 1e-4) << e.key;
    EXPECT_LE(std::abs(r.value - r.true_value), r.tolerance) << e.key;
  }
  EXPECT_DOUBLE_EQ(result(sheet, "c2 solid1 A").true_value, labtest::hidden(ds, "case2.pcntah"));
  EXPECT_DOUBLE_EQ(result(sheet, "c3 inv2 A").true_value, labtest::hidden(ds, "case3.pcntat"));
  // The zero coordinates of the solids are in the workings, not graded.
  EXPECT_THROW(result(sheet, "c1 solid1 B"), std::runtime_error);
  ASSERT_EQ(sheet.workings.size(), 3u);
  const auto& case1 = sheet.workings[0].columns;
  ASSERT_EQ(case1.at(6).heading, "solid wt%B");
  EXPECT_NEAR(case1[6].values.front(), -0.012651606, 1e-5);  // pure A's %B, first branch
  EXPECT_NEAR(case1[5].values.back(), -0.0054324314, 1e-5);  // pure B's %A, second branch
}

// The other constructions of a branch's solid and the answers that skip
// the extrapolation, against tests/data/answers/sle_ternary_gen.py (numpy
// solving each pair of lines): the constructions within the tolerance, the
// wet residues outside it. A pure solid is graded on 3 u of the meeting
// point, at least 0.04 wt % (case 2's pure A, 3 u = 0.036): with 2 % of
// 100 its nearly dry residue, 99.81 % A, would pass.
TEST(SleTernaryAnswers, ConstructionsPassAndWetResiduesFail) {
  const auto ds = labtest::data_set(sle_ternary_gen, 12345, 67890);
  const auto sheet = sheet_of(ds, ds.text);
  const struct {
    const char* key;
    double first_last, pairs, right_angled;
    double mean_residue, other_null;
  } expected[] = {
      {"c1 solid1 A", 100.07207, 100.03679, 100.03961, 62.14, 73.15},
      {"c2 solid1 W", 29.131874, 29.141754, 29.140052, 35.622, 0.0},
      {"c2 solid2 A", 99.968321, 99.975949, 99.977156, 96.08, 99.81},
      {"c3 solid3 B", 100.02485, 100.03206, 100.0332, 93.326, 98.68},
  };
  for (const auto& e : expected) {
    const auto& r = result(sheet, e.key);
    ASSERT_EQ(r.routes.size(), 3u) << e.key;
    ASSERT_EQ(r.nulls.size(), 2u) << e.key;
    const double routes[] = {e.first_last, e.pairs, e.right_angled};
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(r.routes[k].value, routes[k], 1e-5) << e.key << " " << r.routes[k].name;
      EXPECT_LE(std::abs(r.routes[k].value - r.value), r.tolerance) << e.key << " " << r.routes[k].name;
    }
    const double nulls[] = {e.mean_residue, e.other_null};
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_NEAR(r.nulls[k].value, nulls[k], 1e-9) << e.key << " " << r.nulls[k].name;
      EXPECT_GT(std::abs(r.nulls[k].value - r.value), r.tolerance) << e.key << " " << r.nulls[k].name;
    }
  }
  EXPECT_DOUBLE_EQ(result(sheet, "c2 solid2 A").tolerance, 0.04);
  EXPECT_NEAR(result(sheet, "c1 solid1 A").tolerance, 3 * 0.0652363, 1e-6);
  EXPECT_NEAR(result(sheet, "c2 solid1 W").tolerance, 0.02 * 29.139127, 1e-5);
}

// Case 3's second invariant point can lie beyond the side B-W: for seeds
// 8587778 649371 the row reads -5.21 % A, which no solution has, and the
// last branch runs through -4.28 % A; neither the point nor that branch's
// solid is graded.
TEST(SleTernaryAnswers, CompositionsOutsideTheTriangleAreNotGraded) {
  const auto ds = labtest::data_set(sle_ternary_gen, 8587778, 649371);
  const auto sheet = analysis::answer_sheet(sle_ternary_gen, ds.text, ds.key, "", 8587778, 649371);
  const struct {
    const char* key;
    const char* shown;
  } impossible[] = {{"c3 inv2 A", "-5.21 % A"}, {"c3 inv2 B", "-5.21 % A"}, {"c3 solid3 B", "-4.28 % A"}};
  for (const auto& e : impossible) {
    const auto& r = result(sheet, e.key);
    EXPECT_FALSE(r.graded()) << e.key;
    EXPECT_NE(r.not_graded.find(e.shown), std::string::npos) << r.not_graded;
    EXPECT_TRUE(std::isnan(r.tolerance)) << e.key;
  }
  for (const char* key : {"c3 inv1 A", "c3 solid2 A", "c3 solid1 W"}) EXPECT_TRUE(result(sheet, key).graded()) << key;
}

TEST(SleTernaryAnswers, AnEditedResidueMovesItsBranchOnly) {
  const auto ds = labtest::data_set(sle_ternary_gen, 12345, 67890);
  const auto base = sheet_of(ds, ds.text);
  std::string text = ds.text;
  // Case 2, first branch: the residue of the first row moved towards more
  // B turns its line, and the meeting point gains B; the other branch and
  // the other cases keep theirs.
  const std::string from = " 44.81,  4.81, 59.23,  2.15,";
  text.replace(text.find(from), from.size(), " 44.81,  4.81, 59.23,  2.65,");
  const auto edited = sheet_of(ds, text);
  const auto solid_b = [](const analysis::AnswerSheet& sh) { return sh.workings.at(1).columns.at(6).values.front(); };
  EXPECT_GT(solid_b(edited), solid_b(base) + 0.05);
  EXPECT_NE(result(edited, "c2 solid1 W").value, result(base, "c2 solid1 W").value);
  EXPECT_EQ(result(edited, "c2 solid2 A").value, result(base, "c2 solid2 A").value);
  EXPECT_EQ(result(edited, "c1 solid1 A").value, result(base, "c1 solid1 A").value);
  // A case with a branch missing is refused.
  std::string broken = ds.text;
  const std::string end = " 67.71, 32.29,---,---,";
  broken.replace(broken.find(end), end.size(), " 67.71, 32.29, 99.00,  0.50,");
  EXPECT_THROW(sheet_of(ds, broken), analysis::AnalysisError);
}

}  // namespace
