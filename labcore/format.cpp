#include "labcore/format.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "labcore/decimal.hpp"

namespace labcore {

namespace {

constexpr int kMaxDecimals = 99;

void put_stars(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

void put_right(std::string& out, std::string_view s, int w) {
  if (static_cast<int>(s.size()) > w) {
    put_stars(out, w);
    return;
  }
  out.append(static_cast<std::size_t>(w) - s.size(), ' ');
  out.append(s);
}

// NaN and infinities are written as words, as short as the field demands.
bool put_non_finite(std::string& out, double x, int w) {
  if (std::isnan(x)) {
    put_right(out, "NaN", w);
    return true;
  }
  if (std::isinf(x)) {
    const bool neg = std::signbit(x);
    if (neg)
      put_right(out, w >= 9 ? "-Infinity" : "-Inf", w);
    else
      put_right(out, w >= 8 ? "Infinity" : "Inf", w);
    return true;
  }
  return false;
}

// Writes a number body (digits with a decimal point, no sign) into a
// w-character field: a leading "0" before the point is dropped when the
// field has no room for it, unless it is the only digit of an F w.0 field.
void put_number_body(std::string& out, bool negative, std::string_view body, int w,
                     bool zero_optional) {
  if (zero_optional && body.size() > 1 && body[0] == '0' && body[1] == '.') {
    const int full = static_cast<int>(body.size()) + (negative ? 1 : 0);
    if (full > w) body.remove_prefix(1);
  }
  const int len = static_cast<int>(body.size()) + (negative ? 1 : 0);
  if (len > w) {
    put_stars(out, w);
    return;
  }
  out.append(static_cast<std::size_t>(w - len), ' ');
  if (negative) out.push_back('-');
  out.append(body);
}

}  // namespace

void put_fixed(std::string& out, double x, int w, int d) {
  if (put_non_finite(out, x, w)) return;
  char buf[400];
  auto res = fixed_chars(buf, buf + sizeof buf - 1, std::fabs(x), d);
  if (res.ec != std::errc()) throw FormatError("F field too large to render");
  if (d == 0) *res.ptr++ = '.';
  put_number_body(out, std::signbit(x), std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)),
                  w, d > 0);
}

void put_exponent(std::string& out, double x, int w, int d) {
  if (put_non_finite(out, x, w)) return;
  // Significant digits and the exponent of the form 0.ddd x 10^exp.
  char digits[kMaxDecimals + 8];
  int exp10 = 0;
  if (x == 0.0) {
    std::memset(digits, '0', static_cast<std::size_t>(d));
  } else {
    char buf[kMaxDecimals + 16];
    auto res = scientific_chars(buf, buf + sizeof buf, std::fabs(x), d - 1);
    if (res.ec != std::errc()) throw FormatError("E field too large to render");
    // buf holds d[.ddd]e+XX
    const char* p = buf;
    int n = 0;
    for (; *p != 'e'; ++p)
      if (*p != '.') digits[n++] = *p;
    int e = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, e);
    exp10 = e + 1;
  }
  char body[kMaxDecimals + 16];
  int n = 0;
  body[n++] = '0';
  body[n++] = '.';
  std::memcpy(body + n, digits, static_cast<std::size_t>(d));
  n += d;
  const int mag = exp10 < 0 ? -exp10 : exp10;
  if (mag > 999) {
    put_stars(out, w);
    return;
  }
  if (mag <= 99) body[n++] = 'E';
  body[n++] = exp10 < 0 ? '-' : '+';
  if (mag > 99) body[n++] = static_cast<char>('0' + mag / 100);
  body[n++] = static_cast<char>('0' + mag / 10 % 10);
  body[n++] = static_cast<char>('0' + mag % 10);
  put_number_body(out, std::signbit(x), std::string_view(body, static_cast<std::size_t>(n)), w, true);
}

void put_integer(std::string& out, std::int64_t v, int w) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  put_right(out, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), w);
}

void put_text(std::string& out, std::string_view s, int w) {
  if (w < 0) {
    out.append(s);
  } else if (static_cast<int>(s.size()) >= w) {
    out.append(s.substr(0, static_cast<std::size_t>(w)));
  } else {
    out.append(static_cast<std::size_t>(w) - s.size(), ' ');
    out.append(s);
  }
}

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Interprets a format over a sequence of values. Positions are indices into
// the format text; a group is processed by walking its text again for each
// repetition, so nothing is built on the heap.
class Interpreter {
 public:
  Interpreter(std::string_view fmt, ArgCursor& values, std::string& line, RecordSink& sink)
      : fmt_(fmt), values_(values), line_(line), sink_(sink) {}

  void run() {
    std::size_t pos = skip(0);
    if (pos >= fmt_.size() || fmt_[pos] != '(') fail("a format begins with '('");
    const std::size_t close = matching(pos);
    if (skip(close + 1) != fmt_.size()) fail("text after the closing parenthesis");
    line_.clear();
    std::size_t from = pos + 1;
    for (;;) {
      consumed_ = false;
      if (!items(from, close)) break;  // a value item found no value left
      if (values_.done()) break;
      // Values remain when the format is exhausted: a new record, and the
      // format starts again at its last top-level group.
      if (!consumed_) fail("values remain but the format has no value item");
      flush();
      from = reversion_point(pos + 1, close);
    }
    flush();
  }

