// The elementary functions of the single-precision generators, correctly
// rounded: each returns the float nearest to the exact value (ties to
// even), so the result is the same on every machine, with every compiler and
// C library.
//
// A data set's digits depend on the last bit of every function value, and C
// libraries differ there (one rounds exp(x) up where another rounds it down;
// even one library picks different code on processors with and without fused
// multiply-add). The generators therefore call these instead of the
// library's binary32 functions (a build test checks the programs' symbols).
//
// They compute in IEEE double arithmetic only (+ - * / and sqrt, each
// correctly rounded; no fused multiply-add, no long double, no excess
// precision), so x86-64, ARM64 and WebAssembly builds agree bit for bit.
// Every input of the one-argument functions, and pow over every exponent with
// base 10 (the base the generators use), is checked against MPFR by `make
// verify-math` (docs/elementary.md).
//
// Special values follow the C standard's annex F: NaN in, NaN out; log of
// 0 is -infinity, of a negative number NaN; overflow gives infinity,
// underflow zero; powf's cases of zeros, infinities and negative bases.
#pragma once

namespace labcore {

float expf(float x);
float logf(float x);
float log10f(float x);
float powf(float x, float y);
float cosf(float x);
float acosf(float x);

}  // namespace labcore
