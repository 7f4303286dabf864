#include "support/mpfr_reference.hpp"

#include <bit>
#include <cmath>

#include "labcore/elementary.hpp"

namespace labtest {
namespace {

// MPFR variables of one thread (MPFR keeps its exponent range per thread).
struct Vars {
  mpfr_t x, y, r, wide, mid;
  Vars() {
    mpfr_inits2(24, x, y, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_init2(wide, 160);
    mpfr_init2(mid, 160);
  }
  ~Vars() { mpfr_clears(x, y, r, wide, mid, static_cast<mpfr_ptr>(nullptr)); }
  Vars(const Vars&) = delete;
  Vars& operator=(const Vars&) = delete;
};

Vars& vars() {
  thread_local Vars v;
  return v;
}

// binary32: the least subnormal is 2^-149 = 0.1 * 2^-148 in MPFR's terms,
// the largest finite value below 2^128.
void float_range() {
  mpfr_set_emin(-148);
  mpfr_set_emax(128);
}

void wide_range() {
  mpfr_set_emin(mpfr_get_emin_min());
  mpfr_set_emax(mpfr_get_emax_max());
}

int mpfr_pow10(mpfr_ptr r, mpfr_srcptr y, mpfr_rnd_t rnd) { return mpfr_ui_pow(r, 10, y, rnd); }

float our_pow10(float y) { return labcore::powf(10.0f, y); }
double libc_pow10(double y) { return std::pow(10.0, y); }

constexpr UnaryFunction kUnary[] = {
    {"expf", labcore::expf, mpfr_exp, static_cast<double (*)(double)>(std::exp)},
    {"logf", labcore::logf, mpfr_log, static_cast<double (*)(double)>(std::log)},
    {"log10f", labcore::log10f, mpfr_log10, static_cast<double (*)(double)>(std::log10)},
    {"cosf", labcore::cosf, mpfr_cos, static_cast<double (*)(double)>(std::cos)},
    {"acosf", labcore::acosf, mpfr_acos, static_cast<double (*)(double)>(std::acos)},
    {"powf(10,y)", our_pow10, mpfr_pow10, libc_pow10},
};

}  // namespace

std::span<const UnaryFunction> unary_functions() { return kUnary; }

std::uint32_t float_bits(float f) { return std::bit_cast<std::uint32_t>(f); }
float bits_float(std::uint32_t b) { return std::bit_cast<float>(b); }

bool same_float(float a, float b) { return (a != a && b != b) || float_bits(a) == float_bits(b); }

float mpfr_float(MpfrUnary f, float x) {
  Vars& v = vars();
  float_range();
  mpfr_set_flt(v.x, x, MPFR_RNDN);
  const int t = f(v.y, v.x, MPFR_RNDN);
  mpfr_subnormalize(v.y, t, MPFR_RNDN);
  return mpfr_get_flt(v.y, MPFR_RNDN);
}

float mpfr_powf(float x, float y) {
  Vars& v = vars();
  float_range();
  mpfr_set_flt(v.x, x, MPFR_RNDN);
  mpfr_set_flt(v.y, y, MPFR_RNDN);
  const int t = mpfr_pow(v.r, v.x, v.y, MPFR_RNDN);
  mpfr_subnormalize(v.r, t, MPFR_RNDN);
  return mpfr_get_flt(v.r, MPFR_RNDN);
}

PowPair random_pow_pair(std::uint64_t random_bits, std::uint64_t i) {
  float x = bits_float(static_cast<std::uint32_t>(random_bits) & 0x7fffffffu);
  if (!std::isfinite(x)) x = 1.5f;
  const auto r = static_cast<std::uint32_t>(random_bits >> 32);
  switch (i % 4) {
    case 0:
    case 1: {
      const double l = std::log2(static_cast<double>(x));
      const double target = -155.0 + 287.0 * (static_cast<double>(r) / 4294967296.0);  // log2 of x^y
      return {x, l == 0.0 ? bits_float(r) : static_cast<float>(target / l)};
    }
    case 2:
      return {x, bits_float(r)};
    default: {
      const float y = static_cast<float>(static_cast<int>(r % 161u) - 80) * ((r >> 8) % 2u == 0 ? 1.0f : 0.5f);
      return {(r >> 9) % 2u == 0 ? -x : x, y};
    }
  }
}

double midpoint_distance(MpfrUnary f, float x) {
  Vars& v = vars();
  wide_range();
  mpfr_set_flt(v.x, x, MPFR_RNDN);
  f(v.wide, v.x, MPFR_RNDN);
  if (!mpfr_regular_p(v.wide)) return 0.5;
  const float near = mpfr_get_flt(v.wide, MPFR_RNDN);
  if (std::isinf(near)) return 0.5;
  const bool above = mpfr_cmp_d(v.wide, static_cast<double>(near)) > 0;
  const float other = std::nextafter(near, above ? INFINITY : -INFINITY);
  if (std::isinf(other)) return 0.5;
  const double spacing = std::fabs(static_cast<double>(other) - static_cast<double>(near));
  mpfr_set_d(v.mid, (static_cast<double>(near) + static_cast<double>(other)) / 2.0, MPFR_RNDN);  // exact
  mpfr_sub(v.mid, v.wide, v.mid, MPFR_RNDN);
  return std::fabs(mpfr_get_d(v.mid, MPFR_RNDN)) / spacing;
}

}  // namespace labtest
