#include "reaction_equilibria/vdw_volume.hpp"

#include <array>
#include <complex>

#include "labcore/cubic.hpp"
#include "labcore/program.hpp"

namespace vdw_volume {

double molar_volume(double a, double b, double rt, double p, int j, int i) {
  const std::array<double, 4> coeffs{1.0, -(b + rt / p), a / p, -((b * a) / p)};
  int numbrealroots = 0;
  std::array<std::complex<double>, 3> v;
  labcore::cubic_eqn_mod_d::cubic_eqn_solver(coeffs, numbrealroots, v);
  if (numbrealroots == 3) {
    throw labcore::Failure({labcore::list_record(" 3 real roots at: ", "j = ", j, "    i = ", i),
                            labcore::list_record(" calculation fails.  pressure(j) = ", p)});
  }
  return v[0].real();
}

}  // namespace vdw_volume
