// The answer sheet of corresponding_states_gen for seeds 12345 67890 against
// numpy (tests/data/answers/corresponding_states_gen.py: np.polyfit lines,
// its own Gauss-Newton fit of Guggenheim's curve over the eight hottest
// rows, uncertainties by a numerical Jacobian over every written number with
// the variance of its rounding), and the known, constant bias of both routes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/answers_support.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

const labcore::Program& program() { return *labcore::find_program("corresponding_states_gen"); }

AnswerSheet sheet_of(const std::string& text, const labtest::DataSet& ds) {
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

TEST(CorrespondingStatesAnswers, Seeds12345And67890AgainstAnIndependentCalculation) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  ASSERT_EQ(ds.text, labtest::read_file(labtest::expected_dir() / "corresponding_states_gen" / "12345_67890.csv"));
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  struct {
    const char* key;
    double value, u, rel;
  } const python[] = {
      {"Tc(rd)", 538.3891651355592, 0.0010672951377389182, 1e-10},
      {"dc(rd)", 0.48483816340239944, 8.13004647091255e-08, 1e-10},
      // Eight Gauss-Newton steps against numpy's hundred: both settled to the last digits.
      {"Tc(cs)", 540.5461371287889, 0.0012386594482629762, 1e-12},
      {"dc(cs)", 0.4859332023950212, 1.4192847291679153e-06, 1e-12},
  };
  ASSERT_EQ(sheet.results.size(), std::size(python));
  for (const auto& e : python) {
    const Result* r = sheet.find(e.key);
    ASSERT_NE(r, nullptr) << e.key;
    EXPECT_NEAR(r->value, e.value, e.rel * e.value) << e.key;
    EXPECT_NEAR(r->uncertainty, e.u, 1e-4 * e.u) << e.key;
    EXPECT_FALSE(r->bias.empty()) << e.key;
  }
  // The bias, a fixed fraction of the hidden values: worked out from the
  // reduced correlations alone (numpy, the densities at the thirteen
  // reduced temperatures without any rounding).
  EXPECT_NEAR(sheet.find("Tc(rd)")->value / 531.6637721105575, 1.01265, 2e-4);
  const Workings& w = sheet.workings.at(0);
  EXPECT_DOUBLE_EQ(w.columns[0].values[0], 45.85 + 273.15);
  EXPECT_DOUBLE_EQ(w.columns[1].values[0], (1.316803 + 0.005180) / 2);
}

// Guggenheim's curve over every row put dc 3 % above the hidden value in
// every data set (0.50077 against 0.48590 here, by the same script), and a
// fit near the critical point, which lands within 0.3 %, failed. Over the
// eight hottest rows, as the handout prescribes, the sheet expects
// 0.48593, within 0.01 % of dc, and fits over seven or nine rows pass.
TEST(CorrespondingStatesAnswers, GuggenheimsCurveNearTcFindsTheCriticalDensity) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  const Result& dc = *sheet.find("dc(cs)");
  EXPECT_NEAR(dc.true_value, 0.48589935051344557, 1e-15);
  EXPECT_LT(std::fabs(dc.value / dc.true_value - 1.0), 1e-3);
  EXPECT_LE(std::fabs(dc.value - dc.true_value), dc.tolerance);
  EXPECT_GT(std::fabs(0.5007712973909528 - dc.value), dc.tolerance) << "the fit over every row is another method";

  const answers_test::AlternativeCheck checks[] = {
      {"Tc(rd)", "T = t + 273", 538.2391651355592, true},
      {"dc(rd)", "T = t + 273", 0.48483816340239977, true},
      {"dc(rd)", "the diameter read at Tc(cs)", 0.4830024125070566, true},
      {"Tc(cs)", "T = t + 273", 540.3924335783657, true},
      {"Tc(cs)", "Guggenheim's curve over the seven", 540.5222849720618, true},
      {"Tc(cs)", "Guggenheim's curve over the nine", 540.5550470651085, true},
      {"dc(cs)", "T = t + 273", 0.48592961191742295, true},
      {"dc(cs)", "Guggenheim's curve over the seven", 0.4856800354949471, true},
      {"dc(cs)", "Guggenheim's curve over the nine", 0.48694050055873966, true},
      {"Tc(rd)", "the hottest row", 530.07, false},
      {"dc(rd)", "the hottest row", 0.494156, false},
      {"Tc(cs)", "the hottest row", 530.07, false},
      {"dc(cs)", "the hottest row", 0.494156, false},
  };
  answers_test::expect_alternatives(sheet, checks, 1e-10);
}

TEST(CorrespondingStatesAnswers, ALowerVaporDensityNearTcRaisesTheDiameterAndTc) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet before = sheet_of(ds.text, ds);
  std::string text = ds.text;
  // The last row's vapor density lowered: a wider gap at the hottest point
  // pushes the zero of (dl − dv)³ up and lowers the mean density there.
  const auto at = text.find("0.262067");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 8, "0.242067");
  const AnswerSheet after = sheet_of(text, ds);
  EXPECT_GT(after.find("Tc(rd)")->value, before.find("Tc(rd)")->value);
  EXPECT_LT(after.find("dc(rd)")->value, before.find("dc(rd)")->value);
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find("Temp(C)")), ds), AnalysisError);
}

}  // namespace
