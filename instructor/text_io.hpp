// Reading the files the instructor hands the tool, and showing their text
// on a terminal.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace instructor {

// Reads a whole file of at most `limit` bytes. The size of a regular file is
// checked before anything is read; anything else (a device, a pipe) is read
// until `limit` + 1 bytes. On failure, false with a message naming the file.
bool read_bounded(const std::string& path, std::size_t limit, std::string& text, std::string& error);

// Text from a file someone else wrote, safe to print: CR, TAB, ESC, other
// C0 control bytes and DEL shown as \r, \t, \x1b, ..., a backslash as \\,
// and the text cut after `limit` bytes with a marker saying how much more
// there is.
std::string shown(std::string_view text, std::size_t limit = 200);

// Flushes `out` and tells whether everything written to it arrived; when
// not, says so on `err`.
bool output_written(std::ostream& out, std::ostream& err);

}  // namespace instructor
