// Answer sheet of the ternary liquid-liquid diagram: the worked example
// against a separate calculation, and edited readings moving the
// compositions the way the calibration says.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "analysis/answer_sheet.hpp"
#include "support/test_support.hpp"

extern const labcore::Program lle_ternary_gen;

namespace {

const analysis::Result& result(const analysis::AnswerSheet& sheet, std::string_view key) {
  for (const auto& r : sheet.results)
    if (r.key == key) return r;
  throw std::runtime_error("no result " + std::string(key));
}

analysis::AnswerSheet sheet_of(const labtest::DataSet& ds, const std::string& text) {
  return analysis::answer_sheet(lle_ternary_gen, text, ds.key, "Jane Doe", 12345, 67890);
}

TEST(LleTernaryAnswers, WorkedExampleMatchesIndependentCalculation) {
  const auto ds = labtest::data_set(lle_ternary_gen, 12345, 67890);
  const auto sheet = sheet_of(ds, ds.text);
  // From tests/data/answers/lle_ternary_gen.py: natural cubic splines
  // along the envelope written out in numpy, numpy's least-squares quartic.
  struct Expect {
    const char* key;
    double value, u;
  };
  const Expect expected[] = {
      {"B in A", 15.147, 2.88675e-05},        {"A in B", 14.0581, 2.88675e-05},
      {"plait A", 43.848216, 0.236426},       {"plait B", 17.762523, 0.282704},
      {"plait C", 38.389261, 0.154998},       {"C left(8)", 26.551922, 0.0916144},
      {"C right(8)", 41.791871, 0.0134118},   {"C left(9)", 30.91146, 0.070802},
      {"C right(9)", 44.841308, 0.00289452},  {"C left(10)", 33.578504, 0.0578192},
      {"C right(10)", 44.607784, 0.00569544}, {"C left(11)", 35.767284, 0.0477299},
      {"C right(11)", 42.963851, 0.016527},
  };
  for (const auto& e : expected) {
    const auto& r = result(sheet, e.key);
    EXPECT_NEAR(r.value, e.value, 5e-6) << e.key;
    EXPECT_NEAR(r.uncertainty, e.u, 2e-5 * e.u) << e.key;
    EXPECT_LE(std::abs(r.value - r.true_value), r.tolerance) << e.key;
  }
  // True values: the envelope's ends and the plait point of the hidden
  // model (C % = 2y/√3, A % = 100 − x − C %/2), the hidden tie-line ends.
  const double xp = labtest::hidden(ds, "xp"), yp = labtest::hidden(ds, "yp");
  const double plait_c = 2.0 * yp / std::sqrt(3.0);
  EXPECT_DOUBLE_EQ(result(sheet, "B in A").true_value, labtest::hidden(ds, "p"));
  EXPECT_DOUBLE_EQ(result(sheet, "A in B").true_value, 100.0 - labtest::hidden(ds, "q"));
  EXPECT_NEAR(result(sheet, "plait C").true_value, plait_c, 1e-12);
  EXPECT_NEAR(result(sheet, "plait A").true_value, 100.0 - xp - plait_c / 2.0, 1e-12);
  EXPECT_DOUBLE_EQ(result(sheet, "C left(9)").true_value, labtest::hidden(ds, "pctielc(9)"));
  EXPECT_DOUBLE_EQ(result(sheet, "C right(9)").true_value, labtest::hidden(ds, "pctierc(9)"));
  // The workings hold all eleven tie lines, both ends summing to 100 %.
  const auto& cols = sheet.workings.at(0).columns;
  ASSERT_EQ(cols.at(2).values.size(), 11u);
  for (std::size_t i = 0; i < 11; ++i)
    EXPECT_NEAR(cols[2].values[i] + cols[3].values[i] + cols[4].values[i], 100.0, 1e-9) << i;
}

TEST(LleTernaryAnswers, EditedReadingsMoveTheCompositions) {
  const auto ds = labtest::data_set(lle_ternary_gen, 12345, 67890);
  const auto base = sheet_of(ds, ds.text);
  const auto edited = [&](std::string_view from, std::string_view to) {
    std::string text = ds.text;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    return sheet_of(ds, text);
  };
  const auto value = [](const analysis::AnswerSheet& s, std::string_view key) { return result(s, key).value; };
  // A higher left R.I. lies further up the A-rich branch: more C there.
  // A lower right R.I. lies further up the B-rich branch: more C as well.
  const auto left = edited("    1.3688,,    1.3867,", "    1.3698,,    1.3867,");
  EXPECT_GT(value(left, "C left(10)"), value(base, "C left(10)"));
  EXPECT_EQ(value(left, "C right(10)"), value(base, "C right(10)"));
  const auto right = edited("    1.3671,,    1.3952,", "    1.3671,,    1.3942,");
  EXPECT_GT(value(right, "C right(9)"), value(base, "C right(9)"));
  // A different solubility limit is read straight off the envelope's end.
  const auto end = edited("   84.8530,   15.1470,", "   84.0000,   16.0000,");
  EXPECT_EQ(value(end, "B in A"), 16.0);
}

}  // namespace
