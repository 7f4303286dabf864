#include "phase_equilibria/lle_tools.hpp"

#include <algorithm>
#include <cmath>

#include "labcore/numeric.hpp"
#include "labcore/program.hpp"

namespace lle_tools {

double ycalc(double x, double a, double b, double c) { return c + ((a * x) * x + x * b); }

void compcalc(double x, double y, double& pca, double& pcc) {
  pcc = (y + y) / root3;
  pca = (100.0 - x) - pcc / 2.0;
}

namespace {

// ln(tan t + sec t) + tan t sec t at t = atan(y'(x)): the antiderivative of
// the arc length, up to the factor 1/(4 acoeff).
double arc_term(double x, double acoeff, double bcoeff) {
  const double t = std::atan((acoeff + acoeff) * x + bcoeff);
  const double sect = 1.0 / std::cos(t);
  const double tant = std::tan(t);
  return std::log(tant + sect) + tant * sect;
}

}  // namespace

double arclength(double xa, double xb, double acoeff, double bcoeff) {
  // A point search measures every trial point from the same reference, so
  // the reference's term is kept from the previous call (the same value
  // the same arithmetic would give again).
  thread_local double last_x = std::nan(""), last_a = 0.0, last_b = 0.0, last_term = 0.0;
  if (!(xa == last_x && acoeff == last_a && bcoeff == last_b)) {
    last_x = xa;
    last_a = acoeff;
    last_b = bcoeff;
    last_term = arc_term(xa, acoeff, bcoeff);
  }
  const double suma = last_term;
  const double sumb = arc_term(xb, acoeff, bcoeff);
  return (sumb - suma) * (0.25 / acoeff);
}

double fracarc(double xref, double xtrial, double targetarclen, double acoeff, double bcoeff) {
  return arclength(xref, xtrial, acoeff, bcoeff) - targetarclen;
}

void root(arc_function f, double x1, double x2, double dx, double& aroot, int& error, double xref,
          double targetarclen, double acoeff, double bcoeff) {
  if (x1 > x2) {
    error = 1;
    aroot = 0.0;
    return;
  }
  error = 2;
  aroot = 0.0;
  const auto value = [&](double x) { return f(xref, x, targetarclen, acoeff, bcoeff); };
  // A value of exactly zero counts as not positive.
  const auto positive = [](double v) { return v > 0.0; };

  // The trial points of the step grid, i = 1 to n: the first is x1 itself,
  // the last is capped at x2. The step count goes through single
  // precision, which holds it exactly.
  const int n = labcore::nint((x2 - x1) / dx + 1.0);
  const auto trial = [&](int i) {
    return std::min(x1 + dx * static_cast<double>(static_cast<float>(i - 1)), x2);
  };

  // f does not decrease with x, so along the grid its values run from not
  // positive to positive and change sign at most once. Stepping from x1
  // would bracket the root between the last trial point that is not
  // positive and the first that is; the same two points are found by
  // probing grid points only: the chord between the two known values
  // points at the step, and halving the index range takes over if the
  // chord's guesses do not close in.
  const double val_first = value(x1);
  if (positive(val_first) || n < 2) return;
  int lo = 1;  // known not positive
  double val_lo = val_first;
  int hi = n;  // known positive, once tested
  double val_hi = value(trial(hi));
  if (!positive(val_hi)) return;
  for (int guesses = 0; hi - lo > 1; ++guesses) {
    int i = lo + (hi - lo) / 2;
    const double t = (-val_lo / (val_hi - val_lo)) * (hi - lo);
    if (guesses < 4 && t >= 0.0 && t < hi - lo) i = std::clamp(lo + 1 + static_cast<int>(t), lo + 1, hi - 1);
    const double v = value(trial(i));
    if (positive(v)) {
      hi = i;
      val_hi = v;
    } else {
      lo = i;
      val_lo = v;
    }
  }
  double xa = trial(lo);
  double xb = trial(hi);

  // Bisection: the width tested is the bracket's before this halving, and
  // the root returned is the midpoint, so the width is tested before the
  // midpoint is evaluated. xa stays on the side that is not positive.
  for (;;) {
    const double xm = (xa + xb) / 2.0;
    const double den = std::max(xm, 1.0);
    if (std::fabs((xb - xa) / den) <= epsilon) {
      aroot = xm;
      error = 0;
      return;
    }
    if (positive(value(xm))) {
      xb = xm;
    } else {
      xa = xm;
    }
  }
}

Point point_at_arc(double xref, double targetarclen, double xstart, double xend, double a, double b,
                   double c) {
  // The arc length from xref grows with x, so there is at most one root:
  // a search resumed just past it (at aroot + max(1, |aroot|) epsilon,
  // beyond the bracket's positive end) would find every value positive and
  // no further change of sign.
  constexpr double dx = 1.0;
  double aroot = 0.0;
  int error = 0;
  root(fracarc, xstart, xend, dx, aroot, error, xref, targetarclen, a, b);
  if (error != 0) {
    throw labcore::Failure({labcore::list_record("No point of the envelope lies at arc length ",
                                                 targetarclen, " from x = ", xref, " between x = ",
                                                 xstart, " and ", xend)});
  }
  return {aroot, ycalc(aroot, a, b, c)};
}

}  // namespace lle_tools
