// A smooth curve through tabulated points, as a student draws one through
// a calibration table and reads values off it.
#pragma once

#include <memory>
#include <span>

namespace analysis {

// The natural cubic spline through (x_i, y_i), x strictly rising (GSL's
// cspline), with at least three points. Outside [x.front(), x.back()] it
// goes on along the tangent at the nearer end. Throws AnalysisError when
// x does not rise strictly or the sizes differ.
class Spline {
 public:
  Spline(std::span<const double> x, std::span<const double> y);
  double at(double x) const;
  double slope_at(double x) const;  // dy/dx
  double front() const;  // the table's first and last x
  double back() const;

 private:
  struct Table;
  std::shared_ptr<const Table> table_;
};

}  // namespace analysis
