// Strong electrolytes: the worked example, the order of the draws, and the
// physical shape of both experiments over many seeds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_support.hpp"

extern const labcore::Program strong_electrolyte_gen;

namespace {

constexpr std::size_t prologue = 8;
constexpr std::size_t records = 3 + 2 * 26 + 6 + 3 * 6;
// First record of each table (1-based, after the prologue).
constexpr std::size_t transference_rows[] = {9, 35};
constexpr std::size_t conductance_rows[] = {63, 69, 75};

TEST(StrongElectrolyte, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(strong_electrolyte_gen, 12345, 67890);
  const double l0cation[] = {49.3232, 51.7603, 66.8697};
  const double bsmallplus[] = {49.0832, 45.1470, 47.3381};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_NEAR(labtest::hidden(ds, "l0cation(" + std::to_string(i) + ")"), l0cation[i - 1], 5e-5);
    EXPECT_NEAR(labtest::hidden(ds, "bsmallplus(" + std::to_string(i) + ")"), bsmallplus[i - 1], 5e-5);
  }
  EXPECT_NEAR(labtest::hidden(ds, "l0anion"), 42.1996, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "bsmallminus"), 43.3936, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "area(1)"), 0.119909, 5e-7);
  EXPECT_NEAR(labtest::hidden(ds, "current(1)"), 0.00154007, 5e-9);
  EXPECT_NEAR(labtest::hidden(ds, "transnumbplus(1)"), 0.542244, 5e-7);
  EXPECT_NEAR(labtest::hidden(ds, "area(2)"), 0.115961, 5e-7);
  EXPECT_NEAR(labtest::hidden(ds, "current(2)"), 0.00169038, 5e-9);
  EXPECT_NEAR(labtest::hidden(ds, "spcondh2o"), 1.14420e-6, 5e-12);
  EXPECT_EQ(ds.seeds.draws, 13);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), prologue + records);
  const auto row = [&](std::size_t n) { return rows[prologue + n - 1]; };
  EXPECT_EQ(row(6), " conc =,  0.015,current =,   0.00154,");
  EXPECT_EQ(row(9), "  0.0,      0.,       0.0,");
  EXPECT_EQ(row(10), "  0.5,    104.,      56.3,");
  EXPECT_EQ(row(29), " 10.0,   2078.,    1126.9,");
  EXPECT_EQ(row(32), " conc =,  0.085,current =,   0.00169,");
  EXPECT_EQ(row(55), " 10.0,  10070.,    5626.2,");
  EXPECT_EQ(row(57), " Equivalent Conductance Experiments, ");
  EXPECT_EQ(row(62), " AX,");
  EXPECT_EQ(row(63), " 0.010, 1184.48,,,  0.4584,");
  EXPECT_EQ(row(67), " 0.100,  134.32,,,  0.4521,");
  EXPECT_EQ(row(79), " 0.100,  110.42,,,  0.3716,");
  // The blank space at the end of the row format is not written.
  EXPECT_EQ(ds.text.find('\t'), std::string::npos);
}

// The numbers of a CSV row.
std::vector<double> numbers(const std::string& row) {
  std::vector<double> out;
  const char* p = row.c_str();
  while (*p != '\0') {
    char* end = nullptr;
    const double x = std::strtod(p, &end);
    if (end != p) out.push_back(x), p = end;
    else ++p;
  }
  return out;
}

TEST(StrongElectrolyte, ExperimentsBehaveOverManySeeds) {
  for (const auto& [seed1, s2] : labtest::seed_pairs(200, 1234567u)) {
    const auto ds = labtest::data_set(strong_electrolyte_gen, seed1, s2);
    ASSERT_EQ(ds.seeds.draws, 13);
    // The cation bands meet only at their ends.
    ASSERT_LE(labtest::hidden(ds, "l0cation(1)"), labtest::hidden(ds, "l0cation(2)"));
    ASSERT_LE(labtest::hidden(ds, "l0cation(2)"), labtest::hidden(ds, "l0cation(3)"));
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), prologue + records);
    ASSERT_EQ(ds.text.find('*'), std::string::npos);

    // The boundary needs longer than the whole current would take (t+ < 1),
    // and starts at time 0.
    for (const std::size_t first : transference_rows) {
      ASSERT_EQ(numbers(rows[prologue + first - 1]), (std::vector<double>{0.0, 0.0, 0.0}));
      const auto last = numbers(rows[prologue + first + 19]);
      ASSERT_EQ(last.size(), 3u);
      ASSERT_EQ(last[0], 10.0);
      ASSERT_GT(last[1], last[2]);
    }
    // The resistance falls as the solution gets more concentrated; the
    // anion's transference number stays between 0 and 1.
    for (const std::size_t first : conductance_rows) {
      double previous = 1e30;
      for (std::size_t j = 0; j < 5; ++j) {
        const auto r = numbers(rows[prologue + first + j - 1]);
        ASSERT_EQ(r.size(), 3u);
        ASSERT_LT(r[1], previous);
        previous = r[1];
        ASSERT_GT(r[2], 0.0);
        ASSERT_LT(r[2], 1.0);
      }
    }
  }
}

}  // namespace
