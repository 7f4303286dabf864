// Answer sheet of the high-temperature enthalpies: the worked example
// against numbers made by a separate calculation, and the direction in
// which edited data move the results.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "analysis/answer_sheet.hpp"
#include "support/answers_support.hpp"
#include "support/test_support.hpp"

extern const labcore::Program enthalpy_gen;

namespace {

using answers_test::result;

analysis::AnswerSheet sheet_of(const labtest::DataSet& ds, const std::string& text) {
  return analysis::answer_sheet(enthalpy_gen, text, ds.key, "Jane Doe", 12345, 67890);
}

TEST(EnthalpyAnswers, WorkedExampleMatchesIndependentCalculation) {
  const auto ds = labtest::data_set(enthalpy_gen, 12345, 67890);
  const auto sheet = sheet_of(ds, ds.text);
  // From tests/data/answers/enthalpy_gen.py: numpy least squares on the
  // rows of the expected data set scaled by 1/u(fs).
  struct Expect {
    const char* key;
    double value, u, true_value;
  };
  const Expect expected[] = {
      {"b", 0.1540067164, 0.00267486, 0.15435974},
      {"c", 1825251.26, 182913, 1840047.5},
      {"a", 148.4465505, 3.6262, 148.40250},
      {"d", -64071.44585, 1458.9, -64139.320},
      {"Cp(500)", 295.1522618, 0.380383, 295.40205},
      {"Cp(1000)", 454.6347319, 1.98687, 455.28193},
  };
  for (const auto& e : expected) {
    const auto& r = result(sheet, e.key);
    EXPECT_NEAR(r.value, e.value, 1e-6 * std::abs(e.value)) << e.key;
    EXPECT_NEAR(r.uncertainty, e.u, 1e-4 * e.u) << e.key;
    EXPECT_NEAR(r.true_value, e.true_value, 2e-4 * std::abs(e.true_value)) << e.key;
    EXPECT_LE(std::abs(r.value - r.true_value), r.tolerance) << e.key;
  }
  // The fs column and the % deviation, row by row (the same script).
  const double fs[] = {0.1933938505, 0.1993282172, 0.1887780953, 0.1841604157, 0.188075775,
                       0.1894413398, 0.1817764528, 0.1766830907, 0.1745446355, 0.173264648};
  const double dev_pct[] = {-0.45978229, 0.49203399, -0.33582776, -0.42751841, 0.12006549,
                            0.42697032,  0.56788128, -0.12383374, -0.12080242, -0.273001};
  ASSERT_EQ(sheet.workings.size(), 1u);
  const auto& cols = sheet.workings[0].columns;
  const auto column = [&](std::string_view heading) -> const analysis::Column& {
    for (const auto& col : cols)
      if (col.heading == heading) return col;
    throw std::runtime_error("no column " + std::string(heading));
  };
  ASSERT_EQ(column("fs").values.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_NEAR(column("fs").values[i], fs[i], 1e-9) << i;
    EXPECT_NEAR(column("%").values[i], dev_pct[i], 1e-6) << i;
  }
}

// The other fits a student may make and the constant heat capacity, against
// tests/data/answers/enthalpy_gen.py (numpy's lstsq for each fit): the fits
// within every result's tolerance, Cp(298) taken for Cp at 500 and 1000 K
// (and b = 0) outside it.
TEST(EnthalpyAnswers, OtherFitsPassAndAConstantHeatCapacityFails) {
  const auto ds = labtest::data_set(enthalpy_gen, 12345, 67890);
  const auto sheet = sheet_of(ds, ds.text);
  const struct {
    const char* key;
    double unweighted, from_h, without_lowest;
  } expected[] = {
      {"b", 0.1589957042, 0.1489810528, 0.1521157254},   {"c", 1505205.16, 2209325.868, 1968736.613},
      {"a", 141.871282, 155.7639726, 151.1882763},       {"d", -61481.07789, -67094.57937, -65202.04697},
      {"Cp(500)", 294.8461656, 295.907722, 295.4290552}, {"Cp(1000)", 458.3574852, 451.5167524, 453.4509905},
  };
  for (const auto& e : expected) {
    const auto& r = result(sheet, e.key);
    ASSERT_EQ(r.routes.size(), 3u) << e.key;
    const double routes[] = {e.unweighted, e.from_h, e.without_lowest};
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(r.routes[k].value, routes[k], 1e-7 * std::abs(routes[k])) << e.key << " " << r.routes[k].name;
      EXPECT_LE(std::abs(r.routes[k].value - r.value), r.tolerance) << e.key << " " << r.routes[k].name;
    }
  }
  for (const char* key : {"b", "Cp(500)", "Cp(1000)"}) {
    const auto& r = result(sheet, key);
    ASSERT_EQ(r.nulls.size(), 1u) << key;
    EXPECT_GT(std::abs(r.nulls[0].value - r.value), r.tolerance) << key;
  }
  EXPECT_DOUBLE_EQ(result(sheet, "Cp(500)").nulls[0].value, 219.747726);
}

TEST(EnthalpyAnswers, EditedDataMoveTheLawTheRightWay) {
  const auto ds = labtest::data_set(enthalpy_gen, 12345, 67890);
  const auto base = sheet_of(ds, ds.text);
  const auto edited = [&](std::string_view from, std::string_view to) {
    std::string text = ds.text;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    return sheet_of(ds, text);
  };
  // A higher increment at the highest temperature raises fs at small 1/T:
  // the line turns flatter-to-negative, b rises and c falls.
  const auto hot = edited(" 997.28,.238321E+06,", " 997.28,.240321E+06,");
  EXPECT_GT(result(hot, "b").value, result(base, "b").value);
  EXPECT_LT(result(hot, "c").value, result(base, "c").value);
  EXPECT_GT(result(hot, "Cp(1000)").value, result(base, "Cp(1000)").value);
  // A larger Cp(298) takes δCp/(T − 298.15) off each fs value, most at the
  // lowest temperatures (largest 1/T): the line turns down, c falls and the
  // intercept b rises.
  const auto cp = edited("Cp(298) = ,   219.747726", "Cp(298) = ,   221.747726");
  EXPECT_LT(result(cp, "c").value, result(base, "c").value);
  EXPECT_GT(result(cp, "b").value, result(base, "b").value);
  // A higher increment at the lowest temperature lifts fs at the largest
  // 1/T: c rises, b falls.
  const auto cold = edited(" 426.40,.313636E+05,", " 426.40,.314636E+05,");
  EXPECT_GT(result(cold, "c").value, result(base, "c").value);
  EXPECT_LT(result(cold, "b").value, result(base, "b").value);
  // A table cut short of its heading is an error, not an empty sheet.
  std::string broken = ds.text;
  broken.replace(broken.find("T(K),H(T)"), 4, "Temp");
  EXPECT_THROW(sheet_of(ds, broken), analysis::AnalysisError);
}

TEST(EnthalpyAnswers, ADataSetAtOneTemperatureHoldsNoAnswer) {
  // Both seeds 0 make every draw 1.0: twelve rows at 1000 K, one point of
  // the Shomate line, which cannot give its slope and intercept.
  const auto ds = labtest::data_set(enthalpy_gen, 0, 0);
  EXPECT_THROW(analysis::answer_sheet(enthalpy_gen, ds.text, ds.key, "Jane Doe", 0, 0), analysis::NoAnswer);
}

}  // namespace
