// Roots of a quadratic a*x^2 + b*x + c = 0 with real coefficients, in single
// precision. Used for the dissociation fraction of a gas-phase equilibrium.
#pragma once

#include <array>
#include <complex>

namespace labcore {

namespace quadratic_eqn_mod {
// coeffs: (a, b, c), the square, linear and constant coefficients; a must
// not be zero. Both roots are always written. With a positive discriminant
// numbrealroots is 2 and the roots are -b/(2a) + sqrt(m)/(2a) and
// -b/(2a) - sqrt(m)/(2a), in that order (the larger first when a > 0).
// Otherwise numbrealroots is 0 and the roots are the conjugate pair
// -b/(2a) +- i*sqrt(-m)/(2a); a double root (m = 0) counts as no real roots.
void quadratic_eqn_solver(const std::array<float, 3>& coeffs, int& numbrealroots,
                          std::array<std::complex<float>, 2>& roots);
}  // namespace quadratic_eqn_mod

}  // namespace labcore
