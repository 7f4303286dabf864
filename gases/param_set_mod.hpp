// Constants of the real-gas isotherm experiment: the gas constant, the
// convergence limit of the equal-area tie line and the bands of reduced
// temperature over which the nine isotherms are spread.
#pragma once

#include <array>

namespace gases::param_set_mod {

// Gas constant, cm3*bar/(mol*K).
inline constexpr float r = 83.145f;

// Two successive trial pressures of the tie line closer than this (bar)
// end the bisection.
inline constexpr float threshold_p = 0.01f;

// Three bands of reduced temperature, 0.90-0.98, 0.98-1.02 and 1.02-1.20:
// where each band starts and the width of one isotherm's slot in it. The
// first two widths are the single-precision quotients 0.08/3 and 0.04/3.
inline constexpr std::array<float, 3> tbase{0.9f, 0.98f, 1.02f};
inline constexpr std::array<float, 3> rstep{0.08f / 3.0f, 0.04f / 3.0f, 0.06f};

}  // namespace gases::param_set_mod
