// Gas-mixture molar volumes: the worked example, the single-root volume and
// its failure below the critical temperature, and the table over many seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gases/gas_volume.hpp"
#include "labcore/records.hpp"
#include "support/test_support.hpp"

extern const labcore::Program gas_mixture_volume_gen;

namespace {

constexpr float r = 83.145f;

std::vector<double> cells(const std::string& row) {
  std::vector<double> out;
  std::size_t start = 0;
  for (std::size_t comma = row.find(','); comma != std::string::npos; comma = row.find(',', start)) {
    out.push_back(std::stod(row.substr(start, comma - start)));
    start = comma + 1;
  }
  out.push_back(std::stod(row.substr(start)));
  return out;
}

TEST(GasMixtureVolume, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(gas_mixture_volume_gen, 12345, 67890);
  EXPECT_EQ(labtest::hidden(ds, "tc(1)"), static_cast<double>(241.53961f));
  EXPECT_EQ(labtest::hidden(ds, "pc(1)"), static_cast<double>(66.332756f));
  EXPECT_NEAR(labtest::hidden(ds, "tc(2)"), 122.00317, 5e-6);  // given to 8 digits
  EXPECT_EQ(labtest::hidden(ds, "pc(2)"), static_cast<double>(50.588078f));
  EXPECT_EQ(labtest::hidden(ds, "kij"), static_cast<double>(-0.018838070f));
  EXPECT_EQ(labtest::hidden(ds, "t"), static_cast<double>(295.01437f));
  EXPECT_EQ(ds.seeds.draws, 158);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), 6u + 4u + 20u);
  EXPECT_EQ(rows[6], R"(temperature:,   295.01 ,"K",,,,,)");
  EXPECT_EQ(rows[8], R"(  ,"mole fractions x1",,,,,,)");
  EXPECT_EQ(rows[9], "  P(bar) ,     0.000,     0.036,     0.278,     0.569,     0.658,     0.942,     1.000");
  EXPECT_EQ(rows[10], "     30.0,    808.41,    806.93,    795.71,    778.93,    773.08,    751.71,    746.77");
  EXPECT_EQ(rows.back().substr(0, 10), "    125.0,");
}

TEST(GasMixtureVolume, GasVolumeIsTheOneRootOfTheVanDerWaalsCubic) {
  labcore::StringSink sink;
  labcore::SeedPair seeds;
  labcore::Run run(sink, seeds);
  // A gas of Tc = 200 K and Pc = 50 bar.
  const float a = ((186653.44f * 200.0f) * 200.0f) / (64.0f * 50.0f);
  const float b = (r * 200.0f) / (8.0f * 50.0f);
  const float rt = r * 300.0f;
  for (float p : {1.0f, 30.0f, 80.0f, 125.0f}) {
    const float v = gases::gas_volume(run, a, b, rt, p);
    ASSERT_GT(v, b);
    EXPECT_NEAR(rt / (v - b) - a / (v * v), p, 2e-4f * p) << p;
  }
  // Nearly ideal at 1 bar.
  EXPECT_NEAR(gases::gas_volume(run, a, b, rt, 1.0f), rt, 0.01f * rt);

  // Below the critical temperature, at a pressure inside the loop, the
  // cubic has three real roots: the run fails and keeps its records.
  run.file().list(",,,,,,,");
  try {
    gases::gas_volume(run, a, b, r * 180.0f, 32.5f);
    FAIL() << "three real roots were accepted";
  } catch (const labcore::Failure& failure) {
    EXPECT_EQ(failure.status(), labcore::exit_computation_failed);
    EXPECT_EQ(failure.records(),
              std::vector<std::string>{"  calculation fails. 3 real roots at a composition.  We want only one! "});
  }
  EXPECT_EQ(sink.text, " ,,,,,,,\n");
}

TEST(GasMixtureVolume, TableOverManySeeds) {
  for (const auto& [seed1, seed2] : labtest::seed_pairs(200, 2463534242u)) {
    const auto ds = labtest::data_set(gas_mixture_volume_gen, seed1, seed2);
    ASSERT_EQ(ds.seeds.draws, 158);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), 30u);
    ASSERT_EQ(ds.text.find('*'), std::string::npos);

    // Pure gases at the ends, the five mixtures within 0.07 of nominal.
    const auto x1 = cells(rows[9].substr(10));
    ASSERT_EQ(x1.size(), 7u);
    const double nominal[7] = {0.0, 0.1, 0.3, 0.5, 0.7, 0.9, 1.0};
    ASSERT_EQ(rows[9].substr(0, 20), "  P(bar) ,     0.000");
    ASSERT_EQ(rows[9].substr(rows[9].size() - 11), ",     1.000");
    for (int i = 1; i < 6; ++i) ASSERT_NEAR(x1[i], nominal[i], 0.0705);

    // Volumes fall with pressure; the pure-gas columns are the volumes of
    // the pure gases.
    const float t = static_cast<float>(labtest::hidden(ds, "t"));
    labcore::StringSink sink;
    labcore::SeedPair seeds;
    labcore::Run run(sink, seeds);
    std::vector<double> previous;
    for (int j = 0; j < 20; ++j) {
      const auto row = cells(rows[static_cast<std::size_t>(10 + j)]);
      ASSERT_EQ(row.size(), 8u);
      ASSERT_EQ(row[0], 30.0 + 5.0 * j);
      const float p = static_cast<float>(row[0]);
      for (int gas = 1; gas <= 2; ++gas) {
        const float a = static_cast<float>(labtest::hidden(ds, "a(" + std::to_string(gas) + ")"));
        const float b = static_cast<float>(labtest::hidden(ds, "b(" + std::to_string(gas) + ")"));
        const double v = static_cast<double>(gases::gas_volume(run, a, b, r * t, p));
        ASSERT_NEAR(row[gas == 1 ? 7 : 1], v, 0.016) << "gas " << gas << " at " << p << " bar";
      }
      for (std::size_t i = 1; i < row.size() && !previous.empty(); ++i) ASSERT_LT(row[i], previous[i]);
      previous = row;
    }
  }
}

}  // namespace
