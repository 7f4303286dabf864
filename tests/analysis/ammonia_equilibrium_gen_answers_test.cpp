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
