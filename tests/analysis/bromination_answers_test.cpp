// The answer sheet of bromination_gen for seeds 12345 67890 against numpy
// (tests/data/answers/bromination_gen.py: np.polyfit lines, the pooled
// bromine order's normal equations solved exactly in rational numbers;
// ε·l = 160 L/mol, as the handout gives it, in both), its other routes and
// null answers, and the grading of the orders.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/answers_support.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;
using answers_test::alternative;

const labcore::Program& program() { return *labcore::find_program("bromination_gen"); }

AnswerSheet sheet_of(const std::string& text, const labtest::DataSet& ds) {
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

TEST(BrominationAnswers, Seeds12345And67890AgainstAnIndependentCalculation) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  ASSERT_EQ(ds.text, labtest::read_file(labtest::expected_dir() / "bromination_gen" / "12345_67890.csv"));
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  struct {
    const char* key;
    double value, u;
  } const python[] = {
      {"rate(1)", 7.82525252525253e-06, 3.8573869486178834e-10},
      {"rate(2)", 1.2493055555555562e-05, 7.684490766284602e-10},
      {"rate(3)", 1.609722222222222e-05, 0.0},  // exactly linear to the written digits: u at rounding level
      {"rate(4)", 2.1384722222222216e-05, 2.4056261216236213e-09},
      {"rate(5)", 8.731944444444451e-06, 5.249506569573962e-10},
      {"rate(6)", 1.165525793650794e-05, 8.591521862945002e-10},
      {"rate(7)", 1.7030555555555557e-05, 1.6037507477487847e-09},
      {"rate(8)", 1.947916666666666e-05, 1.3888888888895075e-09},
      {"order(H+)", 1.076541133608129, 0.043762950052567556},
      {"order(ketone)", 0.9141661596601575, 0.08888534951384161},
      {"order(Br2)", -2.4732809627294643e-05, 0.00010582818534818768},
      {"k", 5.122306021524772e-05, 8.512648344197278e-07},
  };
  ASSERT_EQ(sheet.results.size(), std::size(python));
  for (const auto& e : python) {
    const Result* r = sheet.find(e.key);
    ASSERT_NE(r, nullptr) << e.key;
    // order(Br2) is a small difference of large numbers, yet the runs'
    // lines projected out keep it to 1e-9 of itself.
    EXPECT_NEAR(r->value, e.value, 1e-9 * std::fabs(e.value)) << e.key;
    if (e.u > 0) {
      EXPECT_NEAR(r->uncertainty, e.u, 1e-5 * e.u) << e.key;
    }
    EXPECT_LE(std::fabs(r->value - r->true_value), r->tolerance) << e.key << " should grade as right";
  }
  // True k: the mean of the eight keff(i) of the key, not kref.
  EXPECT_NE(sheet.find("k")->true_value, labtest::hidden(ds, "kref"));
  EXPECT_EQ(sheet.find("order(Br2)")->true_value, 0.0);
}

TEST(BrominationAnswers, AFasterRunRaisesItsRateAndTheAcidOrder) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet before = sheet_of(ds.text, ds);
  std::string text = ds.text;
  // Run 4's last reading lowered: a steeper line, a faster run 4, and a
  // steeper ln rate against ln [H+]; the ketone series does not use run 4.
  const auto at = text.find(" 0.1279,");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 8, " 0.1179,");
  const AnswerSheet after = sheet_of(text, ds);
  EXPECT_GT(after.find("rate(4)")->value, before.find("rate(4)")->value);
  EXPECT_GT(after.find("order(H+)")->value, before.find("order(H+)")->value);
  EXPECT_DOUBLE_EQ(after.find("order(ketone)")->value, before.find("order(ketone)")->value);
  // A bent run shows in the bromine order: its last point low means the
  // rate grows as bromine falls, a negative order.
  EXPECT_LT(after.find("order(Br2)")->value, before.find("order(Br2)")->value);
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find("abs,run,")), ds), AnalysisError);
}

