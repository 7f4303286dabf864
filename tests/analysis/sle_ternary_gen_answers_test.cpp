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
