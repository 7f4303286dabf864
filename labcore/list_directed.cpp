#include "labcore/list_directed.hpp"

#include <charconv>
#include <cmath>

#include "labcore/decimal.hpp"
#include "labcore/format.hpp"

namespace labcore {

namespace {

constexpr int kIntegerWidth = 11;

}  // namespace

void put_list_real(std::string& out, double x, bool single) {
  const int width = single ? 16 : 25;
  const int digits = single ? 9 : 17;
  const int exp_digits = single ? 2 : 3;
  const std::size_t tail = static_cast<std::size_t>(exp_digits) + 2;  // room of "E+dd"

  if (std::isnan(x) || std::isinf(x)) {
    put_text(out, std::isnan(x) ? "NaN" : (std::signbit(x) ? "-Infinity" : "Infinity"), width);
    return;
  }
  char buf[64];
  std::size_t n = 0;
  if (std::signbit(x)) buf[n++] = '-';
  const double mag = std::fabs(x);

  // The decimal exponent of the value rounded to its significant digits.
  int exp10 = 0;
  char sci[40];
  auto sres = scientific_chars(sci, sci + sizeof sci, mag, digits - 1);
  if (mag != 0.0) {
    const char* e = sci;
    while (*e != 'e') ++e;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), sres.ptr, exp10);
  }

  if (exp10 >= -1 && exp10 < digits) {
    auto res = fixed_chars(buf + n, buf + sizeof buf, mag, digits - 1 - exp10);
    if (digits - 1 - exp10 == 0) *res.ptr++ = '.';
    put_text(out, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)),
             width - static_cast<int>(tail));
    out.append(tail, ' ');
    return;
  }
  // Exponent form: d.ddddE+xx with the mantissa as rounded above.
  const char* e = sci;
  while (*e != 'e') buf[n++] = *e++;
  buf[n++] = 'E';
  buf[n++] = exp10 < 0 ? '-' : '+';
  const int a = exp10 < 0 ? -exp10 : exp10;
  if (exp_digits == 3) buf[n++] = static_cast<char>('0' + a / 100);
  buf[n++] = static_cast<char>('0' + a / 10 % 10);
  buf[n++] = static_cast<char>('0' + a % 10);
  put_text(out, std::string_view(buf, n), width);
}

void write_list(ArgCursor& values, std::string& line) {
  line.assign(1, ' ');
  enum class Last { none, number, text } last = Last::none;
  while (!values.done()) {
    const Value v = values.next();
    if (v.kind == Value::Kind::text) {
      if (last == Last::number) line.push_back(' ');
      line.append(v.s);
      last = Last::text;
      continue;
    }
    if (last != Last::none) line.push_back(' ');
    if (v.kind == Value::Kind::integer)
      put_integer(line, v.i, kIntegerWidth);
    else
      put_list_real(line, v.real(), v.kind == Value::Kind::real4);
    last = Last::number;
  }
}

}  // namespace labcore
