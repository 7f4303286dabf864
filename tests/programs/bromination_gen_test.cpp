// Bromination of acetone: the worked example, and the length of the run
// records over many seeds.
#include <gtest/gtest.h>

#include <cstdio>
#include <span>

#include "labcore/records.hpp"
#include "support/test_support.hpp"

extern const labcore::Program bromination_gen;

namespace {

std::string digits8(double x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.8g", x);
  return buf;
}

// The run records are the last eight records of the file.
std::vector<std::string> run_records(const labtest::DataSet& ds) {
  const auto rows = labtest::lines(ds.text);
  return {rows.end() - 8, rows.end()};
}

TEST(Bromination, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(bromination_gen, 12345, 67890);
  EXPECT_EQ(ds.seeds.draws, 17);
  EXPECT_EQ(digits8(labtest::hidden(ds, "kref")), "5.2174539e-05");
  const int readings[8] = {11, 7, 6, 4, 9, 7, 5, 5};
  for (int i = 1; i <= 8; ++i)
    EXPECT_EQ(labtest::hidden(ds, "abspos(" + std::to_string(i) + ")"), readings[i - 1]) << "run " << i;
  const auto runs = run_records(ds);
  EXPECT_EQ(runs[0], ",  1, 0.6326, 0.5763, 0.5199, 0.4636, 0.4072, 0.3509, 0.2946, 0.2382, 0.1819, 0.1255, 0.0692,");
  EXPECT_EQ(runs[3], ",  4, 0.5898, 0.4359, 0.2819, 0.1279,");
  const auto rows = labtest::lines(ds.text);
  EXPECT_EQ(rows[rows.size() - 9],
            "abs,run,     0.,    45.,    90.,   135.,   180.,   225.,   270.,   315.,   360.,   405.,   450.,"
            "   495.,   540.,   585.,   630.,");
}

TEST(Bromination, RunRecordEndsAfterItsLastReading) {
  // A run without readings keeps only its number between commas.
  labcore::StringSink sink;
  labcore::Records out(sink);
  const double none[1] = {0.0};
  out.write(R"((",",i3,",",15(f7.4,",")))", 3, std::span<const double>(none, std::size_t{0}));
  EXPECT_EQ(sink.text, ",  3,\n");

  // Over many seeds: every reported reading is above 0.05 and the first one
  // left out is not, recomputed from the run's hidden rate and start.
  int shortest = 15, longest = 0;
  for (const auto& [seed1, seed2] : labtest::seed_pairs(200, 88172645u)) {
    const auto ds = labtest::data_set(bromination_gen, seed1, seed2);
    ASSERT_EQ(ds.seeds.draws, 17);
    const auto runs = run_records(ds);
    for (int i = 1; i <= 8; ++i) {
      const std::string n = "(" + std::to_string(i) + ")";
      const int abspos = static_cast<int>(labtest::hidden(ds, "abspos" + n));
      const double rate = labtest::hidden(ds, "rates" + n);
      const double start = labtest::hidden(ds, "concbr2start" + n);
      ASSERT_GE(abspos, 1);
      ASSERT_LE(abspos, 15);
      shortest = std::min(shortest, abspos);
      longest = std::max(longest, abspos);
      const auto absbr = [&](int j) { return 160.0 * (start - (45.0 * (j - 1)) * rate); };
      for (int j = 1; j <= abspos; ++j) ASSERT_GT(absbr(j), 0.05);
      if (abspos < 15) {
        ASSERT_LE(absbr(abspos + 1), 0.05);
      }
      ASSERT_EQ(runs[i - 1].size(), 5u + 8u * static_cast<unsigned>(abspos)) << runs[i - 1];
      ASSERT_EQ(runs[i - 1].back(), ',');
    }
  }
  // Fast runs stop early, the slowest can keep all fifteen readings.
  EXPECT_LE(shortest, 4);
  EXPECT_EQ(longest, 15);
}

}  // namespace
