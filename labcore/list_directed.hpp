// List-directed records: values written without a format.
//
// The layout is the one the suite's data sets have always had: a record
// starts with a blank; integers take 11 characters, single-precision reals
// 16 and double-precision reals 25, each after a separating blank; a text
// follows a number after a blank and follows another text directly.
#pragma once

#include <string>

#include "labcore/values.hpp"

namespace labcore {

// Builds one list-directed record of the values into line (replacing it).
void write_list(ArgCursor& values, std::string& line);

// One real in its list-directed field (no separating blank): the value to
// 9 (single) or 17 (double) significant digits, in fixed form followed by
// blanks where the exponent would stand when 0.1 <= |x| < 10^digits, and in
// exponent form otherwise.
void put_list_real(std::string& out, double x, bool single);

}  // namespace labcore
