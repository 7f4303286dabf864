// The answer sheet of vapor_pressure_gen for seeds 12345 67890 against the
// values worked out in plain Python from the data set file
// (tests/data/answers/vapor_pressure_reference.py).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

AnswerSheet sheet_of(const std::string& text, const labtest::DataSet& ds) {
  return answer_sheet(*labcore::find_program("vapor_pressure_gen"), text, ds.key, "Jane Doe", 12345, 67890);
}

void expect_result(const AnswerSheet& sheet, const char* key, double value, double u, double true_value,
                   double rel = 1e-9) {
  const Result* r = sheet.find(key);
  ASSERT_NE(r, nullptr) << key;
  EXPECT_NEAR(r->value, value, rel * std::fabs(value)) << key;
  EXPECT_NEAR(r->uncertainty, u, 1e-6 * u) << key;
  if (!std::isnan(true_value)) {
    EXPECT_NEAR(r->true_value, true_value, 1e-6 * std::fabs(true_value)) << key;
  }
  EXPECT_EQ(r->tolerance, std::fmax(0.02 * std::fabs(r->value), 3 * r->uncertainty)) << key;
}

TEST(VaporPressureAnswers, Seeds12345And67890AgainstAnIndependentCalculation) {
  const auto ds = labtest::data_set(*labcore::find_program("vapor_pressure_gen"), 12345, 67890);
  // The file as committed is what the analysis reads.
  ASSERT_EQ(ds.text.substr(ds.text.find("T(K)")),
            labtest::read_file(labtest::expected_dir() / "vapor_pressure_gen" / "12345_67890.csv")
                .substr(ds.text.find("T(K)")));
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  ASSERT_EQ(sheet.results.size(), 5u);
  expect_result(sheet, "dHvap", 36081.53954350949, 84.59622219956663, 35873.91342342615);
  expect_result(sheet, "Tb", 399.12556590272106, 0.08205975747335699, 399.3276415041993);
  expect_result(sheet, "a", 20.96972740424847, 0.005914664075526365, 20.966158);
  expect_result(sheet, "b", 3351.5765839973737, 3.8325004192083303, 3349.1509);
  expect_result(sheet, "c", -44.425113078545024, 0.1846229236439495, -44.547321);
  for (const auto& r : sheet.results)
    EXPECT_LE(std::fabs(r.value - r.true_value), r.tolerance) << r.key << " should grade as right";

  ASSERT_EQ(sheet.workings.size(), 1u);
  const Workings& w = sheet.workings[0];
  ASSERT_EQ(w.columns.size(), 4u);
  EXPECT_EQ(w.columns[2].heading, "1/T");
  EXPECT_EQ(w.columns[3].values.size(), 11u);
  EXPECT_DOUBLE_EQ(w.columns[2].values[0], 1 / 335.85);
  EXPECT_DOUBLE_EQ(w.columns[3].values[10], std::log(104059.0));
}

TEST(VaporPressureAnswers, AnEditedTemperatureMovesTheAnalysedValues) {
  const auto ds = labtest::data_set(*labcore::find_program("vapor_pressure_gen"), 12345, 67890);
  std::string text = ds.text;
  const auto at = text.find(" 373.84,");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 8, " 378.84,");
  const AnswerSheet sheet = sheet_of(text, ds);
  // Python, "edited": the line and the centroid move; the Antoine law's
  // boiling point does not.
  expect_result(sheet, "dHvap", 35936.26564886747, 813.6899831699976, 35862.27309354366);
  expect_result(sheet, "Tb", 399.7440336961819, 0.7973637874528249, 399.3276415041993);
}

TEST(VaporPressureAnswers, ACutTableIsReportedNotAnalysed) {
  const auto ds = labtest::data_set(*labcore::find_program("vapor_pressure_gen"), 12345, 67890);
  const std::string cut = ds.text.substr(0, ds.text.find(" 359.64"));
  EXPECT_THROW(sheet_of(cut, ds), AnalysisError);
  EXPECT_THROW(sheet_of("nothing here\n", ds), AnalysisError);
}

}  // namespace
