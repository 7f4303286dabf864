// Reading the user's replies: one line per reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace labcore {

// The text of a fixed-length field: cut to `width` bytes, then padded with
// blanks. A UTF-8 character that starts inside the field and would be cut
// is left out whole; the cut never moves for any other reason (a stray
// continuation byte after the field is simply not taken).
std::string fit_field(std::string_view text, std::size_t width);

// True when a spreadsheet would take a cell with this text as a formula:
// it begins with =, +, - or @ (quoted in the CSV file or not).
bool starts_formula(std::string_view text);

// A person's name as the text of a CSV cell of `width` bytes: fit_field,
// except that a name that starts_formula() gets a leading apostrophe, so
// that spreadsheets show it as text; the name is then cut one byte
// earlier, still never inside a UTF-8 character. Use it for every cell
// that holds a name a user typed.
std::string name_cell_field(std::string_view name, std::size_t width);

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

  // Whether the input broke rather than ended: a line too long for the
  // memory available, or a read error.
  bool broken() const { return in_.bad(); }

 private:
  bool next_line(std::string& line);
  std::istream& in_;
  std::string line_;
};

}  // namespace labcore
