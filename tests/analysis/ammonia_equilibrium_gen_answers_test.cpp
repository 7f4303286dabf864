// The answer sheet of ammonia_equilibrium_gen for seeds 12345 67890 against
// numbers worked out with numpy from the committed data set
// (tests/data/answers/ammonia_equilibrium_gen.py), and its response to
// edited data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/answers_support.hpp"

namespace {

using namespace answers_test;
const std::string program = "ammonia_equilibrium_gen";

const analysis::Workings& table(const analysis::AnswerSheet& sheet, const std::string& title) {
  for (const analysis::Workings& w : sheet.workings)
    if (w.title == title) return w;
  throw std::runtime_error("no table " + title);
}

TEST(AmmoniaEquilibriumAnswers, Seeds12345And67890AgainstNumpy) {
  const analysis::AnswerSheet sheet = sheet_of(program, expected_text(program));
  ASSERT_EQ(sheet.results.size(), 3u);
  const struct {
    const char* key;
    double value, u, true_value;
  } expected[] = {
      {"Keq(1)", 1.823511162, 1.67566e-05, 1.8234625890790106},
      {"Keq(2)", 0.2798052701, 3.57923e-06, 0.27980701049669654},
      {"dH", -41704.8792, 0.350436, -41704.79315300818},
  };
  for (const auto& e : expected) {
    const analysis::Result& r = result(sheet, e.key);
    EXPECT_NEAR(r.value, e.value, 1e-9 * std::fabs(e.value)) << e.key;
    EXPECT_NEAR(r.uncertainty, e.u, 1e-4 * e.u) << e.key;
    EXPECT_NEAR(r.true_value, e.true_value, 1e-10 * std::fabs(e.true_value)) << e.key;
    EXPECT_LE(std::fabs(r.value - r.true_value), r.tolerance) << e.key;
  }

  // Component A at the lower temperature: alpha and the integral at
  // 10 atm and 500 atm, gamma at 500 atm (numpy polyfit and polyint).
  const analysis::Workings& a = table(sheet, "T = 254.40 C, component A");
  ASSERT_EQ(a.columns.size(), 7u);
  EXPECT_EQ(a.columns[3].heading, "alpha");
  EXPECT_NEAR(a.columns[3].values.at(0), -20.141302, 1e-6);
  EXPECT_NEAR(a.columns[4].values.at(0), -201.846297, 1e-5);
  EXPECT_NEAR(a.columns[4].values.at(19), -4531.092372, 1e-5);
  EXPECT_NEAR(a.columns[6].values.at(19), 0.9006218969, 1e-9);
  const analysis::Workings& c = table(sheet, "T = 383.94 C, component C");
  EXPECT_NEAR(c.columns[6].values.at(19), 1.0811278570, 1e-9);
  const analysis::Workings& k = table(sheet, "T = 383.94 C, Keq from Kp");
  EXPECT_NEAR(k.columns[3].values.at(0), 0.2798095489, 1e-9);
  EXPECT_NEAR(k.columns[3].values.at(19), 0.2797957771, 1e-9);
}

// The other routes to K, against tests/data/answers/ammonia_equilibrium_gen.py
// (numpy, scipy least_squares for van der Waals), and the null answer: Kp
// itself, which the sheet's 2 % once let pass for all three results.
TEST(AmmoniaEquilibriumAnswers, RoutesPassAndKpWithoutFugacityCorrectionFails) {
  const analysis::AnswerSheet sheet = sheet_of(program, expected_text(program));
  const analysis::Result& k1 = result(sheet, "Keq(1)");
  const analysis::Result& k2 = result(sheet, "Keq(2)");
  const analysis::Result& dh = result(sheet, "dH");
  // 0.15 % of each K; dH 0.1 % of |dH|, above 0.001 R/(1/T1 - 1/T2) = 22.25.
  EXPECT_NEAR(k1.tolerance, 0.0015 * 1.823511162, 1e-9);
  EXPECT_NEAR(k2.tolerance, 0.0015 * 0.2798052701, 1e-10);
  EXPECT_NEAR(dh.tolerance, 41.7048792, 1e-6);
  const struct {
    const char* name;
    double k1, k2, dh;
    double rel;  // the van der Waals fit stops short of the last digits
  } routes[] = {
      {"fugacity integral by a polynomial of degree 3", 1.823442586, 0.2798012541, -41704.36181, 1e-9},
      {"fugacity integral by a polynomial of degree 5", 1.823520525, 0.2798074951, -41704.81651, 1e-9},
      {"fugacity integral by the trapezoid rule", 1.823529522, 0.2798138085, -41704.42427, 1e-9},
      {"van der Waals", 1.823055948, 0.2797326002, -41705.10353, 1e-8},
      {"R = 82.06", 1.823701024, 0.2798346143, -41704.86241, 1e-9},
      {"T(K) = t + 273", 1.821767625, 0.2795889119, -41679.43268, 1e-9},
      {"K as the limit of Kp at P = 0", 1.823544167, 0.279811, -41704.82627, 1e-9},
  };
  for (const auto& r : routes) {
    EXPECT_NEAR(alternative(k1, r.name), r.k1, r.rel * r.k1) << r.name;
    EXPECT_NEAR(alternative(k2, r.name), r.k2, r.rel * r.k2) << r.name;
    EXPECT_NEAR(alternative(dh, r.name), r.dh, r.rel * 1e2 * std::fabs(r.dh)) << r.name;
    EXPECT_TRUE(within(k1, r.k1) && within(k2, r.k2) && within(dh, r.dh)) << r.name;
  }
  const std::string null = "Kp taken for K";
  EXPECT_NEAR(alternative(k1, null), 1.7968205, 1e-9);
  EXPECT_NEAR(alternative(k2, null), 0.282556, 1e-9);
  EXPECT_NEAR(alternative(dh, null), -41159.14531, 1e-4);
  EXPECT_FALSE(within(k1, 1.7968205));
  EXPECT_FALSE(within(k2, 0.282556));
  EXPECT_FALSE(within(dh, -41159.14531));
}

TEST(AmmoniaEquilibriumAnswers, ALargerKpAtTheUpperTemperatureMakesTheReactionLessExothermic) {
  const std::string text = expected_text(program);
  const analysis::AnswerSheet before = sheet_of(program, text);
  // Every Kp of the upper temperature raised by 0.01.
  const analysis::AnswerSheet after = sheet_of(
      program, edited(text, text.find("Temperature ,  383.94"), "P(atm),Kp,", 20, 1, "%11.5f",
                      [](double kp) { return kp + 0.01; }));
  // numpy on the edited file: Keq(2) 0.289710048, dH -40930.89541 J/mol;
  // the lower temperature is untouched.
  EXPECT_EQ(result(after, "Keq(1)").value, result(before, "Keq(1)").value);
  EXPECT_NEAR(result(after, "Keq(2)").value, 0.289710048, 1e-9);
  EXPECT_NEAR(result(after, "dH").value, -40930.89541, 1e-4);
}

TEST(AmmoniaEquilibriumAnswers, AMissingTableIsReported) {
  const std::string text = expected_text(program);
  // The upper temperature's Kp table cut off.
  const std::size_t last_kp = text.find("P(atm),Kp,", text.find("P(atm),Kp,") + 1);
  EXPECT_THROW(sheet_of(program, text.substr(0, last_kp)), analysis::AnalysisError);
  // Only one temperature.
  EXPECT_THROW(sheet_of(program, text.substr(0, text.find("Temperature ,  383.94"))), analysis::AnalysisError);
}

}  // namespace
