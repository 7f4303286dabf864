// Matrix tools, the polynomial design matrix and the Gauss-Jordan solver.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "labcore/matvec.hpp"
#include "labcore/program.hpp"

namespace {

namespace mv = labcore::matvectools_d;

// Element (i, j), counted from 1, of a column-major table with ld rows.
double& el(std::vector<double>& m, int i, int j, int ld) { return m[(j - 1) * ld + (i - 1)]; }

TEST(MatVec, ProductsFollowColumnMajorStorage) {
  // A 5 x 20 times a 20 x 5 matrix, against sums written out here.
  std::vector<double> a(5 * 20), b(20 * 5), c(5 * 5, -1.0);
  for (int i = 1; i <= 5; ++i)
    for (int k = 1; k <= 20; ++k) el(a, i, k, 5) = i + 0.5 * k;
  for (int k = 1; k <= 20; ++k)
    for (int j = 1; j <= 5; ++j) el(b, k, j, 20) = k * j - 3.0;
  mv::matmult(a, b, c, 5, 20, 20, 5);
  for (int i = 1; i <= 5; ++i) {
    for (int j = 1; j <= 5; ++j) {
      double s = 0.0;
      for (int k = 1; k <= 20; ++k) s += (i + 0.5 * k) * (k * j - 3.0);
      EXPECT_EQ(el(c, i, j, 5), s) << i << "," << j;
    }
  }

  // A 2 x 3 matrix (1 2 3; 4 5 6), stored by columns.
  const std::vector<double> m{1, 4, 2, 5, 3, 6};
  std::vector<double> t(6);
  mv::mattranspose(m, t, 2, 3);
  EXPECT_EQ(t, (std::vector<double>{1, 2, 3, 4, 5, 6}));  // (1 4; 2 5; 3 6) by columns
  std::array<double, 2> mx{};
  mv::matvecprod(m, std::array<double, 3>{1, 10, 100}, 2, 3, mx);
  EXPECT_EQ(mx, (std::array<double, 2>{321, 654}));
  std::array<double, 3> vm{};
  mv::vecmatprod(std::array<double, 2>{1, 10}, m, 2, 3, vm);
  EXPECT_EQ(vm, (std::array<double, 3>{41, 52, 63}));
  EXPECT_EQ(mv::dotproduct(std::array<double, 3>{1, 2, 3}, std::array<double, 4>{4, 5, 6, 1e300}, 3), 32.0);
}

TEST(MatVec, MismatchedInnerDimensionsEndTheRun) {
  std::vector<double> a(5 * 20, 1.0), b(19 * 5, 1.0), c(25);
  try {
    mv::matmult(a, b, c, 5, 20, 19, 5);
    FAIL() << "no failure";
  } catch (const labcore::Failure& f) {
    EXPECT_EQ(f.status(), labcore::exit_computation_failed);
    ASSERT_EQ(f.records().size(), 1u);
    EXPECT_EQ(f.records()[0], " matrix mismatch;  ma =           20      nb =           19");
  }
}

TEST(MatVec, TablesSmallerThanTheirDimensionsAreRejected) {
  std::vector<double> a(6), small(5);
  EXPECT_THROW(mv::mattranspose(a, small, 2, 3), std::length_error);
  EXPECT_THROW(mv::matvecprod(a, std::array<double, 2>{}, 2, 3, small), std::length_error);
  int error = -1;
  EXPECT_THROW(labcore::dsimul(a, small, small, 1, 2, error), std::length_error);  // ndim < n
}

TEST(MatVec, DesignMatrixRowsHoldDescendingPowers) {
  std::vector<double> one(5);
  labcore::amatrix(one, 1, 5, std::array<double, 1>{2.0});
  EXPECT_EQ(one, (std::vector<double>{16, 8, 4, 2, 1}));
  std::vector<double> ones(3);
  labcore::amatrix(ones, 3, 1, std::array<double, 3>{2.0, -7.0, 0.5});
  EXPECT_EQ(ones, (std::vector<double>{1, 1, 1}));
  // Three points, powers 6 down to 0: rows at stride 1, columns at stride 3.
  std::vector<double> big(3 * 7);
  labcore::amatrix(big, 3, 7, std::array<double, 3>{1.0, 2.0, -3.0});
  for (int i = 1; i <= 3; ++i) {
    const double x = i == 3 ? -3.0 : i;
    for (int k = 1; k <= 7; ++k) EXPECT_EQ(el(big, i, k, 3), std::pow(x, 7 - k)) << i << "," << k;
  }
}

TEST(MatVec, GaussJordanPivotsAndReportsSmallPivots) {
  // (0 1; 1 0) s = (3, 4): the rows are exchanged at the first step.
  std::array<double, 2> s{};
  int error = -1;
  labcore::dsimul(std::array<double, 4>{0, 1, 1, 0}, std::array<double, 2>{3, 4}, s, 2, 2, error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(s, (std::array<double, 2>{4, 3}));

  // A zero second column: error 1 at that step, the caller's matrix intact.
  const std::vector<double> singular{2, 1, 4, 0, 0, 0, 1, 3, 5};
  const std::vector<double> copy = singular;
  std::array<double, 3> s3{};
  labcore::dsimul(singular, std::array<double, 3>{1, 2, 3}, s3, 3, 3, error);
  EXPECT_EQ(error, 1);
  EXPECT_EQ(singular, copy);
  // A pivot just below 1e-12 (single-precision 1e-12) is too small, one at it is not.
  labcore::dsimul(std::array<double, 1>{9.99999996e-13}, std::array<double, 1>{1}, s3, 1, 1, error);
  EXPECT_EQ(error, 1);
  labcore::dsimul(std::array<double, 1>{9.999999960041972e-13}, std::array<double, 1>{1}, s3, 1, 1, error);
  EXPECT_EQ(error, 0);

  // Stored with 4 rows, 2 unknowns: only the leading block takes part.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> tall{2, 1, nan, nan, 1, 3, nan, nan};
  labcore::dsimul(tall, std::array<double, 2>{5, 10}, s, 4, 2, error);
  EXPECT_EQ(error, 0);
  EXPECT_NEAR(s[0], 1.0, 1e-15);
  EXPECT_NEAR(s[1], 3.0, 1e-15);
}

}  // namespace
