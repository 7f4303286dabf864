// Correctly rounded reference values from MPFR for the tests and the
// exhaustive check of labcore's elementary functions.
//
// MPFR computes at the target precision (24 bits) with the exponent range of
// binary32 and mpfr_subnormalize, which gives exactly the float that a
// correctly rounding binary32 function returns, subnormals, overflow and
// ties to even included.
#pragma once

#include <mpfr.h>

#include <cstdint>
#include <span>

namespace labtest {

using MpfrUnary = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

// One function under test: its name, labcore's version, MPFR's and the C
// library's double version (a cheap estimate used only to pick candidates
// for the hardest cases).
struct UnaryFunction {
  const char* name;
  float (*ours)(float);
  MpfrUnary mpfr;
  double (*estimate)(double);
};

// expf, logf, log10f, cosf, acosf, and pow(10, y) as a function of y.
std::span<const UnaryFunction> unary_functions();

// The float nearest the exact f(x) (ties to even).
float mpfr_float(MpfrUnary f, float x);
float mpfr_powf(float x, float y);

// How far the exact f(x) lies from the nearest midpoint between two floats,
// in units of the float spacing there: 0 on a midpoint, 0.5 on a float.
// From 160-bit MPFR values.
double midpoint_distance(MpfrUnary f, float x);

// A random (x, y) for pow from 64 random bits, the i-th of a series: a
// random base and an exponent that puts x^y in range (half of them), any
// float (a quarter), or a small integer or half-integer with either sign of
// the base (a quarter).
struct PowPair {
  float x, y;
};
PowPair random_pow_pair(std::uint64_t random_bits, std::uint64_t i);

// The same bits, or both NaN.
bool same_float(float a, float b);

std::uint32_t float_bits(float f);
float bits_float(std::uint32_t b);

}  // namespace labtest
