// A sample of the recovery study: 50 pairs of the seed sweep for every
// program with an analysis. Each result must land within tolerance of the
// true value for at least 99 % of the data sets. (A result that a model's
// convention moves off the true value by a known amount says so in its
// bias and carries a floor under its relative tolerance, least_relative,
// or, where the bias is larger than any fair tolerance, is listed below.)
#include <gtest/gtest.h>

#include "labcore/registry.hpp"
#include "study/study.hpp"
#include "support/test_support.hpp"

namespace {

// Results that the model itself keeps off the hidden value by more than a
// tolerance: graded against the sheet's expected value, never the hidden one.
bool known_exception(const std::string& program, const std::string& key) {
  // The liquid and vapor density correlations do not meet at Tc (1.477 and
  // 0.555 times dc), so the extrapolations to the critical point land a
  // fixed fraction beside tc and dc in every data set (Tc 0.5 to 1.7 %
  // high, Eotvos's Tc 6 K more); the data carry no scatter, and the
  // absolute tolerances that keep the hottest row's values (no
  // extrapolation) out are narrower than that.
  if (program == "surface_tension_gen") return key == "Tc" || key == "dc" || key == "Tc(E)";
  if (program == "corresponding_states_gen") return key == "Tc(rd)" || key == "Tc(cs)";
  return false;
}

TEST(AnswerStudy, FiftyPairsOfEveryAnalysisLandWithinTolerance) {
  const auto pairs = labtest::spread(labtest::sweep_seeds(), 50);
  ASSERT_EQ(pairs.size(), 50u);
  for (const analysis::Analysis* an : analysis::all_analyses()) {
    const labcore::Program* program = labcore::find_program(an->program);
    ASSERT_NE(program, nullptr);
    const labtest::ProgramStudy s = labtest::study(*program, *an, pairs);
    EXPECT_EQ(s.analysis_failed, 0) << s.program << ": " << s.first_failure;
    ASSERT_GT(s.data_sets(), 0) << s.program;
    for (const auto& r : s.results) {
      if (known_exception(s.program, r.key)) {
        EXPECT_FALSE(r.bias.empty()) << s.program << " " << r.key << " must state its bias";
        continue;
      }
      EXPECT_GE(r.within, 0.99 * s.base(r))
          << s.program << " " << r.key << ": " << r.within << " of " << s.base(r)
          << " within tolerance; median deviation " << r.median() << ", 99th percentile " << r.p99();
    }
  }
}

TEST(AnswerStudy, NearestRankPercentiles) {
  labtest::ResultStudy r;
  for (int i = 100; i >= 1; --i) r.deviations.push_back(i / 100.0);
  EXPECT_DOUBLE_EQ(r.median(), 0.50);
  EXPECT_DOUBLE_EQ(r.p99(), 0.99);
  r.deviations = {3.0};
  EXPECT_DOUBLE_EQ(r.p99(), 3.0);
}

}  // namespace
