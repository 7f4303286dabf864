// Self-ionization of water: the worked example, the range of the drawn
// temperature and molality index, and the consistency of the two EMF tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/test_support.hpp"

extern const labcore::Program water_ionization_gen;

namespace {

constexpr std::size_t prologue_records = 8;
constexpr std::size_t first_row = prologue_records + 8;    // rows 9-24 of the tables
constexpr std::size_t second_row = prologue_records + 28;  // rows 29-44

std::vector<std::string> table(const std::vector<std::string>& rows, std::size_t first) {
  return {rows.begin() + static_cast<std::ptrdiff_t>(first), rows.begin() + static_cast<std::ptrdiff_t>(first + 16)};
}

TEST(WaterIonization, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(water_ionization_gen, 12345, 67890);
  EXPECT_EQ(labtest::hidden(ds, "tc"), 57);
  EXPECT_EQ(labtest::hidden(ds, "n"), 5);
  EXPECT_EQ(labtest::hidden(ds, "m13"), static_cast<double>(0.015f));
  EXPECT_NEAR(labtest::hidden(ds, "q(1)"), 0.0560072, 5e-8);
  EXPECT_NEAR(labtest::hidden(ds, "q(2)"), -0.0140581, 5e-8);
  EXPECT_NEAR(labtest::hidden(ds, "q(3)"), 0.00402940, 5e-9);
  EXPECT_NEAR(labtest::hidden(ds, "q(4)"), -0.000294006, 5e-10);
  EXPECT_NEAR(labtest::hidden(ds, "eacoeff(1)"), 1.073044, 5e-7);
  EXPECT_NEAR(labtest::hidden(ds, "eacoeff(2)"), -0.334298, 5e-7);
  EXPECT_NEAR(labtest::hidden(ds, "eacoeff(3)"), 0.259637, 5e-7);
  EXPECT_NEAR(labtest::hidden(ds, "eacoeff(4)"), -0.0428082, 5e-8);
  EXPECT_EQ(ds.seeds.draws, 2 + 8);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), prologue_records + 44);
  EXPECT_EQ(rows[prologue_records + 0], "F = ,96487.0,J/mol,");
  EXPECT_EQ(rows[prologue_records + 1], "T = , 330.15,K,");
  EXPECT_EQ(rows[prologue_records + 2], "R = , 8.314463,J/K-mol,");
  // The heading of the first table is one record made of two texts.
  EXPECT_EQ(rows[prologue_records + 6],
            " m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,I,root(I),ln(gamma),m's,"
            "ln(m's),RT/F ln(m's),ln(g's),RT/F ln(g's),");
  EXPECT_EQ(rows[first_row], " 0.0050, 0.0150,,  1.03140,  0.38190,");
  EXPECT_EQ(rows[first_row + 1], " 0.0100, 0.0150,,  1.02720,  0.39192,");
  EXPECT_EQ(rows[first_row + 15], " 3.0000, 0.0150,,  1.11488,  0.48537,");
  EXPECT_EQ(rows[second_row - 1],
            " m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,RT/F ln(m's),RT/F ln(g's),eqn.left side,");
  EXPECT_EQ(table(rows, second_row), table(rows, first_row));
}

TEST(WaterIonization, DrawsOfExactlyOneStayInRange) {
  // Both seeds 0 make every single-precision draw exactly 1.0, which
  // would otherwise give 61 degrees and a sixth molality.
  const auto ds = labtest::data_set(water_ionization_gen, 0, 0);
  EXPECT_EQ(labtest::hidden(ds, "tc"), 60);
  EXPECT_EQ(labtest::hidden(ds, "n"), 5);
  EXPECT_EQ(labtest::hidden(ds, "m13"), static_cast<double>(0.015f));
  EXPECT_EQ(labtest::hidden(ds, "q(4)"), static_cast<double>(-(0.0001f * 5.5f)));
  EXPECT_EQ(labtest::hidden(ds, "q(3)"), static_cast<double>(0.001f * 5.0f));
  EXPECT_EQ(ds.seeds.draws, 2 + 8);
  EXPECT_EQ(labtest::lines(ds.text)[prologue_records + 1], "T = , 333.15,K,");
}

TEST(WaterIonization, AtZeroDegreesKwIsTheConstantTerm) {
  const auto ds = labtest::data_set(water_ionization_gen, 71334, 17095);
  EXPECT_EQ(labtest::hidden(ds, "tc"), 0);
  EXPECT_EQ(labtest::hidden(ds, "kw"), static_cast<double>(1.15982e-15f));
  EXPECT_EQ(labtest::lines(ds.text)[prologue_records + 1], "T = , 273.15,K,");
}

TEST(WaterIonization, TablesOverManySeeds) {
  const std::vector<float> mab{0.005f, 0.0075f, 0.01f, 0.0125f, 0.015f};
  for (const auto& [seed1, seed2] : labtest::seed_pairs(200, 88172645u)) {
    const auto ds = labtest::data_set(water_ionization_gen, seed1, seed2);
    const double tc = labtest::hidden(ds, "tc");
    ASSERT_GE(tc, 0);
    ASSERT_LE(tc, 60);
    const double m13 = labtest::hidden(ds, "m13");
    ASSERT_TRUE(std::any_of(mab.begin(), mab.end(), [m13](float m) { return static_cast<double>(m) == m13; }));
    ASSERT_EQ(ds.seeds.draws, 10);
    for (int i = 1; i <= 16; ++i) {
      const std::string at = "(" + std::to_string(i) + ")";
      // The split deviation leaves E_A - E_B = ideal difference + deviation.
      const double diff = labtest::hidden(ds, "ea" + at) - labtest::hidden(ds, "eb" + at);
      const double want = labtest::hidden(ds, "eadiffeb" + at) + labtest::hidden(ds, "qtot" + at);
      ASSERT_NEAR(diff, want, 1e-5) << seed1 << " " << seed2 << " " << i;
    }
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), prologue_records + 44);
    ASSERT_EQ(table(rows, second_row), table(rows, first_row));
    for (const auto& row : table(rows, first_row)) {
      ASSERT_EQ(row.size(), 37u) << row;
      ASSERT_EQ(row.find('*'), std::string::npos) << row;
    }
  }
}

}  // namespace
