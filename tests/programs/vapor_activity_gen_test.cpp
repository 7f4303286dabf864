// Activity coefficients from vapor pressure: the worked example and the
// law of R over many seeds.
#include <gtest/gtest.h>

#include <cmath>

#include "support/test_support.hpp"

extern const labcore::Program vapor_activity_gen;

namespace {

const double molality[10] = {0.1, 0.2, 0.3, 0.5, 0.7, 1.0, 1.5, 2.0, 3.0, 4.0};

TEST(VaporActivity, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(vapor_activity_gen, 12345, 67890);
  EXPECT_NEAR(labtest::hidden(ds, "mu"), 1.141540, 5e-7);
  EXPECT_NEAR(labtest::hidden(ds, "rhi"), 0.0330917, 5e-8);
  EXPECT_NEAR(labtest::hidden(ds, "rlo"), 0.0311467, 5e-8);
  // The root of 0.1 in the law's condition is the single-precision one.
  EXPECT_EQ(labtest::hidden(ds, "s"), 0.1 - (labtest::hidden(ds, "mu") * 2.0) * 0.3162277638912201);
  EXPECT_EQ(ds.seeds.draws, 3);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), 8u + 26u);
  // One backslash, two blanks between the two texts, the double quotes kept.
  EXPECT_EQ(rows[11],
            "m,sqrt(m),R,mR,p/po,log(as),ln(as),phi,phi-1,(phi-1)/m^0.5,integ\\m^0.5,  ln(g),log(g),g,"
            "\"log(g),DH\",\"g,DH\",\"log(g),extDH\",\"g,extDH\",\"log(g),DAV\",\"g,DAV\"");
  const char* r[10] = {"0.03309", "0.03235", "0.03186", "0.03125", "0.03089",
                       "0.03062", "0.03057", "0.03082", "0.03185", "0.03330"};
  const char* m[10] = {"0.1000", "0.2000", "0.3000", "0.5000", "0.7000",
                       "1.0000", "1.5000", "2.0000", "3.0000", "4.0000"};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(rows[12 + i], std::string(" ") + m[i] + ",,   " + r[i] + ",");
}

TEST(VaporActivity, RIsAParabolaInRootMWithItsMinimumAtMu) {
  for (const auto& [s1, s2] : labtest::seed_pairs(300, 123456789u)) {
    const auto ds = labtest::data_set(vapor_activity_gen, s1, s2);
    ASSERT_EQ(ds.seeds.draws, 3);
    const double mu = labtest::hidden(ds, "mu"), rhi = labtest::hidden(ds, "rhi");
    const double rlo = labtest::hidden(ds, "rlo");
    const double a = labtest::hidden(ds, "a"), b = labtest::hidden(ds, "b");
    const double c = labtest::hidden(ds, "c");
    ASSERT_GE(mu, 1.0);
    ASSERT_LE(mu, 1.15);
    ASSERT_GT(a, 0.0);
    ASSERT_NEAR(a * 0.1 + b * std::sqrt(0.1) + c, rhi, 1e-10);
    ASSERT_NEAR(c - a * mu, rlo, 1e-15);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), 34u);
    for (int i = 0; i < 10; ++i) {
      const std::string& row = rows[12 + i];
      ASSERT_EQ(row.size(), 20u) << row;
      const double written = std::stod(row.substr(10, 10));
      const double x = molality[i];
      ASSERT_NEAR(written, (std::sqrt(x) * b + x * a) + c, 5e-6) << row;
    }
  }
}

}  // namespace
