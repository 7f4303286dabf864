// Answer sheet of the third-law entropy: the worked example against a
// separate calculation, and edited data moving the sums as they should.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "analysis/answer_sheet.hpp"
#include "support/answers_support.hpp"
#include "support/test_support.hpp"

extern const labcore::Program third_law_gen;

namespace {

using answers_test::result;

analysis::AnswerSheet sheet_of(const labtest::DataSet& ds, const std::string& text) {
  return analysis::answer_sheet(third_law_gen, text, ds.key, "Jane Doe", 12345, 67890);
}

TEST(ThirdLawAnswers, WorkedExampleMatchesIndependentCalculation) {
  const auto ds = labtest::data_set(third_law_gen, 12345, 67890);
  const auto sheet = sheet_of(ds, ds.text);
  // From tests/data/answers/third_law_gen.py: np.trapz of Cp/T over the
  // written rows; true values by the closed-form integrals of the hidden
  // curves (the generator's answer key as the worked example lists it).
  struct Expect {
    const char* key;
    double value, u, true_value;
  };
  const Expect expected[] = {
      {"S(T0)", 0.6266666667, 0.00374383, 0.6203048667},
      {"dS(solid)", 97.8942408, 0.101628, 98.01360821},
      {"dS(fus)", 49.35645387, 0.0, 49.35719139},
      {"dS(liquid)", 12.8518467, 0.0396219, 12.88190663},
      {"S(liquid)", 160.729208, 0.109143, 160.8730111},
      {"dS(vap)", 122.3105148, 0.0, 122.3105115},
      {"dS(p)", -18.15464218, 0.0, -18.15464513},
      {"S°(gas)", 264.8850807, 0.109143, 265.0288775},
  };
  for (const auto& e : expected) {
    const auto& r = result(sheet, e.key);
    EXPECT_NEAR(r.value, e.value, 1e-8 * std::abs(e.value)) << e.key;
    EXPECT_NEAR(r.uncertainty, e.u, 1e-5 * e.u + 1e-12) << e.key;
    EXPECT_NEAR(r.true_value, e.true_value, 2e-6 * std::abs(e.true_value)) << e.key;
    EXPECT_LE(std::abs(r.value - r.true_value), r.tolerance) << e.key;
  }
  // The ln(T) column the data set leaves empty, first and last rows, and
  // the accumulated entropy ends at S(liquid).
  ASSERT_EQ(sheet.workings.size(), 1u);
  const auto& cols = sheet.workings[0].columns;
  ASSERT_EQ(cols[1].heading, "ln(T)");
  ASSERT_EQ(cols[1].values.size(), 40u);  // 36 solid rows and 4 liquid rows
  EXPECT_NEAR(cols[1].values.front(), 2.708050, 1e-6);
  EXPECT_NEAR(cols[1].values.back(), 5.697597, 1e-6);
  EXPECT_NEAR(cols.back().values.back(), 160.729208, 1e-6);
}

TEST(ThirdLawAnswers, EditedDataMoveTheSums) {
  const auto ds = labtest::data_set(third_law_gen, 12345, 67890);
  const auto base = sheet_of(ds, ds.text);
  const auto edited = [&](std::string_view from, std::string_view to) {
    std::string text = ds.text;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    return sheet_of(ds, text);
  };
  const auto delta = [&](const analysis::AnswerSheet& s, std::string_view key) {
    return result(s, key).value - result(base, key).value;
  };
  // A solid Cp raised by 10 at 150 K adds 10/150 × (one 10 K trapezoid
  // width) = 0.6667 J/(K·mol) to the solid integral and to both totals.
  const auto solid = edited(" 150.00,,     57.57", " 150.00,,     67.57");
  EXPECT_NEAR(delta(solid, "dS(solid)"), 10.0 / 150.0 * 10.0, 1e-9);
  EXPECT_NEAR(delta(solid, "S°(gas)"), 10.0 / 150.0 * 10.0, 1e-9);
  EXPECT_EQ(delta(solid, "dS(liquid)"), 0.0);
  // The lowest reading feeds the Debye term (1/3) and half a 5 K interval.
  const auto low = edited("  15.00,,      1.88", "  15.00,,      2.88");
  EXPECT_NEAR(delta(low, "S(T0)"), 1.0 / 3.0, 1e-12);
  EXPECT_NEAR(delta(low, "S(liquid)"), 1.0 / 3.0 + 0.5 * 5.0 / 15.0, 1e-9);
  // A vapor pressure ten times higher: R ln 10 more for the gas, nothing for the liquid.
  const auto vap = edited(",,  11264.64", ",, 112646.40");
  EXPECT_NEAR(delta(vap, "S°(gas)"), 8.314462618 * std::log(10.0), 1e-9);
  EXPECT_EQ(delta(vap, "S(liquid)"), 0.0);
  // Without the Fusion record the liquid rows cannot be told apart.
  std::string broken = ds.text;
  broken.replace(broken.find(" Fusion,"), 8, " Melted,");
  EXPECT_THROW(sheet_of(ds, broken), analysis::AnalysisError);
}

}  // namespace
