#include "gases/gas_volume.hpp"

#include <array>
#include <complex>

#include "labcore/cubic.hpp"

namespace gases {

float gas_volume(labcore::Run& run, float a, float b, float rt, float p) {
  const std::array<float, 4> coeffs{1.0f, -(b + rt / p), a / p, -((b * a) / p)};
  int numrealroots = 0;
  std::array<std::complex<float>, 3> v{};
  labcore::cubic_eqn_mod::cubic_eqn_solver(coeffs, numrealroots, v);
  if (numrealroots == 3) run.fail(" calculation fails. 3 real roots at a composition.  We want only one! ");
  return v[0].real();
}

}  // namespace gases
