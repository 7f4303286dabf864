// Partial molar volumes: the worked example and the shape of both density
// tables over many seeds.
#include <gtest/gtest.h>

#include <string>

#include "support/test_support.hpp"

extern const labcore::Program molar_volume_gen;

namespace {

// After the 8 prologue records: 10 electrolyte header records, numelec rows,
// 11 nonelectrolyte header records and 19 rows.
constexpr std::size_t electrolyte_at = 8;

TEST(MolarVolume, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(molar_volume_gen, 12345, 67890);
  EXPECT_EQ(ds.seeds.draws, 7);
  EXPECT_EQ(labtest::hidden(ds, "numelec"), 13);
  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), 8u + 10u + 13u + 11u + 19u);
  EXPECT_EQ(rows[electrolyte_at + 4], "Temp(C) =, 38.9,");
  EXPECT_EQ(rows[electrolyte_at + 5], "dens water ,  0.9942,g/mL,, 55.5093,moles water in 1kg water,");
  EXPECT_EQ(rows[electrolyte_at + 7], "MW electrolyte =, 150.832,");
  EXPECT_EQ(rows[electrolyte_at + 10], "  0.2,,,  0.9955,");
  EXPECT_EQ(rows[electrolyte_at + 22], " 18.8,,,  1.2005,");  // the last row at most 20 wt%
  EXPECT_EQ(rows[electrolyte_at + 23], " ,");
  EXPECT_EQ(rows[rows.size() - 20],
            "% by wt,molality,molality^(1/2),density,phiv,dphi/dm^0.5,dphi/dm,V2,V1,total V,"
            "moles solute,X solute,X water,ideal V,expt V,excess V,");
  EXPECT_EQ(rows.back(), " 98.8,,,  1.0314,");
}

TEST(MolarVolume, TablesOverManySeeds) {
  std::uint32_t seed = 88172645u;
  int shortest = 39, longest = 0;
  for (int k = 0; k < 300; ++k) {
    seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
    const auto seed1 = static_cast<std::int32_t>(seed);
    seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
    const auto seed2 = static_cast<std::int32_t>(seed);
    const auto ds = labtest::data_set(molar_volume_gen, seed1, seed2);
    ASSERT_EQ(ds.seeds.draws, 7);

    // The electrolyte table is cut at the first solution above 20 wt%.
    const int numelec = static_cast<int>(labtest::hidden(ds, "numelec"));
    ASSERT_GE(numelec, 12);
    ASSERT_LE(numelec, 28);
    shortest = std::min(shortest, numelec);
    longest = std::max(longest, numelec);
    ASSERT_LE(labtest::hidden(ds, "compelec(" + std::to_string(numelec) + ")"), 20.0);
    ASSERT_GT(labtest::hidden(ds, "compelec(" + std::to_string(numelec + 1) + ")"), 20.0);

    const auto rows = labtest::lines(ds.text);
    const std::size_t n = static_cast<std::size_t>(numelec);
    ASSERT_EQ(rows.size(), 8u + 10u + n + 11u + 19u);
    const std::size_t nonelectrolyte_at = electrolyte_at + 10 + n;
    ASSERT_EQ(rows[nonelectrolyte_at + 2], " Nonelectrolyte,");
    for (std::size_t r = 4; r <= 6; ++r) ASSERT_EQ(rows[electrolyte_at + r], rows[nonelectrolyte_at + r]);

    for (std::size_t r = electrolyte_at + 10; r < nonelectrolyte_at; ++r) {
      ASSERT_EQ(rows[r].size(), 17u) << rows[r];
      ASSERT_EQ(rows[r].find('*'), std::string::npos) << rows[r];
    }
    // Nineteen mixtures whose weight percent rises from row to row.
    double previous = 0.0;
    for (std::size_t r = rows.size() - 19; r < rows.size(); ++r) {
      ASSERT_EQ(rows[r].size(), 17u) << rows[r];
      ASSERT_EQ(rows[r].find('*'), std::string::npos) << rows[r];
      const double wt = std::stod(rows[r].substr(0, 5));
      ASSERT_GT(wt, previous) << rows[r];
      previous = wt;
    }
    ASSERT_GT(previous, 98.0);
  }
  EXPECT_LE(shortest, 14);
  EXPECT_GE(longest, 20);
}

}  // namespace
