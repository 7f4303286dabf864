// Corresponding-states densities: the worked example and the table's shape.
#include <gtest/gtest.h>

#include "support/test_support.hpp"

extern const labcore::Program corresponding_states_gen;

namespace {

TEST(CorrespondingStates, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(corresponding_states_gen, 12345, 67890);
  EXPECT_EQ(labtest::hidden(ds, "dc"), 0.48589935051344557);
  EXPECT_EQ(labtest::hidden(ds, "tc"), 531.6637721105575);
  EXPECT_EQ(ds.seeds.draws, 2);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), 8u + 2u + 13u);
  EXPECT_EQ(rows[9], " Temp(C),dens(liq),dens(vap)");
  EXPECT_EQ(rows[10], " 45.85,  1.316803,  0.005180,");
  EXPECT_EQ(rows[22], "256.92,  0.726245,  0.262067,");
}

TEST(CorrespondingStates, TableFitsItsFieldsAndTheDensitiesConverge) {
  const auto top = labtest::lines(labtest::data_set(corresponding_states_gen, 0, 0).text);
  EXPECT_EQ(top.back().substr(0, 7), "275.20,");
  for (const auto& [s1, s2] : labtest::seed_pairs(200, 2463534242u)) {
    const auto ds = labtest::data_set(corresponding_states_gen, s1, s2);
    ASSERT_EQ(ds.seeds.draws, 2);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), 23u);
    double last_gap = 1e9;
    for (std::size_t i = 10; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i].size(), 29u) << rows[i];
      ASSERT_EQ(rows[i].find('*'), std::string::npos) << rows[i];
      const double gap = std::stod(rows[i].substr(7, 10)) - std::stod(rows[i].substr(18, 10));
      ASSERT_GT(gap, 0.0) << rows[i];
      ASSERT_LE(gap, last_gap) << rows[i];
      last_gap = gap;
    }
  }
}

}  // namespace
