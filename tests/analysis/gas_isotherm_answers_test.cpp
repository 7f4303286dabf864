// The answer sheet of gas_isotherm_gen for seeds 12345 67890 against the
// values worked out with numpy from the data set file alone
// (tests/data/answers/gas_isotherm_gen.py: its own flat-run search, its own
// Gauss-Newton fit with an analytic Jacobian, np.roots for the volumes).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

const labcore::Program& program() { return *labcore::find_program("gas_isotherm_gen"); }

AnswerSheet sheet_of(const std::string& text, const labtest::DataSet& ds) {
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

struct Expected {
  const char* key;
  double value, u;
};

// Output of gas_isotherm_gen.py on tests/data/expected/gas_isotherm_gen/12345_67890.csv.
constexpr Expected python[] = {
    {"Tc", 376.23365361679885, 0.0015155342414108963},   {"Pc", 83.42939233833852, 0.0010047071858968171},
    {"Vc", 96.48828146659007, 0.0004335476945534573},    {"Zc", 0.25733560181156867, 2.499185748954101e-06},
    {"a", 4948257.19876965, 39.798705936139534},         {"b", 46.868894542447826, 0.00044124196468027114},
    {"Pvap(1)", 57.55726692307693, 0.0017134843734990907}, {"Vl(1)", 59.941705545676456, 0.0006492545876199402},
    {"Vg(1)", 209.13027034330833, 0.01511158504172003},  {"Pvap(2)", 63.13746199999999, 0.0017814936305119518},
    {"Vl(2)", 62.9936123281689, 0.0009900765764657875},  {"Vg(2)", 184.75071337749463, 0.015059171131277192},
    {"Pvap(3)", 70.53191714285715, 0.0025034706521393254}, {"Vl(3)", 68.16207618906064, 0.002479910601865768},
    {"Vg(3)", 156.15326393153552, 0.022109342962520488}, {"Pvap(4)", 77.55691, 0.001126336243458836},
    {"Vl(4)", 75.74774360277968, 0.004573750066897187},  {"Vg(4)", 130.3841420813601, 0.01548777515512452},
    {"Pvap(5)", 82.57366666666667, 0.003123978944301753}, {"Vl(5)", 87.38551304443833, 0.08872855706618468},
    {"Vg(5)", 107.05667754449865, 0.1693224760612483},
};

TEST(GasIsothermAnswers, Seeds12345And67890AgainstAnIndependentCalculation) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  ASSERT_EQ(ds.text, labtest::read_file(labtest::expected_dir() / "gas_isotherm_gen" / "12345_67890.csv"));
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  // Five isotherms below Tc show a flat run; 6 to 9 lie above it.
  ASSERT_EQ(sheet.results.size(), std::size(python));
  for (const Expected& e : python) {
    const Result* r = sheet.find(e.key);
    ASSERT_NE(r, nullptr) << e.key;
    // Both fits stop at a tolerance: the values agree to 1e-8, their
    // uncertainties to the finite-difference gradients.
    EXPECT_NEAR(r->value, e.value, 1e-8 * std::fabs(e.value)) << e.key;
    EXPECT_NEAR(r->uncertainty, e.u, 1e-3 * e.u) << e.key;
    EXPECT_LE(std::fabs(r->value - r->true_value), r->tolerance) << e.key << " should grade as right";
  }
  // True values from the key: tc, pc and the volumes of the van der Waals
  // scale carried to the written one by zc·8/3.
  EXPECT_DOUBLE_EQ(sheet.find("Tc")->true_value, 376.231689453125);
  EXPECT_NEAR(sheet.find("Vc")->true_value, 0.2573343813419342 * 83.145 * 376.231689453125 / 83.42889404296875, 1e-9);
  EXPECT_NEAR(sheet.find("Vg(1)")->true_value, 304.75924682617188 * 0.2573343813419342 * 8 / 3, 1e-9);
}

TEST(GasIsothermAnswers, EditedPointsMoveTheirResults) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet before = sheet_of(ds.text, ds);
  std::string text = ds.text;
  // A tie-line point of isotherm 1 raised by 0.01 bar: the mean of its 13
  // flat points rises by 0.01/13, the gas volume where it meets the branch falls.
  const auto at = text.find(" 57.55954");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 9, " 57.56954");
  const AnswerSheet after = sheet_of(text, ds);
  EXPECT_NEAR(after.find("Pvap(1)")->value - before.find("Pvap(1)")->value, 0.01 / 13, 1e-9);
  EXPECT_LT(after.find("Vg(1)")->value, before.find("Vg(1)")->value);
  EXPECT_DOUBLE_EQ(after.find("Tc")->value, before.find("Tc")->value);  // not a point of the fit

  // Isotherms 6 to 9 removed: the supercritical side is gone, the fit
  // still stands on the single-phase branches below Tc.
  const std::string cut = ds.text.substr(0, ds.text.find("\"isotherm temperature:\",\n 383.666"));
  const AnswerSheet short_sheet = sheet_of(cut, ds);
  EXPECT_NEAR(short_sheet.find("Tc")->value, 376.23, 0.05);
  // Cut inside an isotherm's heading: reported, not guessed.
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find(" 383.666")), ds), AnalysisError);
}

TEST(GasIsothermAnswers, ADataSetWithoutIsothermsIsReported) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  EXPECT_THROW(sheet_of("\"Project BIMOS Student Data Set\",\n", ds), AnalysisError);
}

}  // namespace
