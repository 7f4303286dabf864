// The answer sheet of strong_electrolyte_gen for seeds 12345 67890 against
// numbers worked out with numpy from the committed data set
// (tests/data/answers/strong_electrolyte_gen.py), and its response to
// edited data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

const labcore::Program& program() { return *labcore::find_program("strong_electrolyte_gen"); }

std::string expected_text() {
  return labtest::read_file(labtest::expected_dir() / "strong_electrolyte_gen" / "12345_67890.csv");
}

AnswerSheet sheet_of(const std::string& text) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

const Result& result(const AnswerSheet& sheet, const char* key) {
  const Result* r = sheet.find(key);
  if (r == nullptr) throw std::runtime_error(std::string("no result ") + key);
  return *r;
}

struct Expected {
  const char* key;
  double value, u;
};

TEST(StrongElectrolyteAnswers, Seeds12345And67890AgainstNumpy) {
  const AnswerSheet sheet = sheet_of(expected_text());
  ASSERT_EQ(sheet.results.size(), 9u);
  const Expected expected[] = {
      {"t+(AX)", 0.5422539747, 2.88265e-05}, {"t+(BX)", 0.5587305839, 5.96382e-06},
      {"L0(AX)", 91.61774245, 0.0234822},    {"L0(BX)", 94.05560273, 0.0230598},
      {"L0(CX)", 109.1631423, 0.0240563},    {"l0(X-)", 42.24013928, 0.00624372},
      {"l0(A+)", 49.37760317, 0.0242981},    {"l0(B+)", 51.81546345, 0.0238901},
      {"l0(C+)", 66.92300306, 0.0248534},
  };
  for (const auto& e : expected) {
    const Result& r = result(sheet, e.key);
    EXPECT_NEAR(r.value, e.value, 1e-9 * e.value) << e.key;
    EXPECT_NEAR(r.uncertainty, e.u, 1e-5 * e.u) << e.key;
    EXPECT_LE(std::fabs(r.value - r.true_value), r.tolerance) << e.key;
  }
  // True values from the key.
  EXPECT_NEAR(result(sheet, "t+(AX)").true_value, 0.54224426, 1e-7);
  EXPECT_NEAR(result(sheet, "L0(CX)").true_value, 109.06931, 1e-4);
  EXPECT_NEAR(result(sheet, "l0(X-)").true_value, 42.1996, 1e-4);
  EXPECT_NEAR(result(sheet, "l0(B+)").true_value, 51.760254, 1e-5);
  // The solvent's conductance makes every Lambda high: the sheet says so.
  EXPECT_FALSE(result(sheet, "L0(AX)").bias.empty());
  EXPECT_GT(result(sheet, "L0(AX)").value, result(sheet, "L0(AX)").true_value);

  // Equivalent conductances of the first and last AX row: 1000/(rho c).
  for (const Workings& w : sheet.workings)
    if (w.title == "conductance of AX") {
      EXPECT_NEAR(w.columns.at(3).values.at(0), 84.42523301, 1e-7);
      EXPECT_NEAR(w.columns.at(3).values.at(4), 74.44907683, 1e-7);
    }
}

// Every time of the transference table of `compound` multiplied by 2.
std::string doubled_times(std::string text, const std::string& compound) {
  std::size_t at = text.find("dist(cm)", text.find("compound " + compound + ","));
  at = text.find('\n', at) + 1;
  for (int row = 0; row < 21; ++row) {
    const std::size_t start = text.find(',', at) + 1;
    const std::size_t end = text.find(',', start);
    char cell[16];
    std::snprintf(cell, sizeof cell, "%7.0f.", 2 * std::stod(text.substr(start, end - start)));
    text.replace(start, end - start, cell);
    at = text.find('\n', at) + 1;
  }
  return text;
}

// The anion's transference number of every AX row raised by 0.0100.
std::string raised_tc(std::string text) {
  std::size_t at = text.find("\n AX,\n");
  at = text.find('\n', at + 1) + 1;
  for (int row = 0; row < 5; ++row) {
    const std::size_t start = text.find(",,,", at) + 3;
    const std::size_t end = text.find(',', start);
    char cell[16];
    std::snprintf(cell, sizeof cell, "%8.4f", std::stod(text.substr(start, end - start)) + 0.01);
    text.replace(start, end - start, cell);
    at = text.find('\n', at) + 1;
  }
  return text;
}

TEST(StrongElectrolyteAnswers, EditedTimesAndTransferenceNumbersMoveTheRightResults) {
  const AnswerSheet before = sheet_of(expected_text());
  // A boundary twice as slow: half the cation transference number.
  const AnswerSheet slow = sheet_of(doubled_times(expected_text(), "BX"));
  EXPECT_NEAR(result(slow, "t+(BX)").value, result(before, "t+(BX)").value / 2, 1e-12);
  EXPECT_EQ(result(slow, "t+(AX)").value, result(before, "t+(AX)").value);

  // A larger anion share in AX raises the anion and lowers every cation
  // by the same amount; numpy on the edited file gives 42.5271564 and
  // 49.09058605, 66.63598594.
  const AnswerSheet more_x = sheet_of(raised_tc(expected_text()));
  EXPECT_EQ(result(more_x, "L0(AX)").value, result(before, "L0(AX)").value);
  EXPECT_NEAR(result(more_x, "l0(X-)").value, 42.5271564, 1e-7);
  EXPECT_NEAR(result(more_x, "l0(A+)").value, 49.09058605, 1e-7);
  EXPECT_NEAR(result(more_x, "l0(C+)").value, 66.63598594, 1e-7);
}

TEST(StrongElectrolyteAnswers, AMissingTableIsReported) {
  const std::string text = expected_text();
  EXPECT_THROW(sheet_of(text.substr(0, text.find(" CX,"))), AnalysisError);
  EXPECT_THROW(sheet_of(text.substr(0, text.find(" compound BX,"))), AnalysisError);
}

}  // namespace
