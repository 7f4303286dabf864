#include "analysis/workbook_format.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace analysis {

namespace {

std::string fixed(int decimals) {
  return decimals <= 0 ? std::string("0") : "0." + std::string(static_cast<std::size_t>(decimals), '0');
}

std::string scientific(int decimals) { return fixed(std::min(decimals, 14)) + "E+00"; }

int exponent_of(double v) { return static_cast<int>(std::floor(std::log10(std::fabs(v)))); }

bool needs_scientific(double v) { return v != 0 && (std::fabs(v) < 1e-3 || std::fabs(v) >= 1e6); }

}  // namespace

std::string format_of_written(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  const std::size_t e = text.find_first_of("EeDd");
  const std::string_view mantissa = text.substr(0, e);
  const std::size_t point = mantissa.find('.');
  std::size_t digits = 0, decimals = 0, significant = 0;
  bool leading = true;
  for (std::size_t i = 0; i < mantissa.size(); ++i) {
    const char c = mantissa[i];
    if (c == '.') continue;
    if (!std::isdigit(static_cast<unsigned char>(c))) return "General";
    ++digits;
    if (point != std::string_view::npos && i > point) ++decimals;
    if (c != '0') leading = false;
    if (!leading) ++significant;
  }
  if (digits == 0 || mantissa.find('.', point == std::string_view::npos ? 0 : point + 1) != std::string_view::npos)
    return "General";
  if (e != std::string_view::npos)
    return scientific(static_cast<int>(std::max<std::size_t>(significant, 1)) - 1);
  if (point == std::string_view::npos) return "0";
  if (decimals == 0) return "0\".\"";  // "12953.": a whole number written with its point
  return fixed(static_cast<int>(decimals));
}

std::string format_of_magnitude(double scale, int digits) {
  if (!std::isfinite(scale) || scale == 0) return "General";
  const int e = exponent_of(scale);
  if (needs_scientific(scale)) return scientific(digits - 1);
  return fixed(digits - 1 - e);
}

std::string format_of_uncertainty(double value, double u) {
  if (!std::isfinite(u) || u <= 0 || !std::isfinite(value)) return format_of_magnitude(value);
  const int last = exponent_of(u) - 1;  // the place of u's second significant figure
  if (needs_scientific(value)) return scientific(std::max(0, exponent_of(value) - last));
  return fixed(-last);
}

AxisScale axis_scale(double lo, double hi) {
  if (!(lo <= hi) || !std::isfinite(lo) || !std::isfinite(hi)) return {};
  double span = hi - lo;
  if (span == 0) span = lo != 0 ? std::fabs(lo) * 0.1 : 1.0;
  double min = lo - 0.05 * span, max = hi + 0.05 * span;
  if (lo >= 0 && min < 0) min = 0;
  if (hi <= 0 && max > 0) max = 0;
  const double rough = (max - min) / 5;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double major = 10 * power;
  for (const double m : {1.0, 2.0, 2.5, 5.0})
    if (m * power >= rough * (1 - 1e-9)) {
      major = m * power;
      break;
    }
  AxisScale s;
  s.major = major;
  s.min = std::floor(min / major + 1e-9) * major;
  s.max = std::ceil(max / major - 1e-9) * major;
  // Ticks distinct: the decimals of the major unit (2.5 needs one more).
  const int e = exponent_of(major);
  const bool half = std::fabs(major / std::pow(10.0, e) - 2.5) < 1e-9;
  const double big = std::max(std::fabs(s.min), std::fabs(s.max));
  if (needs_scientific(big) || big < 1e-2)
    s.format = scientific(std::max(0, exponent_of(big) - e + (half ? 1 : 0)));
  else
    s.format = fixed(-e + (half ? 1 : 0));
  return s;
}

}  // namespace analysis