// The routes and null answers from their textbook definitions in numpy
// (the same script): a rate from the first and last reading alone, and the
// initial rate of a student who takes bromine for first order; the orders
// of the end runs of a series and the mean of the pairwise orders; the
// bromine order from the two halves of each run; k through the origin,
// with the acid left out and with the stock molarities.
TEST(BrominationAnswers, RoutesAndNullAnswersAgainstPython) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  const struct {
    const char* key;
    double two_readings, first_order;
  } rates[] = {
      {"rate(1)", 7.825e-06, 1.7751535119689787e-05},           {"rate(2)", 1.2493055555555557e-05, 2.8411133826006876e-05},
      {"rate(3)", 1.6097222222222223e-05, 3.9593794481942405e-05}, {"rate(4)", 2.138425925925926e-05, 4.4635242884563694e-05},
      {"rate(5)", 8.73263888888889e-06, 1.8978061140085423e-05},  {"rate(6)", 1.1655092592592594e-05, 2.2869740645900456e-05},
      {"rate(7)", 1.7031249999999997e-05, 3.160380347706308e-05}, {"rate(8)", 1.9479166666666668e-05, 4.5749345142671095e-05},
  };
  for (const auto& e : rates) {
    const Result& r = *sheet.find(e.key);
    EXPECT_NEAR(alternative(r, "first and last reading"), e.two_readings, 1e-12 * e.two_readings) << e.key;
    EXPECT_NEAR(alternative(r, "first order in bromine: −slope of ln A against t × [Br2]0"), e.first_order,
                1e-10 * e.first_order)
        << e.key;
  }
  const Result& acid = *sheet.find("order(H+)");
  EXPECT_NEAR(alternative(acid, "runs 1 and 4 alone"), 1.0971634981620904, 1e-12);
  EXPECT_NEAR(alternative(acid, "mean of the pairwise orders against run 1"), 1.0971815149530242, 1e-12);
  const Result& ketone = *sheet.find("order(ketone)");
  EXPECT_NEAR(alternative(ketone, "runs 5 and 8 alone"), 0.8756581444043594, 1e-12);
  EXPECT_NEAR(alternative(ketone, "mean of the pairwise orders against run 5"), 0.8505338588530291, 1e-12);
  // A ratio of two slopes that agree to 1e-4: its logarithm keeps 1e-8 of itself.
  EXPECT_NEAR(alternative(*sheet.find("order(Br2)"), "slopes of the first and second half of each run"),
              -8.134741627260282e-05, 1e-12);
  const Result& k = *sheet.find("k");
  EXPECT_NEAR(alternative(k, "slope of rate against [H+]·[ketone] through the origin"), 5.1202533561474526e-05,
              1e-17);
  EXPECT_NEAR(alternative(k, "acid left out: mean of rate/[ketone]"), 1.415770521434584e-05, 1e-18);
  EXPECT_NEAR(alternative(k, "stock molarities for the run's concentrations"), 3.584286785263348e-06, 1e-19);
  for (const Result& r : sheet.results) {
    for (const Alternative& a : r.routes) EXPECT_TRUE(full_credit(r, a.value)) << r.key << ": " << a.name;
    for (const Alternative& a : r.nulls) EXPECT_FALSE(full_credit(r, a.value)) << r.key << ": " << a.name;
  }
}

// The data sets of issue 21 where the law's whole-number order failed: the
// data's order with a small uncertainty (a tight fit of scattered runs, or
// the bromine order at the level of the readings' rounding) left no room
// for it under the rule of 2 % or 3 uncertainties. Now the whole number
// gets full credit, an order is graded to ±0.1 at least, and the order a
// student reports who finds no dependence still fails.
TEST(BrominationAnswers, TheLawsWholeNumberOrderGetsFullCredit) {
  const struct {
    int seed1, seed2;
    const char* key;
    double whole, null;
  } cases[] = {
      {2147481751, 2147483183, "order(Br2)", 0.0, 1.0},  // 0.000271 ± 0.000264
      {405, 667, "order(H+)", 1.0, 0.0},                 // 1.0794 ± 0.0216
      {461060839, 80521325, "order(H+)", 1.0, 0.0},      // 0.7880 ± 0.1275
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.seed1) + " " + std::to_string(c.seed2));
    const auto ds = labtest::data_set(program(), c.seed1, c.seed2);
    const AnswerSheet sheet = answer_sheet(program(), ds.text, ds.key, "Jane Doe", c.seed1, c.seed2);
    const Result& r = *sheet.find(c.key);
    EXPECT_GT(std::fabs(c.whole - r.value), std::fmax(0.02 * std::fabs(r.value), 3 * r.uncertainty));
    EXPECT_TRUE(full_credit(r, c.whole));
    EXPECT_TRUE(full_credit(r, r.value + 0.099));
    EXPECT_FALSE(full_credit(r, c.null));
  }
}

// ε·l, which the sheet's rates divide by, is the handout's constant.
TEST(BrominationAnswers, TheHandoutGivesEpsilon) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  const Handout& h = find_analysis("bromination_gen")->handout();
  ASSERT_EQ(h.constants.size(), 1u);
  EXPECT_EQ(h.constants[0].value, 160.0);
  EXPECT_EQ(h.constants[0].unit, "L/mol");
  // rate(1) is −slope/(ε·l): python's slope −0.00125204040404... / 160.
  EXPECT_NEAR(sheet.find("rate(1)")->value * h.constants[0].value, 7.82525252525253e-06 * 160, 1e-15);
}

}  // namespace
