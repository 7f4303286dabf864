// Every fit here is GSL's: gsl_fit_linear and gsl_fit_mul for straight
// lines, gsl_multifit_linear (SVD) for polynomials and general linear
// models. The coefficients' covariance is scaled by the residual variance
// sum(r²)/(n − p) in every case, the convention of a spreadsheet's LINEST.
#include "analysis/fit.hpp"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>
#include <gsl/gsl_blas.h>
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_spline.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "analysis/dataset.hpp"

namespace analysis {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// GSL's default error handler aborts the process; the fits here check
// their inputs and read GSL's status codes instead.
void quiet_gsl() {
  static const bool done = [] {
    gsl_set_error_handler_off();
    return true;
  }();
  (void)done;
}

void check_sizes(std::size_t nx, std::size_t ny, std::size_t p, const char* what) {
  if (nx != ny)
    throw AnalysisError(std::string(what) + ": " + std::to_string(nx) + " x values but " + std::to_string(ny) +
                        " y values");
  if (nx < p)
    throw AnalysisError(std::string(what) + ": " + std::to_string(nx) + " points for " + std::to_string(p) +
                        " coefficients");
}

bool all_equal(std::span<const double> x) {
  for (double v : x)
    if (v != x.front()) return false;
  return true;
}

struct MatrixFree {
  void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct VectorFree {
  void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
struct WorkFree {
  void operator()(gsl_multifit_linear_workspace* w) const { gsl_multifit_linear_free(w); }
};

}  // namespace

double LineFit::se_at(double x) const {
  const double var = se_intercept * se_intercept + 2.0 * x * cov_slope_intercept + x * x * se_slope * se_slope;
  return var < 0.0 ? 0.0 : std::sqrt(var);
}

double LineFit::se_x_at(double y) const { return se_at(x_at(y)) / std::fabs(slope); }

LineFit fit_line(std::span<const double> x, std::span<const double> y) {
  quiet_gsl();
  check_sizes(x.size(), y.size(), 2, "line fit");
  if (all_equal(x)) throw AnalysisError("line fit: every point has the same x");
  LineFit f;
  f.n = x.size();
  double cov00 = 0, cov01 = 0, cov11 = 0, sumsq = 0;
  gsl_fit_linear(x.data(), 1, y.data(), 1, f.n, &f.intercept, &f.slope, &cov00, &cov01, &cov11, &sumsq);
  double mean = 0;
  for (double v : y) mean += v;
  mean /= static_cast<double>(f.n);
  double sst = 0;
  for (double v : y) sst += (v - mean) * (v - mean);
  f.r2 = sst > 0 ? 1.0 - sumsq / sst : 1.0;
  if (f.n == 2) {  // an exact line: no residual variance to scale by
    f.se_slope = f.se_intercept = f.cov_slope_intercept = f.residual_sd = nan;
    return f;
  }
  f.se_slope = std::sqrt(cov11);
  f.se_intercept = std::sqrt(cov00);
  f.cov_slope_intercept = cov01;
  f.residual_sd = std::sqrt(sumsq / static_cast<double>(f.n - 2));
  return f;
}

LineFit fit_line_through_origin(std::span<const double> x, std::span<const double> y) {
  quiet_gsl();
  check_sizes(x.size(), y.size(), 1, "line fit through the origin");
  if (all_equal(x) && x.front() == 0.0) throw AnalysisError("line fit through the origin: every x is 0");
  LineFit f;
  f.n = x.size();
  double cov11 = 0, sumsq = 0;
  gsl_fit_mul(x.data(), 1, y.data(), 1, f.n, &f.slope, &cov11, &sumsq);
  // Without a constant the total sum of squares is taken about zero.
  double sst = 0;
  for (double v : y) sst += v * v;
  f.r2 = sst > 0 ? 1.0 - sumsq / sst : 1.0;
  if (f.n == 1) {
    f.se_slope = f.residual_sd = nan;
    return f;
  }
  f.se_slope = std::sqrt(cov11);
  f.residual_sd = std::sqrt(sumsq / static_cast<double>(f.n - 1));
  return f;
}

double PolyFit::se(std::size_t i) const { return std::sqrt(covariance(i, i)); }

double PolyFit::at(double x) const {
  double s = 0;
  for (std::size_t k = c.size(); k-- > 0;) s = s * x + c[k];
  return s;
}

double PolyFit::slope_at(double x) const {
  double s = 0;
  for (std::size_t k = c.size(); k-- > 1;) s = s * x + static_cast<double>(k) * c[k];
  return s;
}

double PolyFit::integral(double a, double b) const {
  // The antiderivative Σ c_k x^(k+1)/(k+1), by Horner's scheme.
  const auto antiderivative = [this](double x) {
    double s = 0;
    for (std::size_t k = c.size(); k-- > 0;) s = s * x + c[k] / static_cast<double>(k + 1);
    return s * x;
  };
  return antiderivative(b) - antiderivative(a);
}

double PolyFit::se_at(double x) const {
  // Var(Σ c_k x^k) = Σ_i Σ_j x^i x^j cov(i, j).
  std::vector<double> pw(c.size(), 1.0);
  for (std::size_t k = 1; k < pw.size(); ++k) pw[k] = pw[k - 1] * x;
  double var = 0;
  for (std::size_t i = 0; i < c.size(); ++i)
    for (std::size_t j = 0; j < c.size(); ++j) var += pw[i] * pw[j] * covariance(i, j);
  return var < 0.0 ? 0.0 : std::sqrt(var);
}

PolyFit fit_linear(const std::vector<std::vector<double>>& design, std::span<const double> y) {
  quiet_gsl();
  const std::size_t p = design.size();
  if (p == 0) throw AnalysisError("linear fit: no coefficients");
  const std::size_t n = y.size();
  for (const auto& col : design) check_sizes(col.size(), n, p, "linear fit");

  std::unique_ptr<gsl_matrix, MatrixFree> X(gsl_matrix_alloc(n, p));
  std::unique_ptr<gsl_matrix, MatrixFree> cov(gsl_matrix_alloc(p, p));
  std::unique_ptr<gsl_vector, VectorFree> yv(gsl_vector_alloc(n));
  std::unique_ptr<gsl_vector, VectorFree> cv(gsl_vector_alloc(p));
  std::unique_ptr<gsl_multifit_linear_workspace, WorkFree> work(gsl_multifit_linear_alloc(n, p));
  for (std::size_t i = 0; i < n; ++i) {
    gsl_vector_set(yv.get(), i, y[i]);
    for (std::size_t k = 0; k < p; ++k) gsl_matrix_set(X.get(), i, k, design[k][i]);
  }
  double chisq = 0;
  // gsl_multifit_linear returns cov = chisq/(n − p)·(XᵀX)⁻¹, already
  // scaled by the residual variance.
  const int status = gsl_multifit_linear(X.get(), yv.get(), cv.get(), cov.get(), &chisq, work.get());
  if (status != GSL_SUCCESS) throw AnalysisError(std::string("linear fit: ") + gsl_strerror(status));
  if (gsl_multifit_linear_rank(1e-12, work.get()) < p)
    throw AnalysisError("linear fit: the columns of the design are not independent");

  PolyFit f;
  f.n = n;
  f.c.resize(p);
  f.cov.resize(p * p);
  for (std::size_t i = 0; i < p; ++i) {
    f.c[i] = gsl_vector_get(cv.get(), i);
    for (std::size_t j = 0; j < p; ++j) f.cov[i * p + j] = n > p ? gsl_matrix_get(cov.get(), i, j) : nan;
  }
  f.residual_sd = n > p ? std::sqrt(chisq / static_cast<double>(n - p)) : nan;
  return f;
}

PolyFit fit_linear_weighted(const std::vector<std::vector<double>>& design, std::span<const double> y,
                            std::span<const double> sigma) {
  quiet_gsl();
  const std::size_t p = design.size();
  if (p == 0) throw AnalysisError("weighted linear fit: no coefficients");
  const std::size_t n = y.size();
  for (const auto& col : design) check_sizes(col.size(), n, p, "weighted linear fit");
  if (sigma.size() != n) throw AnalysisError("weighted linear fit: as many uncertainties as values needed");

  std::unique_ptr<gsl_matrix, MatrixFree> X(gsl_matrix_alloc(n, p));
  std::unique_ptr<gsl_matrix, MatrixFree> cov(gsl_matrix_alloc(p, p));
  std::unique_ptr<gsl_vector, VectorFree> yv(gsl_vector_alloc(n));
  std::unique_ptr<gsl_vector, VectorFree> wv(gsl_vector_alloc(n));
  std::unique_ptr<gsl_vector, VectorFree> cv(gsl_vector_alloc(p));
  std::unique_ptr<gsl_multifit_linear_workspace, WorkFree> work(gsl_multifit_linear_alloc(n, p));
  for (std::size_t i = 0; i < n; ++i) {
    if (!(sigma[i] > 0.0) || !std::isfinite(sigma[i]))
      throw AnalysisError("weighted linear fit: uncertainty " + std::to_string(i + 1) + " is not positive");
    gsl_vector_set(yv.get(), i, y[i]);
    gsl_vector_set(wv.get(), i, 1.0 / (sigma[i] * sigma[i]));
    for (std::size_t k = 0; k < p; ++k) gsl_matrix_set(X.get(), i, k, design[k][i]);
  }
  double chisq = 0;
  // gsl_multifit_wlinear returns cov = (XᵀWX)⁻¹, unscaled.
  const int status = gsl_multifit_wlinear(X.get(), wv.get(), yv.get(), cv.get(), cov.get(), &chisq, work.get());
  if (status != GSL_SUCCESS) throw AnalysisError(std::string("weighted linear fit: ") + gsl_strerror(status));
  if (gsl_multifit_linear_rank(1e-12, work.get()) < p)
    throw AnalysisError("weighted linear fit: the columns of the design are not independent");

  PolyFit f;
  f.n = n;
  f.c.resize(p);
  f.cov.resize(p * p);
  for (std::size_t i = 0; i < p; ++i) {
    f.c[i] = gsl_vector_get(cv.get(), i);
    for (std::size_t j = 0; j < p; ++j) f.cov[i * p + j] = gsl_matrix_get(cov.get(), i, j);
  }
  f.residual_sd = n > p ? std::sqrt(chisq / static_cast<double>(n - p)) : nan;
  return f;
}

PolyFit fit_poly(std::span<const double> x, std::span<const double> y, std::size_t degree) {
  check_sizes(x.size(), y.size(), degree + 1, "polynomial fit");
  std::vector<std::vector<double>> design(degree + 1, std::vector<double>(x.size(), 1.0));
  for (std::size_t k = 1; k <= degree; ++k)
    for (std::size_t i = 0; i < x.size(); ++i) design[k][i] = design[k - 1][i] * x[i];
  return fit_linear(design, y);
}

double CurveFit::se(std::size_t i) const { return std::sqrt(covariance(i, i)); }

namespace {

struct CurveData {
  const Model* model;
  std::span<const double> x, y;
  std::vector<double> p;
};

int curve_residuals(const gsl_vector* pv, void* params, gsl_vector* f) {
  auto& d = *static_cast<CurveData*>(params);
  for (std::size_t k = 0; k < d.p.size(); ++k) d.p[k] = gsl_vector_get(pv, k);
  for (std::size_t i = 0; i < d.x.size(); ++i) {
    const double r = (*d.model)(d.x[i], d.p) - d.y[i];
    if (!std::isfinite(r)) return GSL_EDOM;
    gsl_vector_set(f, i, r);
  }
  return GSL_SUCCESS;
}

struct NlinearFree {
  void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};

}  // namespace

CurveFit fit_curve(const Model& model, std::span<const double> x, std::span<const double> y,
                   std::span<const double> p0) {
  quiet_gsl();
  const std::size_t n = x.size(), np = p0.size();
  if (np == 0) throw AnalysisError("curve fit: no parameters");
  check_sizes(n, y.size(), np, "curve fit");
  CurveData data{&model, x, y, std::vector<double>(p0.begin(), p0.end())};

  gsl_multifit_nlinear_fdf fdf{};
  fdf.f = curve_residuals;
  fdf.df = nullptr;  // Jacobian by finite differences
  fdf.fvv = nullptr;
  fdf.n = n;
  fdf.p = np;
  fdf.params = &data;
  gsl_multifit_nlinear_parameters params = gsl_multifit_nlinear_default_parameters();
  // Central differences with a step of 6e-6·|p| (about ε^(1/3), instead of
  // GSL's forward-difference √ε): the Jacobian, and with it the solution
  // and the covariance, good to about 1e-10 rather than 1e-8.
  params.fdtype = GSL_MULTIFIT_NLINEAR_CTRDIFF;
  params.h_df = 6e-6;
  std::unique_ptr<gsl_multifit_nlinear_workspace, NlinearFree> work(
      gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &params, n, np));
  std::unique_ptr<gsl_vector, VectorFree> start(gsl_vector_alloc(np));
  for (std::size_t k = 0; k < np; ++k) gsl_vector_set(start.get(), k, p0[k]);
  int status = gsl_multifit_nlinear_init(start.get(), &fdf, work.get());
  int info = 0;
  if (status == GSL_SUCCESS)
    status = gsl_multifit_nlinear_driver(500, 1e-14, 1e-30, 0.0, nullptr, nullptr, &info, work.get());
  if (status != GSL_SUCCESS) throw AnalysisError(std::string("curve fit did not converge: ") + gsl_strerror(status));

