// The handouts of the four real-gas programs against their answer sheets
// over a sample of the seed sweep: the catalogue of results holds every
// result any data set's sheet has, in the sheet's order, each graded or
// left to the workings alike, and no result that no data set has. A class
// of gas_isotherm_gen needs it most: how many isotherms show a tie line
// depends on the seeds (isotherms 1 to 4 always lie below Tc, isotherm 5 at
// 0.9933 to 1.0067 of Tc sometimes, isotherm 6 from 0.98 + 2·0.04/3 =
// 1.0067 of Tc on never).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "labcore/records.hpp"
#include "study/study.hpp"
#include "support/test_support.hpp"

namespace {

class GasesHandout : public testing::TestWithParam<const char*> {};

TEST_P(GasesHandout, TheCatalogueHoldsEveryResultOfTheSweepInTheSheetsOrder) {
  const labcore::Program& program = *labcore::find_program(GetParam());
  const analysis::Analysis& an = *analysis::find_analysis(GetParam());
  ASSERT_NE(an.handout, nullptr);
  const analysis::Handout& h = an.handout();
  EXPECT_FALSE(h.task.empty());
  EXPECT_FALSE(h.data.empty());
  for (const auto& c : h.constants) EXPECT_TRUE(std::isfinite(c.value)) << c.name;
  std::vector<std::string> keys;
  for (const auto& r : h.results) keys.push_back(r.key);
  ASSERT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size()) << "a key listed twice";

  std::set<std::string> seen;
  for (const auto& [s1, s2] : labtest::spread(labtest::sweep_seeds(), 100)) {
    SCOPED_TRACE(std::to_string(s1) + " " + std::to_string(s2));
    const auto ds = labtest::data_set(program, s1, s2);
    const analysis::AnswerSheet sheet = analysis::answer_sheet(an, ds.text, ds.key, "Jane Doe", s1, s2);
    std::ptrdiff_t last = -1;
    for (const auto& r : sheet.results) {
      const auto at = std::find(keys.begin(), keys.end(), r.key);
      ASSERT_NE(at, keys.end()) << r.key << " is not in the catalogue";
      EXPECT_GT(at - keys.begin(), last) << r.key << " out of the catalogue's order";
      last = at - keys.begin();
      EXPECT_EQ(r.graded(), h.results[static_cast<std::size_t>(last)].not_graded.empty()) << r.key;
      EXPECT_EQ(r.unit, h.results[static_cast<std::size_t>(last)].unit) << r.key;
      seen.insert(r.key);
    }
  }
  for (const auto& k : keys) EXPECT_TRUE(seen.count(k)) << k << " is in no data set of the sample";
}

INSTANTIATE_TEST_SUITE_P(Programs, GasesHandout,
                         testing::Values("gas_isotherm_gen", "gas_mixture_volume_gen", "surface_tension_gen",
                                         "corresponding_states_gen"));

}  // namespace
