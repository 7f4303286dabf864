// Decimal renderings of a double that are exact on every platform.
//
// A double holds m * 2^e exactly, and every such number has a finite
// decimal expansion. These functions write that expansion rounded once, to
// the requested number of digits, to nearest with an exact tie going to the
// even digit: the rounding every data-set record is defined with. They
// write what std::to_chars writes with chars_format::fixed or ::scientific
// and a precision, byte for byte, and need nothing from the C or C++
// library's own conversions, whose presence and exactness differ between
// platforms.
#pragma once

#include <charconv>

namespace labcore {

// x with `decimals` digits after the point ("-12.3450"; "2" without a
// point when decimals is 0). Returns the end of what was written, or
// errc::value_too_large (nothing usable written) when [first, last) is too
// short.
std::to_chars_result fixed_chars(char* first, char* last, double x, int decimals);

// x with one digit before the point and `decimals` after it, then the
// decimal exponent with its sign and at least two digits ("1.2345e+02",
// "5e-324").
std::to_chars_result scientific_chars(char* first, char* last, double x, int decimals);

}  // namespace labcore
