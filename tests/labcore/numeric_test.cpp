// Integer powers and nearest integers.
#include <gtest/gtest.h>

#include "labcore/numeric.hpp"

namespace {

TEST(Numeric, BinaryPoweringMultipliesInItsOwnOrder) {
  EXPECT_EQ(labcore::powi(2.0, 10), 1024.0);
  EXPECT_EQ(labcore::powi(3.0f, 0), 1.0f);
  EXPECT_EQ(labcore::powi(2.0, -2), 0.25);
  // x^5 is x * (x^2)^2: differs in the last bit from ((((x*x)*x)*x)*x)
  // for some x; check the exact association.
  const double x = 1.1;
  const double x2 = x * x;
  EXPECT_EQ(labcore::powi(x, 5), x * (x2 * x2));
  EXPECT_EQ(labcore::powi(x, 6), x2 * (x2 * x2));
  const float y = 0.7f;
  const float y2 = y * y;
  const float y4 = y2 * y2;
  EXPECT_EQ(labcore::powi(y, 7), (y * y2) * y4);
}

TEST(Numeric, NearestIntegerRoundsHalvesAwayFromZero) {
  EXPECT_EQ(labcore::nint(2.5), 3);
  EXPECT_EQ(labcore::nint(-2.5f), -3);
  EXPECT_EQ(labcore::nint(2.4999f), 2);
  EXPECT_EQ(labcore::nint(-0.4), 0);
}

}  // namespace
