// The natural cubic spline is GSL's (gsl_spline, cspline), evaluated by
// GSL inside the table; beyond it the tangent at the end carries on.
#include "analysis/interpolate.hpp"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_spline.h>

#include <string>
#include <vector>

#include "analysis/dataset.hpp"

namespace analysis {

struct Spline::Table {
  std::vector<double> x, y;
  gsl_spline* spline = nullptr;
  Table(std::span<const double> xs, std::span<const double> ys) : x(xs.begin(), xs.end()), y(ys.begin(), ys.end()) {}
  ~Table() { gsl_spline_free(spline); }
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
};

Spline::Spline(std::span<const double> x, std::span<const double> y) {
  if (x.size() != y.size()) throw AnalysisError("spline: x and y of different lengths");
  if (x.size() < 3) throw AnalysisError("spline: fewer than three points");
  for (std::size_t i = 1; i < x.size(); ++i)
    if (!(x[i] > x[i - 1])) throw AnalysisError("spline: x does not rise at point " + std::to_string(i + 1));
  gsl_set_error_handler_off();
  auto table = std::make_shared<Table>(x, y);
  table->spline = gsl_spline_alloc(gsl_interp_cspline, x.size());
  if (table->spline == nullptr ||
      gsl_spline_init(table->spline, table->x.data(), table->y.data(), x.size()) != GSL_SUCCESS)
    throw AnalysisError("spline: the table cannot be interpolated");
  table_ = std::move(table);
}

double Spline::front() const { return table_->x.front(); }
double Spline::back() const { return table_->x.back(); }

double Spline::at(double x) const {
  const Table& t = *table_;
  if (x < t.x.front()) return t.y.front() + slope_at(t.x.front()) * (x - t.x.front());
  if (x > t.x.back()) return t.y.back() + slope_at(t.x.back()) * (x - t.x.back());
  return gsl_spline_eval(t.spline, x, nullptr);
}

double Spline::slope_at(double x) const {
  const Table& t = *table_;
  if (x < t.x.front()) x = t.x.front();
  if (x > t.x.back()) x = t.x.back();
  return gsl_spline_eval_deriv(t.spline, x, nullptr);
}

}  // namespace analysis
