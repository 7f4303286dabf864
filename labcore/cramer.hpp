// A 3x3 determinant and the solution of a 3x3 linear system by Cramer's
// rule, in single precision. Used to pass a three-term heat-capacity curve
// through three chosen points; every matrix that reaches the solver is built
// from random draws, so a nearly singular one stops the run and asks for
// other seeds.
#pragma once

#include <array>

namespace labcore {

// m[i][j] is row i + 1, column j + 1.
using Matrix3 = std::array<std::array<float, 3>, 3>;
using Vector3 = std::array<float, 3>;

// The smallest determinant that cramer3x3 accepts.
inline constexpr float singular = 1.0e-5f;

// Determinant by cofactor expansion along the first row, each product formed
// as (first * second) * third and the six terms summed from left to right.
float mdet3(const Matrix3& d);

// Solves a * x = b. A determinant of `singular` or less (zero and every
// negative one included), or one that is not a number, is rejected: throws
// labcore::Failure with the message that asks for other seeds. a and b are
// left unchanged.
void cramer3x3(const Matrix3& a, const Vector3& b, Vector3& x);

}  // namespace labcore
