#include "labcore/cramer.hpp"

#include "labcore/program.hpp"

namespace labcore {

float mdet3(const Matrix3& d) {
  float s = (d[0][0] * d[1][1]) * d[2][2];
  s = s - (d[0][0] * d[2][1]) * d[1][2];
  s = s - (d[0][1] * d[1][0]) * d[2][2];
  s = s + (d[0][1] * d[2][0]) * d[1][2];
  s = s + (d[0][2] * d[1][0]) * d[2][1];
  s = s - (d[0][2] * d[2][0]) * d[1][1];
  return s;
}

void cramer3x3(const Matrix3& a, const Vector3& b, Vector3& x) {
  Matrix3 work = a;
  const float denom = mdet3(work);
  // Written so that a determinant that is not a number is rejected as well.
  if (!(denom > singular)) {
    throw Failure({list_record(" Calculation numerically unstable. Try again with different seeds")});
  }
  for (int i = 0; i < 3; ++i) {
    work = a;
    for (int row = 0; row < 3; ++row) work[row][i] = b[row];
    x[i] = mdet3(work) / denom;
  }
}

}  // namespace labcore
