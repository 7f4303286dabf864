// The answer sheet of gas_mixture_volume_gen for seeds 12345 67890 against
// the values worked out with numpy from the data set file alone
// (tests/data/answers/gas_mixture_volume_gen.py: np.polyfit cubics, and the
// true values by differentiating the total volume of the van der Waals
// mixture numerically with respect to the amounts, np.roots for the cubic).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

const labcore::Program& program() { return *labcore::find_program("gas_mixture_volume_gen"); }

AnswerSheet sheet_of(const std::string& text, const labtest::DataSet& ds) {
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

struct Expected {
  const char* key;
  double value, u, true_value;
};

// Output of gas_mixture_volume_gen.py on tests/data/expected/gas_mixture_volume_gen/12345_67890.csv.
constexpr Expected python[] = {
    {"V1(30)", 752.8310572625052, 0.05960946894155785, 752.8971300928332},
    {"V2(30)", 813.7005379632391, 0.06550059059837467, 813.6152408326324},
    {"VE(30)", 5.662463725484193, 0.027773983149834213, 5.658549521787904},
    {"V1(75)", 259.88401572964335, 0.2604647299921601, 259.8551111333336},
    {"V2(75)", 326.38322201035, 0.286206100263353, 326.2524492669172},
    {"VE(75)", 9.486692606064485, 0.12135895773573956, 9.488051170888923},
    {"V1(125)", 129.85409390693408, 0.19115901769186164, 129.931948519868},
    {"V2(125)", 198.8330195637488, 0.2100509999392537, 198.49450800535348},
    {"VE(125)", 12.518821875142944, 0.08906718061048151, 12.437420088825235},
};

TEST(GasMixtureVolumeAnswers, Seeds12345And67890AgainstAnIndependentCalculation) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  ASSERT_EQ(ds.text, labtest::read_file(labtest::expected_dir() / "gas_mixture_volume_gen" / "12345_67890.csv"));
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  ASSERT_EQ(sheet.results.size(), std::size(python));
  for (const Expected& e : python) {
    const Result* r = sheet.find(e.key);
    ASSERT_NE(r, nullptr) << e.key;
    EXPECT_NEAR(r->value, e.value, 1e-10 * std::fabs(e.value)) << e.key;
    // The analysis propagates by central differences: exact for these
    // results, which are linear in the coefficients, up to rounding.
    EXPECT_NEAR(r->uncertainty, e.u, 1e-6 * e.u) << e.key;
    // Analytic partial derivatives here, numerical ones in Python.
    EXPECT_NEAR(r->true_value, e.true_value, 1e-8 * std::fabs(e.true_value)) << e.key;
    EXPECT_LE(std::fabs(r->value - r->true_value), r->tolerance) << e.key << " should grade as right";
  }
}

TEST(GasMixtureVolumeAnswers, WorkingsHoldTheExcessOfEachWrittenMixture) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  ASSERT_EQ(sheet.workings.size(), 2u);
  const Workings& w = sheet.workings[0];
  ASSERT_EQ(w.columns.size(), 8u);
  ASSERT_EQ(w.columns[0].values.size(), 20u * 7u);  // twenty pressures, seven compositions
  const auto& ve = w.columns[7].values;
  // 30 bar, x1 = 0.569, by hand: 778.93 − (808.41 + (746.77 − 808.41)·0.569).
  EXPECT_NEAR(ve[3], 5.59316, 1e-9);
  // The pure gases lie on their own straight line, at every pressure.
  for (std::size_t row = 0; row < 20; ++row) {
    EXPECT_EQ(ve[row * 7], 0.0);
    EXPECT_NEAR(ve[row * 7 + 6], 0.0, 1e-12);
  }
  // The tangent's intercepts: at x1 = 0 it meets x1 = 0 at the fitted V
  // (V2 there is V itself), at x1 = 1 it meets x1 = 1 (V1 = V).
  EXPECT_DOUBLE_EQ(w.columns[6].values[0], w.columns[3].values[0]);
  EXPECT_DOUBLE_EQ(w.columns[5].values[6], w.columns[3].values[6]);
  // The graded values reappear in the x1 = 0.5 table, rows 1 (30 bar) and 10 (75 bar).
  const Workings& m = sheet.workings[1];
  EXPECT_DOUBLE_EQ(m.columns[3].values[0], sheet.find("V1(30)")->value);
  EXPECT_DOUBLE_EQ(m.columns[5].values[9], sheet.find("VE(75)")->value);
}

TEST(GasMixtureVolumeAnswers, EditedVolumesMoveTheirResults) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet before = sheet_of(ds.text, ds);
  // The fit is linear in the volumes; the changes per 1 cm3/mol raised come
  // from the Python script's pseudo-inverse of the cubic's design matrix.
  struct Edit {
    const char* written;  // the cell as written
    const char* raised;   // 1.00 cm3/mol more
    const char* pressure;
    double d_v1, d_v2, d_ve;
  };
  const Edit edits[] = {
      // The mixture x1 = 0.569 at 75 bar: further from ideal mixing.
      {"    288.27", "    289.27", "75", 0.7290757447331544, 0.053112943432121563, 0.45117489079746464},
      // Pure gas 2 at 30 bar: the ideal line rises, the excess falls.
      {"    808.41", "    809.41", "30", 0.2869535415968598, -0.4554973268697453, -0.3758500008476502},
  };
  for (const Edit& e : edits) {
    std::string text = ds.text;
    const auto at = text.find(e.written);
    ASSERT_NE(at, std::string::npos) << e.written;
    text.replace(at, std::string(e.written).size(), e.raised);
    const AnswerSheet after = sheet_of(text, ds);
    const std::string p = e.pressure;
    const auto change = [&](const std::string& key) { return after.find(key)->value - before.find(key)->value; };
    EXPECT_NEAR(change("V1(" + p + ")"), e.d_v1, 1e-9) << e.written;
    EXPECT_NEAR(change("V2(" + p + ")"), e.d_v2, 1e-9) << e.written;
    EXPECT_NEAR(change("VE(" + p + ")"), e.d_ve, 1e-9) << e.written;
    EXPECT_EQ(change("VE(125)"), 0.0) << "another pressure's fit";
    EXPECT_EQ(after.find("VE(" + p + ")")->true_value, before.find("VE(" + p + ")")->true_value);
  }
}

TEST(GasMixtureVolumeAnswers, AShortTableIsReported) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  // Cut after 120 bar: the graded 125-bar row is missing.
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find("    125.0,")), ds), AnalysisError);
  // No composition heading at all.
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find("  P(bar) ")), ds), AnalysisError);
  // Compositions cut to four: too few for a cubic with a residual.
  std::string text = ds.text;
  const auto row = text.find("  P(bar) ");
  const auto cut = text.find(",     0.658", row);
  text.erase(cut, text.find('\n', row) - cut);
  EXPECT_THROW(sheet_of(text, ds), AnalysisError);
}

}  // namespace