 private:
  [[noreturn]] void fail(const char* what) const {
    throw FormatError(std::string("format ") + std::string(fmt_) + ": " + what);
  }

  std::size_t skip(std::size_t pos) const {
    while (pos < fmt_.size() && is_blank(fmt_[pos])) ++pos;
    return pos;
  }

  // The end of the quoted text that starts at pos (the index after it).
  std::size_t literal_end(std::size_t pos) const {
    const char q = fmt_[pos];
    for (std::size_t i = pos + 1; i < fmt_.size(); ++i) {
      if (fmt_[i] != q) continue;
      if (i + 1 < fmt_.size() && fmt_[i + 1] == q) {
        ++i;  // a doubled quote stands for one quote
        continue;
      }
      return i + 1;
    }
    fail("unterminated text");
  }

  std::size_t matching(std::size_t open) const {
    int depth = 0;
    for (std::size_t i = open; i < fmt_.size();) {
      const char c = fmt_[i];
      if (c == '\'' || c == '"') {
        i = literal_end(i);
        continue;
      }
      if (c == '(') ++depth;
      if (c == ')' && --depth == 0) return i;
      ++i;
    }
    fail("unbalanced parentheses");
  }

  int number(std::size_t& pos) const {
    pos = skip(pos);
    if (pos >= fmt_.size() || !is_digit(fmt_[pos])) return -1;
    int n = 0;
    while (pos < fmt_.size() && is_digit(fmt_[pos])) {
      n = n * 10 + (fmt_[pos] - '0');
      if (n > 100000) fail("number too large");
      ++pos;
    }
    return n;
  }

  // Start of the last top-level group (with its repeat count), or of the
  // whole list when it has no group.
  std::size_t reversion_point(std::size_t begin, std::size_t end) const {
    std::size_t last = begin;
    std::size_t item_start = begin;
    for (std::size_t i = begin; i < end;) {
      const char c = fmt_[i];
      if (c == '\'' || c == '"') {
        i = literal_end(i);
        item_start = i;
      } else if (c == ',' || c == '/') {
        item_start = ++i;
      } else if (c == '(') {
        last = item_start;
        i = matching(i) + 1;
      } else {
        ++i;
      }
    }
    return last;
  }

  void flush() {
    sink_.record(line_);
    line_.clear();
  }

  bool next_value(Value& v) {
    if (values_.done()) return false;
    v = values_.next();
    consumed_ = true;
    return true;
  }

  // Processes the items of [pos, end). Returns false when a value item is
  // reached and no value remains.
  bool items(std::size_t pos, std::size_t end) {
    while (true) {
      pos = skip(pos);
      while (pos < end && (fmt_[pos] == ',' || is_blank(fmt_[pos]))) ++pos;
      if (pos >= end) return true;
      const char c = fmt_[pos];
      if (c == '\'' || c == '"') {
        const std::size_t stop = literal_end(pos);
        for (std::size_t i = pos + 1; i + 1 < stop; ++i) {
          line_.push_back(fmt_[i]);
          if (fmt_[i] == c) ++i;  // doubled quote
        }
        pos = stop;
        continue;
      }
      if (c == '/') {
        flush();
        ++pos;
        continue;
      }
      int repeat = number(pos);
      if (repeat == 0) fail("a repeat count of zero");
      if (repeat < 0) repeat = 1;
      pos = skip(pos);
      if (pos >= end) fail("a repeat count without an item");
      if (fmt_[pos] == '(') {
        const std::size_t close = matching(pos);
        for (int r = 0; r < repeat; ++r)
          if (!items(pos + 1, close)) return false;
        pos = close + 1;
        continue;
      }
      const char letter = upper(fmt_[pos++]);
      int w = number(pos);
      int d = -1;
      if (letter == 'F' || letter == 'E') {
        pos = skip(pos);
        if (w <= 0 || pos >= end || fmt_[pos] != '.') fail("F and E need a width and decimals");
        ++pos;
        d = number(pos);
        if (d < 0 || d > kMaxDecimals || (letter == 'E' && d == 0)) fail("bad number of decimals");
      } else if (letter == 'I') {
        if (w <= 0) fail("I needs a width");
      } else if (letter != 'A') {
        fail("unknown edit descriptor");
      }
      for (int r = 0; r < repeat; ++r) {
        Value v;
        if (!next_value(v)) return false;
        put(letter, v, w, d);
      }
    }
  }

  void put(char letter, const Value& v, int w, int d) {
    switch (letter) {
      case 'F':
        if (!v.is_real()) fail("F needs a real value");
        put_fixed(line_, v.real(), w, d);
        break;
      case 'E':
        if (!v.is_real()) fail("E needs a real value");
        put_exponent(line_, v.real(), w, d);
        break;
      case 'I':
        if (v.kind != Value::Kind::integer) fail("I needs an integer value");
        put_integer(line_, v.i, w);
        break;
      default:
        if (v.kind != Value::Kind::text) fail("A needs a text value");
        put_text(line_, v.s, w);
        break;
    }
  }

  std::string_view fmt_;
  ArgCursor& values_;
  std::string& line_;
  RecordSink& sink_;
  bool consumed_ = false;
};

}  // namespace

void write_formatted(std::string_view format, ArgCursor& values, std::string& line,
                     RecordSink& sink) {
  Interpreter(format, values, line, sink).run();
}

}  // namespace labcore
