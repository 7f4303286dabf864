// Molar volume of a van der Waals gas (pure or mixed) above its critical
// temperature.
#pragma once

#include "labcore/program.hpp"

namespace gases {

// The one real root of V^3 - (b + RT/P) V^2 + (a/P) V - ab/P = 0, with `rt`
// the product R*T (cm3*bar/mol), `p` in bar, `a` and `b` the van der Waals
// constants. Three real roots mean the gas is below its critical
// temperature, which the experiment's model does not allow: the run then
// fails with a message, and the data-set file keeps what it holds.
float gas_volume(labcore::Run& run, float a, float b, float rt, float p);

}  // namespace gases
