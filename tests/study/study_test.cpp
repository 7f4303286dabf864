// The rule every graded result meets, over a spread of the seed sweep
// for every program with an analysis (the whole sweep is `make
// answers-study`'s): the analysis reads every data set; each result lands
// within tolerance of the true value in at least 99 % of the data sets
// (a result that a model's convention moves off the true value by a known
// amount says so in its bias and carries a floor under its tolerance, or,
// where the bias is larger than any fair tolerance, is listed below); each
// valid route within tolerance in at least 99 % of the data sets where it
// applies, each null answer outside it in at least 95 %.
#include <gtest/gtest.h>

#include "labcore/registry.hpp"
#include "study/study.hpp"
#include "support/test_support.hpp"

namespace {

// The pairs of the sweep each program is studied over in the suite.
constexpr std::size_t kRulePairs = 285;  // every fourth

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

class AnswerRule : public ::testing::TestWithParam<const analysis::Analysis*> {};

TEST_P(AnswerRule, RecoveryRoutesAndNullAnswersOverTheSweep) {
  const analysis::Analysis& an = *GetParam();
  const labcore::Program* program = labcore::find_program(an.program);
  ASSERT_NE(program, nullptr);
  const auto pairs = labtest::spread(labtest::sweep_seeds(), kRulePairs);
  const labtest::ProgramStudy s = labtest::study(*program, an, pairs);
  EXPECT_EQ(s.analysis_failed, 0) << s.first_failure;
  ASSERT_GT(s.data_sets(), 0);
  for (const auto& r : s.results) {
    if (known_exception(s.program, r.key)) {
      EXPECT_FALSE(r.bias.empty()) << r.key << " must state its bias";
    } else {
      EXPECT_GE(r.within, 0.99 * s.base(r))
          << r.key << ": " << r.within << " of " << s.base(r) << " within tolerance of the true value; median "
          << "deviation " << r.median() << ", 99th percentile " << r.p99();
    }
    for (const bool null : {false, true})
      for (const auto& a : null ? r.nulls : r.routes)
        EXPECT_TRUE(a.meets_rule(null))
            << r.key << (null ? ", null answer \"" : ", route \"") << a.name << "\": "
            << 100 * a.share(null) << " % of " << a.data_sets << (null ? " outside" : " within")
            << " the tolerance; the first that breaks the rule: " << a.first_miss;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, AnswerRule, ::testing::ValuesIn(analysis::all_analyses().begin(),
                                                                   analysis::all_analyses().end()),
                         [](const auto& info) { return std::string(info.param->program); });

TEST(AnswerStudy, NearestRankPercentiles) {
  labtest::ResultStudy r;
  for (int i = 100; i >= 1; --i) r.deviations.push_back(i / 100.0);
  EXPECT_DOUBLE_EQ(r.median(), 0.50);
  EXPECT_DOUBLE_EQ(r.p99(), 0.99);
  r.deviations = {3.0};
  EXPECT_DOUBLE_EQ(r.p99(), 3.0);
}

}  // namespace
