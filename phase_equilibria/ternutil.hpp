// Geometry of the triangular composition diagram of a ternary system.
//
// The diagram is an equilateral triangle of side 100: pure A at (0, 0),
// pure B at (100, 0), pure W at (50, 50*sqrt(3)). A point's weight percents
// follow from its height (W) and its distance from the side B-W (A).
#pragma once

namespace ternutil {

inline constexpr double sqrt3 = 1.7320508075688772;

// Weight percents of A, B and W at the point (x, y).
void makepcnt(const double& x, const double& y, double& pa, double& pb, double& pw);

// Slope and intercept of the line through (x1, y1) and (x2, y2); the line
// must not be vertical.
void getslpint(const double& x1, const double& y1, const double& x2, const double& y2, double& slope,
               double& intercept);

}  // namespace ternutil
