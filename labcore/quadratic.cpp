#include "labcore/quadratic.hpp"

#include <cmath>

namespace labcore::quadratic_eqn_mod {

void quadratic_eqn_solver(const std::array<float, 3>& coeffs, int& numbrealroots,
                          std::array<std::complex<float>, 2>& roots) {
  const float a = coeffs[0];
  const float b = coeffs[1];
  const float c = coeffs[2];
  const float m = b * b - (4.0f * a) * c;
  const float mroot = std::sqrt(std::fabs(m));
  const float term1 = -(b / (a + a));
  const float term2 = mroot / (a + a);
  if (m > 0.0f) {
    roots[0] = {term1 + term2, 0.0f};
    roots[1] = {term1 - term2, 0.0f};
    numbrealroots = 2;
  } else {
    roots[0] = {term1, term2};
    roots[1] = {term1, -term2};
    numbrealroots = 0;
  }
}

}  // namespace labcore::quadratic_eqn_mod
