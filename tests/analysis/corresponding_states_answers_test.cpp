// The answer sheet of corresponding_states_gen for seeds 12345 67890 against
// numpy (tests/data/answers/corresponding_states_gen.py: np.polyfit lines
// and its own Gauss-Newton fit of Guggenheim's curve), and the known,
// constant bias of both routes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
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
      {"Tc(rd)", 538.3891651355592, 3.0791453625627003, 1e-10},
      {"dc(rd)", 0.48483816340239944, 0.003456314269914922, 1e-10},
      {"Tc(cs)", 539.4482756044267, 1.0064665934186292, 1e-8},  // fits stopped at a tolerance
      {"dc(cs)", 0.5007712973909528, 0.003729631969807173, 1e-8},
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
  EXPECT_NEAR(sheet.find("dc(cs)")->value / 0.48589935051344557, 1.0306, 2e-4);
  const Workings& w = sheet.workings.at(0);
  EXPECT_DOUBLE_EQ(w.columns[0].values[0], 45.85 + 273.15);
  EXPECT_DOUBLE_EQ(w.columns[1].values[0], (1.316803 + 0.005180) / 2);
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
