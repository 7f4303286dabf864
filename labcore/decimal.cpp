#include "labcore/decimal.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

#include "labcore/bit_cast.hpp"

// The value |x| = m * 2^e is split into its whole part and its fraction.
// The whole part is an integer of up to 1024 bits, written in decimal by
// repeated division by 10^9. The fraction F / 2^s (s = -e, at most 1074)
// is kept as a fixed-point number of 32-bit words with the binary point
// above the top word: multiplying it by ten carries the next decimal digit
// out of the top word, exactly. After the last digit kept, the fraction
// left over says how to round: below one half down, above up, exactly one
// half to the even digit. Digits after the whole part of a number that is
// an integer, and after a fraction that has run out, are zeros.
//
// Nothing here depends on the C library, on long double or on the
// floating-point unit: only integer arithmetic on the bits of the double.

namespace labcore {

namespace {

constexpr int kFractionWords = 34;   // ceil(1074 / 32)
constexpr int kWholeWords = 34;      // below 2^1024, and the 84 bits of a shifted m
constexpr int kMaxWholeDigits = 310;  // 2^1024 is about 1.8e308

struct Parts {
  bool negative;
  std::uint64_t m;  // odd, or 0
  int e;
};

Parts decompose(double x) {
  const auto bits = bit_cast<std::uint64_t>(x);
  Parts p{(bits >> 63) != 0, bits & ((std::uint64_t{1} << 52) - 1), -1074};
  const auto biased = static_cast<int>((bits >> 52) & 0x7ff);
  if (biased != 0) {
    p.m |= std::uint64_t{1} << 52;
    p.e = biased - 1075;
  }
  if (p.m != 0) {
    const int zeros = std::countr_zero(p.m);
    p.m >>= zeros;
    p.e += zeros;
  }
  return p;
}

// The fraction of m * 2^-s.
class Fraction {
 public:
  Fraction(std::uint64_t m, int s) {
    if (s <= 0) return;
    n_ = (s + 31) / 32;
    const int t = 32 * n_ - s;  // shift that puts the binary point above word n_ - 1
    const std::uint64_t f = s >= 64 ? m : m & ((std::uint64_t{1} << s) - 1);
    const std::uint64_t low = f << t;
    const std::uint64_t high = t == 0 ? 0 : f >> (64 - t);
    const std::uint32_t parts[3] = {static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(low >> 32),
                                    static_cast<std::uint32_t>(high)};
    for (int k = 0; k < n_; ++k) w_[k] = k < 3 ? parts[k] : 0;
    skip_zero_words();
  }

  bool zero() const { return lo_ == n_; }

