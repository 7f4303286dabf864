// The van der Waals pressure of one mole of gas.
#pragma once

namespace gases {

// P = R*T/(V - b) - a/V^2, for V in cm3/mol, T in K, a in cm6*bar/mol2 and
// b in cm3/mol; the pressure in bar.
float eos_eval(float v, float t, float a, float b);

}  // namespace gases
