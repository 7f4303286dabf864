// The answer sheet of first_order_gen for seeds 12345 67890 against the
// values worked out in plain Python from the data set file
// (tests/data/answers/first_order_reference.py).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

TEST(FirstOrderAnswers, Seeds12345And67890AgainstAnIndependentCalculation) {
  const labcore::Program& program = *labcore::find_program("first_order_gen");
  const auto ds = labtest::data_set(program, 12345, 67890);
  const std::string file = labtest::read_file(labtest::expected_dir() / "first_order_gen" / "12345_67890.csv");
  const AnswerSheet sheet = answer_sheet(program, file, ds.key, "Jane Doe", 12345, 67890);
  ASSERT_EQ(sheet.results.size(), 7u);
  struct Expect {
    const char* key;
    double value, u;
  };
  const Expect expected[] = {
      {"k(1)", 0.007303298539219505, 7.113377322179632e-07},
      {"k(2)", 0.027219587038660436, 2.986426855137519e-06},
      {"k(3)", 0.09328271932533122, 2.017664125040072e-05},
      {"k(4)", 0.297163265902568, 2.6092325312264357e-05},
      {"k(5)", 0.8823832390799015, 0.0003287734134836399},
      {"Ea", 100474.21879141626, 13.535846665292741},
      {"A", 2923170217002903.5, 15002512849650.678},
  };
  for (const auto& e : expected) {
    const Result* r = sheet.find(e.key);
    ASSERT_NE(r, nullptr) << e.key;
    EXPECT_NEAR(r->value, e.value, 1e-10 * e.value) << e.key;
    EXPECT_NEAR(r->uncertainty, e.u, 1e-6 * e.u) << e.key;
  }
  // True values: the hidden rate constants (float), Ea = −R·f, A = e^g.
  for (int i = 1; i <= 5; ++i)
    EXPECT_EQ(sheet.results[static_cast<std::size_t>(i - 1)].true_value,
              labtest::hidden(ds, "krate(" + std::to_string(i) + ")"));
  EXPECT_NEAR(sheet.find("Ea")->true_value, 8.314462618 * 12073.344, 0.02);  // f to 8 digits
  EXPECT_NEAR(sheet.find("A")->true_value, std::exp(35.594818), 1e-6 * std::exp(35.594818));
  EXPECT_EQ(sheet.find("A")->tolerance, 0.05 * sheet.find("A")->value);
  // The rate constants land on the model's within a part in a thousand.
  for (int i = 0; i < 5; ++i) {
    const Result& r = sheet.results[static_cast<std::size_t>(i)];
    EXPECT_LT(std::fabs(r.value / r.true_value - 1), 1e-3) << r.key;
  }

  // Workings: five tables of N2O5 remaining and the Arrhenius plot.
  ASSERT_EQ(sheet.workings.size(), 6u);
  const Workings& hot = sheet.workings[4];
  ASSERT_EQ(hot.columns.size(), 6u);
  EXPECT_EQ(hot.columns[3].heading, "p(N2O5)");
  EXPECT_EQ(hot.columns[0].values.size(), 10u);
  double in_fit = 0;
  for (double u : hot.columns[5].values) in_fit += u;
  EXPECT_EQ(in_fit, 4.0);  // Python: 4 of 10 rows above 2 % of p0
  EXPECT_NEAR(sheet.workings[5].columns[0].values[0], 298.15, 1e-12);
}

TEST(FirstOrderAnswers, AnEditedPressureMovesOnlyItsRateConstant) {
  const labcore::Program& program = *labcore::find_program("first_order_gen");
  const auto ds = labtest::data_set(program, 12345, 67890);
  const AnswerSheet before = answer_sheet(program, ds.text, ds.key, "Jane Doe", 12345, 67890);
  std::string text = ds.text;
  // At 45 °C the first row: a higher total pressure means more N2O5 gone.
  const auto at = text.find("\"temp = \", 45.0");
  const auto row = text.find("    1.0,", at);
  ASSERT_NE(row, std::string::npos);
  const auto end = text.find('\n', row);
  const double old_p = std::stod(text.substr(row + 8, end - row - 8));
  char line[32];
  std::snprintf(line, sizeof line, "    1.0,%7.1f", old_p + 5.0);
  text.replace(row, end - row, line);
  const AnswerSheet after = answer_sheet(program, text, ds.key, "Jane Doe", 12345, 67890);
  EXPECT_EQ(after.find("k(1)")->value, before.find("k(1)")->value);
  EXPECT_EQ(after.find("k(2)")->value, before.find("k(2)")->value);
  EXPECT_GT(after.find("k(3)")->value, before.find("k(3)")->value);
  EXPECT_NE(after.find("Ea")->value, before.find("Ea")->value);
}

// At 45 °C the last two rows (90 and 100 min) read the final pressure,
// 417.6: no N2O5 is left, so p is 0 and ln(p/p0) has no value, where the
// difference p0 − D/(1/2 + β) would leave only rounding (about 1e-14). The
// row before (80 min, 417.5) keeps a small, well-defined remainder; Python,
// by the textbook quadratic formula: p0 = 212.10127648412077,
// p = 0.12402854073408776, ln(p/p0) = −7.444307452516337.
TEST(FirstOrderAnswers, RowsAtTheFinalPressureHaveNoN2O5Left) {
  const labcore::Program& program = *labcore::find_program("first_order_gen");
  const auto ds = labtest::data_set(program, 12345, 67890);
  const AnswerSheet sheet = answer_sheet(program, ds.text, ds.key, "Jane Doe", 12345, 67890);
  const Workings& at45 = sheet.workings.at(2);
  const std::vector<double>& t = at45.columns.at(0).values;
  const std::vector<double>& p = at45.columns.at(3).values;
  const std::vector<double>& ln_ratio = at45.columns.at(4).values;
  const std::vector<double>& used = at45.columns.at(5).values;
  const std::size_t n = t.size();
  ASSERT_GE(n, 3u);
  ASSERT_EQ(t[n - 1], 100.0);
  for (std::size_t r = n - 2; r < n; ++r) {
    EXPECT_EQ(p[r], 0.0) << t[r];
    EXPECT_TRUE(std::isnan(ln_ratio[r])) << t[r];
    EXPECT_EQ(used[r], 0.0) << t[r];
  }
  EXPECT_NEAR(p[n - 3], 0.12402854073408776, 1e-9);
  EXPECT_NEAR(ln_ratio[n - 3], -7.444307452516337, 1e-9);
}

}  // namespace
