// Answer sheet of the third-law entropy: the worked example against a
// separate calculation, and edited data moving the sums as they should.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

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

// The integration rules a student may use and the answers that leave out a
// point of the experiment, against tests/data/answers/third_law_gen.py
// (numpy, scipy's natural CubicSpline): every route within the result's
// tolerance, every null answer outside it.
TEST(ThirdLawAnswers, RoutesPassAndNullAnswersFail) {
  const auto ds = labtest::data_set(third_law_gen, 12345, 67890);
  const auto sheet = sheet_of(ds, ds.text);
  const struct {
    const char* key;
    std::vector<double> routes, nulls;
  } expected[] = {
      {"S(T0)", {}, {0.0}},
      {"dS(solid)", {98.00666801, 98.03619361, 97.98293831}, {}},
      {"dS(liquid)", {12.8518467, 12.84979739, 12.8447199, 12.86261609}, {}},
      {"S(liquid)", {160.8416352, 160.8691115, 160.8107787}, {111.3727542}},
      {"dS(p)", {-18.26408534}, {0.0}},
      {"S°(gas)", {264.9975079, 265.0249842, 264.9666514, 264.7756375}, {283.0397229, 215.5286268, 160.729208}},
  };
  for (const auto& e : expected) {
    const auto& r = result(sheet, e.key);
    ASSERT_EQ(r.routes.size(), e.routes.size()) << e.key;
    ASSERT_EQ(r.nulls.size(), e.nulls.size()) << e.key;
    for (std::size_t k = 0; k < e.routes.size(); ++k) {
      EXPECT_NEAR(r.routes[k].value, e.routes[k], 1e-7 * std::abs(e.routes[k])) << e.key << " " << r.routes[k].name;
      EXPECT_LE(std::abs(r.routes[k].value - r.value), r.tolerance) << e.key << " " << r.routes[k].name;
    }
    for (std::size_t k = 0; k < e.nulls.size(); ++k) {
      EXPECT_NEAR(r.nulls[k].value, e.nulls[k], 1e-7 * std::abs(e.nulls[k]) + 1e-12) << e.key << " " << r.nulls[k].name;
      EXPECT_GT(std::abs(r.nulls[k].value - r.value), r.tolerance) << e.key << " " << r.nulls[k].name;
    }
  }
}

// A melting point that falls on a temperature of the grid stands three
// times in the table, twice among the liquid rows: the rules that need
// distinct temperatures (Simpson's, the spline) merge the twins; the
// trapezoid's interval of no width adds nothing either way.
TEST(ThirdLawAnswers, AMeltingPointTwiceAmongTheLiquidRows) {
  const auto ds = labtest::data_set(third_law_gen, 12345, 67890);
  std::string text = ds.text;
  const std::string first_liquid = " Fusion,\n 271.62,,    138.45\n";
  ASSERT_NE(text.find(first_liquid), std::string::npos);
  text.replace(text.find(first_liquid), first_liquid.size(), first_liquid + " 271.62,,    138.45\n");
  const auto base = sheet_of(ds, ds.text), twice = sheet_of(ds, text);
  EXPECT_DOUBLE_EQ(result(twice, "dS(liquid)").value, result(base, "dS(liquid)").value);
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_NEAR(result(twice, "dS(liquid)").routes[k].value, result(base, "dS(liquid)").routes[k].value, 1e-12)
        << result(base, "dS(liquid)").routes[k].name;
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
