// Molar volume of a van der Waals gas from its cubic of state.
#pragma once

namespace vdw_volume {

// The molar volume of a gas with van der Waals constants a and b at the
// pressure p, where rt is R*T in the units of a, b and p: the one real root
// of V^3 - (b + RT/p) V^2 + (a/p) V - ab/p = 0. Above the critical
// temperature there is one real root; three real roots end the run with
// the messages " 3 real roots at: j = <j> i = <i>" and
// " calculation fails.  pressure(j) = <p>" (j: pressure index, i: gas).
double molar_volume(double a, double b, double rt, double p, int j, int i);

}  // namespace vdw_volume
