// First-order kinetics: the worked example and the shape of the pressure
// tables over many seeds.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_support.hpp"

extern const labcore::Program first_order_gen;

namespace {

std::string digits8(double x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.8g", x);
  return buf;
}

// The records after the prologue's eight, split into the five temperature
// tables (each ends with its "," record).
std::vector<std::vector<std::string>> tables(const labtest::DataSet& ds) {
  const auto rows = labtest::lines(ds.text);
  std::vector<std::vector<std::string>> out(1);
  for (std::size_t k = 8; k < rows.size(); ++k) {
    out.back().push_back(rows[k]);
    if (rows[k] == " ,") out.emplace_back();
  }
  out.pop_back();
  return out;
}

TEST(FirstOrder, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(first_order_gen, 12345, 67890);
  EXPECT_EQ(ds.seeds.draws, 9);
  EXPECT_EQ(digits8(labtest::hidden(ds, "l")), "2924.5549");
  EXPECT_EQ(digits8(labtest::hidden(ds, "q")), "9.2397957");
  EXPECT_EQ(digits8(labtest::hidden(ds, "f")), "-12073.344");
  EXPECT_EQ(digits8(labtest::hidden(ds, "g")), "35.594818");
  EXPECT_NEAR(labtest::hidden(ds, "krate(1)"), 0.0073, 0.00005);

  const auto t = tables(ds);
  ASSERT_EQ(t.size(), 5u);
  const std::vector<std::string> first(t[0].begin(), t[0].begin() + 7);
  EXPECT_EQ(first, (std::vector<std::string>{"\"temp = \", 25.0", "\" Kp = \",  79.44549",
                                             "\"final pressure = \",  562.3", "  time(min), Ptot ",
                                             "    1.0,  330.7", "    2.0,  333.7", "    3.0,  336.4"}));
  EXPECT_EQ(t[4][2], "\"final pressure = \",  798.2");
  EXPECT_EQ(t[4][4], "    1.0,  646.0");
  EXPECT_EQ(t[4][5], "    2.0,  737.0");
}

TEST(FirstOrder, TablesStopNearTheFinalPressure) {
  for (const auto& [seed1, seed2] : labtest::seed_pairs(150, 362436069u)) {
    const auto ds = labtest::data_set(first_order_gen, seed1, seed2);
    ASSERT_EQ(ds.seeds.draws, 9);
    const auto t = tables(ds);
    ASSERT_EQ(t.size(), 5u);
    for (int i = 1; i <= 5; ++i) {
      const auto& table = t[i - 1];
      const double pf = labtest::hidden(ds, "pf(" + std::to_string(i) + ")");
      ASSERT_GE(pf, 400.0);
      ASSERT_LE(pf, 800.0);
      ASSERT_GE(table.size(), 5u);
      ASSERT_LE(table.size(), 5u + 57u);
      // The pressure rises towards pf in every row.
      double last = 0.0;
      for (std::size_t r = 4; r + 1 < table.size(); ++r) {
        ASSERT_EQ(table[r].size(), 15u) << table[r];
        const double p = std::stod(table[r].substr(8));
        ASSERT_GE(p, last) << table[r];
        last = p;
      }
      ASSERT_LE(last, pf + 0.05);
    }
  }
}

}  // namespace
