// Small numeric rules shared by the experiments.
#pragma once

#include <cmath>
#include <type_traits>

namespace labcore {

// x raised to a variable integer power by binary powering: square and
// multiply from the lowest bit of the exponent; a negative exponent gives
// the reciprocal of the positive power.
template <class Real>
Real powi(Real x, int m) {
  static_assert(std::is_floating_point_v<Real>);
  unsigned n = m < 0 ? 0u - static_cast<unsigned>(m) : static_cast<unsigned>(m);
  Real y = (n % 2u) != 0u ? x : Real(1);
  while ((n >>= 1) != 0u) {
    x = x * x;
    if ((n % 2u) != 0u) y = y * x;
  }
  return m < 0 ? Real(1) / y : y;
}

// The nearest integer, halves rounded away from zero.
template <class Real>
int nint(Real x) {
  static_assert(std::is_floating_point_v<Real>);
  return static_cast<int>(std::lround(x));
}

}  // namespace labcore
