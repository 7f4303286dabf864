#include "labcore/random.hpp"

#include <cmath>

namespace labcore {

namespace {

// One Schrage step of (a * seed) mod m for seeds of any 32-bit value.
std::int32_t schrage(std::int32_t seed, std::int32_t a, std::int32_t q, std::int32_t r,
                     std::int32_t m) {
  const std::int32_t k = seed / q;
  std::int32_t next = a * (seed - k * q) - k * r;
  if (next < 0) next += m;
  return next;
}

// The integer result of one draw, truncated toward zero and kept inside
// lower..upper. range is formed in 64 bits so that no caller can overflow it.
template <class Real>
std::int32_t scale_to_range(Real u, std::int32_t lower, std::int32_t upper) {
  const std::int64_t range = std::int64_t{upper} - std::int64_t{lower} + 1;
  const Real product = u * static_cast<Real>(range);
  std::int64_t k = static_cast<std::int64_t>(product) + lower;
  if (k > upper) k = upper;
  return static_cast<std::int32_t>(k);
}

}  // namespace

std::int32_t SeedPair::next_z() {
  iseed1 = schrage(iseed1, 40014, 53668, 12211, 2147483563);
  iseed2 = schrage(iseed2, 40692, 52774, 3791, 2147483399);
  std::int32_t z = iseed1 - iseed2;
  if (z < 1) z += 2147483562;
  ++draws;
  return z;
}

float random_mod::r4_uni() {
  const float z = static_cast<float>(state_.next_z());
  return z / 2147483520.0f;  // 2147483563 rounded to single precision
}

std::int32_t random_mod::randbetween(std::int32_t lower, std::int32_t upper) {
  return scale_to_range(r4_uni(), lower, upper);
}

double random_mod_d::r4_uni() {
  const double z = static_cast<double>(state_.next_z());
  return z / 2147483563.0;
}

std::int32_t random_mod_d::randbetween(std::int32_t lower, std::int32_t upper) {
  return scale_to_range(r4_uni(), lower, upper);
}

}  // namespace labcore
