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

  const int n = labcore::nint((x2 - x1) / dx + 1.0);
  double xa = x1;
  double val_a = value(xa);
  bool l_val_a = positive(val_a);
  double xb = xa;
  double val_b = val_a;
  bool l_val_b = l_val_a;
  bool bracketed = false;
  for (int i = 1; i <= n; ++i) {
    // The step count goes through single precision, which holds it exactly.
    xb = std::min(x1 + dx * static_cast<double>(static_cast<float>(i - 1)), x2);
    val_b = value(xb);
    l_val_b = positive(val_b);
    if (l_val_b != l_val_a) {
      bracketed = true;
      break;
    }
    xa = xb;
    val_a = val_b;
    l_val_a = l_val_b;
  }
  if (!bracketed) return;

  // Bisection: the width tested is the bracket's before this halving, and
  // the root returned is the midpoint.
  for (;;) {
    const double xm = (xa + xb) / 2.0;
    const double val_m = value(xm);
    const bool l_val_m = positive(val_m);
    const double den = std::max(xm, 1.0);
    if (std::fabs((xb - xa) / den) <= epsilon) {
      aroot = xm;
      error = 0;
      return;
    }
    if (l_val_m == l_val_a) {
      xa = xm;
      val_a = val_m;
      l_val_a = l_val_m;
    } else {
      xb = xm;
      val_b = val_m;
      l_val_b = l_val_m;
    }
  }
}

Point point_at_arc(double xref, double targetarclen, double xstart, double xend, double a, double b,
                   double c) {
  constexpr double dx = 1.0;
  double x1 = xstart;
  const double x2 = xend;
  bool found = false;
  Point point{};
  while (!(x1 > x2)) {
    double aroot = 0.0;
    int error = 0;
    root(fracarc, x1, x2, dx, aroot, error, xref, targetarclen, a, b);
    if (error == 0) {
      point = {aroot, ycalc(aroot, a, b, c)};
      found = true;
      x1 = aroot + std::max(1.0, std::fabs(aroot)) * epsilon;
    } else {
      x1 = epsilon + x2;
    }
  }
  if (!found) {
    throw labcore::Failure({labcore::list_record("No point of the envelope lies at arc length ",
                                                 targetarclen, " from x = ", xref, " between x = ",
                                                 xstart, " and ", xend)});
  }
  return point;
}

}  // namespace lle_tools