  CurveFit fit;
  fit.n = n;
  fit.iterations = gsl_multifit_nlinear_niter(work.get());
  const gsl_vector* pos = gsl_multifit_nlinear_position(work.get());
  fit.p.resize(np);
  for (std::size_t k = 0; k < np; ++k) fit.p[k] = gsl_vector_get(pos, k);
  double chisq = 0;
  gsl_blas_ddot(gsl_multifit_nlinear_residual(work.get()), gsl_multifit_nlinear_residual(work.get()), &chisq);
  std::unique_ptr<gsl_matrix, MatrixFree> cov(gsl_matrix_alloc(np, np));
  gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(work.get()), 0.0, cov.get());
  const double s2 = n > np ? chisq / static_cast<double>(n - np) : nan;
  fit.residual_sd = std::sqrt(s2);
  fit.cov.resize(np * np);
  for (std::size_t i = 0; i < np; ++i)
    for (std::size_t j = 0; j < np; ++j) fit.cov[i * np + j] = s2 * gsl_matrix_get(cov.get(), i, j);
  return fit;
}

Estimate propagate(const std::function<double(std::span<const double>)>& f, std::span<const double> p,
                   std::span<const double> cov) {
  const std::size_t n = p.size();
  if (cov.size() != n * n)
    throw AnalysisError("propagation: covariance of " + std::to_string(cov.size()) + " elements for " +
                        std::to_string(n) + " parameters");
  Estimate e;
  e.value = f(p);
  // Central differences, step h = δ·|p_i| with δ = 6e-6 ≈ ε^(1/3), which
  // balances the O(h²) truncation against the rounding of f (relative error
  // of the derivative about 1e-10). A parameter at zero steps by δ times
  // its standard uncertainty instead (or by δ when that is zero too).
  constexpr double delta = 6e-6;
  std::vector<double> q(p.begin(), p.end());
  std::vector<double> g(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    if (cov[i * n + i] == 0.0) continue;  // a parameter without uncertainty adds nothing
    double h = delta * std::fabs(p[i]);
    if (h == 0.0) h = delta * std::sqrt(std::fabs(cov[i * n + i]));
    if (h == 0.0) h = delta;
    q[i] = p[i] + h;
    const double up = f(q);
    q[i] = p[i] - h;
    const double down = f(q);
    q[i] = p[i];
    g[i] = (up - down) / (2.0 * h);
  }
  double var = 0;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      if (g[i] != 0.0 && g[j] != 0.0) var += g[i] * cov[i * n + j] * g[j];
  e.u = var < 0.0 ? 0.0 : std::sqrt(var);  // NaN stays NaN: no uncertainty to give
  return e;
}

