// Ammonia synthesis equilibrium: the worked example, the record layout over
// many seeds and the failure of a gas below its critical temperature.
#include <gtest/gtest.h>

#include <string>

#include "reaction_equilibria/vdw_volume.hpp"
#include "support/test_support.hpp"

extern const labcore::Program ammonia_equilibrium_gen;

namespace {

constexpr std::size_t prologue = 8;  // form C with the reaction record
constexpr std::size_t block = 97;    // records per temperature

void check_layout(const labtest::DataSet& ds) {
  ASSERT_EQ(ds.seeds.draws, 11);
  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), prologue + 3 + 2 * block);
  EXPECT_EQ(ds.text.find('*'), std::string::npos);
  // Each block starts with its temperature heading and ends with the Kp table.
  for (std::size_t t = 0; t < 2; ++t) {
    const std::size_t b = prologue + 3 + t * block;
    EXPECT_EQ(rows[b + 1].substr(0, 14), "Temperature , ");
    EXPECT_EQ(rows[b + 75], " P(atm),Kp,");
    EXPECT_EQ(rows[b + 95].substr(0, 7), "500.0, ");
  }
  // Exothermic (delh < 0): Keq falls with temperature.
  const double delh = labtest::hidden(ds, "delh");
  const double k1 = labtest::hidden(ds, "keq(1)"), k2 = labtest::hidden(ds, "keq(2)");
  EXPECT_EQ(delh < 0.0, k1 > k2);
  EXPECT_GE(k2, 0.2);
  EXPECT_LE(k2, 0.3000001);  // the width 0.1 has single-precision accuracy
}

TEST(Ammonia, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(ammonia_equilibrium_gen, 12345, 67890);
  check_layout(ds);
  EXPECT_EQ(labtest::hidden(ds, "tc(1)"), 241.53961030806735);
  EXPECT_EQ(labtest::hidden(ds, "tc(2)"), 122.00317437307436);
  EXPECT_EQ(labtest::hidden(ds, "tc(3)"), 160.871446237002);
  EXPECT_EQ(labtest::hidden(ds, "pc(1)"), 66.33275442211149);
  EXPECT_EQ(labtest::hidden(ds, "pc(2)"), 50.588078009889756);
  EXPECT_EQ(labtest::hidden(ds, "pc(3)"), 59.3524924362832);
  EXPECT_EQ(labtest::hidden(ds, "tt(1)"), 254.3991987472083);
  EXPECT_EQ(labtest::hidden(ds, "tt(2)"), 383.9362524843688);
  EXPECT_EQ(labtest::hidden(ds, "delh"), -41704.79315300818);
  EXPECT_EQ(labtest::hidden(ds, "keq(2)"), 0.27980701049669654);
  EXPECT_EQ(labtest::hidden(ds, "keq(1)"), 1.8234625890790106);

  const auto rows = labtest::lines(ds.text);
  EXPECT_EQ(rows[8], "lower temperature:,   254.40 ,\"C\",,,,,");
  EXPECT_EQ(rows[9], "upper temperature:,   383.94 ,\"C\",,,,,");
  const std::size_t lower = prologue + 3, upper = lower + block;
  EXPECT_EQ(rows[lower + 1], "Temperature ,  254.40, C");
  EXPECT_EQ(rows[lower + 6], " 10.0,   4308.8, ");
  EXPECT_EQ(rows[lower + 25], "500.0,     91.6, ");
  EXPECT_EQ(rows[lower + 76], " 10.0,    1.82019, ");
  EXPECT_EQ(rows[lower + 95], "500.0,    1.82411, ");
  EXPECT_EQ(rows[upper + 1], "Temperature ,  383.94, C");
  EXPECT_EQ(rows[upper + 76], " 10.0,    0.27980, ");
  EXPECT_EQ(rows[upper + 95], "500.0,    0.29437, ");
}

TEST(Ammonia, LayoutOverManySeeds) {
  for (const auto& [seed1, seed2] : labtest::seed_pairs(100, 362436069u)) {
    SCOPED_TRACE(std::to_string(seed1) + " " + std::to_string(seed2));
    check_layout(labtest::data_set(ammonia_equilibrium_gen, seed1, seed2));
    if (HasFailure()) break;
  }
  check_layout(labtest::data_set(ammonia_equilibrium_gen, 0, 0));
}

TEST(Ammonia, ThreeRealRootsBelowTheCriticalTemperatureFail) {
  // Gas A of the example (tc 241.5 K, pc 66.3 atm) at 200 K and 30 atm lies
  // inside the loop of its van der Waals isotherm: the cubic has three roots.
  const double r = 82.05745697021484, tc = 241.53961030806735, pc = 66.33275442211149;
  const double a = ((181802.50859930384 * tc) * tc) / (64.0 * pc);
  const double b = (r * tc) / (8.0 * pc);
  EXPECT_GT(vdw_volume::molar_volume(a, b, r * 523.15, 40.0, 4, 1), 0.0);
  try {
    vdw_volume::molar_volume(a, b, r * 200.0, 30.0, 3, 1);
    FAIL() << "no failure";
  } catch (const labcore::Failure& f) {
    EXPECT_EQ(f.status(), labcore::exit_computation_failed);
    ASSERT_EQ(f.records().size(), 2u);
    EXPECT_EQ(f.records()[0].substr(0, 23), "  3 real roots at: j = ");
    EXPECT_NE(f.records()[0].find("    i = "), std::string::npos);
    EXPECT_EQ(f.records()[1].substr(0, 36), "  calculation fails.  pressure(j) = ");
    EXPECT_NE(f.records()[1].find("30.0"), std::string::npos);
  }
}

}  // namespace
