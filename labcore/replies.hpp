// Reading the user's replies: one line per reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace labcore {

// The text of a fixed-length field: cut to `width` bytes, never inside a
// UTF-8 character (the cut moves before it), then padded with blanks.
std::string fit_field(std::string_view text, std::size_t width);

// A whole number in the 32-bit range, with an optional sign: the whole of
// `text` must be the number.
bool parse_int32(std::string_view text, std::int32_t& value);

// The text without its trailing blanks.
std::string_view trim_right(std::string_view text);

class Replies {
 public:
  explicit Replies(std::istream& in) : in_(in) {}

  // The next line as a field of `width` bytes. False at the end of input.
  bool field(std::size_t width, std::string& out);

  enum class Number { ok, end_of_input, not_a_number };
  // A list-directed integer: blank and empty lines are skipped, the first
  // value of the next line is taken and the rest of that line discarded.
  Number integer(std::int32_t& value);

  // Waits for a line with a visible character. False at the end of input.
  bool any_character();

 private:
  bool next_line(std::string& line);
  std::istream& in_;
  std::string line_;
};

}  // namespace labcore
