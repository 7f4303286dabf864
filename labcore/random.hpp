// The seeded uniform generator shared by every data set.
//
// L'Ecuyer's combined multiplicative congruential generator (1988): two
// Lehmer generators advanced with Schrage's method, so that plain 32-bit
// arithmetic never overflows, combined by subtraction. The same integer
// steps serve both precisions; only the final scaling differs, and that
// difference shows in the last digits of every data set.
#pragma once

#include <cstdint>

namespace labcore {

// The state of one run: the two seeds as typed, then advanced one step per
// draw. It also counts the draws, which the tests check against each
// experiment's stated number.
struct SeedPair {
  std::int32_t iseed1 = 0;
  std::int32_t iseed2 = 0;
  std::int64_t draws = 0;

  // Advances both components one step and returns the combined value z,
  // 1 <= z <= 2147483562.
  std::int32_t next_z();
};

// Single-precision draws: a float in (0, 1]. z is converted to float first
// and divided in float by 2147483563 rounded to float, so the 106 largest
// z give exactly 1.0f.
class random_mod {
 public:
  explicit random_mod(SeedPair& state) : state_(state) {}
  float r4_uni();
  // One draw mapped to lower..upper inclusive, in float arithmetic. A draw
  // of exactly 1.0f would give upper + 1; it is kept at upper.
  std::int32_t randbetween(std::int32_t lower, std::int32_t upper);

 private:
  SeedPair& state_;
};

// Double-precision draws: a double strictly inside (0, 1).
class random_mod_d {
 public:
  explicit random_mod_d(SeedPair& state) : state_(state) {}
  double r4_uni();
  std::int32_t randbetween(std::int32_t lower, std::int32_t upper);

 private:
  SeedPair& state_;
};

}  // namespace labcore
