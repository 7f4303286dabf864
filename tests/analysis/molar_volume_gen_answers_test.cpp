// The answer sheet of molar_volume_gen for seeds 12345 67890 against numbers
// worked out with numpy from the data set file
// (tests/data/answers/molar_volume_gen.py), and data sets edited by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

const labcore::Program& program() { return *labcore::find_program("molar_volume_gen"); }

AnswerSheet sheet_of(const std::string& text, const labtest::DataSet& ds) {
  return answer_sheet(program(), text, ds.key, "Jane Doe", 12345, 67890);
}

const Result& result(const AnswerSheet& sheet, const std::string& key) {
  const Result* r = sheet.find(key);
  if (r == nullptr) throw std::runtime_error("no result " + key);
  return *r;
}

std::string edited(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(MolarVolumeAnswers, Seeds12345And67890AgainstNumpy) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  ASSERT_EQ(ds.text, labtest::read_file(labtest::expected_dir() / "molar_volume_gen" / "12345_67890.csv"));
  const AnswerSheet sheet = sheet_of(ds.text, ds);
  // 12 of the 13 solutions (m, phiv), slope, V2 at 0 and V2, V1 at the end; 19
  // mixtures (x, ideal, expt, excess V), V1 and V2 at three compositions.
  ASSERT_EQ(sheet.results.size(), 12u * 2 + 4 + 19 * 4 + 6);

  const struct {
    const char* key;
    double value, u;  // u < 0: not checked
  } expected[] = {
      {"m(1)", 0.0132863584, 0.00192156427},
      {"m(12)", 1.2816737989, -1},
      {"phiv(1)", 52.6534118884, 15.5644620950},
      {"phiv(8)", 18.0534678168, -1},
      {"phiv(12)", 14.0703009466, -1},
      // the weighted cubic; its own standard errors and the rounding carried
      // through it, in quadrature
      {"dphiv/dm^0.5", -42.6748995, 30.293353},
      {"V2(m=0)", 30.3789734, 7.9493704},
      {"V2(last)", 8.571066874, 3.2618273},
      {"V1(last)", 18.24679656, 0.084212719},
      {"X(1)", 0.0499086124, -1},
      {"X(19)", 0.9491877827, -1},
      {"Vid(4)", 29.8891647697, -1},
      {"Vexp(4)", 29.6427070422, -1},
      {"VE(1)", -0.0609743586, -1},
      {"VE(10)", -0.3658963816, -1},
      {"VE(19)", -0.0544100491, -1},
      {"V1(x=0.25)", 18.0414119418, -1},
      {"V2(x=0.25)", 76.0588512852, -1},
      {"V1(x=0.50)", 17.6210754320, -1},
      {"V2(x=0.50)", 76.7743654418, -1},
      {"V1(x=0.75)", 17.3325001552, -1},
      {"V2(x=0.75)", 76.9724186856, -1},
  };
  for (const auto& e : expected) {
    const Result& r = result(sheet, e.key);
    // The fit's weights come from numerical derivatives on both sides: the
    // weighted results agree to about 1e-7.
    EXPECT_NEAR(r.value, e.value, 1e-6 * std::fmax(1.0, std::fabs(e.value))) << e.key;
    if (e.u > 0) {
      EXPECT_NEAR(r.uncertainty, e.u, 2e-5 * e.u) << e.key;
    }
  }
  for (const auto& r : sheet.results)
    EXPECT_LE(std::fabs(r.value - r.true_value), r.tolerance) << r.key << " should grade as right";

  // The Redlich-Kister coefficients in the workings.
  ASSERT_EQ(sheet.workings.size(), 3u);
  const double rk[] = {-1.4631182524, 0.5365800197, 0.3187218693, -0.5640848711};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(sheet.workings[2].columns[k].values[0], rk[k], 1e-9) << k;
}

TEST(MolarVolumeAnswers, EditedDensitiesMoveTheVolumesTheRightWay) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  const AnswerSheet base = sheet_of(ds.text, ds);

  // A denser concentrated solution holds less volume per mole of salt:
  // Python, ((1000 + m M2)/1.1755 - 1000/0.9942)/m = 7.2744543978 for 16.2 %.
  const AnswerSheet dense = sheet_of(edited(ds.text, " 16.2,,,  1.1655,", " 16.2,,,  1.1755,"), ds);
  EXPECT_NEAR(result(dense, "phiv(12)").value, 7.2744543978, 1e-9);
  EXPECT_EQ(result(dense, "phiv(1)").value, result(base, "phiv(1)").value);

  // A denser water (the electrolyte block's, written first) raises every
  // phiv by 1000 (1/0.9942 - 1/0.9952)/m, most in the dilute solutions, and
  // with them the intercept (Python: 0.2 wt% gives 128.7227976053).
  const AnswerSheet water = sheet_of(edited(ds.text, "dens water ,  0.9942,", "dens water ,  0.9952,"), ds);
  EXPECT_NEAR(result(water, "phiv(1)").value, 128.7227976053, 1e-9);
  EXPECT_GT(result(water, "V2(m=0)").value, result(base, "V2(m=0)").value);
  EXPECT_EQ(result(water, "VE(10)").value, result(base, "VE(10)").value);

  // A denser equimolar mixture: Vexp shrinks by 1.0320/1.0330, the excess
  // volume grows more negative by as much (Python: -0.4115794666).
  const AnswerSheet mix = sheet_of(edited(ds.text, " 81.5,,,  1.0320,", " 81.5,,,  1.0330,"), ds);
  EXPECT_NEAR(result(mix, "VE(10)").value, -0.4115794666, 1e-9);
  EXPECT_LT(result(mix, "V1(x=0.50)").value + result(mix, "V2(x=0.50)").value,
            result(base, "V1(x=0.50)").value + result(base, "V2(x=0.50)").value);
  EXPECT_EQ(result(mix, "VE(10)").true_value, result(base, "VE(10)").true_value);
}

TEST(MolarVolumeAnswers, AMissingTableIsReported) {
  const auto ds = labtest::data_set(program(), 12345, 67890);
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find("Nonelectrolyte")), ds), AnalysisError);
  EXPECT_THROW(sheet_of(ds.text.substr(0, ds.text.find("  0.8,,,")), ds), AnalysisError);
}

}  // namespace