  // Ten times the fraction: its whole part is the next digit, and it is
  // taken off.
  int next_digit() {
    std::uint64_t carry = 0;
    for (int k = lo_; k < n_; ++k) {
      const std::uint64_t t = std::uint64_t{w_[k]} * 10 + carry;
      w_[k] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    skip_zero_words();
    return static_cast<int>(carry);
  }

  // -1, 0 or 1 as the fraction is below, at or above one half.
  int against_half() const {
    if (zero()) return -1;
    const std::uint32_t top = w_[n_ - 1];
    if (top != 0x80000000u) return top > 0x80000000u ? 1 : -1;
    return lo_ < n_ - 1 ? 1 : 0;
  }

 private:
  void skip_zero_words() {
    while (lo_ < n_ && w_[lo_] == 0) ++lo_;
  }
  std::uint32_t w_[kFractionWords] = {};
  int n_ = 0;
  int lo_ = 0;  // words below lo_ are zero
};

// Writes the decimal digits of n backwards, ending at `end`; returns the
// start (nothing for 0).
char* digits_backwards(std::uint64_t n, char* end) {
  while (n != 0) {
    *--end = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return end;
}

// The decimal digits of the whole part of m * 2^e into out; returns their
// count (0 when the whole part is 0).
int whole_digits(const Parts& p, char* out) {
  char buf[kMaxWholeDigits];
  char* const end = buf + kMaxWholeDigits;
  char* start = end;
  if (p.e < 0) {
    start = digits_backwards(-p.e < 64 ? p.m >> -p.e : 0, end);
  } else if (p.e <= 11) {  // m < 2^53, so m * 2^11 < 2^64
    start = digits_backwards(p.m << p.e, end);
  } else {
    std::uint32_t w[kWholeWords] = {};
    const int word = p.e / 32;
    const int shift = p.e % 32;
    const std::uint64_t low = p.m << shift;
    const std::uint64_t high = shift == 0 ? 0 : p.m >> (64 - shift);
    w[word] = static_cast<std::uint32_t>(low);
    w[word + 1] = static_cast<std::uint32_t>(low >> 32);
    w[word + 2] = static_cast<std::uint32_t>(high);
    int top = word + 2;
    while (top >= 0 && w[top] == 0) --top;
    while (top >= 0) {
      // One division of the whole number by 10^9 gives nine digits.
      std::uint64_t rem = 0;
      for (int k = top; k >= 0; --k) {
        const std::uint64_t cur = (rem << 32) | w[k];
        w[k] = static_cast<std::uint32_t>(cur / 1000000000u);
        rem = cur % 1000000000u;
      }
      while (top >= 0 && w[top] == 0) --top;
      char* const chunk_end = start;
      start = digits_backwards(rem, start);
      if (top >= 0)
        while (chunk_end - start < 9) *--start = '0';
    }
  }
  const auto n = static_cast<int>(end - start);
  std::memcpy(out, start, static_cast<std::size_t>(n));
  return n;
}

bool rounds_up(int against_half, char last_digit) {
  return against_half > 0 || (against_half == 0 && (last_digit - '0') % 2 == 1);
}

// Adds one unit in the last digit of [begin, end), skipping the point;
// true when the carry runs out of the first digit (all digits are then 0).
bool increment(char* begin, char* end) {
  for (char* q = end; q != begin;) {
    --q;
    if (*q == '.') continue;
    if (*q != '9') {
      ++*q;
      return false;
    }
    *q = '0';
  }
  return true;
}

std::to_chars_result too_large(char* last) { return {last, std::errc::value_too_large}; }

// "inf", "nan" with their sign, as std::to_chars writes them.
bool non_finite(char*& out, char* last, double x, std::to_chars_result& result) {
  const auto bits = bit_cast<std::uint64_t>(x);
  if (((bits >> 52) & 0x7ff) != 0x7ff) return false;
  const char* word = (bits & ((std::uint64_t{1} << 52) - 1)) != 0 ? "nan" : "inf";
  const std::size_t need = 3 + ((bits >> 63) != 0 ? 1 : 0);
  if (static_cast<std::size_t>(last - out) < need) {
    result = too_large(last);
    return true;
  }
  if ((bits >> 63) != 0) *out++ = '-';
  std::memcpy(out, word, 3);
  result = {out + 3, std::errc()};
  return true;
}

}  // namespace

std::to_chars_result fixed_chars(char* first, char* last, double x, int decimals) {
  char* out = first;
  std::to_chars_result special;
  if (non_finite(out, last, x, special)) return special;
  const Parts p = decompose(x);
  char whole[kMaxWholeDigits];
  const int nw = whole_digits(p, whole);
  const std::ptrdiff_t need = (p.negative ? 1 : 0) + (nw == 0 ? 1 : nw) + (decimals > 0 ? 1 + decimals : 0);
  if (last - out < need) return too_large(last);

  if (p.negative) *out++ = '-';
  char* const number = out;
  if (nw == 0) {
    *out++ = '0';
  } else {
    std::memcpy(out, whole, static_cast<std::size_t>(nw));
    out += nw;
  }
  Fraction f(p.m, -p.e);
  if (decimals > 0) {
    *out++ = '.';
    int k = 0;
    for (; k < decimals && !f.zero(); ++k) *out++ = static_cast<char>('0' + f.next_digit());
    std::memset(out, '0', static_cast<std::size_t>(decimals - k));
    out += decimals - k;
  }
  if (rounds_up(f.against_half(), out[-1]) && increment(number, out)) {
    // 9.99 became 0.00: one more digit in front.
    if (last - out < 1) return too_large(last);
    std::memmove(number + 1, number, static_cast<std::size_t>(out - number));
    *number = '1';
    ++out;
  }
  return {out, std::errc()};
}

std::to_chars_result scientific_chars(char* first, char* last, double x, int decimals) {
  char* out = first;
  std::to_chars_result special;
  if (non_finite(out, last, x, special)) return special;
  const Parts p = decompose(x);
  const std::ptrdiff_t mantissa = (p.negative ? 1 : 0) + 1 + (decimals > 0 ? 1 + decimals : 0);
  if (last - out < mantissa + 4) return too_large(last);
  if (p.negative) *out++ = '-';
  char* const number = out;

  int exp10 = 0;
  const int wanted = decimals + 1;  // significant digits
  int written = 0;
  auto put = [&](int digit) {
    *out++ = static_cast<char>('0' + digit);
    if (++written == 1 && decimals > 0) *out++ = '.';
  };
  Fraction f(p.m, -p.e);
  int against_half = -1;
  if (p.m == 0) {
    for (int k = 0; k < wanted; ++k) put(0);
  } else {
    char whole[kMaxWholeDigits];
    const int nw = whole_digits(p, whole);
    if (nw > 0) {
      exp10 = nw - 1;
      const int from_whole = nw < wanted ? nw : wanted;
      for (int k = 0; k < from_whole; ++k) put(whole[k] - '0');
      if (nw > wanted) {
        // The digits left over decide, and the fraction behind them.
        bool rest = !f.zero();
        for (int k = wanted + 1; k < nw && !rest; ++k) rest = whole[k] != '0';
        const int next = whole[wanted] - '0';
        against_half = next > 5 || (next == 5 && rest) ? 1 : next == 5 ? 0 : -1;
      }
    } else {
      // Below 1: the zeros after the point only move the exponent.
      int digit = f.next_digit();
      exp10 = -1;
      while (digit == 0) {
        digit = f.next_digit();
        --exp10;
      }
      put(digit);
    }
    if (nw <= wanted) {
      while (written < wanted) put(f.zero() ? 0 : f.next_digit());
      against_half = f.against_half();
    }
  }
  if (rounds_up(against_half, out[-1]) && increment(number, out)) {
    *number = '1';  // 9.99 became 1.00 of the next power of ten
    ++exp10;
  }

  const int mag = exp10 < 0 ? -exp10 : exp10;
  if (last - out < (mag >= 100 ? 5 : 4)) return too_large(last);
  *out++ = 'e';
  *out++ = exp10 < 0 ? '-' : '+';
  if (mag >= 100) *out++ = static_cast<char>('0' + mag / 100);
  *out++ = static_cast<char>('0' + mag / 10 % 10);
  *out++ = static_cast<char>('0' + mag % 10);
  return {out, std::errc()};
}

}  // namespace labcore
