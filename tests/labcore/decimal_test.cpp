// The exact decimal renderings of the format engine (labcore/decimal.hpp):
// values worked out with exact decimal arithmetic (Python's decimal
// module), and the standard library's own conversion, where the platform
// has one, over millions of random values of both precisions.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "labcore/bit_cast.hpp"
#include "labcore/decimal.hpp"

namespace {

std::string fixed(double x, int decimals) {
  char buf[1200];
  const auto r = labcore::fixed_chars(buf, buf + sizeof buf, x, decimals);
  if (r.ec != std::errc()) return "<too large>";
  return std::string(buf, r.ptr);
}

std::string scientific(double x, int decimals) {
  char buf[1200];
  const auto r = labcore::scientific_chars(buf, buf + sizeof buf, x, decimals);
  if (r.ec != std::errc()) return "<too large>";
  return std::string(buf, r.ptr);
}

TEST(DecimalChars, ValuesWorkedOutExactly) {
  // Exact ties go to the even digit; a value just off a tie does not.
  EXPECT_EQ(fixed(0.125, 2), "0.12");
  EXPECT_EQ(fixed(0.375, 2), "0.38");
  EXPECT_EQ(fixed(0.5, 0), "0");
  EXPECT_EQ(fixed(2.5, 0), "2");
  EXPECT_EQ(fixed(3.5, 0), "4");
  EXPECT_EQ(fixed(-1.5, 0), "-2");
  EXPECT_EQ(fixed(9.995, 2), "9.99");     // 9.99499999999999921840...
  EXPECT_EQ(fixed(99.995, 2), "100.00");  // above the tie; the carry adds a digit
  EXPECT_EQ(scientific(9.5, 0), "1e+01");
  EXPECT_EQ(fixed(-0.0, 1), "-0.0");
  EXPECT_EQ(scientific(0.0, 3), "0.000e+00");
  // Every digit of the binary value, where asked for.
  EXPECT_EQ(fixed(0.1, 20), "0.10000000000000000555");
  EXPECT_EQ(fixed(0.1, 55), "0.1000000000000000055511151231257827021181583404541015625");
  EXPECT_EQ(fixed(0.1, 60), "0.100000000000000005551115123125782702118158340454101562500000");
  EXPECT_EQ(fixed(static_cast<double>(0.1f), 10), "0.1000000015");
  EXPECT_EQ(scientific(static_cast<double>(335.8469f), 8), "3.35846893e+02");
  EXPECT_EQ(fixed(1e23, 0), "99999999999999991611392");
  EXPECT_EQ(scientific(1e23, 22), "9.9999999999999991611392e+22");
  // The ends of the range: the smallest subnormal and the largest double.
  EXPECT_EQ(scientific(5e-324, 16), "4.9406564584124654e-324");
  EXPECT_EQ(scientific(5e-324, 0), "5e-324");
  const std::string tiny = fixed(5e-324, 1074);
  EXPECT_EQ(tiny.size(), 1076u);
  EXPECT_EQ(tiny.substr(0, 326), "0." + std::string(323, '0') + "4");
  EXPECT_EQ(tiny.substr(tiny.size() - 40), "4565229087538682506419718265533447265625");
  const std::string huge = fixed(std::numeric_limits<double>::max(), 0);
  EXPECT_EQ(huge.size(), 309u);
  EXPECT_EQ(huge.substr(0, 60), "179769313486231570814527423731704356798070567525844996598917");
  EXPECT_EQ(huge.substr(huge.size() - 40), "8738177180919299881250404026184124858368");
  // A buffer that is too short is reported, never overrun.
  char small[4];
  EXPECT_EQ(labcore::fixed_chars(small, small + 4, 12.5, 2).ec, std::errc::value_too_large);
  EXPECT_EQ(labcore::scientific_chars(small, small + 4, 12.5, 0).ec, std::errc::value_too_large);
}

#if defined(__cpp_lib_to_chars)

// How many random values of each kind; LAB_DECIMAL_SAMPLES asks for more.
long samples() {
  const char* env = std::getenv("LAB_DECIMAL_SAMPLES");
  return env != nullptr ? std::atol(env) : 200000;
}

std::string standard(double x, std::chars_format how, int decimals) {
  char buf[1200];
  const auto r = std::to_chars(buf, buf + sizeof buf, x, how, decimals);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : "<too large>";
}

// Random values of one kind, each rendered with a random number of
// decimals in both forms and compared with the standard library.
template <class Draw>
void compare(const char* kind, Draw draw, int max_decimals) {
  std::mt19937_64 rng(20240611u);
  std::uniform_int_distribution<int> decimals(0, max_decimals);
  const long n = samples();
  int failures = 0;
  for (long k = 0; k < n && failures < 10; ++k) {
    const double x = draw(rng);
    const int df = decimals(rng), ds = decimals(rng);
    const std::string want_f = standard(x, std::chars_format::fixed, df);
    const std::string want_s = standard(x, std::chars_format::scientific, ds);
    const std::string got_f = fixed(x, df), got_s = scientific(x, ds);
    if (got_f != want_f && ++failures)
      ADD_FAILURE() << kind << " " << labcore::bit_cast<std::uint64_t>(x) << " fixed " << df << ": want " << want_f
                    << " got " << got_f;
    if (got_s != want_s && ++failures)
      ADD_FAILURE() << kind << " " << labcore::bit_cast<std::uint64_t>(x) << " scientific " << ds << ": want "
                    << want_s << " got " << got_s;
  }
}

TEST(DecimalChars, AgreesWithTheStandardLibraryOverRandomValues) {
  // Any bit pattern of either precision: every exponent, subnormals, NaN
  // and infinities.
  compare("double bits", [](std::mt19937_64& r) { return labcore::bit_cast<double>(r()); }, 30);
  compare("float bits",
          [](std::mt19937_64& r) { return static_cast<double>(labcore::bit_cast<float>(static_cast<std::uint32_t>(r()))); },
          30);
  // The magnitudes the data sets hold, from 1e-8 to 1e8.
  std::uniform_real_distribution<double> exponent(-8.0, 8.0);
  compare("double", [&](std::mt19937_64& r) { return std::pow(10.0, exponent(r)); }, 20);
  compare("float", [&](std::mt19937_64& r) { return static_cast<double>(std::pow(10.0f, static_cast<float>(exponent(r)))); },
          12);
  // Exact ties: an odd multiple of 2^-(d+1) lies half-way between two
  // numbers of d decimals, so both ways of rounding a tie are met.
  std::uniform_int_distribution<int> places(0, 12);
  compare("tie", [&](std::mt19937_64& r) {
    return std::ldexp(static_cast<double>((r() >> 24) | 1u), -(places(r) + 1));
  }, 13);
}

#endif

}  // namespace
