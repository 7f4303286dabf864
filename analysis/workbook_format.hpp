// How the workbooks show numbers: the data as the data set writes them,
// results to their uncertainty, workings to a fixed number of significant
// figures, and the scales of chart axes.
#pragma once

#include <string>
#include <string_view>

namespace analysis {

// The number format that shows a cell as the data set writes it: "335.85"
// "0.00", "12953." "0"."" (the point as a literal), "0.5000E-04" "0.000E+00" (the same significant
// figures), "12" "0". "General" for anything else.
std::string format_of_written(std::string_view text);

// A value shown to its standard uncertainty: to the place of the second
// significant figure of `u` (36081.54 ± 123 "0", 0.123456 ± 0.0021
// "0.0000"), in scientific notation below 0.001 and from 1e6 on. Without
// a finite positive `u`, format_of_magnitude(value).
std::string format_of_uncertainty(double value, double u);

// `digits` significant figures at the magnitude of `scale` (the largest
// value of a column): fixed decimals, or scientific below 0.001 and from
// 1e6 on. "General" for 0 or a value that is not finite.
std::string format_of_magnitude(double scale, int digits = 6);

// A chart axis over data from `lo` to `hi`: a margin of 5 % of the span
// on each side (not below 0 when the data are not, nor above it when they
// are not), widened to whole major units of 1, 2, 2.5 or 5 times a power
// of ten (about five of them), and the format of its tick labels.
struct AxisScale {
  double min = 0, max = 0, major = 0;
  std::string format;
};
AxisScale axis_scale(double lo, double hi);

}  // namespace analysis
