// Least-squares fits with the covariance of their coefficients (GSL), and
// the propagation of that covariance into derived results.
//
// A fit with fewer points than coefficients, with x and y of different
// lengths, or with a design that cannot determine its coefficients (all x
// equal) throws AnalysisError. A fit with exactly as many points as
// coefficients passes through them: its coefficients are given, its
// uncertainties are NaN (no residual variance to scale by).
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace analysis {

// y = intercept + slope·x by ordinary least squares. The standard errors
// and the covariance are scaled by the residual variance (n − 2 degrees of
// freedom), as a spreadsheet's LINEST reports them.
struct LineFit {
  double slope = 0, intercept = 0;
  double se_slope = 0, se_intercept = 0;
  double cov_slope_intercept = 0;
  double residual_sd = 0;  // standard error of y
  double r2 = 0;
  std::size_t n = 0;
  double at(double x) const { return intercept + slope * x; }
  // Standard uncertainty of the fitted line at x.
  double se_at(double x) const;
  // Where the line reaches y, with its standard uncertainty.
  double x_at(double y) const { return (y - intercept) / slope; }
  double se_x_at(double y) const;
};
LineFit fit_line(std::span<const double> x, std::span<const double> y);
// y = slope·x through the origin.
LineFit fit_line_through_origin(std::span<const double> x, std::span<const double> y);

// y = c[0] + c[1]·x + ... + c[degree]·x^degree, covariance scaled by the
// residual variance (n − degree − 1 degrees of freedom).
struct PolyFit {
  std::vector<double> c;
  std::vector<double> cov;  // (degree+1)², row-major
  double residual_sd = 0;
  std::size_t n = 0;
  std::size_t degree() const { return c.size() - 1; }
  double covariance(std::size_t i, std::size_t j) const { return cov[i * c.size() + j]; }
  double se(std::size_t i) const;
  double at(double x) const;
  double slope_at(double x) const;  // dy/dx
  double se_at(double x) const;     // standard uncertainty of the fitted value
  // The integral of the fitted polynomial from a to b, term by term.
  double integral(double a, double b) const;
};
PolyFit fit_poly(std::span<const double> x, std::span<const double> y, std::size_t degree);

// General linear least squares y = Σ c_k·f_k(x): columns of the design
// matrix given directly (one vector per coefficient, each of n rows).
PolyFit fit_linear(const std::vector<std::vector<double>>& design, std::span<const double> y);

// Weighted least squares y = Σ c_k·f_k(x) when each y_i has a known
// standard uncertainty sigma_i (all positive): weights 1/sigma_i². The
// covariance is (XᵀWX)⁻¹ from those uncertainties alone, not scaled by
// the residuals; residual_sd is sqrt(χ²/(n − p)), near 1 when the sigmas
// are right.
PolyFit fit_linear_weighted(const std::vector<std::vector<double>>& design, std::span<const double> y,
                            std::span<const double> sigma);

// Nonlinear least squares y ≈ model(x, p) from the starting values p0, by
// GSL's trust-region Levenberg-Marquardt (gsl_multifit_nlinear, Jacobian
// by GSL's forward differences). The covariance is (JᵀJ)⁻¹ at the
// solution (gsl_multifit_nlinear_covar) scaled by the residual variance
// sum(r²)/(n − p), as for the linear fits. Throws AnalysisError when the
// iteration does not converge or the model gives a non-finite value.
struct CurveFit {
  std::vector<double> p;
  std::vector<double> cov;  // p.size()², row-major
  double residual_sd = 0;
  std::size_t n = 0;
  std::size_t iterations = 0;
  double covariance(std::size_t i, std::size_t j) const { return cov[i * p.size() + j]; }
  double se(std::size_t i) const;
};
using Model = std::function<double(double x, std::span<const double> p)>;
CurveFit fit_curve(const Model& model, std::span<const double> x, std::span<const double> y,
                   std::span<const double> p0);

// A derived result with its standard uncertainty.
struct Estimate {
  double value = 0;
  double u = 0;
};

// f(p) and its standard uncertainty u² = gᵀ·C·g, with the gradient g taken
// by central differences; `cov` is row-major, p.size()² long. The step of
// parameter i is h = 6e-6·|p_i| (about the cube root of the double epsilon,
// which balances truncation against rounding); a parameter at zero steps
// by 6e-6 times its standard uncertainty. A parameter whose variance is 0
// is not varied. NaN in the covariance gives a NaN uncertainty.
Estimate propagate(const std::function<double(std::span<const double>)>& f, std::span<const double> p,
                   std::span<const double> cov);

// Several results of the same parameters at once: their values and their
// covariance J·C·Jᵀ, the Jacobian J taken by the central differences of
// propagate() (same steps). Two evaluations of f per varied parameter, however
// many results f gives; f must give the same number of results every time.
struct Estimates {
  std::vector<double> value;
  std::vector<double> cov;  // value.size()², row-major
  double u(std::size_t i) const;
};
Estimates propagate_all(const std::function<std::vector<double>(std::span<const double>)>& f,
                        std::span<const double> p, std::span<const double> cov);

// Trapezoid rule over tabulated points: the integral from x.front() to
// x.back(), negative when x falls and y is positive.
double trapezoid(std::span<const double> x, std::span<const double> y);

// The integral from x.front() to x.back() of the natural cubic spline
// through the points (GSL's cspline); x must rise strictly, at least three
// points.
double spline_integral(std::span<const double> x, std::span<const double> y);

}  // namespace analysis
