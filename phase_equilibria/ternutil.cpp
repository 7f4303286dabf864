#include "phase_equilibria/ternutil.hpp"

namespace ternutil {

void makepcnt(const double& x, const double& y, double& pa, double& pb, double& pw) {
  pw = (y + y) / sqrt3;
  pa = (100.0 - x) - pw / 2.0;
  pb = (100.0 - pa) - pw;
}

void getslpint(const double& x1, const double& y1, const double& x2, const double& y2, double& slope,
               double& intercept) {
  slope = (y2 - y1) / (x2 - x1);
  intercept = (x2 * y1 - x1 * y2) / (x2 - x1);
}

}  // namespace ternutil
