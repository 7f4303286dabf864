// The catalogues of the four real-gas programs against their answer sheets
// over a spread of the seed sweep (the handout tests hold every sheet's
// results to the catalogue): no result in a catalogue that no data set has,
// and a result the catalogue grades graded in every data set that has it.
// A class of gas_isotherm_gen needs the catalogue most: how many isotherms
// show a tie line depends on the seeds (isotherms 1 to 4 always lie below
// Tc, isotherm 5 at 0.9933 to 1.0067 of Tc sometimes, isotherm 6 from
// 0.98 + 2·0.04/3 = 1.0067 of Tc on never), and the catalogue lists the
// five.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "study/study.hpp"
#include "support/test_support.hpp"

namespace {

class GasesHandout : public testing::TestWithParam<const char*> {};

TEST_P(GasesHandout, EveryResultOfTheCatalogueOccursAndIsGradedWhereItDoes) {
  const labcore::Program& program = *labcore::find_program(GetParam());
  const analysis::Analysis& an = *analysis::find_analysis(GetParam());
  ASSERT_NE(an.handout, nullptr);
  const analysis::Handout& h = an.handout();
  std::set<std::string> seen;
  for (const auto& [s1, s2] : labtest::spread(labtest::sweep_seeds(), 100)) {
    const auto ds = labtest::data_set(program, s1, s2);
    const analysis::AnswerSheet sheet = analysis::answer_sheet(an, ds.text, ds.key, "Jane Doe", s1, s2);
    for (const auto& r : sheet.results) {
      const analysis::HandoutResult* c = h.find(r.key);
      ASSERT_NE(c, nullptr) << r.key;
      EXPECT_EQ(r.graded(), c->not_graded.empty()) << "seeds " << s1 << " " << s2 << ": " << r.key;
      seen.insert(r.key);
    }
  }
  for (const auto& r : h.results) EXPECT_TRUE(seen.count(r.key)) << r.key << " is in no data set of the sample";
}

INSTANTIATE_TEST_SUITE_P(Programs, GasesHandout,
                         testing::Values("gas_isotherm_gen", "gas_mixture_volume_gen", "surface_tension_gen",
                                         "corresponding_states_gen"));

}  // namespace
