#include "labcore/cubic.hpp"

#include <cmath>

#include "labcore/elementary.hpp"

namespace labcore {

namespace {

// The solver's constants. Both modules carry 2*pi, 4*pi and sqrt(3) with
// single-precision accuracy; the double module keeps those exact values.
template <class Real> struct Constants;
template <> struct Constants<float> {
  static constexpr float two_pi = 6.2831855f;
  static constexpr float four_pi = 12.566371f;
  static constexpr float root3 = 1.7320508f;
  static constexpr float threshold = 1.0e-5f;
};
template <> struct Constants<double> {
  static constexpr double pi = 3.1415927410125732;  // pi rounded to single precision
  static constexpr double two_pi = 2.0 * pi;        // 6.2831854820251465
  static constexpr double four_pi = 4.0 * pi;       // 12.566370964050293
  static constexpr double root3 = 1.7320507764816284;
  static constexpr double threshold = 1.0e-5;
};

// The elementary functions in the solver's precision: labcore's correctly
// rounded ones in single precision, the C library's in double.
template <class Real> struct Maths;
template <> struct Maths<float> {
  static float exp(float x) { return labcore::expf(x); }
  static float log(float x) { return labcore::logf(x); }
  static float acos(float x) { return labcore::acosf(x); }
  static float cos(float x) { return labcore::cosf(x); }
};
template <> struct Maths<double> {
  static double exp(double x) { return std::exp(x); }
  static double log(double x) { return std::log(x); }
  static double acos(double x) { return std::acos(x); }
  static double cos(double x) { return std::cos(x); }
};

template <class Real>
Real cube_root(Real x) {
  using M = Maths<Real>;
  const Real sign = std::signbit(x) ? Real(-1) : Real(1);
  return sign * M::exp(M::log(std::fabs(x)) / Real(3));
}

template <class Real>
void solve(const std::array<Real, 4>& coeffs, int& numrealroots, std::array<std::complex<Real>, 3>& roots) {
  using K = Constants<Real>;
  using M = Maths<Real>;
  const Real a = coeffs[1] / coeffs[0];
  const Real b = coeffs[2] / coeffs[0];
  const Real c = coeffs[3] / coeffs[0];
  const Real q = (b * Real(3) - a * a) / Real(9);
  const Real acube = a * (a * a);
  const Real p = ((Real(9) * a) * b - (acube + acube) - Real(27) * c) / Real(54);
  const Real qcube = (q * q) * q;
  const Real psquare = p * p;
  const Real m_exact = psquare + qcube;
  // An absolute threshold: a discriminant this close to zero counts as zero
  // (a double root), whatever the size of the coefficients.
  const Real m = std::fabs(m_exact) < K::threshold ? Real(0) : m_exact;

  // The trigonometric form needs q < 0. With q >= 0 a discriminant below the
  // threshold is really positive (one real root, given by Cardano's formulas
  // with the discriminant as computed) or, for q = p = 0, a triple root.
  if (m <= Real(0) && q >= Real(0)) {
    if (m_exact <= Real(0)) {
      numrealroots = 3;
      const Real root = -(a / Real(3));
      roots = {std::complex<Real>(root, 0), std::complex<Real>(root, 0), std::complex<Real>(root, 0)};
      return;
    }
  } else if (m <= Real(0)) {
    numrealroots = 3;
    const Real qroot = std::sqrt(-q);
    const Real q3root = std::sqrt(-qcube);
    Real costheta = p / q3root;
    if (std::fabs(costheta) > Real(1)) costheta = costheta > Real(0) ? Real(1) : Real(-1);
    const Real theta = M::acos(costheta);
    const Real d = qroot + qroot;
    const Real e = a / Real(3);
    roots[0] = {M::cos(theta / Real(3)) * d - e, Real(0)};
    roots[1] = {M::cos((K::two_pi + theta) / Real(3)) * d - e, Real(0)};
    roots[2] = {M::cos((K::four_pi + theta) / Real(3)) * d - e, Real(0)};
    return;
  }
  numrealroots = 1;
  const Real mroot = std::sqrt(m_exact);
  const Real s3rootarg = p + mroot;
  const Real s = cube_root(s3rootarg);
  const Real t3rootarg = p - mroot;
  const Real t = cube_root(t3rootarg);
  roots[0] = {s + t - a / Real(3), Real(0)};
  const Real re = -((s + t) / Real(2)) - a / Real(3);
  const Real im = (K::root3 * (s - t)) / Real(2);
  roots[1] = {re, im};
  roots[2] = {re, -im};
}

}  // namespace

namespace cubic_eqn_mod {
void cubic_eqn_solver(const std::array<float, 4>& coeffs, int& numrealroots,
                      std::array<std::complex<float>, 3>& roots) {
  solve(coeffs, numrealroots, roots);
}
float cuberoot(float x) { return cube_root(x); }
}  // namespace cubic_eqn_mod

namespace cubic_eqn_mod_d {
void cubic_eqn_solver(const std::array<double, 4>& coeffs, int& numrealroots,
                      std::array<std::complex<double>, 3>& roots) {
  solve(coeffs, numrealroots, roots);
}
double cuberoot(double x) { return cube_root(x); }
}  // namespace cubic_eqn_mod_d

}  // namespace labcore
