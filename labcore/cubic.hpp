// Roots of a cubic with real coefficients in closed form: Cardano's formulas
// when there is one real root, the trigonometric form when there are three.
// Used for molar volumes from cubic equations of state and for the extrema
// of isotherms. Two modules of the same algorithm: cubic_eqn_mod in single
// precision and cubic_eqn_mod_d in double precision.
#pragma once

#include <array>
#include <complex>

namespace labcore {

namespace cubic_eqn_mod {
// coeffs: x^3, x^2, x and constant coefficients, highest power first
// (coeffs[0] must not be zero). All three roots are always written; with
// three real roots the first is the largest, the second the smallest and the
// third the middle one.
void cubic_eqn_solver(const std::array<float, 4>& coeffs, int& numrealroots,
                      std::array<std::complex<float>, 3>& roots);
// Real cube root through exp and log, negative for negative x (and for -0).
float cuberoot(float x);
}  // namespace cubic_eqn_mod

namespace cubic_eqn_mod_d {
void cubic_eqn_solver(const std::array<double, 4>& coeffs, int& numrealroots,
                      std::array<std::complex<double>, 3>& roots);
double cuberoot(double x);
}  // namespace cubic_eqn_mod_d

}  // namespace labcore
