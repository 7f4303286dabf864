#include "labcore/matvec.hpp"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <array>
#include <vector>

#include "labcore/numeric.hpp"
#include "labcore/program.hpp"

namespace labcore {

namespace {

// Index of element (i, j), counted from 1, in a column-major table.
constexpr std::size_t at(int i, int j, int ld) {
  return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ld) + static_cast<std::size_t>(i - 1);
}

void require(std::size_t size, int rows, int cols, const char* what) {
  if (rows < 0 || cols < 0 || size < static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) {
    throw std::length_error(std::string(what) + ": table smaller than its dimensions");
  }
}

}  // namespace

namespace matvectools_d {

void matmult(std::span<const double> amat, std::span<const double> bmat, std::span<double> cmat,
             int na, int ma, int nb, int mb) {
  if (nb != ma) {
    throw Failure({list_record("matrix mismatch;  ma = ", ma, "     nb = ", nb)});
  }
  require(amat.size(), na, ma, "matmult");
  require(bmat.size(), nb, mb, "matmult");
  require(cmat.size(), na, mb, "matmult");
  for (int i = 1; i <= na; ++i) {
    for (int j = 1; j <= mb; ++j) {
      double tally = 0.0;
      for (int k = 1; k <= ma; ++k) tally = tally + amat[at(i, k, na)] * bmat[at(k, j, nb)];
      cmat[at(i, j, na)] = tally;
    }
  }
}

void vecmatprod(std::span<const double> avec, std::span<const double> bmat, int nb, int mb,
                std::span<double> cvec) {
  require(avec.size(), nb, 1, "vecmatprod");
  require(bmat.size(), nb, mb, "vecmatprod");
  require(cvec.size(), mb, 1, "vecmatprod");
  for (int i = 1; i <= mb; ++i) {
    double tally = 0.0;
    for (int j = 1; j <= nb; ++j) tally = tally + avec[j - 1] * bmat[at(j, i, nb)];
    cvec[i - 1] = tally;
  }
}

void matvecprod(std::span<const double> amat, std::span<const double> bvec, int na, int ma,
                std::span<double> cvec) {
  require(amat.size(), na, ma, "matvecprod");
  require(bvec.size(), ma, 1, "matvecprod");
  require(cvec.size(), na, 1, "matvecprod");
  for (int i = 1; i <= na; ++i) {
    double tally = 0.0;
    for (int j = 1; j <= ma; ++j) tally = tally + amat[at(i, j, na)] * bvec[j - 1];
    cvec[i - 1] = tally;
  }
}

void mattranspose(std::span<const double> ma, std::span<double> matrans, int n, int m) {
  require(ma.size(), n, m, "mattranspose");
  require(matrans.size(), m, n, "mattranspose");
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= m; ++j) matrans[at(j, i, m)] = ma[at(i, j, n)];
  }
}

double dotproduct(std::span<const double> avec, std::span<const double> bvec, int ndim) {
  require(avec.size(), ndim, 1, "dotproduct");
  require(bvec.size(), ndim, 1, "dotproduct");
  double c = 0.0;
  for (int i = 0; i < ndim; ++i) c = c + avec[i] * bvec[i];
  return c;
}

}  // namespace matvectools_d

void amatrix(std::span<double> amat, int ndat, int mfunc, std::span<const double> x) {
  require(amat.size(), ndat, mfunc, "amatrix");
  require(x.size(), ndat, 1, "amatrix");
  for (int i = 1; i <= ndat; ++i) {
    const double xi = x[i - 1];
    for (int k = 1; k <= mfunc; ++k) {
      const int power = mfunc - k;
      double term = 0.0;
      switch (power) {
        case 0: term = 1.0; break;
        case 1: term = xi; break;
        case 2: term = xi * xi; break;
        case 3: term = (xi * xi) * xi; break;
        case 4: term = ((xi * xi) * xi) * xi; break;
        default: term = powi(xi, power); break;
      }
      amat[at(i, k, ndat)] = term;
    }
  }
}

void dsimul(std::span<const double> a, std::span<const double> b, std::span<double> soln, int ndim,
            int n, int& error) {
  // 1e-12 as a single-precision constant.
  constexpr double epsilon = 9.999999960041972e-13;
  if (ndim < n) throw std::length_error("dsimul: fewer stored rows than unknowns");
  require(a.size(), ndim, n, "dsimul");
  require(b.size(), n, 1, "dsimul");
  require(soln.size(), n, 1, "dsimul");

  // The working copy lives on the stack for the small systems of the
  // experiments, so a fit allocates nothing.
  constexpr int kSmall = 8;
  std::array<double, kSmall * kSmall> a1_small;
  std::array<double, kSmall> temp1_small;
  std::vector<double> a1_large, temp1_large;
  std::span<double> a1, temp1;
  if (n <= kSmall) {
    a1 = std::span<double>(a1_small.data(), static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    temp1 = std::span<double>(temp1_small.data(), static_cast<std::size_t>(n));
  } else {
    a1_large.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    temp1_large.resize(static_cast<std::size_t>(n));
    a1 = a1_large;
    temp1 = temp1_large;
  }
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) a1[at(i, j, n)] = a[at(i, j, ndim)];
  }
  for (int i = 0; i < n; ++i) soln[i] = b[i];

  for (int irow = 1; irow <= n; ++irow) {
    int ipeak = irow;
    for (int jrow = irow + 1; jrow <= n; ++jrow) {
      if (std::fabs(a1[at(jrow, irow, n)]) > std::fabs(a1[at(ipeak, irow, n)])) ipeak = jrow;
    }
    if (std::fabs(a1[at(ipeak, irow, n)]) < epsilon) {
      error = 1;
      return;
    }
    if (ipeak != irow) {
      for (int k = 1; k <= n; ++k) {
        temp1[k - 1] = a1[at(ipeak, k, n)];
        a1[at(ipeak, k, n)] = a1[at(irow, k, n)];
        a1[at(irow, k, n)] = temp1[k - 1];
      }
      const double temp = soln[ipeak - 1];
      soln[ipeak - 1] = soln[irow - 1];
      soln[irow - 1] = temp;
    }
    for (int jrow = 1; jrow <= n; ++jrow) {
      if (jrow == irow) continue;
      const double factor = -(a1[at(jrow, irow, n)] / a1[at(irow, irow, n)]);
      for (int k = 1; k <= n; ++k) a1[at(jrow, k, n)] = a1[at(jrow, k, n)] + a1[at(irow, k, n)] * factor;
      soln[jrow - 1] = soln[jrow - 1] + soln[irow - 1] * factor;
    }
  }
  for (int i = 1; i <= n; ++i) soln[i - 1] = soln[i - 1] / a1[at(i, i, n)];
  error = 0;
}

}  // namespace labcore
