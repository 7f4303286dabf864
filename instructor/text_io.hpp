// Reading the files the instructor hands the tool, and showing their text
// on a terminal.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "analysis/safe_text.hpp"

namespace instructor {

// Reads a whole regular file of at most `limit` bytes, its size checked
// before anything is read. A folder, a pipe (a FIFO is not waited on), a
// device or a socket is refused unread. On failure, false with a message
// naming the file.
bool read_bounded(const std::string& path, std::size_t limit, std::string& text, std::string& error);

// Text from a file someone else wrote, safe to print (analysis::shown).
using analysis::shown;

// Flushes `out` and `err` and tells whether everything written to both
// arrived; when not, says so on `err` (which may be lost too: the exit
// status then tells).
bool output_written(std::ostream& out, std::ostream& err);

}  // namespace instructor
