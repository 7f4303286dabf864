// Double-precision linear algebra for least-squares fits through the normal
// equations: matrix and vector products, the design matrix of a polynomial
// fit and a Gauss-Jordan solver with partial pivoting.
//
// Matrices are stored by columns: element (i, j), counted from 1, of a
// matrix with leading dimension ld lies at index (j - 1)*ld + (i - 1).
// Every sum starts at 0 and adds its terms in increasing index order.
// The storage passed must hold the matrix's declared rows and columns; a
// table too small for its dimensions is rejected (std::length_error)
// rather than read or written past its end.
#pragma once

#include <span>

namespace labcore {

namespace matvectools_d {

// cmat (na x mb) = amat (na x ma) * bmat (nb x mb). Inner dimensions that
// differ (nb != ma) end the run with the message "matrix mismatch;  ma = ",
// ma, "     nb = ", nb (labcore::Failure).
void matmult(std::span<const double> amat, std::span<const double> bmat, std::span<double> cmat,
             int na, int ma, int nb, int mb);

// Row vector times matrix: cvec(i) = sum over j of avec(j)*bmat(j, i).
void vecmatprod(std::span<const double> avec, std::span<const double> bmat, int nb, int mb,
                std::span<double> cvec);

// Matrix times column vector: cvec(i) = sum over j of amat(i, j)*bvec(j).
void matvecprod(std::span<const double> amat, std::span<const double> bvec, int na, int ma,
                std::span<double> cvec);

// matrans (m x n) = transpose of ma (n x m).
void mattranspose(std::span<const double> ma, std::span<double> matrans, int n, int m);

// Sum of avec(i)*bvec(i), i = 1 to ndim.
double dotproduct(std::span<const double> avec, std::span<const double> bvec, int ndim);

}  // namespace matvectools_d

// Design matrix of a polynomial fit of degree mfunc - 1 to ndat abscissae:
// amat(i, k) = x(i) to the power mfunc - k, highest power in column 1, the
// constant 1 in the last column.
void amatrix(std::span<double> amat, int ndat, int mfunc, std::span<const double> x);

// Solves a*soln = b for n unknowns by Gauss-Jordan elimination with partial
// pivoting. a is stored with ndim >= n rows, of which the leading n x n
// block is used; a and b are left unchanged. error = 0 on success, 1 when a
// pivot falls below 1e-12 (soln is then not a solution).
void dsimul(std::span<const double> a, std::span<const double> b, std::span<double> soln, int ndim,
            int n, int& error);

}  // namespace labcore