double Estimates::u(std::size_t i) const {
  const double var = cov.at(i * value.size() + i);
  return var < 0.0 ? 0.0 : std::sqrt(var);
}

Estimates propagate_all(const std::function<std::vector<double>(std::span<const double>)>& f,
                        std::span<const double> p, std::span<const double> cov) {
  const std::size_t n = p.size();
  if (cov.size() != n * n)
    throw AnalysisError("propagation: covariance of " + std::to_string(cov.size()) + " elements for " +
                        std::to_string(n) + " parameters");
  Estimates e;
  e.value = f(p);
  const std::size_t m = e.value.size();
  constexpr double delta = 6e-6;  // as in propagate()
  std::vector<double> q(p.begin(), p.end());
  std::vector<double> jac(m * n, 0.0);  // row-major, m × n
  for (std::size_t i = 0; i < n; ++i) {
    if (cov[i * n + i] == 0.0) continue;
    double h = delta * std::fabs(p[i]);
    if (h == 0.0) h = delta * std::sqrt(std::fabs(cov[i * n + i]));
    if (h == 0.0) h = delta;
    q[i] = p[i] + h;
    const std::vector<double> up = f(q);
    q[i] = p[i] - h;
    const std::vector<double> down = f(q);
    q[i] = p[i];
    if (up.size() != m || down.size() != m)
      throw AnalysisError("propagation: the function gave " + std::to_string(up.size()) + " and " +
                          std::to_string(down.size()) + " results instead of " + std::to_string(m));
    for (std::size_t k = 0; k < m; ++k) jac[k * n + i] = (up[k] - down[k]) / (2.0 * h);
  }
  e.cov.assign(m * m, 0.0);
  for (std::size_t a = 0; a < m; ++a)
    for (std::size_t b = 0; b < m; ++b) {
      double s = 0;
      for (std::size_t i = 0; i < n; ++i) {
        if (jac[a * n + i] == 0.0) continue;
        for (std::size_t j = 0; j < n; ++j)
          if (jac[b * n + j] != 0.0) s += jac[a * n + i] * cov[i * n + j] * jac[b * n + j];
      }
      e.cov[a * m + b] = s;
    }
  return e;
}

