// The answer sheet of bromination_gen for seeds 12345 67890 against numpy
// (tests/data/answers/bromination_gen.py: np.polyfit lines, np.linalg.lstsq
// for the pooled bromine order; ε·l = 160 L/mol assumed in both).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

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
      {"order(Br2)", -2.473280973063928e-05, 0.00010582818534821169},
      {"k", 5.122306021524772e-05, 8.512648344197278e-07},
  };
  ASSERT_EQ(sheet.results.size(), std::size(python));
  for (const auto& e : python) {
    const Result* r = sheet.find(e.key);
    ASSERT_NE(r, nullptr) << e.key;
    // order(Br2) is a small difference of large numbers: absolute check.
    EXPECT_NEAR(r->value, e.value, std::fmax(1e-9 * std::fabs(e.value), 1e-12)) << e.key;
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

}  // namespace
