// The uniform generator: its reference stream, its degenerate seeds and the
// ranges of both precisions.
#include <gtest/gtest.h>

#include <cmath>

#include "labcore/random.hpp"

namespace {

using labcore::random_mod;
using labcore::random_mod_d;
using labcore::SeedPair;

TEST(Uniform, ReferenceStreamForSeeds12345And67890) {
  struct Row { std::int32_t s1, s2, z; float single; double dbl; };
  const Row rows[] = {
      {493972830, 615096481, 2026359911, 0.943597436f, 0.94359740205378229},
      {390105768, 586989507, 1950599823, 0.908318877f, 0.90831886055278743},
      {1781664868, 1466655166, 315009702, 0.146687835f, 0.14668782915382902},
  };
  SeedPair a{12345, 67890}, b{12345, 67890}, c{12345, 67890};
  random_mod single(b);
  random_mod_d dbl(c);
  for (const Row& r : rows) {
    EXPECT_EQ(a.next_z(), r.z);
    EXPECT_EQ(a.iseed1, r.s1);
    EXPECT_EQ(a.iseed2, r.s2);
    EXPECT_EQ(single.r4_uni(), r.single);
    EXPECT_EQ(dbl.r4_uni(), r.dbl);
  }
  EXPECT_EQ(a.draws, 3);
  EXPECT_EQ(b.draws, 3);
}

TEST(Uniform, SeedsOneAndOne) {
  SeedPair s{1, 1};
  EXPECT_EQ(s.next_z(), 2147482884);
  EXPECT_EQ(s.iseed1, 40014);
  EXPECT_EQ(s.iseed2, 40692);
}

TEST(Uniform, ZeroSeedsGiveTheLargestValueForEver) {
  SeedPair a{0, 0}, b{0, 0};
  random_mod single(a);
  random_mod_d dbl(b);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(single.r4_uni(), 1.0f);
    EXPECT_EQ(dbl.r4_uni(), 2147483562.0 / 2147483563.0);
  }
  EXPECT_EQ(a.iseed1, 0);
  EXPECT_EQ(a.iseed2, 0);
}

TEST(Uniform, ASeedThatIsAMultipleOfItsModulusStaysZero) {
  for (std::int32_t m1 : {0, 2147483563, -2147483563}) {
    SeedPair s{m1, 12345}, other{0, 12345};
    for (int k = 0; k < 10; ++k) {
      EXPECT_EQ(s.next_z(), other.next_z());
      EXPECT_EQ(s.iseed1, 0);
    }
  }
  for (std::int32_t m2 : {0, 2147483399, -2147483399}) {
    SeedPair t{12345, m2};
    for (int k = 0; k < 10; ++k) {
      t.next_z();
      EXPECT_EQ(t.iseed2, 0);
    }
  }
}

TEST(Uniform, AnySeedsGiveAStreamInsideTheModuli) {
  const std::int32_t seeds[] = {-2147483647 - 1, -2147483563, -1, 0, 1, 2147483562, 2147483563, 2147483647};
  for (std::int32_t s1 : seeds)
    for (std::int32_t s2 : seeds) {
      SeedPair a{s1, s2}, b{s1, s2};
      random_mod single(a);
      random_mod_d dbl(b);
      for (int k = 0; k < 50; ++k) {
        const float u = single.r4_uni();
        const double v = dbl.r4_uni();
        ASSERT_GT(u, 0.0f);
        ASSERT_LE(u, 1.0f);
        ASSERT_GT(v, 0.0);
        ASSERT_LT(v, 1.0);
        ASSERT_GE(a.iseed1, 0);
        ASSERT_LT(a.iseed1, 2147483563);
        ASSERT_GE(a.iseed2, 0);
        ASSERT_LT(a.iseed2, 2147483399);
        // Both precisions step the same integers.
        ASSERT_EQ(a.iseed1, b.iseed1);
        ASSERT_EQ(a.iseed2, b.iseed2);
      }
    }
  // The same negative seeds give the same stream again.
  SeedPair x{-5, -7}, y{-5, -7};
  for (int k = 0; k < 100; ++k) ASSERT_EQ(x.next_z(), y.next_z());
}

TEST(Uniform, SinglePrecisionIsOneForTheLargestValuesOfZOnly) {
  // z converts to float before the float division: the 106 largest z give
  // 1. The seeds are the generator stepped back by hand from the states
  // (z + 1, 1), so that the first draw has the z of each row.
  struct Case {
    std::int32_t seed1, seed2, z;
    float single;
  };
  const Case cases[] = {
      {426824031, 1481316021, 2147483457, 1.0f},         // float(z) = 2147483520
      {492245695, 1481316021, 2147483456, 0.99999994f},  // float(z) = 2147483392
  };
  for (const Case& c : cases) {
    SeedPair a{c.seed1, c.seed2}, b{c.seed1, c.seed2}, d{c.seed1, c.seed2};
    EXPECT_EQ(a.next_z(), c.z);
    EXPECT_EQ(random_mod(b).r4_uni(), c.single) << c.z;
    const double u = random_mod_d(d).r4_uni();
    EXPECT_LT(u, 1.0) << "the double draw stays below 1";
    EXPECT_EQ(u, static_cast<double>(c.z) / 2147483563.0);
  }
}

TEST(Randbetween, StaysInRangeWhenTheSingleDrawIsExactlyOne) {
  SeedPair zero{0, 0};
  random_mod single(zero);
  EXPECT_EQ(single.randbetween(0, 60), 60);
  EXPECT_EQ(single.randbetween(1, 5), 5);
  EXPECT_EQ(zero.draws, 2);
  SeedPair zero_d{0, 0};
  random_mod_d dbl(zero_d);
  EXPECT_EQ(dbl.randbetween(0, 50), 50);
}

TEST(Randbetween, TruncatesTheScaledDraw) {
  // First draws for 12345, 67890: 0.943597436 (single), 0.94359740205 (double).
  SeedPair a{12345, 67890}, b{12345, 67890};
  EXPECT_EQ(random_mod(a).randbetween(0, 60), 57);   // 57.559
  EXPECT_EQ(random_mod_d(b).randbetween(1, 5), 5);   // 4.718 + 1
  SeedPair c{12345, 67890};
  random_mod r(c);
  for (int k = 0; k < 10000; ++k) {
    const int v = r.randbetween(-3, 3);
    ASSERT_GE(v, -3);
    ASSERT_LE(v, 3);
  }
}

}  // namespace
