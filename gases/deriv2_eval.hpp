// Curvature of a van der Waals isotherm.
#pragma once

namespace gases {

// d2P/dV2 = 2*R*T/(V - b)^3 - 6*a/V^4, in the units of eos_eval. It is zero
// together with dP/dV at the critical point.
float deriv2_eval(float v, float t, float a, float b);

}  // namespace gases
