// The answer sheet of water_ionization_gen for seeds 12345 67890 against
// numbers worked out with numpy from the committed data set
// (tests/data/answers/water_ionization_gen.py), and its response to edited
// data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

const labcore::Program& program() { return *labcore::find_program("water_ionization_gen"); }

std::string expected_text() {
  return labtest::read_file(labtest::expected_dir() / "water_ionization_gen" / "12345_67890.csv");
}

AnswerSheet sheet_of(const std::string& text) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

const Column& column(const AnswerSheet& sheet, const std::string& heading) {
  for (const Workings& w : sheet.workings)
    for (const Column& c : w.columns)
      if (c.heading == heading) return c;
  throw std::runtime_error("no column " + heading);
}

TEST(WaterIonizationAnswers, Seeds12345And67890AgainstNumpy) {
  const AnswerSheet sheet = sheet_of(expected_text());
  ASSERT_EQ(sheet.results.size(), 1u);
  const Result& kw = sheet.results[0];
  EXPECT_EQ(kw.key, "Kw");
  // numpy: degree-4 polynomial of the left side against I, c0 =
  // 0.857372035276 V, RT/F = 0.028449635282 V.
  EXPECT_NEAR(kw.value, 8.163763742e-14, 1e-9 * 8.163763742e-14);
  EXPECT_NEAR(kw.uncertainty, 4.38964e-18, 1e-5 * 4.38964e-18);
  EXPECT_NEAR(kw.true_value, 8.1641969e-14, 1e-7 * 8.1641969e-14);
  EXPECT_LE(std::fabs(kw.value - kw.true_value), kw.tolerance);

  // The student's columns, first and last rows (numpy; the model's own
  // RT/F ln(m's) of row 1 is -0.19952059 V).
  EXPECT_DOUBLE_EQ(column(sheet, "m3+m4").values.at(0), 0.02);
  EXPECT_NEAR(column(sheet, "ln(gamma)").values.at(0), -0.16639934, 1e-8);
  EXPECT_NEAR(column(sheet, "ln(gamma)").values.at(15), -2.04305589, 1e-8);
  EXPECT_NEAR(column(sheet, "RT/F ln(m's)").values.at(0), -0.19952059, 1e-8);
  EXPECT_NEAR(column(sheet, "RT/F ln(m's)").values.at(15), -0.23881826, 1e-8);
  const std::vector<double>& left = column(sheet, "eqn.left side").values;
  ASSERT_EQ(left.size(), 16u);
  EXPECT_NEAR(left[0], 0.85848859, 1e-8);
  EXPECT_NEAR(left[7], 0.86363745, 1e-8);
  EXPECT_NEAR(left[15], 0.98457665, 1e-8);
}

// E_A of every row of the first table raised by `shift` volts.
std::string raised_ea(std::string text, double shift) {
  std::size_t at = text.find("m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,I,");
  at = text.find("\n 0.0050", at) + 1;
  for (int row = 0; row < 16; ++row) {
    const std::size_t start = text.find(",,", at) + 2;
    const std::size_t end = text.find(',', start);
    char cell[16];
    std::snprintf(cell, sizeof cell, "%9.5f", std::stod(text.substr(start, end - start)) + shift);
    text.replace(start, end - start, cell);
    at = text.find('\n', at) + 1;
  }
  return text;
}

TEST(WaterIonizationAnswers, AHigherEmfOfCellAMeansASmallerKw) {
  const double before = sheet_of(expected_text()).results[0].value;
  // One millivolt more in every row raises the left side, and its value at
  // I = 0, by 0.001 V: ln Kw falls by 0.001/(RT/F), Kw by the factor
  // exp(-0.001/0.028449635282) = 0.9654607451.
  const double after = sheet_of(raised_ea(expected_text(), 0.001)).results[0].value;
  EXPECT_NEAR(after / before, 0.9654607451, 1e-8);
}

TEST(WaterIonizationAnswers, AMissingTableOrConstantIsReported) {
  const std::string text = expected_text();
  EXPECT_THROW(sheet_of(text.substr(0, text.find(" m2=m4"))), AnalysisError);
  std::string no_t = text;
  no_t.erase(no_t.find("T = ,"), no_t.find('\n', no_t.find("T = ,")) - no_t.find("T = ,"));
  EXPECT_THROW(sheet_of(no_t), AnalysisError);
  // Four rows cannot carry a polynomial of degree 4.
  const std::size_t rows = text.find(" 0.0050", text.find("m2=m4"));
  const std::size_t fifth = text.find(" 0.0300", rows);
  EXPECT_THROW(sheet_of(text.substr(0, fifth)), AnalysisError);
}

}  // namespace
