// EMF activity coefficients: the worked example, the temperature range and
// the four copies of the EMF table.
#include <gtest/gtest.h>

#include "support/test_support.hpp"

extern const labcore::Program emf_activity_gen;

namespace {

constexpr std::size_t prologue_records = 8;
// First row of each of the four tables, counted after the prologue.
constexpr std::size_t table_starts[] = {8, 22, 35, 50};

std::vector<std::string> table(const std::vector<std::string>& rows, std::size_t first) {
  const auto at = rows.begin() + static_cast<std::ptrdiff_t>(prologue_records + first);
  return {at, at + 11};
}

TEST(EmfActivity, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(emf_activity_gen, 12345, 67890);
  EXPECT_EQ(labtest::hidden(ds, "tc"), 48.0);
  EXPECT_EQ(ds.seeds.draws, 1 + 2);
  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), prologue_records + 61);
  EXPECT_EQ(rows[prologue_records + 1], "T(C) =,48.00");
  EXPECT_EQ(rows[prologue_records + 2], "Debye-Hueckel Coeff:, 0.535");
  EXPECT_EQ(rows[prologue_records + 3], "Ksp = , 0.350E-07");
  EXPECT_EQ(rows[prologue_records + 4], "RT/F = , 0.637E-01");
  const auto first = table(rows, table_starts[0]);
  EXPECT_EQ(first[0], "0.00025,0.66352");
  EXPECT_EQ(first[7], "0.01000,0.59319");
  EXPECT_EQ(first[10], "0.07500,0.55477");
}

TEST(EmfActivity, TemperatureEnds) {
  const auto cold = labtest::data_set(emf_activity_gen, 71334, 17095);
  EXPECT_EQ(labtest::hidden(cold, "tc"), 0.0);
  EXPECT_EQ(labtest::lines(cold.text)[prologue_records + 1], "T(C) =, 0.00");
  // Both seeds 0 give the largest double draw, just below 1.
  const auto hot = labtest::data_set(emf_activity_gen, 0, 0);
  EXPECT_EQ(labtest::hidden(hot, "tc"), 50.0);
  EXPECT_EQ(labtest::lines(hot.text)[prologue_records + 1], "T(C) =,50.00");
}

TEST(EmfActivity, TablesOverManySeeds) {
  for (const auto& [seed1, seed2] : labtest::seed_pairs(200, 362436069u)) {
    const auto ds = labtest::data_set(emf_activity_gen, seed1, seed2);
    const double tc = labtest::hidden(ds, "tc");
    ASSERT_GE(tc, 0.0);
    ASSERT_LE(tc, 50.0);
    ASSERT_EQ(ds.seeds.draws, 3);
    for (int i = 1; i < 11; ++i)
      ASSERT_LT(labtest::hidden(ds, "e(" + std::to_string(i + 1) + ")"),
                labtest::hidden(ds, "e(" + std::to_string(i) + ")"));
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), prologue_records + 61);
    const auto first = table(rows, table_starts[0]);
    for (std::size_t t = 1; t < 4; ++t) ASSERT_EQ(table(rows, table_starts[t]), first);
    for (const auto& row : first) {
      ASSERT_EQ(row.size(), 15u) << row;
      ASSERT_EQ(row.find('*'), std::string::npos) << row;
    }
  }
}

}  // namespace
