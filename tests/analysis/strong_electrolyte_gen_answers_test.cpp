// The answer sheet of strong_electrolyte_gen for seeds 12345 67890 against
// numbers worked out with numpy from the committed data set
// (tests/data/answers/strong_electrolyte_gen.py), and its response to
// edited data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/answers_support.hpp"

namespace {

using namespace answers_test;
const std::string program = "strong_electrolyte_gen";

TEST(StrongElectrolyteAnswers, Seeds12345And67890AgainstNumpy) {
  const analysis::AnswerSheet sheet = sheet_of(program, expected_text(program));
  ASSERT_EQ(sheet.results.size(), 9u);
  const struct {
    const char* key;
    double value, u;
  } expected[] = {
      {"t+(AX)", 0.5422539747, 2.88265e-05}, {"t+(BX)", 0.5587305839, 5.96382e-06},
      {"L0(AX)", 91.61774245, 0.0234822},    {"L0(BX)", 94.05560273, 0.0230598},
      {"L0(CX)", 109.1631423, 0.0240563},    {"l0(X-)", 42.24013928, 0.00624372},
      {"l0(A+)", 49.37760317, 0.0242981},    {"l0(B+)", 51.81546345, 0.0238901},
      {"l0(C+)", 66.92300306, 0.0248534},
  };
  for (const auto& e : expected) {
    const analysis::Result& r = result(sheet, e.key);
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
  const std::vector<double>& lambda = column(sheet, "conductance of AX", "equiv conductance");
  EXPECT_NEAR(lambda.at(0), 84.42523301, 1e-7);
  EXPECT_NEAR(lambda.at(4), 74.44907683, 1e-7);
}

// Routes and null answers against tests/data/answers/strong_electrolyte_gen.py;
// each route within the policy's 2 %, each null answer (no extrapolation)
// outside it.
TEST(StrongElectrolyteAnswers, RoutesPassAndUnextrapolatedValuesFail) {
  const analysis::AnswerSheet sheet = sheet_of(program, expected_text(program));
  const struct {
    const char* key;
    const char* route;
    double value;
  } routes[] = {
      {"t+(AX)", "1/slope of time against VCF/1000I with an intercept", 0.542306971},
      {"t+(AX)", "mean of (VCF/1000I)/time", 0.5421432479},
      {"t+(AX)", "(VCF/1000I)/time of the last row", 0.5423002887},
      {"t+(BX)", "1/slope of time against VCF/1000I with an intercept", 0.5587121321},
      {"t+(BX)", "mean of (VCF/1000I)/time", 0.5587675731},
      {"t+(BX)", "(VCF/1000I)/time of the last row", 0.5587090367},
      {"L0(AX)", "the solvent's conductance subtracted", 91.51811186},
      {"L0(AX)", "Lambda against sqrt(c), quadratic", 91.63433799},
      {"L0(CX)", "the solvent's conductance subtracted", 109.0635118},
      {"L0(CX)", "Lambda against sqrt(c), quadratic", 109.1858094},
      {"l0(X-)", "the solvent's conductance subtracted", 42.19749758},
      {"l0(X-)", "lambda' of AX alone", 42.24165289},
      {"l0(X-)", "t- carried to c = 0", 42.15237515},
      {"l0(A+)", "the solvent's conductance subtracted", 49.32061428},
      {"l0(B+)", "lambda0(X-) from AX alone", 51.81394984},
      {"l0(C+)", "(1 - t-) carried to c = 0", 67.13488427},
  };
  for (const auto& e : routes) {
    const analysis::Result& r = result(sheet, e.key);
    EXPECT_NEAR(alternative(r, e.route), e.value, 1e-9 * e.value) << e.key << ": " << e.route;
    EXPECT_TRUE(within(r, e.value)) << e.key << ": " << e.route;
  }
  const struct {
    const char* key;
    double value;
  } nulls[] = {{"L0(AX)", 84.42523301}, {"L0(BX)", 86.76789588}, {"L0(CX)", 101.5527414},
               {"l0(X-)", 38.69686762}, {"l0(A+)", 45.7247062},   {"l0(C+)", 62.86114694}};
  for (const auto& e : nulls) {
    const analysis::Result& r = result(sheet, e.key);
    ASSERT_EQ(r.nulls.size(), 1u) << e.key;
    EXPECT_NEAR(r.nulls[0].value, e.value, 1e-9 * e.value) << e.key;
    EXPECT_FALSE(within(r, e.value)) << e.key;
  }
}

TEST(StrongElectrolyteAnswers, EditedTimesAndTransferenceNumbersMoveTheRightResults) {
  const std::string text = expected_text(program);
  const analysis::AnswerSheet before = sheet_of(program, text);
  // A boundary twice as slow: half the cation transference number.
  const analysis::AnswerSheet slow = sheet_of(
      program, edited(text, text.find("compound BX,"), "dist(cm)", 21, 1, "%7.0f.", [](double t) { return 2 * t; }));
  EXPECT_NEAR(result(slow, "t+(BX)").value, result(before, "t+(BX)").value / 2, 1e-12);
  EXPECT_EQ(result(slow, "t+(AX)").value, result(before, "t+(AX)").value);

  // The anion's transference number of every AX row up by 0.0100 raises
  // the anion and lowers every cation by the same amount; numpy on the
  // edited file gives 42.5271564 and 49.09058605, 66.63598594.
  const analysis::AnswerSheet more_x =
      sheet_of(program, edited(text, 0, "\n AX,\n", 5, 4, "%8.4f", [](double t) { return t + 0.01; }));
  EXPECT_EQ(result(more_x, "L0(AX)").value, result(before, "L0(AX)").value);
  EXPECT_NEAR(result(more_x, "l0(X-)").value, 42.5271564, 1e-7);
  EXPECT_NEAR(result(more_x, "l0(A+)").value, 49.09058605, 1e-7);
  EXPECT_NEAR(result(more_x, "l0(C+)").value, 66.63598594, 1e-7);
}

TEST(StrongElectrolyteAnswers, AMissingTableIsReported) {
  const std::string text = expected_text(program);
  EXPECT_THROW(sheet_of(program, text.substr(0, text.find(" CX,"))), analysis::AnalysisError);
  EXPECT_THROW(sheet_of(program, text.substr(0, text.find(" compound BX,"))), analysis::AnalysisError);
}

}  // namespace
