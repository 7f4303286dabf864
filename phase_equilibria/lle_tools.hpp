// Geometry of a ternary liquid-liquid diagram drawn on an equilateral
// triangle of side 100: pure A at (0, 0), pure B at (100, 0), pure C at
// (50, 50*sqrt(3)). The two-phase envelope is a parabola over the side A-B,
// and points are placed on it at given lengths of arc.
#pragma once

namespace lle_tools {

// sqrt(3) to double precision.
inline constexpr double root3 = 1.7320508075688772;
// Step taken past a found root, and the relative tolerance of the bisection.
inline constexpr double epsilon = 1e-5;

// y of the parabola y = a*x^2 + b*x + c at x.
double ycalc(double x, double a, double b, double c);

// Weight percentages of A and C at the point (x, y) of the triangle.
void compcalc(double x, double y, double& pca, double& pcc);

// Length of the arc of y = acoeff*x^2 + bcoeff*x + const from x = xa to
// x = xb, in closed form through the slope angles at the two ends.
double arclength(double xa, double xb, double acoeff, double bcoeff);

// Arc length from xref to xtrial less the target: zero at the point that
// lies the target length along the curve from xref.
double fracarc(double xref, double xtrial, double targetarclen, double acoeff, double bcoeff);

// A function searched by root: f(xref, x, targetarclen, acoeff, bcoeff).
using arc_function = double (*)(double, double, double, double, double);

// Zero of f in x between x1 and x2, for an f that does not decrease with
// x: the first change of sign on the grid of steps dx from x1 (x1, x1 + dx,
// ..., the last capped at x2) brackets it, and bisection narrows the
// bracket to a relative width of epsilon; the root is the last midpoint.
// Only grid points are probed to find the bracket, so it is the one that
// stepping along the grid would find, in far fewer evaluations of f.
// error: 0 found (aroot is the root), 1 x1 > x2, 2 no change of sign
// (aroot is 0 in both failing cases).
void root(arc_function f, double x1, double x2, double dx, double& aroot, int& error, double xref,
          double targetarclen, double acoeff, double bcoeff);

struct Point {
  double x;
  double y;
};

// The point of the curve y = a x^2 + b x + c that lies targetarclen along
// the arc from xref, searched for in x from xstart to xend with steps of
// 1. The arc length grows with x, so the one root is the point. When there
// is no root the run fails with a message.
Point point_at_arc(double xref, double targetarclen, double xstart, double xend, double a, double b,
                   double c);

}  // namespace lle_tools
