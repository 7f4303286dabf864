// The answer sheet of vapor_activity_gen for seeds 12345 67890 against numbers
// worked out with numpy from the data set file
// (tests/data/answers/vapor_activity_gen.py), and data sets edited by hand.
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

const labcore::Program& program() { return *labcore::find_program("vapor_activity_gen"); }

AnswerSheet sheet_of(const std::string& text, const labtest::DataSet& ds) {
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

double value_of(const AnswerSheet& sheet, const std::string& key) {
  const Result* r = sheet.find(key);
  EXPECT_NE(r, nullptr) << key;
  return r ? r->value : not_a_number;
}

std::string edited(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(VaporActivityAnswers, Seeds12345And67890AgainstNumpy) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  ASSERT_EQ(ds.text, labtest::read_file(labtest::expected_dir() / "vapor_activity_gen" / "12345_67890.csv"));
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  ASSERT_EQ(sheet.results.size(), 30u);

  // numpy: as = 1 - mR, phi = -ln(as)/(2 m 0.018015), polyfit of degree 4
  // of (phi-1)/m^0.5 against m^0.5, polyint, ln g = (phi-1) + 2 integral.
  const char* molality[] = {"0.1", "0.2", "0.3", "0.5", "0.7", "1", "1.5", "2", "3", "4"};
  const double as[] = {0.996691, 0.99353, 0.990442, 0.984375, 0.978377, 0.96938, 0.954145, 0.93836, 0.90445, 0.8668};
  const double phi[] = {0.9199241876, 0.9007800681, 0.8885161294, 0.8741802369, 0.8667460709,
                        0.8631303664, 0.8685285867, 0.8828977005, 0.9291169843, 0.9918610139};
  const double g[] = {0.7644041552, 0.704698303, 0.6668973286, 0.6187231977, 0.5880066438,
                      0.5583196858, 0.5313196002, 0.5198203621, 0.52339764,   0.5507382929};
  for (int i = 0; i < 10; ++i) {
    const std::string m = molality[i];
    EXPECT_NEAR(value_of(sheet, "as(" + m + ")"), as[i], 1e-12) << m;
    EXPECT_NEAR(value_of(sheet, "phi(" + m + ")"), phi[i], 1e-9) << m;
    EXPECT_NEAR(value_of(sheet, "g(" + m + ")"), g[i], 1e-9) << m;
  }
  for (const auto& r : sheet.results)
    EXPECT_LE(std::fabs(r.value - r.true_value), r.tolerance) << r.key << " should grade as right";

  // The workings: the quartic's coefficients in the heading's order
  // (m^2 first), and the Debye-Hueckel family at m = 0.1 (A = 0.511).
  ASSERT_EQ(sheet.workings.size(), 2u);
  const double quartic[] = {-0.0254162739, 0.1455397117, -0.2999772666, 0.3948388367, -0.351705636};
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(sheet.workings[1].columns[k].values[0], quartic[k], 1e-9) << k;
  const auto& table = sheet.workings[0].columns;
  EXPECT_EQ(table[15].heading, "g,DH");
  EXPECT_NEAR(table[15].values[0], 0.6892989415, 1e-9);
  EXPECT_NEAR(table[17].values[0], 0.7537558218, 1e-9);
  EXPECT_NEAR(table[19].values[0], 0.7808375309, 1e-9);
  EXPECT_NEAR(table[10].values[9], -0.294178282, 1e-9);  // the integral up to m = 4
}

TEST(VaporActivityAnswers, AGreaterLoweringRaisesPhiAndG) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet base = sheet_of(ds.text, ds);
  const AnswerSheet sheet = sheet_of(edited(ds.text, " 1.0000,,   0.03062,", " 1.0000,,   0.03162,"), ds);
  // Python: -ln(1 - 0.03162)/(2 * 0.018015).
  EXPECT_NEAR(value_of(sheet, "phi(1)"), 0.8917764850, 1e-9);
  EXPECT_NEAR(value_of(sheet, "phi(0.5)"), value_of(base, "phi(0.5)"), 1e-15);
  EXPECT_GT(value_of(sheet, "g(1)"), value_of(base, "g(1)"));
  // The fit's true values do not depend on the written numbers.
  EXPECT_EQ(sheet.find("g(1)")->true_value, base.find("g(1)")->true_value);
}

