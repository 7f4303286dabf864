// The values a record is written from: integers, single- and
// double-precision reals and texts, passed one by one or as whole tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace labcore {

struct Value {
  enum class Kind : unsigned char { integer, real4, real8, text };
  Kind kind = Kind::integer;
  std::int64_t i = 0;
  float f = 0.0f;
  double d = 0.0;
  std::string_view s;

  static Value of(std::int64_t v) { Value x; x.kind = Kind::integer; x.i = v; return x; }
  static Value of(float v) { Value x; x.kind = Kind::real4; x.f = v; return x; }
  static Value of(double v) { Value x; x.kind = Kind::real8; x.d = v; return x; }
  static Value of(std::string_view v) { Value x; x.kind = Kind::text; x.s = v; return x; }
  bool is_real() const { return kind == Kind::real4 || kind == Kind::real8; }
  // The real value widened exactly to double.
  double real() const { return kind == Kind::real4 ? static_cast<double>(f) : d; }
};

// One argument of a record: a single value or a contiguous table of values,
// which stands for its elements in order.
class Arg {
 public:
  Arg(int v) : one_(Value::of(std::int64_t{v})) {}
  Arg(long v) : one_(Value::of(std::int64_t{v})) {}
  Arg(float v) : one_(Value::of(v)) {}
  Arg(double v) : one_(Value::of(v)) {}
  Arg(std::string_view v) : one_(Value::of(v)) {}
  Arg(const char* v) : one_(Value::of(std::string_view(v))) {}
  Arg(const std::string& v) : one_(Value::of(std::string_view(v))) {}
  Arg(std::span<const float> v) : floats_(v), count_(v.size()) {}
  Arg(std::span<const double> v) : doubles_(v), count_(v.size()) {}
  Arg(std::span<const int> v) : ints_(v), count_(v.size()) {}
  template <std::size_t N> Arg(const std::array<float, N>& v) : Arg(std::span<const float>(v)) {}
  template <std::size_t N> Arg(const std::array<double, N>& v) : Arg(std::span<const double>(v)) {}
  template <std::size_t N> Arg(const std::array<int, N>& v) : Arg(std::span<const int>(v)) {}
  Arg(const std::vector<float>& v) : Arg(std::span<const float>(v)) {}
  Arg(const std::vector<double>& v) : Arg(std::span<const double>(v)) {}

  std::size_t count() const { return count_; }
  Value at(std::size_t k) const {
    if (!floats_.empty()) return Value::of(floats_[k]);
    if (!doubles_.empty()) return Value::of(doubles_[k]);
    if (!ints_.empty()) return Value::of(std::int64_t{ints_[k]});
    return one_;
  }

 private:
  Value one_;
  std::span<const float> floats_;
  std::span<const double> doubles_;
  std::span<const int> ints_;
  std::size_t count_ = 1;
};

// Walks the values of an argument list in order.
class ArgCursor {
 public:
  explicit ArgCursor(std::span<const Arg> args) : args_(args) { skip_empty(); }
  bool done() const { return arg_ == args_.size(); }
  Value next() {
    Value v = args_[arg_].at(index_);
    if (++index_ == args_[arg_].count()) {
      ++arg_;
      index_ = 0;
      skip_empty();
    }
    return v;
  }

 private:
  void skip_empty() {
    while (arg_ < args_.size() && args_[arg_].count() == 0) ++arg_;
  }
  std::span<const Arg> args_;
  std::size_t arg_ = 0;
  std::size_t index_ = 0;
};

}  // namespace labcore
