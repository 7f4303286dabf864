// High-temperature enthalpy data sets: the worked example and the shape of
// the table over many seeds.
#include <gtest/gtest.h>

#include <string>

#include "support/test_support.hpp"

extern const labcore::Program enthalpy_gen;

namespace {

constexpr std::size_t fixed_rows = 8 + 6;  // prologue and headings

TEST(Enthalpy, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(enthalpy_gen, 12345, 67890);
  const std::pair<const char*, float> expected[] = {
      {"slope", 0.15435974f}, {"intercept", 20.699478f}, {"cp_298", 219.74773f}, {"c", 1840047.5f},
      {"a", 148.40250f},      {"d", -64139.320f},        {"num_t", 10.0f}};
  for (const auto& [name, value] : expected) EXPECT_EQ(labtest::hidden(ds, name), static_cast<double>(value)) << name;
  EXPECT_EQ(ds.seeds.draws, 4 + 2 * 10);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), fixed_rows + 10);
  EXPECT_EQ(rows[8], " Cp(298) = ,   219.747726    ");  // a list-directed float
  const std::vector<std::string> table(rows.end() - 10, rows.end());
  EXPECT_EQ(table, (std::vector<std::string>{
                       " 426.40,.313636E+05,", " 520.20,.586231E+05,", " 532.59,.618933E+05,",
                       " 603.62,.843107E+05,", " 621.69,.907846E+05,", " 643.49,.984804E+05,",
                       " 840.29,.172561E+06,", " 878.84,.187183E+06,", " 971.14,.226942E+06,",
                       " 997.28,.238321E+06,"}));
}

TEST(Enthalpy, TableShapeOverManySeeds) {
  // Both seeds 0 make every draw 1.0: twelve temperatures, the most.
  std::vector<std::pair<std::int32_t, std::int32_t>> seeds{{0, 0}};
  for (const auto& pair : labtest::seed_pairs(300, 2463534242u)) seeds.push_back(pair);
  int seen[13] = {};
  for (const auto& [s1, s2] : seeds) {
    const auto ds = labtest::data_set(enthalpy_gen, s1, s2);
    const int n = static_cast<int>(labtest::hidden(ds, "num_t"));
    ASSERT_TRUE(n >= 8 && n <= 12) << n;
    ++seen[n];
    ASSERT_EQ(ds.seeds.draws, 4 + 2 * n);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), fixed_rows + n);
    double prev = 400.0;
    for (std::size_t i = fixed_rows; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i].size(), 20u) << rows[i];
      ASSERT_EQ(rows[i].find('*'), std::string::npos) << rows[i];
      ASSERT_EQ(rows[i].substr(7, 2), ",.") << rows[i];  // a positive increment
      const double temp = std::stod(rows[i].substr(0, 7));
      ASSERT_TRUE(temp >= prev && temp <= 1000.0) << rows[i];  // ascending in 400..1000 K
      prev = temp;
    }
  }
  EXPECT_EQ(labtest::hidden(labtest::data_set(enthalpy_gen, 0, 0), "num_t"), 12);
  for (int n = 8; n <= 12; ++n) EXPECT_GT(seen[n], 0) << n;
}

}  // namespace