// The routes and null answers from their textbook definitions in numpy
// (the same script): phi with M1 = 0.018 kg/mol; g from a cubic and a
// quintic fit of the integrand and by the trapezoid rule over the points;
// g with the integral left out, exp(phi - 1).
TEST(VaporActivityAnswers, RoutesAndNullAnswersAgainstNumpy) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  const char* molality[] = {"0.1", "0.2", "0.3", "0.5", "0.7", "1", "1.5", "2", "3", "4"};
  const double phi_018[] = {0.9206907911, 0.9015307181, 0.8892565595, 0.8749087205, 0.8674683593,
                            0.8638496417, 0.8692523605, 0.8836334486, 0.9298912485, 0.9926875647};
  const double cubic[] = {0.7690372958, 0.7089882065, 0.6707935532, 0.6221057064, 0.5911754696,
                          0.5614651337, 0.534648577,  0.5232277844, 0.5264023872, 0.553501447};
  const double quintic[] = {0.7602245968, 0.7008970669, 0.6633899203, 0.6154971167, 0.5848661568,
                            0.5552253605, 0.5283690554, 0.5170698342, 0.5206806873, 0.5476104025};
  const double trapezoid[] = {0.7678441232, 0.7078366139, 0.66994292,   0.6214498657, 0.590479597,
                              0.560566633,  0.5335005678, 0.5220700724, 0.5256815883, 0.5530141868};
  const double no_integral[] = {0.9230463653, 0.9055435282, 0.8945058191, 0.8817737606, 0.8752428142,
                                0.8720839092, 0.8768043397, 0.8894941937, 0.9315708649, 0.9918940457};
  const double lowering[] = {0.003309, 0.00647, 0.009558, 0.015625, 0.021623,
                             0.03062,  0.045855, 0.06164, 0.09555, 0.1332};
  for (int i = 0; i < 10; ++i) {
    const std::string m = molality[i];
    const Result& phi = *sheet.find("phi(" + m + ")");
    EXPECT_NEAR(alternative(phi, "M1 = 0.018 kg/mol"), phi_018[i], 1e-9) << m;
    EXPECT_EQ(phi.tolerance, 0.002) << m;
    const Result& g = *sheet.find("g(" + m + ")");
    EXPECT_NEAR(alternative(g, "a cubic fit of (phi-1)/m^0.5"), cubic[i], 1e-9) << m;
    EXPECT_NEAR(alternative(g, "a quintic fit of (phi-1)/m^0.5"), quintic[i], 1e-9) << m;
    EXPECT_NEAR(alternative(g, "trapezoid rule, extrapolated linearly to m = 0"), trapezoid[i], 1e-9) << m;
    EXPECT_NEAR(alternative(g, "the integral left out: ln g = phi - 1"), no_integral[i], 1e-9) << m;
    // as graded on its lowering: 2 % of 1 - as = mR.
    EXPECT_NEAR(sheet.find("as(" + m + ")")->tolerance, 0.02 * lowering[i], 1e-15) << m;
  }
  for (const Result& r : sheet.results) {
    for (const Alternative& a : r.routes) EXPECT_LE(std::fabs(a.value - r.value), r.tolerance) << r.key << ": " << a.name;
    for (const Alternative& a : r.nulls) EXPECT_GT(std::fabs(a.value - r.value), r.tolerance) << r.key << ": " << a.name;
  }
}

// Issue 21: as = 1, the solute left out, passed at m = 0.1 to 0.5 for
// every seed (as is 0.997 there, within 2 % of 1). Graded on its lowering
// it fails at every molality, and 4-decimal rounding of as still passes.
TEST(VaporActivityAnswers, TheSoluteLeftOutFailsTheWatersActivity) {
  for (const auto& [s1, s2] : {std::pair{12345, 67890}, std::pair{1, 2}, std::pair{2147483646, 2147000001}}) {
    const auto ds = labtest::data_set(program(), s1, s2);
    const AnswerSheet sheet = answer_sheet(program(), ds.text, ds.key, "Jane Doe", s1, s2);
    for (const Result& r : sheet.results) {
      if (r.key.rfind("as(", 0) != 0) continue;
      EXPECT_GT(std::fabs(1.0 - r.value), r.tolerance) << s1 << " " << s2 << " " << r.key;
      EXPECT_LE(std::fabs(std::round(r.value * 1e4) / 1e4 - r.value), r.tolerance) << s1 << " " << s2 << " " << r.key;
    }
  }
}

TEST(VaporActivityAnswers, TooFewRowsForTheQuarticAreReported) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find(" 0.7000,,")), ds), AnalysisError);
}

}  // namespace
