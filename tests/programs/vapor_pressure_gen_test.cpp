// Vapor pressure and temperature: the worked example and the shape of the
// table over many seeds.
#include <gtest/gtest.h>

#include "support/test_support.hpp"

extern const labcore::Program vapor_pressure_gen;

namespace {

TEST(VaporPressure, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(vapor_pressure_gen, 12345, 67890);
  EXPECT_EQ(labtest::hidden(ds, "a"), static_cast<double>(20.966158f));
  EXPECT_EQ(labtest::hidden(ds, "b"), static_cast<double>(3349.1509f));
  EXPECT_EQ(labtest::hidden(ds, "c"), static_cast<double>(-44.547321f));
  EXPECT_NEAR(labtest::hidden(ds, "pmax"), 104058.80, 0.005);  // given to 8 digits
  EXPECT_EQ(labtest::hidden(ds, "pmin"), static_cast<double>(12953.238f));
  EXPECT_EQ(labtest::hidden(ds, "npoints"), 11);
  EXPECT_EQ(labtest::hidden(ds, "pstep"), static_cast<double>(9110.5566f));
  const auto rows = labtest::lines(ds.text);
  const std::vector<std::string> table(rows.end() - 11, rows.end());
  EXPECT_EQ(table, (std::vector<std::string>{
                       " 335.85,  12953.", " 348.83,  21152.", " 359.64,  30853.", " 368.51,  41276.",
                       " 373.84,  48796.", " 380.16,  59102.", " 385.21,  68520.", " 388.92,  76169.",
                       " 393.09,  85577.", " 396.52,  93964.", " 400.33, 104059."}));
  EXPECT_EQ(rows[rows.size() - 12], " T(K),P(Pa)");
  EXPECT_EQ(ds.seeds.draws, 6 + 11 - 2);
}

TEST(VaporPressure, TableShapeOverManySeeds) {
  // Both seeds 0 make every draw 1.0: the largest table.
  const auto top = labtest::data_set(vapor_pressure_gen, 0, 0);
  EXPECT_EQ(labtest::hidden(top, "npoints"), 12);
  for (const auto& [seed1, seed2] : labtest::seed_pairs(300, 2463534242u)) {
    const auto ds = labtest::data_set(vapor_pressure_gen, seed1, seed2);
    const int n = static_cast<int>(labtest::hidden(ds, "npoints"));
    ASSERT_GE(n, 9);
    ASSERT_LE(n, 12);
    ASSERT_EQ(ds.seeds.draws, 6 + n - 2);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), 8u + 3u + static_cast<unsigned>(n));
    for (std::size_t i = rows.size() - n; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i].size(), 16u) << rows[i];
      ASSERT_EQ(rows[i].find('*'), std::string::npos) << rows[i];
    }
  }
}

}  // namespace
