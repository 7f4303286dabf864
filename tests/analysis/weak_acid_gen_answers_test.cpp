// The answer sheet of weak_acid_gen for seeds 12345 67890 against numbers
// worked out with numpy from the committed data set
// (tests/data/answers/weak_acid_gen.py), and its response to edited data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/answers_support.hpp"

namespace {

using namespace answers_test;
const std::string program = "weak_acid_gen";

TEST(WeakAcidAnswers, Seeds12345And67890AgainstNumpy) {
  const analysis::AnswerSheet sheet = sheet_of(program, expected_text(program));
  ASSERT_EQ(sheet.results.size(), 5u);
  // key, numpy value and standard uncertainty, true value from the key.
  const struct {
    const char* key;
    double value, u, true_value;
  } expected[] = {
      {"L0(HX)", 401.4170368, 0.00139458, 401.41852},
      {"L0(MX)", 103.5708573, 0.00102513, 103.57124},
      {"L0(MY)", 85.48011647, 0.00118556, 85.480362},
      {"L0(HY)", 383.326296, 0.00209793, 383.32764},
      {"Ka", 1.021017937e-06, 4.74564e-10, 1.0210982e-06},
  };
  for (const auto& e : expected) {
    const analysis::Result& r = result(sheet, e.key);
    EXPECT_NEAR(r.value, e.value, 1e-9 * e.value) << e.key;
    EXPECT_NEAR(r.uncertainty, e.u, 1e-5 * e.u) << e.key;
    EXPECT_NEAR(r.true_value, e.true_value, 1e-7 * e.true_value) << e.key;
    EXPECT_LE(std::fabs(r.value - r.true_value), r.tolerance) << e.key;
  }

  // Rows 1, 8 and 15 of the weak acid's workings (numpy).
  const struct {
    std::size_t row;
    double delta, lambda_h, keq_dh, keq_davies;
  } rows[] = {
      {0, 0.168670945981, 382.994235458745, 1.021244888509e-06, 1.021260670227e-06},
      {7, 0.013088057916, 382.027649346662, 1.019921353826e-06, 1.020164748188e-06},
      {14, 0.002314466652, 380.217187153154, 1.020821693895e-06, 1.022244840060e-06},
  };
  for (const auto& e : rows) {
    EXPECT_NEAR(column(sheet, "weak acid HY", "delta").at(e.row), e.delta, 1e-9 * e.delta);
    EXPECT_NEAR(column(sheet, "weak acid HY", "Lambda_h").at(e.row), e.lambda_h, 1e-9);
    EXPECT_NEAR(column(sheet, "Debye-Hueckel", "Keq").at(e.row), e.keq_dh, 1e-9 * e.keq_dh);
    EXPECT_NEAR(column(sheet, "Davies -- 0.3", "Keq").at(e.row), e.keq_davies, 1e-9 * e.keq_davies);
  }
}

// The routes and null answers against tests/data/answers/weak_acid_gen.py;
// under the policy's 2 % the most dilute Lambda and the uncorrected ions'
// conductance (delta = Lambda/Lambda0) passed.
TEST(WeakAcidAnswers, RoutesPassAndNullAnswersFail) {
  const analysis::AnswerSheet sheet = sheet_of(program, expected_text(program));
  const struct {
    const char* key;
    double line, line5, quadratic, most_dilute;
  } limiting[] = {
      {"L0(HX)", 401.2976094, 401.3736198, 401.4142662, 400.35},
      {"L0(MX)", 103.5042335, 103.5485047, 103.568435, 102.98},
      {"L0(MY)", 85.41620836, 85.45873272, 85.4768449, 84.92},
      {"L0(HY)", 383.2095843, 383.2838478, 383.3226761, 382.29},
  };
  for (const auto& e : limiting) {
    const analysis::Result& r = result(sheet, e.key);
    EXPECT_NEAR(r.tolerance, 0.002 * r.value, 1e-12) << e.key;
    EXPECT_NEAR(alternative(r, "Kohlrausch: Lambda against root(c), straight line over every"), e.line, 1e-7);
    EXPECT_NEAR(alternative(r, "Kohlrausch: Lambda against root(c), straight line over the 5"), e.line5, 1e-7);
    EXPECT_NEAR(alternative(r, "Lambda against root(c), quadratic"), e.quadratic, 1e-7);
    EXPECT_NEAR(alternative(r, "Lambda at the most dilute"), e.most_dilute, 1e-9);
    EXPECT_TRUE(within(r, e.line) && within(r, e.line5) && within(r, e.quadratic)) << e.key;
    EXPECT_FALSE(within(r, e.most_dilute)) << e.key;
  }
  EXPECT_NEAR(alternative(result(sheet, "L0(HY)"), "HY's own"), 64.14383045, 1e-7);

  const analysis::Result& ka = result(sheet, "Ka");
  EXPECT_NEAR(ka.tolerance, 0.005 * 1.021017937e-06, 1e-15);
  const struct {
    const char* name;
    double value;
    bool passes;
  } routes[] = {
      {"Davies", 1.021421777e-06, true},
      {"delta after one step", 1.020999012e-06, true},
      {"log Kprime", 1.020611401e-06, true},
      {"Shedlovsky", 1.021806624e-06, true},
      {"mean over the rows without", 1.02073328e-06, true},
      {"no activity correction", 1.044799267e-06, false},
      {"delta = Lambda/Lambda0", 1.013462938e-06, false},
  };
  for (const auto& e : routes) {
    EXPECT_NEAR(alternative(ka, e.name), e.value, 1e-8 * e.value) << e.name;
    EXPECT_EQ(within(ka, e.value), e.passes) << e.name;
  }
}

// Every conductance of the strong table after `title` raised by 0.50.
std::string raised(const std::string& title) {
  const std::string text = expected_text(program);
  return edited(text, text.find(title), "conc,Lambda_c,", 14, 1, "%7.2f", [](double v) { return v + 0.5; });
}

TEST(WeakAcidAnswers, RaisedConductancesOfTheStrongAcidRaiseLambda0AndLowerKa) {
  const analysis::AnswerSheet before = sheet_of(program, expected_text(program));
  // numpy on the edited file: Lambda0 of HX and HY up by 0.5014471, Ka
  // down by the factor 0.99733898.
  const analysis::AnswerSheet after = sheet_of(program, raised("conductances of HX"));
  EXPECT_NEAR(result(after, "L0(HX)").value - result(before, "L0(HX)").value, 0.5014471, 1e-6);
  EXPECT_NEAR(result(after, "L0(HY)").value - result(before, "L0(HY)").value, 0.5014471, 1e-6);
  EXPECT_EQ(result(after, "L0(MX)").value, result(before, "L0(MX)").value);
  EXPECT_NEAR(result(after, "Ka").value / result(before, "Ka").value, 0.99733898, 1e-7);

  // MX enters Kohlrausch's law with the opposite sign.
  const analysis::AnswerSheet mx_up = sheet_of(program, raised("conductances of MX,"));
  EXPECT_LT(result(mx_up, "L0(HY)").value, result(before, "L0(HY)").value);
  EXPECT_GT(result(mx_up, "Ka").value, result(before, "Ka").value);
}

TEST(WeakAcidAnswers, AMissingTableIsReportedNotAnalysed) {
  const std::string text = expected_text(program);
  EXPECT_THROW(sheet_of(program, text.substr(0, text.find(" conductances of MY,"))), analysis::AnalysisError);
  // Only one row left in a strong table cannot determine two coefficients.
  const std::size_t first = text.find("0.1000E-03", text.find("conductances of MX,"));
  std::string cut = text;
  cut.erase(first, text.find(" .", first) - first);
  EXPECT_THROW(sheet_of(program, cut), analysis::AnalysisError);
}

}  // namespace