double trapezoid(std::span<const double> x, std::span<const double> y) {
  check_sizes(x.size(), y.size(), 1, "trapezoid rule");
  double s = 0;
  for (std::size_t i = 1; i < x.size(); ++i) s += 0.5 * (x[i] - x[i - 1]) * (y[i] + y[i - 1]);
  return s;
}

double spline_integral(std::span<const double> x, std::span<const double> y) {
  quiet_gsl();
  check_sizes(x.size(), y.size(), 3, "cubic spline");
  for (std::size_t i = 1; i < x.size(); ++i)
    if (!(x[i] > x[i - 1])) throw AnalysisError("cubic spline: the x values do not rise strictly");
  const std::unique_ptr<gsl_interp, decltype(&gsl_interp_free)> spline(gsl_interp_alloc(gsl_interp_cspline, x.size()),
                                                                       gsl_interp_free);
  const std::unique_ptr<gsl_interp_accel, decltype(&gsl_interp_accel_free)> accel(gsl_interp_accel_alloc(),
                                                                                  gsl_interp_accel_free);
  if (!spline || !accel || gsl_interp_init(spline.get(), x.data(), y.data(), x.size()) != GSL_SUCCESS)
    throw AnalysisError("cubic spline: GSL could not set it up");
  return gsl_interp_eval_integ(spline.get(), x.data(), y.data(), x.front(), x.back(), accel.get());
}

}  // namespace analysis
